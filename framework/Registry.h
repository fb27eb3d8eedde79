// Owner of a registry key handle.
#pragma once
#include <windows.h>

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
