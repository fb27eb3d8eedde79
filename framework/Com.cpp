#include "Com.h"

#include <cwchar>

std::wstring ComErrorText(HRESULT hr) {
    wchar_t* buffer = nullptr;
    DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(hr), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&buffer), 0,
        nullptr);
    if (length && buffer) {
        std::wstring text(buffer, length);
        ::LocalFree(buffer);
        if (text.size() >= 2 && text.compare(text.size() - 2, 2, L"\r\n") == 0) text.resize(text.size() - 2);
        return text;
    }
    if (buffer) ::LocalFree(buffer);

    wchar_t text[64];
    auto code = static_cast<unsigned long>(hr);
    if (code >= 0x80040200UL && code <= 0x8004FFFFUL)
        swprintf(text, 64, L"IDispatch error #%d", static_cast<int>(HRESULT_CODE(hr)) - 0x200);
    else
        swprintf(text, 64, L"Unknown error 0x%0lX", code);
    return text;
}
