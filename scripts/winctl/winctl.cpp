// winctl wait CLASS SECONDS   waits until a visible top-level window of CLASS exists (exit 0) or not (1)
// winctl close CLASS          posts WM_CLOSE to every top-level window of CLASS
// winctl activate CLSID SECONDS  waits until an object of that COM class can be made (exit 0) or not (1)
// winctl count CLASS          prints how many windows of CLASS exist, child windows included
// winctl hover CLASS CHILD    moves the mouse over the right end of the first visible window of CLASS,
//                             from its top down, until a child window of class CHILD shows (exit 0)
#include <windows.h>
#include <objbase.h>
#include <cwchar>
#include <cstdlib>

namespace {
struct Count {
    const wchar_t* className;
    int found = 0;
};

BOOL CALLBACK CountWindow(HWND hWnd, LPARAM lParam) {
    auto* count = reinterpret_cast<Count*>(lParam);
    wchar_t name[256] = {};
    if (GetClassNameW(hWnd, name, 256) && wcscmp(name, count->className) == 0) ++count->found;
    return TRUE;
}

struct Visible {
    const wchar_t* className;
    HWND found = nullptr;
};

BOOL CALLBACK FindVisible(HWND hWnd, LPARAM lParam) {
    auto* visible = reinterpret_cast<Visible*>(lParam);
    wchar_t name[256] = {};
    if (IsWindowVisible(hWnd) && GetClassNameW(hWnd, name, 256) && wcscmp(name, visible->className) == 0) {
        visible->found = hWnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindVisibleInTopLevel(HWND hWnd, LPARAM lParam) {
    if (!IsWindowVisible(hWnd)) return TRUE;
    EnumChildWindows(hWnd, FindVisible, lParam);
    return reinterpret_cast<Visible*>(lParam)->found == nullptr;
}

// Sweeps the mouse down columns near the right edge of `window` as a user looking for the newest
// sample would, until a child of class `child` shows.
bool Hover(HWND window, const wchar_t* child) {
    RECT client{};
    GetClientRect(window, &client);
    for (int x = client.right - 14; x > client.right - 80; x -= 3) {
        for (int y = client.top + 4; y < client.bottom; y += 6) {
            POINT screen{x, y};
            ClientToScreen(window, &screen);
            SetCursorPos(screen.x, screen.y);
            SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
            Visible shown{child};
            EnumChildWindows(window, FindVisible, reinterpret_cast<LPARAM>(&shown));
            if (shown.found) return true;
        }
    }
    return false;
}

BOOL CALLBACK CountInTopLevel(HWND hWnd, LPARAM lParam) {
    CountWindow(hWnd, lParam);
    EnumChildWindows(hWnd, CountWindow, lParam);
    return TRUE;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && wcscmp(argv[1], L"count") == 0) {
        Count count{argv[2]};
        EnumWindows(CountInTopLevel, reinterpret_cast<LPARAM>(&count));
        wprintf(L"%d\n", count.found);
        return 0;
    }
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
    if (argc >= 3 && wcscmp(argv[1], L"activate") == 0) {
        CLSID clsid;
        if (FAILED(CLSIDFromString(argv[2], &clsid))) return 2;
        double seconds = argc >= 4 ? wcstod(argv[3], nullptr) : 30;
        ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        int result = 1;
        do {
            IUnknown* object = nullptr;
            if (SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                           reinterpret_cast<void**>(&object)))) {
                object->Release();
                result = 0;
                break;
            }
            Sleep(250);
        } while (GetTickCount64() < deadline);
        CoUninitialize();
        return result;
    }
    if (argc >= 4 && wcscmp(argv[1], L"hover") == 0) {
        Visible window{argv[2]};
        EnumWindows(FindVisibleInTopLevel, reinterpret_cast<LPARAM>(&window));
        return window.found && Hover(window.found, argv[3]) ? 0 : 1;
    }
    fwprintf(stderr, L"usage: winctl wait CLASS [SECONDS] | winctl close CLASS | winctl activate CLSID [SECONDS] | "
                     L"winctl count CLASS | winctl hover CLASS CHILD\n");
    return 2;
}
