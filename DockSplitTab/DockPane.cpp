#include "Frame.h"

#include <algorithm>

#include "Gdi.h"

namespace DockSplitTab {

namespace {
int CaptionHeight() { return ::GetSystemMetrics(SM_CYSMCAPTION); }
int EdgeThickness(int side) {
    return 2 * ::GetSystemMetrics(IsHorizontalSide(side) ? SM_CYSIZEFRAME : SM_CXSIZEFRAME);
}
POINT PointOf(LPARAM lParam) { return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}; }
bool Inside(const RECT& rc, POINT pt) { return ::PtInRect(&rc, pt) != FALSE; }
}  // namespace

HWND Frame::DockPane::Create(HWND frame, int side, FloatDockFrameListener* listener, bool autoHideTabs,
                             std::unique_ptr<SplitPane> adopt) {
    m_side = side;
    m_listener = listener;
    RECT rc{};
    if (!Window<DockPane>::Create(frame, &rc, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS))
        return nullptr;
    if (!HoldSplitPane(m_hWnd, listener, autoHideTabs, std::move(adopt))) {
        DestroyWindow();
        return nullptr;
    }
    return m_hWnd;
}

RECT Frame::DockPane::SizingEdgeRect() const {
    RECT rc = GetClientRect();
    const int edge = EdgeThickness(m_side);
    switch (m_side) {
    case SideBottom: rc.bottom = rc.top + edge; break;
    case SideTop: rc.top = rc.bottom - edge; break;
    case SideLeft: rc.left = rc.right - edge; break;
    default: rc.right = rc.left + edge; break;
    }
    return rc;
}

// The area beside the sizing edge: the caption on top, the split pane below it.
static RECT BesideEdge(RECT rc, int side, int edge) {
    switch (side) {
    case SideBottom: rc.top += edge; break;
    case SideTop: rc.bottom -= edge; break;
    case SideLeft: rc.right -= edge; break;
    default: rc.left += edge; break;
    }
    return rc;
}

RECT Frame::DockPane::CaptionRect() const {
    RECT rc = BesideEdge(GetClientRect(), m_side, EdgeThickness(m_side));
    rc.bottom = rc.top + CaptionHeight();
    return rc;
}

RECT Frame::DockPane::CloseButtonRect() const {
    RECT caption = CaptionRect();
    return RECT{caption.right - CaptionHeight() - 2, caption.top + 2, caption.right - 6, caption.bottom - 2};
}

RECT Frame::DockPane::ContentRect() const {
    RECT rc = BesideEdge(GetClientRect(), m_side, EdgeThickness(m_side));
    rc.top += CaptionHeight();
    if (rc.bottom < rc.top) rc.bottom = rc.top;
    return rc;
}

void Frame::DockPane::SetCaption(const std::wstring& caption, bool active) {
    if (caption == m_caption && active == m_active) return;
    m_caption = caption;
    m_active = active;
    RECT rc = CaptionRect();
    ::InvalidateRect(m_hWnd, &rc, TRUE);
}

LRESULT Frame::DockPane::OnSize(UINT, WPARAM, LPARAM, BOOL&) {
    if (m_splitPane && m_splitPane->m_hWnd) {
        RECT rc = ContentRect();
        ::SetWindowPos(*m_splitPane, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Invalidate();
    return 0;
}

LRESULT Frame::DockPane::OnPaint(UINT, WPARAM, LPARAM, BOOL&) {
    PaintDC dc(m_hWnd);
    const int fill = m_active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION;
    const int text = m_active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT;
    const int border = m_active ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER;

    RECT caption = CaptionRect();
    ::FrameRect(dc, &caption, ::GetSysColorBrush(COLOR_WINDOWFRAME));
    RECT inner = caption;
    ::InflateRect(&inner, -1, -1);
    ::FillRect(dc, &inner, ::GetSysColorBrush(fill));

    LOGFONTW lf{};
    ::SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(lf), &lf, 0);
    Font font(lf);
    {
        SelectedObject keepFont(dc, font);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, ::GetSysColor(text));
        RECT textRect{caption.left + 5, caption.top + 2, caption.right - 50, caption.bottom};
        ::DrawTextW(dc, m_caption.c_str(), -1, &textRect, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    }

    RECT button = CloseButtonRect();
    Pen cross(PS_SOLID, 1, ::GetSysColor(text));
    {
        SelectedObject keepPen(dc, cross);
        ::MoveToEx(dc, button.left + 4, button.top + 4, nullptr);
        ::LineTo(dc, button.right - 4, button.bottom - 4);
        ::MoveToEx(dc, button.left + 4, button.bottom - 5, nullptr);
        ::LineTo(dc, button.right - 4, button.top + 3);
    }
    if (m_pressed)
        ::DrawEdge(dc, &button, BDR_SUNKENOUTER, BF_RECT);
    else if (m_hot)
        ::DrawEdge(dc, &button, BDR_RAISEDINNER, BF_RECT);

    RECT edge = SizingEdgeRect();
    ::FillRect(dc, &edge, ::GetSysColorBrush(border));
    ::DrawEdge(dc, &edge, EDGE_RAISED, IsHorizontalSide(m_side) ? (BF_TOP | BF_BOTTOM) : (BF_LEFT | BF_RIGHT));
    return 0;
}

LRESULT Frame::DockPane::OnSetCursor(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
    POINT pt{};
    ::GetCursorPos(&pt);
    ::ScreenToClient(m_hWnd, &pt);
    if (reinterpret_cast<HWND>(wParam) == m_hWnd && Inside(SizingEdgeRect(), pt)) {
        ::SetCursor(::LoadCursorW(nullptr, IsHorizontalSide(m_side) ? IDC_SIZENS : IDC_SIZEWE));
        return TRUE;
    }
    bHandled = FALSE;
    return 0;
}

void Frame::DockPane::SetButtonState(bool hot, bool pressed) {
    if (hot == m_hot && pressed == m_pressed) return;
    m_hot = hot;
    m_pressed = pressed;
    RECT button = CloseButtonRect();
    ::InvalidateRect(m_hWnd, &button, TRUE);
}

LRESULT Frame::DockPane::OnLButtonDown(UINT, WPARAM, LPARAM lParam, BOOL&) {
    const POINT pt = PointOf(lParam);
    if (Inside(CloseButtonRect(), pt)) {
        m_buttonCaptured = true;
        ::SetCapture(m_hWnd);
        SetButtonState(true, true);
    } else if (Inside(SizingEdgeRect(), pt)) {
        POINT screen = pt;
        ::ClientToScreen(m_hWnd, &screen);
        RunSizingLoop(screen);
    } else if (Inside(CaptionRect(), pt)) {
        if (m_splitPane) ::SetFocus(*m_splitPane);  // the side's view becomes the active one
        POINT screen = pt;
        ::ClientToScreen(m_hWnd, &screen);
        if (m_listener) RunDragLoop(m_hWnd, screen, nullptr, *m_listener, /*lockUpdates=*/true);
    }
    return 0;
}

LRESULT Frame::DockPane::OnLButtonDblClk(UINT, WPARAM, LPARAM lParam, BOOL&) {
    const POINT pt = PointOf(lParam);
    if (Inside(CaptionRect(), pt) && !Inside(CloseButtonRect(), pt) && m_listener) m_listener->FloatDockSide(m_side);
    return 0;
}

LRESULT Frame::DockPane::OnMouseMove(UINT, WPARAM, LPARAM lParam, BOOL&) {
    const bool over = Inside(CloseButtonRect(), PointOf(lParam));
    if (!m_trackingLeave) {
        TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, m_hWnd, 0};
        m_trackingLeave = ::TrackMouseEvent(&tme) != FALSE;
    }
    SetButtonState(over, m_buttonCaptured && over);
    return 0;
}

