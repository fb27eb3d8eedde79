// Modal dialogs built from dialog templates of the resource instance.
#pragma once
#include "Window.h"

// What a dialog procedure returns for a message it handled with `result`: most messages pass
// their result through DWLP_MSGRESULT, a few return it directly.
inline INT_PTR DialogProcResult(HWND hWnd, UINT msg, LRESULT result) {
    switch (msg) {
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return static_cast<INT_PTR>(result);
    default:
        ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
}

template <class T>
class Dialog : public WindowBase {
public:
    // Runs the dialog T::IDD; returns the id it was ended with, or -1 when it could not be made.
    INT_PTR DoModal(HWND hParent = ::GetActiveWindow()) {
        return ::DialogBoxParamW(ResourceInstance(), MAKEINTRESOURCEW(T::IDD), hParent, &Dialog::DialogProc,
                                 reinterpret_cast<LPARAM>(this));
    }
    BOOL EndDialog(INT_PTR result) { return ::EndDialog(m_hWnd, result); }

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT msg, WPARAM w, LPARAM l) {
        auto* self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
        if (!self) {
            if (msg != WM_INITDIALOG) return FALSE;
            self = reinterpret_cast<Dialog*>(l);
            self->m_hWnd = hWnd;
            ::SetWindowLongPtrW(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        }
        LRESULT result = 0;
        BOOL handled = self->template RouteMessage<T>(hWnd, msg, w, l, result);
        if (msg == WM_NCDESTROY) {
            ::SetWindowLongPtrW(hWnd, DWLP_USER, 0);
            self->m_hWnd = nullptr;
        }
        return handled ? DialogProcResult(hWnd, msg, result) : FALSE;
    }
};
