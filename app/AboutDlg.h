// The about box: the program's version and build, the logger server's version (or why it is
// missing) and the maker's web address as a hyperlink.
#pragma once
#include <string>

#include "Dialog.h"
#include "Gdi.h"
#include "HyperLink.h"

class CAboutDlg : public Dialog<CAboutDlg> {
public:
    enum { IDD = 100, IDC_LINK = 139, IDC_VERSION = 1040, IDC_SERVER = 1041 };

    static constexpr wchar_t kVersionLabel[] = L"1.7 x64";
    static constexpr wchar_t kWebAddress[] = L"https://kestrova.example/";

    // The version line: "Kestrova version 1.7 x64", a line break, "Build" and the build date.
    static std::wstring VersionText();

    std::wstring m_serverLine;  // set before the dialog runs

    BEGIN_MSG_MAP(CAboutDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        COMMAND_ID_HANDLER(IDOK, OnCloseCmd)
        COMMAND_ID_HANDLER(IDCANCEL, OnCloseCmd)
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    HWND IconControl() const;
    LRESULT OnCloseCmd(WORD, WORD id, HWND, BOOL&) {
        EndDialog(id);
        return 0;
    }

    HyperLink m_link;
    // The program icon, loaded for this box (never shared) and destroyed with it.
    Icon m_icon;
};
