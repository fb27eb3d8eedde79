#include "Startup.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <cwctype>
#include <string>
#include <vector>

#include "Handle.h"
#include "MyAppModule.h"
#include "SettingsStore.h"
#include "ViewTableLock.h"

uint64_t GetFileVersionKey(const wchar_t* file) {
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(file, &ignored);
    if (!size) return 0;
    std::vector<BYTE> info(size);
    if (!::GetFileVersionInfoW(file, 0, size, info.data())) return 0;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) || !fixed ||
        fixedSize < sizeof(VS_FIXEDFILEINFO))
        return 0;
    return (static_cast<uint64_t>(fixed->dwFileVersionMS) << 32) | fixed->dwFileVersionLS;
}

HMODULE LoadResourceLibrary(const wchar_t* programPath, const wchar_t* library) {
    uint64_t program = GetFileVersionKey(programPath);
    if (program == 0 || GetFileVersionKey(library) != program) return nullptr;
    return ::LoadLibraryExW(library, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

bool HasClearRegOption(const wchar_t* line) {
    static constexpr wchar_t kOption[] = L"CLEARREG";
    for (const wchar_t* p = line; p && *p; ++p) {
        if (*p != L'-' && *p != L'/') continue;
        const wchar_t* token = p + 1;
        size_t i = 0;
        while (kOption[i] && token[i] && static_cast<wchar_t>(std::towupper(token[i])) == kOption[i]) ++i;
        if (!kOption[i]) {
            wchar_t end = token[i];
            if (end == L'\0' || end == L' ' || end == L'\t') return true;
        }
    }
    return false;
}

bool ParseCommandLine(const wchar_t* line) {
    if (!HasClearRegOption(line)) return true;
    DeleteProductKey();
    return false;
}

namespace {
// The resource library sits beside the program. Looking only there keeps a library of the same
// name in the current folder or on the path from replacing the program's texts.
std::wstring ResourceLibraryPath(const std::wstring& programPath) {
    size_t slash = programPath.find_last_of(L"\\/");
    std::wstring folder = slash == std::wstring::npos ? std::wstring() : programPath.substr(0, slash + 1);
    return folder + kResourceLibraryName;
}

// CoInitializeEx / CoUninitialize. A failed initialisation is not undone and not reported:
// the connection to the server reports any consequence.
class ComApartment {
public:
    ComApartment() : m_hr(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(m_hr)) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT m_hr;
};
}  // namespace

int KestrovaMain(HINSTANCE hInstance, const wchar_t* commandLine, int showCommand) {
    wchar_t programPath[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, programPath, MAX_PATH - 1);
    HMODULE resources = LoadResourceLibrary(programPath, ResourceLibraryPath(programPath).c_str());

    if (!ParseCommandLine(commandLine ? commandLine : L"")) return 0;

    int exitCode = 0;
    {
        ComApartment apartment;
        ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_NONE, RPC_C_IMP_LEVEL_IDENTIFY,
                               nullptr, EOAC_NONE, nullptr);
        g_nCommonControlsVersion = GetCommonControlsVersion(L"comctl32.dll");
        INITCOMMONCONTROLSEX controls{sizeof(controls), 0x5FF};
        ::InitCommonControlsEx(&controls);

        UniqueHandle viewTableLock(::CreateMutexW(nullptr, FALSE, nullptr));
        g_hViewTableLock = viewTableLock.Get();

        g_Module.Init(hInstance);
        if (resources) g_Module.SetResourceInstance(resources);
        exitCode = g_Module.Run(commandLine, showCommand);

        if (resources) {
            g_Module.SetResourceInstance(hInstance);
            ::FreeLibrary(resources);
        }
        g_Module.Term();
        g_hViewTableLock = nullptr;
    }
    return exitCode;
}
