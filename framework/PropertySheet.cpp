#include "PropertySheet.h"

bool CPropertySheet::DoModal(HWND owner) {
    if (m_pages.empty()) return false;
    // The sheet is built on a tab control, a class that must be registered first.
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&controls);
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    header.hwndParent = owner;
    header.hInstance = ResourceInstance();
    header.pszCaption = m_caption.c_str();
    header.nPages = static_cast<UINT>(m_pages.size());
    header.nStartPage = 0;
    header.ppsp = m_pages.data();
    // Positive when the pages applied (OK), 0 when cancelled, -1 when the sheet could not be made.
    return ::PropertySheetW(&header) > 0;
}
