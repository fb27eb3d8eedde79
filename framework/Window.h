// Window classes with message maps.
//
// A window is a class deriving from Window<T>; its message map, written with the macros below,
// routes messages to short handlers. A handler starts with bHandled = TRUE; it sets bHandled to
// FALSE to let default processing continue.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>

#include "AppModule.h"

// ---- message map macros -------------------------------------------------------------------

#define BEGIN_MSG_MAP(theClass)                                                                  \
public:                                                                                          \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,               \
                              LRESULT& lResult, DWORD dwMsgMapID = 0) {                          \
        BOOL bHandled = TRUE;                                                                    \
        (void)hWnd; (void)uMsg; (void)wParam; (void)lParam; (void)lResult; (void)bHandled;       \
        switch (dwMsgMapID) {                                                                    \
        case 0:

#define ALT_MSG_MAP(msgMapID) \
        break;                \
        case msgMapID:

#define MESSAGE_HANDLER(msg, func)                                  \
        if (uMsg == (msg)) {                                        \
            bHandled = TRUE;                                        \
            lResult = func(uMsg, wParam, lParam, bHandled);         \
            if (bHandled) return TRUE;                              \
        }

#define MESSAGE_RANGE_HANDLER(msgFirst, msgLast, func)              \
        if (uMsg >= (msgFirst) && uMsg <= (msgLast)) {              \
            bHandled = TRUE;                                        \
            lResult = func(uMsg, wParam, lParam, bHandled);         \
            if (bHandled) return TRUE;                              \
        }

#define COMMAND_HANDLER(id, code, func)                                                     \
        if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == (code)) {     \
            bHandled = TRUE;                                                                \
            lResult = func(HIWORD(wParam), LOWORD(wParam), (HWND)lParam, bHandled);         \
            if (bHandled) return TRUE;                                                      \
        }

#define COMMAND_ID_HANDLER(id, func)                                                        \
        if (uMsg == WM_COMMAND && LOWORD(wParam) == (id)) {                                 \
            bHandled = TRUE;                                                                \
            lResult = func(HIWORD(wParam), LOWORD(wParam), (HWND)lParam, bHandled);         \
            if (bHandled) return TRUE;                                                      \
        }

#define COMMAND_RANGE_HANDLER(idFirst, idLast, func)                                        \
        if (uMsg == WM_COMMAND && LOWORD(wParam) >= (idFirst) && LOWORD(wParam) <= (idLast)) { \
            bHandled = TRUE;                                                                \
            lResult = func(HIWORD(wParam), LOWORD(wParam), (HWND)lParam, bHandled);         \
            if (bHandled) return TRUE;                                                      \
        }

#define NOTIFY_HANDLER(id, cd, func)                                                        \
        if (uMsg == WM_NOTIFY && ((LPNMHDR)lParam)->idFrom == (UINT_PTR)(id) &&             \
            ((LPNMHDR)lParam)->code == (UINT)(cd)) {                                        \
            bHandled = TRUE;                                                                \
            lResult = func((int)wParam, (LPNMHDR)lParam, bHandled);                         \
            if (bHandled) return TRUE;                                                      \
        }

#define NOTIFY_CODE_HANDLER(cd, func)                                                       \
        if (uMsg == WM_NOTIFY && ((LPNMHDR)lParam)->code == (UINT)(cd)) {                   \
            bHandled = TRUE;                                                                \
            lResult = func((int)wParam, (LPNMHDR)lParam, bHandled);                         \
            if (bHandled) return TRUE;                                                      \
        }

#define CHAIN_MSG_MAP(theChainClass)                                                        \
        if (theChainClass::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult))       \
            return TRUE;

#define CHAIN_MSG_MAP_MEMBER(theChainMember)                                                \
        if ((theChainMember).ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult))     \
            return TRUE;

#define END_MSG_MAP() \
        break;        \
        default:      \
            break;    \
        }             \
        return FALSE; \
    }

// ---- window classes --------------------------------------------------------------------------

// What a window class of ours is registered with. Registered once per process, on first use.
struct WindowClassInfo {
    const wchar_t* name;
    UINT style;
    int background;        // system colour index + 1, or 0 for none
    const wchar_t* cursor; // system cursor id (IDC_ARROW ...)
    UINT iconId;           // icon of the resource instance, 0 for none
    ATOM atom;
};

#define DECLARE_WND_CLASS_EX(className, classStyle, backgroundColor)                          \
    static WindowClassInfo& GetWndClassInfo() {                                              \
        static WindowClassInfo info{className, classStyle, (backgroundColor) + 1, IDC_ARROW,  \
                                    0, 0};                                                   \
        return info;                                                                         \
    }

