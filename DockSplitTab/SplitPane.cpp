#include "SplitPane.h"

#include "LayoutMath.h"

namespace DockSplitTab {

namespace {
RECT RectIn(HWND child, HWND parent) {
    RECT rc{};
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}
void PlaceWindow(HWND hWnd, const RECT& rc) {
    ::SetWindowPos(hWnd, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}
}  // namespace

SplitPane::~SplitPane() {
    if (m_hWnd) DestroyWindow();
}

HWND SplitPane::Create(HWND parent, CallBackListener* owner, bool tabsOnTop, bool autoHide, HIMAGELIST images) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&icc);
    m_owner = owner;
    m_tabsOnTop = tabsOnTop;
    m_autoHide = autoHide;
    m_images = images;
    RECT rc{};
    return Window<SplitPane>::Create(parent, &rc, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
}

LRESULT SplitPane::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
    Pane* root = NewPane(m_hWnd, m_autoHide);
    if (!root) return -1;
    m_rootChild = *root;
    m_activePane = root;
    return 0;
}

Pane* SplitPane::NewPane(HWND parent, bool autoHide) {
    auto pane = std::make_unique<Pane>();
    if (!pane->Create(parent, this, m_tabsOnTop, autoHide, m_images)) return nullptr;
    Pane* raw = pane.get();
    m_panes.emplace(raw->m_hWnd, std::move(pane));
    if (m_stripDrawingHeld) raw->HoldStripDrawing(true);
    return raw;
}

void SplitPane::HoldStripDrawing(bool hold) {
    if (hold == m_stripDrawingHeld) return;
    m_stripDrawingHeld = hold;
    for (auto& [hWnd, pane] : m_panes) pane->HoldStripDrawing(hold);
}

