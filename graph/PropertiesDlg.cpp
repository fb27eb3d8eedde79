#include "PropertiesDlg.h"

#include "AppModule.h"

namespace {
std::wstring ControlText(HWND dialog, int id) {
    WindowBase control;
    control.m_hWnd = ::GetDlgItem(dialog, id);
    return control.GetWindowText();
}
}  // namespace

std::wstring SensorIdText(int sensorId, int sensorType) {
    switch (sensorType) {
    case 3:
        return FormatText(L"%d RH", sensorId & 0xFFFE);
    case 5:
        return FormatText(L"%d CO2", sensorId & 0xFFFE);
    default:
        return FormatText(L"%d", sensorId);
    }
}

LRESULT CPropertiesDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    ::SetDlgItemTextW(m_hWnd, IDC_ID, m_strId.c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_NAME, m_strName.c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_DESCRIPTION, m_strDescription.c_str());
    const int check = m_nEnabled >= 0 && m_nEnabled <= 2 ? m_nEnabled : 0;
    ::SendDlgItemMessageW(m_hWnd, IDC_ENABLED, BM_SETCHECK, static_cast<WPARAM>(check), 0);
    CenterWindow(::GetParent(m_hWnd));
    return TRUE;
}

LRESULT CPropertiesDlg::OnOK(WORD, WORD, HWND, BOOL&) {
    // The texts in full, however long: the fields have no limit.
    m_strName = ControlText(m_hWnd, IDC_NAME);
    m_strDescription = ControlText(m_hWnd, IDC_DESCRIPTION);
    m_nEnabled = static_cast<int>(::SendDlgItemMessageW(m_hWnd, IDC_ENABLED, BM_GETCHECK, 0, 0));
    EndDialog(IDOK);
    return 0;
}