// Registers the class (window procedure `proc`, one pointer of window extra bytes) if needed.
ATOM RegisterWindowClass(WindowClassInfo& info, WNDPROC proc);

// Centres `hWnd` over `hParent` (or the work area when there is none), kept on the work area.
void CenterWindow(HWND hWnd, HWND hParent);

// ---- the window base -------------------------------------------------------------------------

class WindowBase {
public:
    HWND m_hWnd = nullptr;

    operator HWND() const { return m_hWnd; }
    bool IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }

    LRESULT SendMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) const { return ::SendMessageW(m_hWnd, msg, w, l); }
    BOOL PostMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) const { return ::PostMessageW(m_hWnd, msg, w, l); }
    BOOL ShowWindow(int cmd) const { return ::ShowWindow(m_hWnd, cmd); }
    BOOL DestroyWindow() { return ::DestroyWindow(m_hWnd); }
    BOOL SetWindowText(const wchar_t* text) const { return ::SetWindowTextW(m_hWnd, text); }
    std::wstring GetWindowText() const;
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    BOOL Invalidate(BOOL erase = TRUE) const { return ::InvalidateRect(m_hWnd, nullptr, erase); }
    RECT GetClientRect() const {
        RECT rc{};
        ::GetClientRect(m_hWnd, &rc);
        return rc;
    }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    void CenterWindow(HWND hParent = nullptr) const { ::CenterWindow(m_hWnd, hParent); }

    // The message being processed, for handlers that need more than their arguments.
    const MSG* GetCurrentMessage() const { return m_pCurrentMsg; }

protected:
    // Offers a message to T's message map, with the message available to the handlers.
    template <class T>
    BOOL RouteMessage(HWND hWnd, UINT msg, WPARAM w, LPARAM l, LRESULT& result) {
        MSG current{hWnd, msg, w, l, 0, {}};
        const MSG* previous = m_pCurrentMsg;
        m_pCurrentMsg = &current;
        BOOL handled = static_cast<T*>(this)->ProcessWindowMessage(hWnd, msg, w, l, result, 0);
        m_pCurrentMsg = previous;
        return handled;
    }

    const MSG* m_pCurrentMsg = nullptr;
    // The object whose window is being created on this thread: its first message attaches it.
    static thread_local WindowBase* s_pCreating;
};

template <class T>
class Window : public WindowBase {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window() = default;

    HWND Create(HWND hParent, const RECT* rect, const wchar_t* title, DWORD style, DWORD exStyle = 0,
                HMENU menuOrId = nullptr, void* createParam = nullptr) {
        ATOM atom = RegisterWindowClass(T::GetWndClassInfo(), &Window::WindowProc);
        if (!atom) return nullptr;
        RECT r = rect ? *rect : RECT{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
        int width = rect ? r.right - r.left : CW_USEDEFAULT;
        int height = rect ? r.bottom - r.top : CW_USEDEFAULT;
        s_pCreating = this;
        HWND hWnd = ::CreateWindowExW(exStyle, MAKEINTATOM(atom), title, style, r.left, r.top, width,
                                      height, hParent, menuOrId, ::GetModuleHandleW(nullptr), createParam);
        s_pCreating = nullptr;
        return hWnd;
    }

    // Called after the window's last message; the object may delete itself here.
    virtual void OnFinalMessage(HWND) {}

    // Default processing of a message that no handler consumed.
    LRESULT DefWindowProc(UINT msg, WPARAM w, LPARAM l) { return ::DefWindowProcW(m_hWnd, msg, w, l); }

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT msg, WPARAM w, LPARAM l) {
        auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hWnd, 0));
        if (!self) {
            self = static_cast<Window*>(s_pCreating);
            if (!self) return ::DefWindowProcW(hWnd, msg, w, l);
            s_pCreating = nullptr;
            self->m_hWnd = hWnd;
            ::SetWindowLongPtrW(hWnd, 0, reinterpret_cast<LONG_PTR>(self));
        }
        LRESULT result = 0;
        if (!self->template RouteMessage<T>(hWnd, msg, w, l, result)) result = self->DefWindowProc(msg, w, l);
        if (msg == WM_NCDESTROY) {
            ::SetWindowLongPtrW(hWnd, 0, 0);
            self->m_hWnd = nullptr;
            self->OnFinalMessage(hWnd);
        }
        return result;
    }
};
