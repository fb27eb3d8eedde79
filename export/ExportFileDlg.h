// The export dialog: destination file, start and end date, and sampling interval.
#pragma once
#include <string>

#include "Dialog.h"
#include "resource.h"

class CExportFileDlg : public Dialog<CExportFileDlg> {
public:
    enum {
        IDD = IDD_EXPORT_FILE,
        IDC_FILE_NAME = 1028,
        IDC_BROWSE = 1029,
        IDC_START_DATE = 1032,
        IDC_END_DATE = 1033,
        IDC_INTERVAL = 1036,
    };

    int m_nFileType = -1;      // 0 text, 1 spreadsheet, 2 XML, -1 none
    std::wstring m_strFileName;
    double m_dtStart = 0;      // UTC OLE dates
    double m_dtEnd = 0;
    double m_dInterval = 0;    // days, 0 = all samples

    BEGIN_MSG_MAP(CExportFileDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_HANDLER(IDOK, BN_CLICKED, OnStartExport)
        COMMAND_HANDLER(IDCANCEL, BN_CLICKED, OnCancel)
        COMMAND_HANDLER(IDC_BROWSE, BN_CLICKED, OnBrowse)
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnStartExport(WORD, WORD, HWND, BOOL&);
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
    LRESULT OnBrowse(WORD, WORD, HWND, BOOL&);

    std::wstring ReadFileName() const;
    // The picker's date as a UTC OLE date; false when it holds none.
    bool ReadPicker(HWND picker, double& utc) const;
    void Message(const wchar_t* text) const;

    HWND m_interval = nullptr;
    HWND m_startPicker = nullptr;
    HWND m_endPicker = nullptr;
};
