#include "Registration.h"

#include <oleauto.h>

#include "Com.h"
#include "Ostrel.h"
#include "Registry.h"

namespace {
const wchar_t kClasses[] = L"Software\\Classes\\";
const wchar_t kProgId[] = L"Ostrel.Server.1";
const wchar_t kIndependentProgId[] = L"Ostrel.Server";
const wchar_t kDescription[] = L"Ostrel logger server";

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

HRESULT SetValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    RegKey k;
    LONG error = k.Create(HKEY_LOCAL_MACHINE, (kClasses + key).c_str(), KEY_SET_VALUE);
    if (error == ERROR_SUCCESS)
        error = ::RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    return HRESULT_FROM_WIN32(error);
}

LONG DeleteTree(const std::wstring& key) {
    LONG error = ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kClasses + key).c_str());
    if (error == ERROR_SUCCESS) error = ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kClasses + key).c_str());
    return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
}
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
    DeleteTree(clsid);
    for (const auto& v : values) {
        hr = SetValue(v.key, v.name, v.value);
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
        LONG error = DeleteTree(key);
        if (error != ERROR_SUCCESS && SUCCEEDED(result)) result = HRESULT_FROM_WIN32(error);
    }
    return result;
}
