// The lock that guards the main frame's view tables.
#pragma once
#include <windows.h>

// An unnamed, process-local mutex, created at start-up. A mutex may be taken again by the thread
// that owns it, which the view tables need: code that holds the lock calls code that takes it.
extern HANDLE g_hViewTableLock;

// Holds g_hViewTableLock for its lifetime; waits without time-out.
class CViewTableLock {
public:
    CViewTableLock();
    ~CViewTableLock();
    CViewTableLock(const CViewTableLock&) = delete;
    CViewTableLock& operator=(const CViewTableLock&) = delete;

private:
    bool m_owned;
};
