// winctl wait CLASS SECONDS   waits until a visible top-level window of CLASS exists (exit 0) or not (1)
// winctl close CLASS          posts WM_CLOSE to every top-level window of CLASS
#include <windows.h>
#include <cwchar>
#include <cstdlib>

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && wcscmp(argv[1], L"wait") == 0) {
        double seconds = argc >= 4 ? wcstod(argv[3], nullptr) : 30;
        ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
        do {
            HWND hWnd = FindWindowW(argv[2], nullptr);
            if (hWnd && IsWindowVisible(hWnd)) return 0;
            Sleep(100);
        } while (GetTickCount64() < deadline);
        return 1;
    }
    if (argc >= 3 && wcscmp(argv[1], L"close") == 0) {
        int closed = 0;
        for (HWND hWnd = nullptr; (hWnd = FindWindowExW(nullptr, hWnd, argv[2], nullptr)) != nullptr;) {
            PostMessageW(hWnd, WM_CLOSE, 0, 0);
            ++closed;
        }
        return closed ? 0 : 1;
    }
    fwprintf(stderr, L"usage: winctl wait CLASS [SECONDS] | winctl close CLASS\n");
    return 2;
}
