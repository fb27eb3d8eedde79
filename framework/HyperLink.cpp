#include "HyperLink.h"

#include <commctrl.h>
#include <shellapi.h>

namespace {
std::wstring ControlText(HWND hWnd) {
    int length = ::GetWindowTextLengthW(hWnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(hWnd, text.data(), length + 1)));
    return text;
}
}  // namespace

HyperLink::~HyperLink() { Detach(); }

bool HyperLink::SubclassWindow(HWND control) {
    if (!control || m_hWnd) return false;
    m_hWnd = control;
    // Clicks reach a static control only with SS_NOTIFY; the link is a tab stop like a button.
    LONG_PTR style = ::GetWindowLongPtrW(control, GWL_STYLE);
    ::SetWindowLongPtrW(control, GWL_STYLE, style | SS_NOTIFY | WS_TABSTOP);
    LOGFONTW lf{};
    HFONT current = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
    ::GetObjectW(current ? static_cast<HGDIOBJ>(current) : ::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    lf.lfUnderline = TRUE;
    m_font.Reset(::CreateFontIndirectW(&lf));
    if (m_target.empty()) m_target = ControlText(control);
    ::SetWindowSubclass(control, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
    ::InvalidateRect(control, nullptr, TRUE);
    return true;
}

void HyperLink::Detach() {
    if (!m_hWnd) return;
    ::RemoveWindowSubclass(m_hWnd, SubclassProc, 1);
    m_hWnd = nullptr;
}

bool HyperLink::Navigate() {
    if (m_target.empty()) return false;
    auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", m_target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) return false;
    m_visited = true;
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, TRUE);
    return true;
}

void HyperLink::Paint(HDC dc) {
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    HWND parent = ::GetParent(m_hWnd);
    // The dialog's own background, as for any static control.
    auto brush = reinterpret_cast<HBRUSH>(
        ::SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(m_hWnd)));
    ::FillRect(dc, &rc, brush ? brush : ::GetSysColorBrush(COLOR_BTNFACE));
    SelectedObject keepFont(dc, m_font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, m_visited ? kVisitedColor : kLinkColor);
    std::wstring text = ControlText(m_hWnd);
    RECT textRect = rc;
    ::DrawTextW(dc, text.c_str(), -1, &textRect, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (::GetFocus() == m_hWnd) {
        RECT focus = rc;
        ::DrawTextW(dc, text.c_str(), -1, &focus, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_CALCRECT);
        ::DrawFocusRect(dc, &focus);
    }
}

LRESULT CALLBACK HyperLink::SubclassProc(HWND hWnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR data) {
    auto* link = reinterpret_cast<HyperLink*>(data);
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hWnd, &ps);
        link->Paint(dc);
        ::EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return TRUE;
    case WM_SETCURSOR:
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    case WM_LBUTTONUP:
        ::SetFocus(hWnd);
        link->Navigate();
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS;
    case WM_CHAR:
        if (w == VK_RETURN || w == VK_SPACE) link->Navigate();
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        ::InvalidateRect(hWnd, nullptr, TRUE);
        break;
    case WM_NCDESTROY:
        link->Detach();
        break;
    }
    return ::DefSubclassProc(hWnd, msg, w, l);
}
