#include "DockHost.h"

#include "Gdi.h"

TestView::TestView(const wchar_t* caption, COLORREF color) : ClientView(nullptr, caption, caption), m_color(color) {}

TestView::~TestView() {
    if (m_hWnd) DestroyWindow();
}

HWND TestView::Create(HWND parent) {
    RECT rc{0, 0, 100, 100};
    m_window = Window<TestView>::Create(parent, &rc, m_caption.c_str(), WS_CHILD | WS_CLIPSIBLINGS);
    return m_window;
}

LRESULT TestView::OnPaint(UINT, WPARAM, LPARAM, BOOL&) {
    PaintDC dc(m_hWnd);
    RECT rc = GetClientRect();
    Brush fill(m_color);
    ::FillRect(dc, &rc, fill);
    ::SetBkMode(dc, TRANSPARENT);
    ::DrawTextW(dc, m_caption.c_str(), -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    return 0;
}

DockHost::~DockHost() {
    if (m_hWnd) DestroyWindow();
}

bool DockHost::Open(int width, int height, bool show) {
    RECT rc{0, 0, width, height};
    ::AdjustWindowRectEx(&rc, WS_OVERLAPPEDWINDOW, FALSE, 0);
    ::OffsetRect(&rc, 40 - rc.left, 40 - rc.top);
    if (!Create(nullptr, &rc, L"Dock host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN)) return false;
    if (!m_frame.Create(m_hWnd, this, m_autoHideTabs)) return false;
    RECT client = GetClientRect();
    ::SetWindowPos(m_frame, nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    if (show) ShowWindow(SW_SHOW);
    return true;
}

TestView* DockHost::NewView(const wchar_t* caption, COLORREF color) {
    auto view = std::make_unique<TestView>(caption, color);
    if (!view->Create(m_hWnd)) return nullptr;
    m_views.push_back(std::move(view));
    return m_views.back().get();
}

void DockHost::Pump() {
    MSG msg{};
    for (int round = 0; round < 4; ++round)
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
}

TestView* DockHost::ViewOf(HWND window) const {
    for (auto& view : m_views)
        if (view->m_window == window) return view.get();
    return nullptr;
}

LRESULT DockHost::OnSize(UINT, WPARAM, LPARAM lParam, BOOL&) {
    if (m_frame.m_hWnd)
        ::SetWindowPos(m_frame, nullptr, 0, 0, LOWORD(lParam), HIWORD(lParam), SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

LRESULT DockHost::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
    if (quitOnDestroy) ::PostQuitMessage(0);
    return 0;
}
