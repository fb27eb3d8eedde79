#include "ViewTableLock.h"

HANDLE g_hViewTableLock = nullptr;

CViewTableLock::CViewTableLock() {
    DWORD wait = g_hViewTableLock ? ::WaitForSingleObject(g_hViewTableLock, INFINITE) : WAIT_FAILED;
    // An abandoned mutex is owned by the waiter all the same.
    m_owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

CViewTableLock::~CViewTableLock() {
    if (m_owned) ::ReleaseMutex(g_hViewTableLock);
}
