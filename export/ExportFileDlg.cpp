#include "ExportFileDlg.h"

#include <commctrl.h>
#include <commdlg.h>

#include "ExportFormat.h"
#include "LocalTime.h"
#include "resource.h"

namespace {
bool ToLocal(double utc, SYSTEMTIME& local) {
    SYSTEMTIME u;
    return ::VariantTimeToSystemTime(utc, &u) && UtcToLocalTime(nullptr, u, local);
}
}  // namespace

LRESULT CExportFileDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    m_interval = GetDlgItem(IDC_INTERVAL);
    m_startPicker = GetDlgItem(IDC_START_DATE);
    m_endPicker = GetDlgItem(IDC_END_DATE);

    SYSTEMTIME range[2];
    if (ToLocal(m_dtStart, range[0]) && ToLocal(m_dtEnd, range[1])) {
        // The pickers show dates only, but keep the time of day they are set to: the range runs
        // from the start's time of day on the first day to the end's on the last.
        ::SendMessageW(m_startPicker, DTM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(range));
        ::SendMessageW(m_endPicker, DTM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(range));
        ::SendMessageW(m_startPicker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&range[0]));
        ::SendMessageW(m_endPicker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&range[1]));
    }
    for (int row = 0; row < kIntervalRows; ++row)
        ::SendMessageW(m_interval, CB_ADDSTRING, 0,
                       reinterpret_cast<LPARAM>(LoadResString(IDS_INTERVAL_ALL + row).c_str()));
    ::SendMessageW(m_interval, CB_SETCURSEL, IntervalRow(m_dInterval), 0);
    ::SetDlgItemTextW(m_hWnd, IDC_FILE_NAME, m_strFileName.c_str());
    CenterWindow(::GetParent(m_hWnd));
    return TRUE;
}

LRESULT CExportFileDlg::OnStartExport(WORD, WORD, HWND, BOOL&) {
    m_nFileType = -1;
    m_strFileName = ReadFileName();
    LRESULT row = ::SendMessageW(m_interval, CB_GETCURSEL, 0, 0);
    m_dInterval = kIntervalDays[row >= 0 && row < kIntervalRows ? row : 0];
    ReadPicker(m_startPicker, m_dtStart);
    ReadPicker(m_endPicker, m_dtEnd);
    if (const wchar_t* problem = CheckExportInput(m_dtStart, m_dtEnd, m_strFileName)) {
        Message(problem);
        return 0;
    }
    m_nFileType = GetExportFileType(m_strFileName);
    EndDialog(IDOK);
    return 0;
}

LRESULT CExportFileDlg::OnCancel(WORD, WORD, HWND, BOOL&) {
    EndDialog(IDCANCEL);
    return 0;
}

LRESULT CExportFileDlg::OnBrowse(WORD, WORD, HWND, BOOL&) {
    m_strFileName = ReadFileName();
    wchar_t file[MAX_PATH] = {};
    m_strFileName.copy(file, MAX_PATH - 1);
    static const wchar_t kFilter[] = L"Text files (*.txt)\0*.txt\0MS Excel Files (*.xls)\0*.xls\0"
                                     L"XML Files (*.xml)\0*.xml\0All Files (*.*)\0*.*\0";
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = ::GetActiveWindow();
    ofn.lpstrFilter = kFilter;
    int type = GetExportFileType(m_strFileName);
    ofn.nFilterIndex = type >= 0 ? type + 1 : 0;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    if (::GetSaveFileNameW(&ofn)) {
        bool invalid = false;
        m_strFileName = BrowsedName(file, static_cast<int>(ofn.nFilterIndex), m_strFileName, invalid);
        if (invalid) Message(L"Invalid filetype");
    }
    ::SetDlgItemTextW(m_hWnd, IDC_FILE_NAME, m_strFileName.c_str());
    return 0;
}

std::wstring CExportFileDlg::ReadFileName() const {
    HWND edit = GetDlgItem(IDC_FILE_NAME);
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool CExportFileDlg::ReadPicker(HWND picker, double& utc) const {
    SYSTEMTIME local, u;
    double date = 0;
    if (::SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&local)) != GDT_VALID ||
        !LocalTimeToUtc(nullptr, local, u) || !::SystemTimeToVariantTime(&u, &date))
        return false;
    utc = date;
    return true;
}

void CExportFileDlg::Message(const wchar_t* text) const { ::MessageBoxW(m_hWnd, text, L"", MB_OK); }
