// The main frame's side of the server link: status texts, watching the link, the end of the link,
// and the about box.
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
    if (wParam == kLinkTimer) {
        m_views.CheckLink();
        return 0;
    }
    if (wParam != kStatusTimer) {
        bHandled = FALSE;
        return 0;
    }
    ::KillTimer(m_hWnd, kStatusTimer);
    if (m_hWndStatusBar)
        ::SendMessageW(m_hWndStatusBar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(ReadyText().c_str()));
    return 0;
}

// Under Wine the system's COM service keeps the class of a server that was killed and refuses to
// start it until the service restarts, whatever else is done; elsewhere the class is just missing.
std::wstring CMainFrame::ConnectAdvice(HRESULT error) {
    if (error == REGDB_E_CLASSNOTREG) return LoadResString(IDS_SERVER_REGISTER_ADVICE);
    return {};
}

std::wstring CMainFrame::ReadyText() const {
    if (!m_views.LinkLost()) return LoadResString(IDS_READY);
    const HRESULT error = m_views.LinkError();
    if (error == REGDB_E_CLASSNOTREG)
        return FormatResString(IDS_SERVER_NOT_REGISTERED, static_cast<unsigned>(error)) + ConnectAdvice(error);
    if (IsServerGone(error)) return LoadResString(IDS_SERVER_GONE);
    return FormatResString(IDS_SERVER_LOST, ComErrorText(error).c_str(), static_cast<unsigned>(error));
}

void CMainFrame::WatchLink() {
    m_views.SetLinkListener([this] {
        m_list.SetStale(m_views.LinkLost());
        if (m_hWndStatusBar) {
            ::KillTimer(m_hWnd, kStatusTimer);
            ::SendMessageW(m_hWndStatusBar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(ReadyText().c_str()));
        }
    });
    ::SetTimer(m_hWnd, kLinkTimer, kLinkPeriod, nullptr);
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
        // A lost link is tried at once, not at the next turn of its timer.
        if (m_views.LinkLost() && !m_views.Reconnect()) throw ComError(m_views.LinkError());
        if (!m_views.Server()) m_views.ConnectToServer(m_hWnd);
        Bstr version;
        HRESULT hr = m_views.Server()->get_Version(version.Receive());
        m_views.Gone(hr);
        ThrowIfFailed(hr);
        about.m_serverLine = version.Str();
    } catch (const ComError& e) {
        about.m_serverLine =
            FormatResString(IDS_CONNECT_FAILED, e.ErrorMessage().c_str(), static_cast<unsigned>(e.Error()));
    }
    about.DoModal(::GetActiveWindow());
    return 0;
}
