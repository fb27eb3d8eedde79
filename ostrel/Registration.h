// Registration of the server class, its ProgIDs, interfaces and type library. Under
// HKLM\Software\Classes: Wine's COM reads classes from there only.
#pragma once
#include <windows.h>
#include <string>

// `options` are added to the command line COM starts the server with.
HRESULT RegisterServer(const std::wstring& programPath, const std::wstring& options);
HRESULT UnregisterServer(const std::wstring& programPath);