void SplitPane::SetImageList(HIMAGELIST images) {
    m_images = images;
    for (auto& [hWnd, pane] : m_panes) pane->Tabs().SendMessage(TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
}

Pane* SplitPane::FindPane(HWND hWnd) const {
    auto it = m_panes.find(hWnd);
    return it == m_panes.end() ? nullptr : it->second.get();
}

Pane* SplitPane::PaneOf(HWND view) const {
    auto it = m_viewPanes.find(view);
    return it == m_viewPanes.end() ? nullptr : it->second;
}

SplitDock* SplitPane::FindSplitter(HWND hWnd) const {
    if (auto it = m_verticalSplitters.find(hWnd); it != m_verticalSplitters.end()) return it->second.get();
    if (auto it = m_horizontalSplitters.find(hWnd); it != m_horizontalSplitters.end()) return it->second.get();
    return nullptr;
}

SplitDock* SplitPane::ParentSplitter(HWND child) const { return FindSplitter(::GetParent(child)); }

void SplitPane::AddView(const wchar_t* caption, HWND view, const wchar_t* tooltip, int image, bool select) {
    if (!view || HoldsView(view) || !m_activePane) return;
    m_activePane->AddView(TabItem{caption ? caption : L"", image, view}, tooltip ? tooltip : L"", select);
    m_viewPanes[view] = m_activePane;
}

bool SplitPane::RemoveView(HWND view) {
    Pane* pane = PaneOf(view);
    if (!pane) return false;
    pane->RemoveView(view);
    m_viewPanes.erase(view);
    if (pane->TabCount() == 0 && *pane != m_rootChild) {
        if (::IsWindow(view) && ::GetParent(view) == *pane) ::SetParent(view, m_hWnd);
        Collapse(pane);
    }
    return true;
}

bool SplitPane::ActivateView(HWND view) {
    Pane* pane = PaneOf(view);
    if (!pane) return false;
    m_activePane = pane;
    pane->SelectView(view);
    return true;
}

HWND SplitPane::ActiveView() const { return m_activePane ? m_activePane->SelectedView() : nullptr; }

bool SplitPane::IsSelected(HWND view) const {
    Pane* pane = PaneOf(view);
    return pane && pane->SelectedView() == view;
}

Pane* SplitPane::AcceptsDropPoint(POINT screen) const {
    if (!m_hWnd || !::IsWindowVisible(m_hWnd)) return nullptr;
    for (const auto& [hWnd, pane] : m_panes) {
        RECT rc{};
        ::GetWindowRect(hWnd, &rc);
        if (::IsWindowVisible(hWnd) && ::PtInRect(&rc, screen)) return pane.get();
    }
    return nullptr;
}

void SplitPane::CollectViews(HWND node, std::vector<HWND>& views) const {
    if (Pane* pane = FindPane(node)) {
        for (int i = 0, n = pane->TabCount(); i < n; ++i) views.push_back(pane->ViewAt(i));
        return;
    }
    SplitDock* splitter = FindSplitter(node);
    if (!splitter) return;
    CollectViews(splitter->GetSplitterPane(0), views);
    CollectViews(splitter->GetSplitterPane(1), views);
}

std::vector<HWND> SplitPane::Views() const {
    std::vector<HWND> views;
    CollectViews(m_rootChild, views);
    return views;
}

Pane* SplitPane::FirstPane(HWND node) const {
    if (Pane* pane = FindPane(node)) return pane;
    SplitDock* splitter = FindSplitter(node);
    return splitter ? FirstPane(splitter->GetSplitterPane(0)) : nullptr;
}

void SplitPane::MoveTab(HWND view, Pane* from, Pane* to) {
    if (from == to) return;
    TabItem item = from->Item(view);
    std::wstring tooltip = from->Tooltip(view);
    from->RemoveView(view);
    to->AddView(item, tooltip);
    m_viewPanes[view] = to;
    m_activePane = to;
    to->SelectView(view);
    // The source pane is where the drag loop runs: it goes only after the current message.
    if (from->TabCount() == 0 && *from != m_rootChild) PostMessage(kCollapseMessage, reinterpret_cast<WPARAM>(from->m_hWnd));
}

void SplitPane::Replace(HWND old, HWND child) {
    if (old == m_rootChild) {
        ::SetParent(child, m_hWnd);
        m_rootChild = child;
        PlaceWindow(child, GetClientRect());
        return;
    }
    SplitDock* parent = ParentSplitter(old);
    if (!parent) return;
    ::SetParent(child, *parent);
    parent->SetSplitterPane(parent->GetSplitterPane(0) == old ? 0 : 1, child);
}

void SplitPane::Split(Pane* target, int zone, HWND view) {
    Pane* source = PaneOf(view);
    if (!source) return;
    const SplitOrder order = SplitOrderForZone(zone);
    HWND place = ::GetParent(*target);
    RECT rc = RectIn(*target, place);
    SplitDock* splitter = nullptr;
    if (order.verticalBar) {
        auto s = std::make_unique<SplitterT<true>>();
        if (!s->Create(place, &rc, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS)) return;
        splitter = s.get();
        m_verticalSplitters.emplace(s->m_hWnd, std::move(s));
    } else {
        auto s = std::make_unique<SplitterT<false>>();
        if (!s->Create(place, &rc, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS)) return;
        splitter = s.get();
        m_horizontalSplitters.emplace(s->m_hWnd, std::move(s));
    }
    HWND oldSlotOwner = *target;
    Replace(oldSlotOwner, *splitter);  // the splitter takes the target's slot first
    ::SetParent(*target, *splitter);
    Pane* added = NewPane(*splitter, false);
    if (!added) return;
    if (order.newPaneFirst)
        splitter->SetSplitterPanes(*added, *target);
    else
        splitter->SetSplitterPanes(*target, *added);
    splitter->SetSplitterPosMiddle();
    MoveTab(view, source, added);
}

void SplitPane::Collapse(Pane* pane) {
    if (!pane || *pane == m_rootChild || pane->TabCount() > 0) return;
    SplitDock* splitter = ParentSplitter(*pane);
    if (!splitter) return;
    HWND sibling = splitter->GetSplitterPane(splitter->GetSplitterPane(0) == *pane ? 1 : 0);
    HWND splitterWnd = *splitter;
    Replace(splitterWnd, sibling);
    if (m_activePane == pane) m_activePane = FirstPane(sibling);
    if (m_dragSource == pane || m_dropTarget == pane) ResetDrag();
    HWND paneWnd = *pane;
    ::DestroyWindow(paneWnd);
    m_panes.erase(paneWnd);
    ::DestroyWindow(splitterWnd);
    m_verticalSplitters.erase(splitterWnd);
    m_horizontalSplitters.erase(splitterWnd);
}

LRESULT SplitPane::OnCollapse(UINT, WPARAM wParam, LPARAM, BOOL&) {
    Collapse(FindPane(reinterpret_cast<HWND>(wParam)));
    return 0;
}

LRESULT SplitPane::OnSize(UINT, WPARAM, LPARAM, BOOL&) {
    if (m_rootChild) PlaceWindow(m_rootChild, GetClientRect());
    return 0;
}

LRESULT SplitPane::OnSetFocus(UINT, WPARAM, LPARAM, BOOL&) {
    if (m_activePane) ::SetFocus(*m_activePane);
    return 0;
}

// Closing a place asks its split pane first; it does not refuse, and its window stays until the
// owner destroys it.
LRESULT SplitPane::OnClose(UINT, WPARAM, LPARAM, BOOL&) { return 0; }

LRESULT SplitPane::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    m_outline.Hide();
    bHandled = FALSE;
    return 0;
}

