// The options dialog: the temperature unit.
#pragma once
#include "DataExchange.h"
#include "Dialog.h"

class COptionsDlg : public Dialog<COptionsDlg> {
public:
    enum { IDD = 107, IDC_CELSIUS = 1041 };

    // Index of the checked unit: 0 Celsius, 1 Fahrenheit, -1 none.
    int m_nUnit = 0;

    BEGIN_MSG_MAP(COptionsDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDOK, OnOK)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
        SetRadioIndex(m_hWnd, IDC_CELSIUS, m_nUnit);
        CenterWindow(::GetParent(m_hWnd));
        return TRUE;
    }
    LRESULT OnOK(WORD, WORD, HWND, BOOL&) {
        m_nUnit = GetRadioIndex(m_hWnd, IDC_CELSIUS);
        EndDialog(IDOK);
        return 0;
    }
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&) {
        EndDialog(IDCANCEL);
        return 0;
    }
};
