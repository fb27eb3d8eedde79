// Process start-up: the resource library, the command line, COM and the common controls.
#pragma once
#include <windows.h>
#include <cstdint>

#include "CommonControls.h"

// The resource library that may replace the program's own resources.
inline constexpr wchar_t kResourceLibraryName[] = L"ksv_res.dll";

// The four-part file version of `file` as (MS << 32) | LS, 0 when it has none.
uint64_t GetFileVersionKey(const wchar_t* file);

// Loads the resource library `library` when its file version equals the program's; null otherwise.
// The library is loaded as an image resource: no code of it runs.
HMODULE LoadResourceLibrary(const wchar_t* programPath, const wchar_t* library);

// Whether `line` holds the option "ClearReg": after any "-" or "/", also inside a word, compared
// without regard to case, and ending at the end of the line, a blank or a tab.
bool HasClearRegOption(const wchar_t* line);

// Handles the command line. With "ClearReg" it deletes the product settings key and returns false:
// the process then ends at once with exit code 0.
bool ParseCommandLine(const wchar_t* line);

// The whole start-up, run and shutdown of the program; returns the process exit code.
int KestrovaMain(HINSTANCE hInstance, const wchar_t* commandLine, int showCommand);
