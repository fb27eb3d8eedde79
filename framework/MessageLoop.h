// The per-thread message loop with message filters and idle handlers.
#pragma once
#include <windows.h>
#include <vector>

// Sees every message before it is translated and dispatched; returning TRUE consumes it.
class CMessageFilter {
public:
    virtual BOOL PreTranslateMessage(MSG* pMsg) = 0;
protected:
    ~CMessageFilter() = default;
};

// Called when the queue runs empty after a message that asks for idle work.
class CIdleHandler {
public:
    virtual BOOL OnIdle(int nIdleCount) = 0;
protected:
    ~CIdleHandler() = default;
};

class CMessageLoop {
public:
    bool AddMessageFilter(CMessageFilter* pFilter);
    bool RemoveMessageFilter(CMessageFilter* pFilter);
    bool AddIdleHandler(CIdleHandler* pHandler);
    bool RemoveIdleHandler(CIdleHandler* pHandler);

    // Runs until WM_QUIT and returns its wParam.
    int Run();

    // Mouse moves, paints and the caret-blink timer message (0x0118) do not start idle work again:
    // they arrive continuously and would make the idle handlers run all the time.
    static bool IsIdleMessage(const MSG& msg);

    // Offers the message to the filters, the last registered first.
    BOOL PreTranslateMessage(MSG* pMsg);
    // Calls every idle handler once. Always reports that no more idle work is wanted.
    BOOL OnIdle(int nIdleCount);

private:
    std::vector<CMessageFilter*> m_filters;
    std::vector<CIdleHandler*> m_idleHandlers;
    MSG m_msg{};
};
