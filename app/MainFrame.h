// The program's one top-level window.
#pragma once
#include "FrameWindow.h"
#include "MessageLoop.h"
#include "resource.h"

class CMainFrame : public FrameWindow<CMainFrame>, public CMessageFilter, public CIdleHandler {
public:
    DECLARE_WND_CLASS_EX(L"KV_DockFrame", 0, COLOR_WINDOW)

    BEGIN_MSG_MAP(CMainFrame)
        COMMAND_ID_HANDLER(ID_APP_EXIT, OnFileExit)
        CHAIN_MSG_MAP(FrameWindow<CMainFrame>)
    END_MSG_MAP()

    // Accelerators of the frame's table.
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnIdle(int nIdleCount) override;

private:
    LRESULT OnFileExit(WORD, WORD, HWND, BOOL&);
};
