// The sensor properties dialog: the sensor's id (shown), name, description and enabled state.
#pragma once
#include <string>

#include "Dialog.h"
#include "resource.h"

// The id as the user knows it: a humidity or CO2 sensor shares its device's even id with the
// device's temperature sensor, so those show the device id with their quantity.
std::wstring SensorIdText(int sensorId, int sensorType);

class CPropertiesDlg : public Dialog<CPropertiesDlg> {
public:
    enum { IDD = IDD_SENSOR_PROPERTIES, IDC_ID = 1012, IDC_NAME = 1013, IDC_DESCRIPTION = 1014, IDC_ENABLED = 1043 };

    std::wstring m_strId;
    std::wstring m_strName;
    std::wstring m_strDescription;
    int m_nEnabled = 0;  // check state: 0 clear, 1 checked, 2 indeterminate

    BEGIN_MSG_MAP(CPropertiesDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDOK, OnOK)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnOK(WORD, WORD, HWND, BOOL&);
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&) {
        EndDialog(IDCANCEL);
        return 0;
    }
};
