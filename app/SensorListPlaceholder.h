// The window that stands where the sensor list will be: an empty white view captioned
// "List of sensors" that the list toggle shows, hides and docks.
#pragma once
#include "Window.h"

class CSensorListPlaceholder : public Window<CSensorListPlaceholder> {
public:
    DECLARE_WND_CLASS_EX(L"KV_DeviceListView", CS_DBLCLKS, COLOR_WINDOW)

    BEGIN_MSG_MAP(CSensorListPlaceholder)
        MESSAGE_HANDLER(0x0366, OnHelpHitTest)  // the sensor list's help context
    END_MSG_MAP()

private:
    LRESULT OnHelpHitTest(UINT, WPARAM, LPARAM, BOOL&) { return 129; }
};
