// A top-level frame window: resource-based creation (menu, icon, accelerators, title share one id),
// a client window laid out to fill the frame, and the end of the message loop when it goes away.
#pragma once
#include "Window.h"

template <class T>
class FrameWindow : public Window<T> {
public:
    HWND m_hWndClient = nullptr;
    HWND m_hWndToolBar = nullptr;    // the rebar (or toolbar) along the top
    HWND m_hWndStatusBar = nullptr;  // along the bottom
    HACCEL m_hAccel = nullptr;       // loaded from resources: freed with the module

    // Creates the frame with menu, accelerator table and title `resourceId` of the resource instance.
    HWND CreateEx(UINT resourceId, DWORD style = WS_OVERLAPPEDWINDOW, DWORD exStyle = WS_EX_APPWINDOW,
                  HWND hParent = nullptr, const RECT* rect = nullptr) {
        HINSTANCE res = ResourceInstance();
        T::GetWndClassInfo().iconId = resourceId;
        m_hAccel = ::LoadAcceleratorsW(res, MAKEINTRESOURCEW(resourceId));
        HMENU menu = ::LoadMenuW(res, MAKEINTRESOURCEW(resourceId));
        std::wstring title = LoadResString(resourceId);
        HWND hWnd = this->Create(hParent, rect, title.c_str(), style, exStyle, menu);
        if (!hWnd && menu) ::DestroyMenu(menu);
        return hWnd;
    }

    BOOL TranslateAccelerator(MSG* pMsg) {
        if (!m_hAccel || !this->m_hWnd) return FALSE;
        if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST) return FALSE;
        return ::TranslateAcceleratorW(this->m_hWnd, m_hAccel, pMsg);
    }

    // The visible bars take their height at the top and the bottom; the client window gets the rest.
    virtual void UpdateLayout() {
        RECT rc = this->GetClientRect();
        if (m_hWndToolBar && ::IsWindowVisible(m_hWndToolBar)) {
            ::SendMessageW(m_hWndToolBar, WM_SIZE, 0, 0);
            RECT bar{};
            ::GetWindowRect(m_hWndToolBar, &bar);
            rc.top += bar.bottom - bar.top;
        }
        if (m_hWndStatusBar && ::IsWindowVisible(m_hWndStatusBar)) {
            ::SendMessageW(m_hWndStatusBar, WM_SIZE, 0, 0);
            RECT bar{};
            ::GetWindowRect(m_hWndStatusBar, &bar);
            rc.bottom -= bar.bottom - bar.top;
        }
        if (rc.bottom < rc.top) rc.bottom = rc.top;
        if (m_hWndClient)
            ::SetWindowPos(m_hWndClient, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
    }

    BEGIN_MSG_MAP(FrameWindow)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    END_MSG_MAP()

    LRESULT OnSize(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
        if (wParam != SIZE_MINIMIZED) UpdateLayout();
        bHandled = FALSE;
        return 0;
    }

    // A top-level frame ends the thread's message loop with exit code 1.
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
        if ((this->GetStyle() & (WS_CHILD | WS_POPUP)) == 0) ::PostQuitMessage(1);
        bHandled = FALSE;
        return 0;
    }
};
