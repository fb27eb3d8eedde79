// Registration under HKLM\Software\Classes (Wine's COM reads classes from there only): the class
// with its in-process server, the ProgIDs "Excel.Sheet" and "Excel.Sheet.8", and the .xls type
// with its MIME entry, through which URL monikers find the class for an existing file.
#include <string>

#include "Com.h"
#include "Registry.h"
#include "SheetObjects.h"

namespace sheet {
namespace {

const wchar_t kClasses[] = L"Software\\Classes\\";
const wchar_t kProgId[] = L"Excel.Sheet.8";
const wchar_t kIndependentProgId[] = L"Excel.Sheet";
const wchar_t kContentType[] = L"application/vnd.ms-excel";
const wchar_t kMimeKey[] = L"MIME\\Database\\Content Type\\application/vnd.ms-excel";
const wchar_t kDescription[] = L"Kestrova stand-in spreadsheet workbook";

std::wstring GetValue(const std::wstring& key, const wchar_t* name) {
    wchar_t text[256] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, (kClasses + key).c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return {};
    return text;
}


}  // namespace

HRESULT RegisterSheetServer(const wchar_t* dllPath) {
    const std::wstring clsid = GuidText(CLSID_KestrovaSheet);
    const std::wstring key = L"CLSID\\" + clsid;
    const struct {
        std::wstring key;
        const wchar_t* name;
        std::wstring value;
    } values[] = {
        {key, nullptr, kDescription},
        {key + L"\\InprocServer32", nullptr, dllPath},
        {key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {key + L"\\ProgID", nullptr, kProgId},
        {key + L"\\VersionIndependentProgID", nullptr, kIndependentProgId},
        {kProgId, nullptr, kDescription},
        {std::wstring(kProgId) + L"\\CLSID", nullptr, clsid},
        {kIndependentProgId, nullptr, kDescription},
        {std::wstring(kIndependentProgId) + L"\\CLSID", nullptr, clsid},
        {std::wstring(kIndependentProgId) + L"\\CurVer", nullptr, kProgId},
        {L".xls", nullptr, kProgId},
        {L".xls", L"Content Type", kContentType},
        {kMimeKey, L"CLSID", clsid},
        {kMimeKey, L"Extension", L".xls"},
    };
    for (const auto& v : values) {
        HRESULT hr = SetClassesValue(v.key, v.name, v.value);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT UnregisterSheetServer() {
    const std::wstring clsid = GuidText(CLSID_KestrovaSheet);
    LONG error = DeleteClassesTree(L"CLSID\\" + clsid);
    // The ProgIDs and the file type go only while they still name this class.
    for (const wchar_t* progId : {kProgId, kIndependentProgId})
        if (GetValue(std::wstring(progId) + L"\\CLSID", nullptr) == clsid && error == ERROR_SUCCESS)
            error = DeleteClassesTree(progId);
    if (GetValue(kMimeKey, L"CLSID") == clsid && error == ERROR_SUCCESS) error = DeleteClassesTree(kMimeKey);
    if (GetValue(L".xls", nullptr) == kProgId && error == ERROR_SUCCESS) error = DeleteClassesTree(L".xls");
    return HRESULT_FROM_WIN32(error);
}

}  // namespace sheet
