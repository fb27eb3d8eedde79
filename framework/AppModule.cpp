#include "AppModule.h"

#include "MessageLoop.h"

#include <cstdarg>
#include <cwchar>
#include <vector>

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

namespace {
std::wstring FormatArguments(const wchar_t* format, va_list args) {
    // _vsnwprintf is the platform's own formatter (%s = wide string), unlike the C99 one that
    // swprintf maps to here. It reports -1 when the buffer is too small: grow and try again.
    std::vector<wchar_t> buffer(256);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        int n = _vsnwprintf(buffer.data(), buffer.size(), format, copy);
        va_end(copy);
        if (n >= 0 && static_cast<size_t>(n) < buffer.size()) return std::wstring(buffer.data(), static_cast<size_t>(n));
        if (buffer.size() >= (1u << 20)) return std::wstring(buffer.data(), buffer.size());
        buffer.resize(buffer.size() * 2);
    }
}
}  // namespace

std::wstring FormatText(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = FormatArguments(format, args);
    va_end(args);
    return text;
}

std::wstring FormatResString(UINT id, ...) {
    std::wstring format = LoadResString(id);
    va_list args;
    va_start(args, id);
    std::wstring text = FormatArguments(format.c_str(), args);
    va_end(args);
    return text;
}
