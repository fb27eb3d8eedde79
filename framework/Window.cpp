#include "Window.h"

thread_local WindowBase* WindowBase::s_pCreating = nullptr;

ATOM RegisterWindowClass(WindowClassInfo& info, WNDPROC proc) {
    if (info.atom) return info.atom;
    HINSTANCE hInstance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = info.style;
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = hInstance;
    wc.hCursor = info.cursor ? ::LoadCursorW(nullptr, info.cursor) : nullptr;
    wc.hbrBackground = info.background ? reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(info.background)) : nullptr;
    wc.lpszClassName = info.name;
    if (info.iconId) {
        wc.hIcon = static_cast<HICON>(::LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(info.iconId), IMAGE_ICON,
                                                   ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON),
                                                   LR_DEFAULTCOLOR));
        wc.hIconSm = static_cast<HICON>(::LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(info.iconId), IMAGE_ICON,
                                                     ::GetSystemMetrics(SM_CXSMICON),
                                                     ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    }
    info.atom = ::RegisterClassExW(&wc);
    if (!info.atom && ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
        WNDCLASSEXW existing{};
        existing.cbSize = sizeof(existing);
        info.atom = static_cast<ATOM>(::GetClassInfoExW(hInstance, info.name, &existing));
    }
    return info.atom;
}

void CenterWindow(HWND hWnd, HWND hParent) {
    RECT rc{};
    ::GetWindowRect(hWnd, &rc);
    HMONITOR monitor = ::MonitorFromWindow(hParent ? hParent : hWnd, MONITOR_DEFAULTTONEAREST);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    ::GetMonitorInfoW(monitor, &mi);
    RECT area = mi.rcWork;
    RECT center = area;
    if (hParent && ::IsWindowVisible(hParent) && !::IsIconic(hParent)) ::GetWindowRect(hParent, &center);
    int width = rc.right - rc.left;
    int height = rc.bottom - rc.top;
    int x = (center.left + center.right) / 2 - width / 2;
    int y = (center.top + center.bottom) / 2 - height / 2;
    if (x + width > area.right) x = area.right - width;
    if (x < area.left) x = area.left;
    if (y + height > area.bottom) y = area.bottom - height;
    if (y < area.top) y = area.top;
    ::SetWindowPos(hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring WindowBase::GetWindowText() const {
    int length = ::GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = ::GetWindowTextW(m_hWnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}
