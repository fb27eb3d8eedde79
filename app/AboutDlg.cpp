#include "AboutDlg.h"

#include "resource.h"

std::wstring CAboutDlg::VersionText() {
    // The compiler's build date, as "Dec  8 2026".
    static constexpr char kBuildDate[] = __DATE__;
    std::wstring date(kBuildDate, kBuildDate + sizeof(kBuildDate) - 1);
    return FormatResString(IDS_VERSION_LINE, kVersionLabel, date.c_str());
}

LRESULT CAboutDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    m_link.SetHyperLink(kWebAddress);
    m_link.SubclassWindow(GetDlgItem(IDC_LINK));
    ::SetDlgItemTextW(m_hWnd, IDC_VERSION, VersionText().c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_SERVER, m_serverLine.c_str());
    m_icon.Reset(static_cast<HICON>(
        ::LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
    if (HWND icon = IconControl()) ::SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(m_icon.Get()), 0);
    CenterWindow(::GetParent(m_hWnd));
    ::SetFocus(GetDlgItem(IDOK));  // the default button, not the link (the first tab stop)
    return FALSE;
}

HWND CAboutDlg::IconControl() const {
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return child;
    return nullptr;
}

LRESULT CAboutDlg::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    if (HWND icon = IconControl()) ::SendMessageW(icon, STM_SETICON, 0, 0);
    m_icon.Reset();
    bHandled = FALSE;
    return 0;
}
