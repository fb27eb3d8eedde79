#include "MessageLoop.h"

#include <algorithm>

namespace {
template <class T>
bool AddUnique(std::vector<T*>& list, T* item) {
    if (!item || std::find(list.begin(), list.end(), item) != list.end()) return false;
    list.push_back(item);
    return true;
}

template <class T>
bool RemoveItem(std::vector<T*>& list, T* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it == list.end()) return false;
    list.erase(it);
    return true;
}
}  // namespace

bool CMessageLoop::AddMessageFilter(CMessageFilter* pFilter) { return AddUnique(m_filters, pFilter); }
bool CMessageLoop::RemoveMessageFilter(CMessageFilter* pFilter) { return RemoveItem(m_filters, pFilter); }
bool CMessageLoop::AddIdleHandler(CIdleHandler* pHandler) { return AddUnique(m_idleHandlers, pHandler); }
bool CMessageLoop::RemoveIdleHandler(CIdleHandler* pHandler) { return RemoveItem(m_idleHandlers, pHandler); }

bool CMessageLoop::IsIdleMessage(const MSG& msg) {
    switch (msg.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case 0x0118:  // WM_SYSTIMER: caret blink
        return false;
    default:
        return true;
    }
}

BOOL CMessageLoop::PreTranslateMessage(MSG* pMsg) {
    // By index: a filter may unregister itself (or another) while it runs.
    for (size_t i = m_filters.size(); i-- > 0;) {
        if (i < m_filters.size() && m_filters[i]->PreTranslateMessage(pMsg)) return TRUE;
    }
    return FALSE;
}

BOOL CMessageLoop::OnIdle(int nIdleCount) {
    for (size_t i = 0; i < m_idleHandlers.size(); ++i) m_idleHandlers[i]->OnIdle(nIdleCount);
    return FALSE;
}

int CMessageLoop::Run() {
    bool doIdle = true;
    int idleCount = 0;
    for (;;) {
        if (doIdle && !::PeekMessageW(&m_msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) doIdle = false;
        }
        BOOL got = ::GetMessageW(&m_msg, nullptr, 0, 0);
        if (got == -1) continue;
        if (!got) break;  // WM_QUIT
        if (!PreTranslateMessage(&m_msg)) {
            ::TranslateMessage(&m_msg);
            ::DispatchMessageW(&m_msg);
        }
        if (IsIdleMessage(m_msg)) {
            doIdle = true;
            idleCount = 0;
        }
    }
    return static_cast<int>(m_msg.wParam);
}
