#include "Pane.h"

#include "LayoutMath.h"

namespace DockSplitTab {

namespace {
LOGFONTW IconTitleFont() {
    LOGFONTW lf{};
    ::SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(lf), &lf, 0);
    return lf;
}

// The ascent of the tab control's font, or the character height of the icon-title font when
// the control has none.
int TabFontAscent(HWND tabs) {
    ClientDC dc(tabs);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(tabs, WM_GETFONT, 0, 0));
    TEXTMETRICW tm{};
    if (font) {
        SelectedObject keep(dc, font);
        ::GetTextMetricsW(dc, &tm);
        return tm.tmAscent;
    }
    Font iconTitle(IconTitleFont());
    SelectedObject keep(dc, iconTitle);
    ::GetTextMetricsW(dc, &tm);
    return tm.tmHeight;
}
}  // namespace

HWND Pane::Create(HWND parent, CallBackListener* owner, bool tabsOnTop, bool autoHide, HIMAGELIST images) {
    m_owner = owner;
    m_tabsOnTop = tabsOnTop;
    m_autoHide = autoHide;
    m_images = images;
    RECT rc{};
    return Window<Pane>::Create(parent, &rc, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
}

LRESULT Pane::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
    if (!m_tabs.Create(m_hWnd, this)) return -1;
    if (!m_tabsOnTop) ::SetWindowLongPtrW(m_tabs, GWL_STYLE, m_tabs.GetStyle() | TCS_BOTTOM);
    m_font = Font(IconTitleFont());
    m_tabs.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
    m_stripHeight = TabStripHeight(TabFontAscent(m_tabs));
    if (m_images) m_tabs.SendMessage(TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_images));
    return 0;
}

void Pane::AddView(const TabItem& item, const std::wstring& tooltip, bool select) {
    if (!item.view) return;
    ::SetParent(item.view, m_hWnd);
    m_tooltips[item.view] = tooltip;
    HWND previous = SelectedView();  // before: the control selects a first tab by itself
    const int index = m_tabs.Insert(m_tabs.Count(), item);
    if (index < 0) return;
    if (select || !previous) {
        if (previous && previous != item.view) ::ShowWindow(previous, SW_HIDE);
        m_tabs.Select(index);
    } else if (::IsWindowVisible(item.view)) {
        ::ShowWindow(item.view, SW_HIDE);  // behind the selected one
    }
    // The strip keeps its place while tabs are added; only showing it moves the view.
    if (StripShownFor(m_tabs.Count()) != m_stripShown || m_tabs.Count() == 1) UpdateLayout();
    if (select || !previous) ShowSelectedView(false);
}

bool Pane::RemoveView(HWND view) {
    int index = m_tabs.Find(view);
    if (index < 0) return false;
    bool wasSelected = index == m_tabs.Selected();
    m_tabs.Delete(index);
    m_tooltips.erase(view);
    if (::IsWindow(view)) ::ShowWindow(view, SW_HIDE);
    if (m_tabs.Count() > 0 && (wasSelected || m_tabs.Selected() < 0))
        m_tabs.Select(index < m_tabs.Count() ? index : m_tabs.Count() - 1);
    UpdateLayout();
    ShowSelectedView(false);
    return true;
}

bool Pane::SelectView(HWND view) {
    int index = m_tabs.Find(view);
    if (index < 0) return false;
    if (index != m_tabs.Selected()) {
        HWND previous = SelectedView();
        if (previous) ::ShowWindow(previous, SW_HIDE);
        m_tabs.Select(index);
    }
    ShowSelectedView(true);
    return true;
}

HWND Pane::SelectedView() const {
    int index = m_tabs.Selected();
    return index < 0 ? nullptr : m_tabs.View(index);
}

TabItem Pane::Item(HWND view) const {
    int index = m_tabs.Find(view);
    return index < 0 ? TabItem{} : m_tabs.Item(index);
}

std::wstring Pane::Tooltip(HWND view) const {
    auto it = m_tooltips.find(view);
    return it == m_tooltips.end() ? std::wstring() : it->second;
}

void Pane::SetTooltip(HWND view, const std::wstring& tooltip) {
    auto it = m_tooltips.find(view);
    if (it != m_tooltips.end()) it->second = tooltip;
}

