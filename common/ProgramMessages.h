// Messages and help contexts that the program's windows share.
#pragma once
#include <windows.h>

// Context-help messages: the hit test every window answers with its help context, the end of the
// help mode, and the notice that it has ended.
inline constexpr UINT WM_HELPHITTEST = 0x0366;
inline constexpr UINT WM_EXITHELPMODE = 0x0367;
inline constexpr UINT WM_KICKIDLE = 0x036A;
// Sent by a view (lParam: its window) to have it closed like a closed tab.
inline constexpr UINT WM_CLOSE_CLIENT_VIEW = WM_USER + 1;

// The help file's context ids of the main window, the sensor list and a graph.
inline constexpr DWORD kHelpContextMainFrame = 128;
inline constexpr DWORD kHelpContextSensorList = 129;
inline constexpr DWORD kHelpContextGraph = 108;
