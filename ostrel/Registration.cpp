#include "Registration.h"

#include <oleauto.h>

#include "Com.h"
#include "Ostrel.h"
#include "Registry.h"

namespace {
const wchar_t kProgId[] = L"Ostrel.Server.1";
const wchar_t kIndependentProgId[] = L"Ostrel.Server";
const wchar_t kDescription[] = L"Ostrel logger server";
}  // namespace

HRESULT RegisterServer(const std::wstring& programPath, const std::wstring& options) {
    ComPtr<ITypeLib> library;
    HRESULT hr = ::LoadTypeLibEx(programPath.c_str(), REGKIND_NONE, library.Receive());
    if (FAILED(hr)) return hr;
    // Writes TypeLib\{libid} and Interface\{iid} for every interface, with the type library
    // marshaller for the dual interfaces and the dispatch marshaller for the event interface.
    hr = ::RegisterTypeLib(library.Get(), const_cast<wchar_t*>(programPath.c_str()), nullptr);
    if (FAILED(hr)) return hr;

    std::wstring clsid = L"CLSID\\" + GuidText(CLSID_OstrelServer);
    std::wstring commandLine = L"\"" + programPath + L"\"";
    if (!options.empty()) commandLine += L" " + options;
    const struct {
        std::wstring key;
        const wchar_t* name;
        std::wstring value;
    } values[] = {
        {clsid, nullptr, kDescription},
        {clsid + L"\\LocalServer32", nullptr, commandLine},
        {clsid + L"\\ProgID", nullptr, kProgId},
        {clsid + L"\\VersionIndependentProgID", nullptr, kIndependentProgId},
        {clsid + L"\\TypeLib", nullptr, GuidText(LIBID_OstrelServerLib)},
        {clsid + L"\\Version", nullptr, L"1.0"},
        {kProgId, nullptr, kDescription},
        {std::wstring(kProgId) + L"\\CLSID", nullptr, GuidText(CLSID_OstrelServer)},
        {kIndependentProgId, nullptr, kDescription},
        {std::wstring(kIndependentProgId) + L"\\CLSID", nullptr, GuidText(CLSID_OstrelServer)},
        {std::wstring(kIndependentProgId) + L"\\CurVer", nullptr, kProgId},
    };
    // A command line from an earlier registration must not linger with other options.
    DeleteClassesTree(clsid);
    for (const auto& v : values) {
        hr = SetClassesValue(v.key, v.name, v.value);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT UnregisterServer(const std::wstring&) {
    HRESULT result = S_OK;
    HRESULT hr = ::UnRegisterTypeLib(LIBID_OstrelServerLib, 1, 0, LOCALE_NEUTRAL, SYS_WIN64);
    if (FAILED(hr) && hr != TYPE_E_REGISTRYACCESS && hr != TYPE_E_LIBNOTREGISTERED) result = hr;
    for (const std::wstring& key : {L"CLSID\\" + GuidText(CLSID_OstrelServer), std::wstring(kProgId),
                                    std::wstring(kIndependentProgId)}) {
        LONG error = DeleteClassesTree(key);
        if (error != ERROR_SUCCESS && SUCCEEDED(result)) result = HRESULT_FROM_WIN32(error);
    }
    return result;
}
