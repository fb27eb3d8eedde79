#include "AppModule.h"

#include "MessageLoop.h"

AppModule* AppModule::s_pInstance = nullptr;

AppModule::AppModule() { s_pInstance = this; }

AppModule::~AppModule() {
    if (s_pInstance == this) s_pInstance = nullptr;
}

void AppModule::Init(HINSTANCE hInstance) {
    m_hInstance = hInstance;
    m_hResInstance = hInstance;
    m_mainThreadId = ::GetCurrentThreadId();
}

void AppModule::Term() {
    std::lock_guard guard(m_lock);
    m_loops.clear();
}

bool AppModule::AddMessageLoop(CMessageLoop* pLoop) {
    std::lock_guard guard(m_lock);
    return m_loops.emplace(::GetCurrentThreadId(), pLoop).second;
}

bool AppModule::RemoveMessageLoop() {
    std::lock_guard guard(m_lock);
    return m_loops.erase(::GetCurrentThreadId()) == 1;
}

CMessageLoop* AppModule::GetMessageLoop(DWORD threadId) const {
    std::lock_guard guard(m_lock);
    auto it = m_loops.find(threadId);
    return it == m_loops.end() ? nullptr : it->second;
}

HINSTANCE ResourceInstance() {
    AppModule* module = AppModule::Instance();
    if (module && module->GetResourceInstance()) return module->GetResourceInstance();
    return ::GetModuleHandleW(nullptr);
}

bool TryLoadResString(UINT id, std::wstring& text) {
    // With a zero buffer size LoadStringW hands out a pointer into the resource itself.
    const wchar_t* resource = nullptr;
    int length = ::LoadStringW(ResourceInstance(), id, reinterpret_cast<LPWSTR>(&resource), 0);
    if (length <= 0 || !resource) return false;
    text.assign(resource, static_cast<size_t>(length));
    return true;
}

std::wstring LoadResString(UINT id) {
    std::wstring text;
    TryLoadResString(id, text);
    return text;
}
