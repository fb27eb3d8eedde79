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
    CenterWindow(::GetParent(m_hWnd));
    ::SetFocus(GetDlgItem(IDOK));  // the default button, not the link (the first tab stop)
    return FALSE;
}
