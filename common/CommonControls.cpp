#include "CommonControls.h"

#include <shlwapi.h>

#include "Handle.h"

DWORD g_nCommonControlsVersion = 0;

DWORD GetCommonControlsVersion(const wchar_t* library) {
    Library module(::LoadLibraryW(library));
    if (!module) return 0;
    auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(::GetProcAddress(module.Get(), "DllGetVersion"));
    if (!getVersion) return 0;
    DLLVERSIONINFO info{};
    info.cbSize = sizeof(info);
    static_assert(sizeof(DLLVERSIONINFO) == 20);
    if (FAILED(getVersion(&info))) return 0;
    return (info.dwMajorVersion << 16) | (info.dwMinorVersion & 0xFFFF);
}
