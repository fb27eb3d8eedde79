#include <windows.h>

#include "Startup.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR commandLine, int showCommand) {
    // GCC does not give wWinMain main's implicit return value: return explicitly.
    return KestrovaMain(hInstance, commandLine, showCommand);
}
