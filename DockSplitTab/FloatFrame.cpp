#include "Frame.h"

namespace DockSplitTab {

namespace {
constexpr DWORD kFloatStyle =
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
constexpr DWORD kFloatExStyle = WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE | WS_EX_NOPARENTNOTIFY;
}  // namespace

RECT Frame::FloatFrame::WindowRectFor(const RECT& client) {
    RECT rc = client;
    ::AdjustWindowRectEx(&rc, kFloatStyle, FALSE, kFloatExStyle);
    return rc;
}

HWND Frame::FloatFrame::Create(HWND frame, const RECT& rect, FloatDockFrameListener* listener, bool autoHideTabs,
                               std::unique_ptr<SplitPane> adopt) {
    m_listener = listener;
    if (!Window<FloatFrame>::Create(frame, &rect, L"", kFloatStyle, kFloatExStyle)) return nullptr;
    if (!HoldSplitPane(m_hWnd, listener, autoHideTabs, std::move(adopt))) {
        DestroyWindow();
        return nullptr;
    }
    RECT client = GetClientRect();
    ::SetWindowPos(*m_splitPane, nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    return m_hWnd;
}

LRESULT Frame::FloatFrame::OnSize(UINT, WPARAM, LPARAM lParam, BOOL&) {
    if (m_splitPane && m_splitPane->m_hWnd)
        ::SetWindowPos(*m_splitPane, nullptr, 0, 0, LOWORD(lParam), HIWORD(lParam), SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

// The caption moves the frame through the layout's drag loop instead of the platform's own move,
// so that a drop can join it to another place; released where no place takes it, it only moves.
LRESULT Frame::FloatFrame::OnNcLButtonDown(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    if (wParam != HTCAPTION || !m_listener) {
        bHandled = FALSE;
        return 0;
    }
    ::SetActiveWindow(m_hWnd);
    if (m_splitPane)
        if (HWND view = m_splitPane->ActiveView()) m_splitPane->ActivateView(view);
    const POINT press{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    RunDragLoop(m_hWnd, press, nullptr, *m_listener, /*lockUpdates=*/false);
    return 0;
}

LRESULT Frame::FloatFrame::OnNcLButtonDblClk(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
    if (wParam != HTCAPTION || !m_listener) {
        bHandled = FALSE;
        return 0;
    }
    m_listener->DockFloatingFrame(m_hWnd);
    return 0;
}

// The close box hides the frame's views; the frame goes after the current message.
LRESULT Frame::FloatFrame::OnClose(UINT, WPARAM, LPARAM, BOOL&) {
    if (m_splitPane && m_splitPane->SendMessage(WM_CLOSE) != 0) return 0;
    if (m_listener) m_listener->CloseFloatingFrame(m_hWnd);
    return 0;
}

LRESULT Frame::FloatFrame::OnContextMenu(UINT msg, WPARAM, LPARAM lParam, BOOL&) {
    HWND view = m_splitPane ? m_splitPane->ActiveView() : nullptr;
    if (view) ::SendMessageW(view, msg, reinterpret_cast<WPARAM>(view), lParam);
    return 0;
}

LRESULT Frame::FloatFrame::OnSetFocus(UINT, WPARAM, LPARAM, BOOL&) {
    if (m_splitPane && m_splitPane->m_hWnd) ::SetFocus(*m_splitPane);
    return 0;
}

}  // namespace DockSplitTab
