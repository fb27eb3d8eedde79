// The version of the system's common controls, which decides how list headers show their sort marks.
#pragma once
#include <windows.h>

// The common controls' version as (major << 16) | minor, 0 when unknown. Set at start-up.
extern DWORD g_nCommonControlsVersion;

// (major << 16) | (minor & 0xFFFF) from the library's DllGetVersion, 0 without one.
DWORD GetCommonControlsVersion(const wchar_t* library);