void SplitPane::ViewActivated(HWND pane, HWND view) {
    if (Pane* p = FindPane(pane)) m_activePane = p;
    if (m_owner) m_owner->ViewActivated(m_hWnd, view);
}

void SplitPane::ViewDetach(HWND pane, HWND view) {
    if (m_owner) m_owner->ViewDetach(pane, view);
}

void SplitPane::ViewClose(HWND view) {
    if (m_owner) m_owner->ViewClose(view);
}

void SplitPane::ResetDrag() {
    m_outline.Hide();
    m_dragSource = m_dropTarget = nullptr;
    m_dropZone = 0;
    m_ownerTracking = false;
}

void SplitPane::DragStart(HWND, HWND view, int, int, UINT) {
    ResetDrag();
    m_dragSource = PaneOf(view);
}

void SplitPane::DragOver(HWND window, HWND view, int x, int y, UINT keys) {
    const POINT screen{x, y};
    Pane* target = AcceptsDropPoint(screen);
    int zone = ZoneNone;
    if (target) {
        POINT pt = screen;
        ::ScreenToClient(*target, &pt);
        zone = FindDropZone(target->TabStripRect(), target->ClientPart(), pt);
    }
    const bool soleTabOnItself = target == m_dragSource && (!m_dragSource || m_dragSource->TabCount() <= 1);
    if (soleTabOnItself || (keys & MK_CONTROL)) zone = ZoneNone;

    if (zone != ZoneNone) {
        if (m_ownerTracking && m_owner) m_owner->DragCancel(window, view);
        m_ownerTracking = false;
        RECT outline = ZoneOutline(target->ClientPart(), zone);
        ::MapWindowPoints(*target, nullptr, reinterpret_cast<POINT*>(&outline), 2);
        m_outline.Show(::GetAncestor(m_hWnd, GA_ROOT), outline, true);
        m_dropTarget = target;
        m_dropZone = zone;
        return;
    }
    m_outline.Hide();
    m_dropTarget = nullptr;
    m_dropZone = ZoneNone;
    if (!m_owner) return;
    if (!m_ownerTracking) m_owner->DragStart(window, view, x, y, keys);
    m_ownerTracking = true;
    m_owner->DragOver(window, view, x, y, keys);
}

void SplitPane::DragDrop(HWND window, HWND view, int x, int y, UINT keys) {
    m_outline.Hide();
    Pane* source = m_dragSource;
    Pane* target = m_dropTarget;
    const int zone = m_dropZone;
    const bool ownerTracking = m_ownerTracking;
    ResetDrag();
    if (ownerTracking) {
        if (m_owner) m_owner->DragDrop(window, view, x, y, keys);
        return;
    }
    if (!source || !target || PaneOf(view) != source) return;
    if (zone == ZoneTabs)
        MoveTab(view, source, target);
    else if (zone != ZoneNone)
        Split(target, zone, view);
}

void SplitPane::DragCancel(HWND window, HWND view) {
    const bool ownerTracking = m_ownerTracking;
    ResetDrag();
    if (ownerTracking && m_owner) m_owner->DragCancel(window, view);
}

}  // namespace DockSplitTab
