// Owner of a registry key handle.
#pragma once
#include <windows.h>
#include <objbase.h>

#include <string>

#include "Unique.h"

namespace detail {
inline void CloseRegKey(HKEY h) { ::RegCloseKey(h); }
}  // namespace detail

class RegKey : public Unique<HKEY, detail::CloseRegKey> {
public:
    using Unique::Unique;

    // Opens an existing subkey; the previous key is closed first.
    LONG Open(HKEY parent, const wchar_t* name, REGSAM access) {
        return ::RegOpenKeyExW(parent, name, 0, access, Receive());
    }
    // Creates the subkey when missing (non-volatile, no class string) or opens it.
    LONG Create(HKEY parent, const wchar_t* name, REGSAM access) {
        return ::RegCreateKeyExW(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, Receive(),
                                 nullptr);
    }
    void Close() { Reset(); }
    operator HKEY() const { return Get(); }
};

// A GUID as the registry writes it, "{...}".
inline std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

// Writes a text value under HKEY_LOCAL_MACHINE\Software\Classes\<key> (created when missing), where
// COM servers register their classes; `name` null for the default value.
inline HRESULT SetClassesValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    RegKey k;
    LONG error = k.Create(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + key).c_str(), KEY_SET_VALUE);
    if (error == ERROR_SUCCESS)
        error = ::RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    return HRESULT_FROM_WIN32(error);
}

// Deletes HKEY_LOCAL_MACHINE\Software\Classes\<key> with everything below it; a missing key is
// no error.
inline LONG DeleteClassesTree(const std::wstring& key) {
    const std::wstring path = L"Software\\Classes\\" + key;
    LONG error = ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str());
    if (error == ERROR_SUCCESS) error = ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
    return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
}
