// winctl wait CLASS SECONDS   waits until a visible top-level window of CLASS exists (exit 0) or not (1)
// winctl close CLASS          posts WM_CLOSE to every top-level window of CLASS
// winctl activate CLSID SECONDS  waits until an object of that COM class can be made (exit 0) or not (1)
// winctl count CLASS          prints how many windows of CLASS exist, child windows included
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
    fwprintf(stderr, L"usage: winctl wait CLASS [SECONDS] | winctl close CLASS | winctl activate CLSID [SECONDS] | "
                     L"winctl count CLASS\n");
    return 2;
}
