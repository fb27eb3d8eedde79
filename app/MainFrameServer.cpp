// The main frame's side of the server link: status texts, the end of the link, and the about box.
#include "AboutDlg.h"
#include "MainFrame.h"
#include "ViewTableLock.h"

using DockSplitTab::ClientView;

// The server's text stays in the status bar for a second after the last one.
void CMainFrame::ShowServerMessage(const std::wstring& text) {
    if (m_hWndStatusBar)
        ::SendMessageW(m_hWndStatusBar, SB_SETTEXTW, 0 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(text.c_str()));
    ::KillTimer(m_hWnd, kStatusTimer);
    ::SetTimer(m_hWnd, kStatusTimer, kStatusTimeout, nullptr);
}

LRESULT CMainFrame::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
    if (wParam != kStatusTimer) {
        bHandled = FALSE;
        return 0;
    }
    ::KillTimer(m_hWnd, kStatusTimer);
    if (m_hWndStatusBar)
        ::SendMessageW(m_hWndStatusBar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(LoadResString(IDS_READY).c_str()));
    return 0;
}

// Unsubscribe, say goodbye and let the server go; errors change nothing here.
LRESULT CMainFrame::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    m_views.Disconnect();
    bHandled = FALSE;
    return 0;
}

LRESULT CMainFrame::OnAppAbout(WORD, WORD, HWND, BOOL&) {
    CAboutDlg about;
    try {
        if (!m_views.Server()) m_views.ConnectToServer(m_hWnd);
        Bstr version;
        ThrowIfFailed(m_views.Server()->get_Version(version.Receive()));
        about.m_serverLine = version.Str();
    } catch (const ComError& e) {
        about.m_serverLine =
            FormatResString(IDS_CONNECT_FAILED, e.ErrorMessage().c_str(), static_cast<unsigned>(e.Error()));
    }
    about.DoModal(::GetActiveWindow());
    return 0;
}
