// Owners of kernel handles and loaded libraries.
#pragma once
#include <windows.h>

#include "Unique.h"

namespace detail {
inline void CloseKernelHandle(HANDLE h) { ::CloseHandle(h); }
inline void UnloadLibrary(HMODULE h) { ::FreeLibrary(h); }
}  // namespace detail

// Owns a handle that CloseHandle releases (mutex, event, process, file ...). INVALID_HANDLE_VALUE
// counts as none.
class UniqueHandle : public Unique<HANDLE, detail::CloseKernelHandle> {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : Unique(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    void Reset(HANDLE h = nullptr) { Unique::Reset(h == INVALID_HANDLE_VALUE ? nullptr : h); }
    void Close() { Reset(); }
};

// Owns a module from LoadLibrary / LoadLibraryEx.
class Library : public Unique<HMODULE, detail::UnloadLibrary> {
public:
    using Unique::Unique;
    void Free() { Reset(); }
};