void Pane::HoldStripDrawing(bool hold) {
    m_tabs.SendMessage(WM_SETREDRAW, !hold);
    if (hold) return;
    UpdateLayout();  // the strip's visibility as the tabs want it, whatever the message did to it
    ::RedrawWindow(m_tabs, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

RECT Pane::TabStripRect() const {
    RECT rc = GetClientRect();
    if (!m_stripShown) return RECT{};
    const int h = m_stripHeight;
    if (m_tabsOnTop)
        rc.bottom = rc.top + h;
    else
        rc.top = rc.bottom - h;
    return rc;
}

RECT Pane::ClientPart() const {
    RECT rc = GetClientRect();
    RECT strip = TabStripRect();
    if (m_tabsOnTop)
        rc.top = strip.bottom > rc.top ? strip.bottom : rc.top;
    else if (!::IsRectEmpty(&strip))
        rc.bottom = strip.top;
    return rc;
}

void Pane::UpdateLayout() {
    const int count = m_tabs.Count();
    m_stripShown = StripShownFor(count);
    if (count == 0) {
        ::SetWindowPos(m_tabs, nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
        Invalidate();
        return;
    }
    RECT strip = TabStripRect();
    ::SetWindowPos(m_tabs, nullptr, strip.left, strip.top, strip.right - strip.left, strip.bottom - strip.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | (m_stripShown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    if (HWND view = SelectedView()) {
        RECT rc = ClientPart();
        ::SetWindowPos(view, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Pane::ShowSelectedView(bool focus) {
    HWND view = SelectedView();
    if (!view) return;
    RECT rc = ClientPart();
    ::SetWindowPos(view, HWND_TOP, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (focus) ::SetFocus(view);
}

LRESULT Pane::OnSize(UINT, WPARAM, LPARAM, BOOL&) {
    UpdateLayout();
    return 0;
}

LRESULT Pane::OnEraseBackground(UINT, WPARAM wParam, LPARAM, BOOL&) {
    if (m_tabs.Count() > 0) return 1;  // the strip and the view cover the pane
    RECT rc = GetClientRect();
    ::FillRect(reinterpret_cast<HDC>(wParam), &rc, static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));
    return 1;
}

LRESULT Pane::OnSetFocus(UINT, WPARAM, LPARAM, BOOL&) {
    HWND view = SelectedView();
    if (view) ::SetFocus(view);
    if (m_owner) m_owner->ViewActivated(m_hWnd, view);
    return 0;
}

// A click into a view that activates the pane also makes its view the active one.
LRESULT Pane::OnMouseActivate(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&) {
    LRESULT result = DefWindowProc(msg, wParam, lParam);
    if (result == MA_ACTIVATE || result == MA_ACTIVATEANDEAT) {
        HWND focus = ::GetFocus();
        if (!focus || (focus != m_hWnd && !::IsChild(m_hWnd, focus))) ::SetFocus(m_hWnd);
        else if (m_owner) m_owner->ViewActivated(m_hWnd, SelectedView());
    }
    return result;
}

LRESULT Pane::OnSelChange(int, LPNMHDR hdr, BOOL& bHandled) {
    if (hdr->hwndFrom != m_tabs.m_hWnd) {
        bHandled = FALSE;
        return 0;
    }
    const int selected = m_tabs.Selected();
    for (int i = 0, n = m_tabs.Count(); i < n; ++i)
        if (i != selected && ::IsWindowVisible(m_tabs.View(i))) ::ShowWindow(m_tabs.View(i), SW_HIDE);
    ShowSelectedView(true);
    if (m_owner) m_owner->ViewActivated(m_hWnd, SelectedView());
    return 0;
}

LRESULT Pane::OnDoubleClick(int, LPNMHDR hdr, BOOL& bHandled) {
    if (hdr->hwndFrom != m_tabs.m_hWnd) {
        bHandled = FALSE;
        return 0;
    }
    if (m_owner) m_owner->ViewDetach(m_hWnd, SelectedView());
    return 0;
}

LRESULT Pane::OnTooltipText(int, LPNMHDR hdr, BOOL&) {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(hdr);
    static std::wstring text;  // must outlive the notification
    text = Tooltip(m_tabs.View(static_cast<int>(hdr->idFrom)));
    info->lpszText = text.data();
    return 0;
}

void Pane::ViewActivated(HWND pane, HWND view) {
    if (m_owner) m_owner->ViewActivated(pane, view);
}

void Pane::ViewDetach(HWND pane, HWND view) {
    if (m_owner) m_owner->ViewDetach(pane, view);
}

void Pane::ViewClose(HWND view) {
    if (m_owner) m_owner->ViewClose(view);
}

void Pane::DragStart(HWND, HWND view, int x, int y, UINT) {
    m_dragIndex = m_tabs.Find(view);
    m_dragPress = POINT{x, y};
    m_dragCursor = ::GetCursor();
    m_ownerTracking = false;
}

void Pane::HandToOwner(bool start, HWND, HWND view, int x, int y, UINT keys) {
    if (!m_owner) return;
    if (start) m_owner->DragStart(m_hWnd, view, x, y, keys);
    m_owner->DragOver(m_hWnd, view, x, y, keys);
}

void Pane::DragOver(HWND window, HWND view, int x, int y, UINT keys) {
    const POINT pt{x, y};
    const bool ctrl = (keys & MK_CONTROL) != 0;
    const int hovered = m_tabs.HitTest(pt);
    if (hovered < 0) {
        HandToOwner(!m_ownerTracking, window, view, x, y, keys);
        m_ownerTracking = true;
    } else if (hovered != m_dragIndex && m_dragIndex >= 0 && !ctrl) {
        if (m_ownerTracking) {
            m_owner->DragCancel(m_hWnd, view);
            m_ownerTracking = false;
        }
        const int step = hovered > m_dragIndex ? 1 : -1;
        while (m_dragIndex != hovered) {
            m_tabs.SwapItems(m_dragIndex, m_dragIndex + step, true, false);
            m_dragIndex += step;
        }
        m_tabs.Select(m_dragIndex);
    }
    const bool overOwnTab = hovered >= 0 && hovered == m_dragIndex;
    const bool moved = pt.x != m_dragPress.x || pt.y != m_dragPress.y;
    ::SetCursor(overOwnTab && moved && !ctrl ? ::LoadCursorW(nullptr, IDC_SIZEWE) : m_dragCursor);
}

void Pane::DragDrop(HWND, HWND view, int x, int y, UINT keys) {
    if (m_ownerTracking && m_owner) m_owner->DragDrop(m_hWnd, view, x, y, keys);
    m_ownerTracking = false;
    m_dragIndex = -1;
}

void Pane::DragCancel(HWND, HWND view) {
    if (m_ownerTracking && m_owner) m_owner->DragCancel(m_hWnd, view);
    m_ownerTracking = false;
    m_dragIndex = -1;
}

}  // namespace DockSplitTab
