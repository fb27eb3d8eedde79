#include "MainFrame.h"

BOOL CMainFrame::PreTranslateMessage(MSG* pMsg) { return TranslateAccelerator(pMsg); }

BOOL CMainFrame::OnIdle(int) { return FALSE; }

LRESULT CMainFrame::OnFileExit(WORD, WORD, HWND, BOOL&) {
    PostMessage(WM_CLOSE);
    return 0;
}