LRESULT Frame::DockPane::OnMouseLeave(UINT, WPARAM, LPARAM, BOOL&) {
    m_trackingLeave = false;
    if (!m_buttonCaptured) SetButtonState(false, false);
    return 0;
}

LRESULT Frame::DockPane::OnLButtonUp(UINT, WPARAM, LPARAM lParam, BOOL&) {
    if (!m_buttonCaptured) return 0;
    const bool over = Inside(CloseButtonRect(), PointOf(lParam));
    ::ReleaseCapture();
    SetButtonState(over, false);
    if (over) PostMessage(WM_CLOSE);
    return 0;
}

LRESULT Frame::DockPane::OnCaptureChanged(UINT, WPARAM, LPARAM, BOOL&) {
    if (m_buttonCaptured) {
        m_buttonCaptured = false;
        SetButtonState(m_hot, false);
    }
    return 0;
}

// Closing a side hides all its views; the frame does it after the current message.
LRESULT Frame::DockPane::OnClose(UINT, WPARAM, LPARAM, BOOL&) {
    if (m_splitPane && m_splitPane->SendMessage(WM_CLOSE) != 0) return 0;
    ::PostMessageW(::GetParent(m_hWnd), Frame::kCloseSideMessage, static_cast<WPARAM>(m_side), 0);
    return 0;
}

void Frame::DockPane::FinishSizing(POINT press, POINT release) {
    const int delta = SizingDragDelta(m_side, press, release);
    if (delta != 0 && m_listener) m_listener->DockResized(m_side, delta);
}

// The edge follows the mouse as a bar within the side's limits; releasing the button applies the
// movement, a key or a lost capture drops it.
void Frame::DockPane::RunSizingLoop(POINT press) {
    if (!m_listener) return;
    const RECT limits = m_listener->DockSizingLimits(m_side);
    const bool horizontal = IsHorizontalSide(m_side);
    RECT edge = SizingEdgeRect();
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&edge), 2);
    auto clamp = [&](POINT pt) {
        if (horizontal) pt.y = std::max(limits.top, std::min(pt.y, limits.bottom));
        else pt.x = std::max(limits.left, std::min(pt.x, limits.right));
        return pt;
    };
    auto barAt = [&](POINT pt) {
        return horizontal ? RECT{edge.left, pt.y - 1, edge.right, pt.y + 2} : RECT{pt.x - 1, edge.top, pt.x + 2, edge.bottom};
    };
    const POINT start = clamp(press);
    POINT last = start;
    Outline bar;
    bar.Show(::GetAncestor(m_hWnd, GA_ROOT), barAt(start), /*hollow=*/false);
    ::SetCursor(::LoadCursorW(nullptr, horizontal ? IDC_SIZENS : IDC_SIZEWE));
    ::SetCapture(m_hWnd);
    bool apply = false;
    MSG msg{};
    while (::GetCapture() == m_hWnd) {
        if (!::GetMessageW(&msg, nullptr, 0, 0)) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (msg.message == WM_MOUSEMOVE) {
            last = clamp(MessageScreenPoint(msg));
            bar.Show(::GetAncestor(m_hWnd, GA_ROOT), barAt(last), false);
        } else if (msg.message == WM_LBUTTONUP) {
            last = clamp(MessageScreenPoint(msg));
            apply = true;
            ::ReleaseCapture();
        } else if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
            ::ReleaseCapture();
        } else {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    bar.Hide();
    if (apply) FinishSizing(start, last);
}

}  // namespace DockSplitTab
