#include "DragLoop.h"

#include "Gdi.h"

namespace DockSplitTab {

namespace {
bool IsDragKeptKey(WPARAM key) { return key == VK_SHIFT || key == VK_CONTROL; }

// While the drag runs, the key flags come from the live key state: a key pressed after the last
// mouse move (Ctrl to float, say) counts at once.
UINT CurrentKeyFlags() {
    UINT keys = 0;
    if (::GetKeyState(VK_CONTROL) < 0) keys |= MK_CONTROL;
    if (::GetKeyState(VK_SHIFT) < 0) keys |= MK_SHIFT;
    if (::GetKeyState(VK_LBUTTON) < 0) keys |= MK_LBUTTON;
    return keys;
}
}  // namespace

POINT MessageScreenPoint(const MSG& msg) {
    POINT pt{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
    ::ClientToScreen(msg.hwnd, &pt);
    return pt;
}

bool RunDragLoop(HWND hWnd, POINT press, HWND view, CallBackListener& listener, bool lockUpdates) {
    // The drag begins once the mouse leaves the system's drag rectangle around the press point.
    RECT detect{press.x, press.y, press.x, press.y};
    ::InflateRect(&detect, ::GetSystemMetrics(SM_CXDRAG), ::GetSystemMetrics(SM_CYDRAG));
    bool started = false, dropped = false;
    ::SetCapture(hWnd);
    MSG msg{};
    while (::GetCapture() == hWnd) {
        if (!::GetMessageW(&msg, nullptr, 0, 0)) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        switch (msg.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (!IsDragKeptKey(msg.wParam)) ::ReleaseCapture();
            break;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            break;
        case WM_MOUSEMOVE: {
            const POINT pt = MessageScreenPoint(msg);
            if (!started && ::PtInRect(&detect, pt)) break;
            const UINT keys = CurrentKeyFlags();
            if (!started) {
                started = true;
                if (lockUpdates) ::LockWindowUpdate(hWnd);
                listener.DragStart(hWnd, view, pt.x, pt.y, keys);
            }
            listener.DragOver(hWnd, view, pt.x, pt.y, keys);
            break;
        }
        case WM_LBUTTONUP:
            if (started) {
                const POINT pt = MessageScreenPoint(msg);
                dropped = true;
                listener.DragDrop(hWnd, view, pt.x, pt.y, CurrentKeyFlags());
            }
            ::ReleaseCapture();
            break;
        default:
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
            break;
        }
    }
    if (::GetCapture() == hWnd) ::ReleaseCapture();
    if (started && !dropped) listener.DragCancel(hWnd, view);
    if (started && lockUpdates) ::LockWindowUpdate(nullptr);
    return dropped;
}

namespace {
const wchar_t kOutlineClass[] = L"KV_Outline";

void RegisterOutlineClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = ::GetSysColorBrush(COLOR_HIGHLIGHT);
    wc.lpszClassName = kOutlineClass;
    registered = ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
}  // namespace

Outline::~Outline() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

void Outline::Show(HWND owner, const RECT& screen, bool hollow, int thickness) {
    if (m_hWnd && ::EqualRect(&screen, &m_rect) && hollow == m_hollow && IsVisible()) return;
    if (!m_hWnd) {
        RegisterOutlineClass();
        m_hWnd = ::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kOutlineClass, L"",
                                   WS_POPUP, 0, 0, 0, 0, owner, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        if (!m_hWnd) return;
    }
    const int width = screen.right - screen.left, height = screen.bottom - screen.top;
    if (hollow == m_hollow && thickness == m_thickness && width == m_rect.right - m_rect.left &&
        height == m_rect.bottom - m_rect.top && IsVisible()) {
        // Only moved (a floating outline following the cursor): the shape and its paint move along.
        m_rect = screen;
        ::SetWindowPos(m_hWnd, HWND_TOPMOST, screen.left, screen.top, 0, 0, SWP_NOACTIVATE | SWP_NOSIZE);
        return;
    }
    m_rect = screen;
    m_hollow = hollow;
    m_thickness = thickness;
    HRGN shape = nullptr;
    if (hollow && width > 2 * thickness && height > 2 * thickness) {
        Region outer(::CreateRectRgn(0, 0, width, height));
        Region inner(::CreateRectRgn(thickness, thickness, width - thickness, height - thickness));
        shape = ::CreateRectRgn(0, 0, 0, 0);
        ::CombineRgn(shape, outer, inner, RGN_DIFF);
    }
    ::SetWindowRgn(m_hWnd, shape, FALSE);  // the window owns the region from here on
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, screen.left, screen.top, width, height,
                   SWP_NOACTIVATE | SWP_SHOWWINDOW);
    // A new shape leaves parts of the window unpainted on some systems (Wine shows them black).
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void Outline::Hide() {
    if (m_hWnd) ::ShowWindow(m_hWnd, SW_HIDE);
}

bool Outline::IsVisible() const { return m_hWnd && ::IsWindowVisible(m_hWnd); }

}  // namespace DockSplitTab
