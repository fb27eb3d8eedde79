// Subclassing of an existing window (typically a common control): the object's message map sees
// each message first; what it does not consume goes to the control's own window procedure.
#pragma once
#include "Window.h"

template <class T>
class SubclassedWindow : public WindowBase {
public:
    SubclassedWindow() = default;
    SubclassedWindow(const SubclassedWindow&) = delete;
    SubclassedWindow& operator=(const SubclassedWindow&) = delete;
    virtual ~SubclassedWindow() { UnsubclassWindow(); }

    bool SubclassWindow(HWND hWnd) {
        if (m_hWnd || !hWnd) return false;
        if (!::SetPropW(hWnd, PropName(), this)) return false;
        m_hWnd = hWnd;
        m_oldProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
        return true;
    }
    HWND UnsubclassWindow() {
        HWND hWnd = m_hWnd;
        if (!hWnd) return nullptr;
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
        ::RemovePropW(hWnd, PropName());
        m_hWnd = nullptr;
        return hWnd;
    }

    // The control's own processing of a message.
    LRESULT DefWindowProc(UINT msg, WPARAM w, LPARAM l) { return ::CallWindowProcW(m_oldProc, m_hWnd, msg, w, l); }

private:
    static const wchar_t* PropName() { return L"KV_Subclass"; }

    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT msg, WPARAM w, LPARAM l) {
        auto* self = static_cast<SubclassedWindow*>(::GetPropW(hWnd, PropName()));
        if (!self) return ::DefWindowProcW(hWnd, msg, w, l);
        LRESULT result = 0;
        if (!self->template RouteMessage<T>(hWnd, msg, w, l, result)) result = self->DefWindowProc(msg, w, l);
        if (msg == WM_NCDESTROY) self->UnsubclassWindow();
        return result;
    }

    WNDPROC m_oldProc = nullptr;
};
