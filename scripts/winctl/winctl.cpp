// winctl wait CLASS SECONDS   waits until a visible top-level window of CLASS exists (exit 0) or not (1)
// winctl close CLASS          posts WM_CLOSE to every top-level window of CLASS
// winctl activate CLSID SECONDS  waits until an object of that COM class can be made (exit 0) or not (1)
// winctl count CLASS          prints how many windows of CLASS exist, child windows included
// winctl hover CLASS CHILD    moves the mouse over the right end of the first visible window of CLASS,
//                             from its top down, until a child window of class CHILD shows (exit 0)
// winctl post CLASS MSG WPARAM  posts a message to the first visible window of CLASS (numbers as in C)
// winctl titles CLASS         prints the text of every window of CLASS, child windows included
// winctl answer TITLE ID [TEXT]  waits up to 10 s for a window titled TITLE; with TEXT sets the text of
//                             its control ID, without it posts the command ID to it (a button press)
// winctl rects CLASS          prints "left top right bottom" (screen) of every visible window of CLASS,
//                             child windows included, widest first
// winctl click CLASS          clicks the middle of the first visible window of CLASS with the left button
// winctl printer NAME FILE    installs a PostScript printer NAME that writes to FILE as the default
//                             printer, and leaves it installed
#include <windows.h>
#include <objbase.h>
#include <cwchar>
#include <cstdlib>

#include "FilePrinter.h"

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

HWND FirstVisible(const wchar_t* className) {
    HWND top = FindWindowW(className, nullptr);
    if (top && IsWindowVisible(top)) return top;
    Visible window{className};
    EnumWindows(FindVisibleInTopLevel, reinterpret_cast<LPARAM>(&window));
    return window.found;
}

BOOL CALLBACK PrintTitle(HWND hWnd, LPARAM lParam) {
    wchar_t name[256] = {}, text[512] = {};
    if (GetClassNameW(hWnd, name, 256) && wcscmp(name, reinterpret_cast<const wchar_t*>(lParam)) == 0) {
        GetWindowTextW(hWnd, text, 512);
        wprintf(L"%ls\n", text);
    }
    return TRUE;
}

BOOL CALLBACK PrintTitlesInTopLevel(HWND hWnd, LPARAM lParam) {
    PrintTitle(hWnd, lParam);
    EnumChildWindows(hWnd, PrintTitle, lParam);
    return TRUE;
}

struct Rects {
    const wchar_t* className;
    RECT found[64];
    int count = 0;
};

BOOL CALLBACK CollectRect(HWND hWnd, LPARAM lParam) {
    auto* rects = reinterpret_cast<Rects*>(lParam);
    wchar_t name[256] = {};
    if (rects->count < 64 && IsWindowVisible(hWnd) && GetClassNameW(hWnd, name, 256) &&
        wcscmp(name, rects->className) == 0)
        GetWindowRect(hWnd, &rects->found[rects->count++]);
    return TRUE;
}

BOOL CALLBACK CollectRectsInTopLevel(HWND hWnd, LPARAM lParam) {
    if (!IsWindowVisible(hWnd)) return TRUE;
    CollectRect(hWnd, lParam);
    EnumChildWindows(hWnd, CollectRect, lParam);
    return TRUE;
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
    if (argc >= 5 && wcscmp(argv[1], L"post") == 0) {
        HWND window = FirstVisible(argv[2]);
        if (!window) return 1;
        PostMessageW(window, wcstoul(argv[3], nullptr, 0), wcstoul(argv[4], nullptr, 0), 0);
        return 0;
    }
    if (argc >= 3 && wcscmp(argv[1], L"titles") == 0) {
        EnumWindows(PrintTitlesInTopLevel, reinterpret_cast<LPARAM>(argv[2]));
        return 0;
    }
    if (argc >= 4 && wcscmp(argv[1], L"answer") == 0) {
        ULONGLONG deadline = GetTickCount64() + 10000;
        HWND window = nullptr;
        while (!(window = FindWindowW(nullptr, argv[2])) && GetTickCount64() < deadline) Sleep(100);
        if (!window) return 1;
        int id = static_cast<int>(wcstol(argv[3], nullptr, 0));
        if (argc >= 5) return SetDlgItemTextW(window, id, argv[4]) ? 0 : 1;
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        return 0;
    }
    if (argc >= 3 && wcscmp(argv[1], L"rects") == 0) {
        static Rects rects{argv[2]};
        EnumWindows(CollectRectsInTopLevel, reinterpret_cast<LPARAM>(&rects));
        auto width = [](const RECT& rc) { return rc.right - rc.left; };
        for (int i = 1; i < rects.count; ++i)  // widest first: a handful of windows
            for (int j = i; j > 0 && width(rects.found[j]) > width(rects.found[j - 1]); --j) {
                RECT t = rects.found[j];
                rects.found[j] = rects.found[j - 1];
                rects.found[j - 1] = t;
            }
        for (int i = 0; i < rects.count; ++i)
            wprintf(L"%ld %ld %ld %ld\n", rects.found[i].left, rects.found[i].top, rects.found[i].right,
                    rects.found[i].bottom);
        return rects.count ? 0 : 1;
    }
    if (argc >= 4 && wcscmp(argv[1], L"hover") == 0) {
        Visible window{argv[2]};
        EnumWindows(FindVisibleInTopLevel, reinterpret_cast<LPARAM>(&window));
        return window.found && Hover(window.found, argv[3]) ? 0 : 1;
    }
    if (argc >= 3 && wcscmp(argv[1], L"click") == 0) {
        HWND window = FirstVisible(argv[2]);
        RECT rc{};
        if (!window || !GetWindowRect(window, &rc)) return 1;
        SetCursorPos((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        INPUT press[2] = {};
        press[0].type = press[1].type = INPUT_MOUSE;
        press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        return SendInput(2, press, sizeof(INPUT)) == 2 ? 0 : 1;
    }
    if (argc >= 4 && wcscmp(argv[1], L"printer") == 0) {
        FilePrinter printer(argv[2], argv[3], /*makeDefault=*/true);
        bool installed = printer.IsDefault();
        printer.Keep();
        return installed ? 0 : 1;
    }
    fwprintf(stderr, L"usage: winctl wait CLASS [SECONDS] | winctl close CLASS | winctl activate CLSID [SECONDS] | "
                     L"winctl count CLASS | winctl hover CLASS CHILD | winctl post CLASS MSG WPARAM | "
                     L"winctl titles CLASS | winctl answer TITLE ID [TEXT] | winctl rects CLASS | "
                     L"winctl click CLASS | winctl printer NAME FILE\n");
    return 2;
}
