#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "AppModule.h"
#include "ExportFileDlg.h"
#include "LocalTime.h"
#include "TestSupport.h"

namespace {
struct ExportDialogFixture : ::testing::Test {
    AppModule module;
    ProgramResources resources;
    ExportDialogFixture() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&controls);
    }
};

double LocalDateOf(HWND picker) {
    SYSTEMTIME local;
    double date = 0;
    if (::SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&local)) == GDT_VALID)
        ::SystemTimeToVariantTime(&local, &date);
    return date;
}
}  // namespace

TEST_F(ExportDialogFixture, ChecksKeepTheDialogOpenAndOkReturnsTheChoice) {
    ASSERT_TRUE(resources.Loaded());
    CExportFileDlg dialog;
    dialog.m_dtStart = 45000.25;  // any time of day: the pickers keep it
    dialog.m_dtEnd = 45003.5;
    dialog.m_dInterval = 1.0 / 24;
    dialog.m_strFileName = L"old.xml";

    std::wstring shownName, message;
    LRESULT row = -1, rows = 0;
    double pickerStart = 0, pickerEnd = 0;
    DWORD rangeFlags = 0;
    DialogAnswer answer(L"Export data", [&](HWND box) {
        shownName = WindowText(::GetDlgItem(box, 1028));
        HWND combo = ::GetDlgItem(box, 1036);
        row = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
        rows = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
        pickerStart = LocalDateOf(::GetDlgItem(box, 1032));
        pickerEnd = LocalDateOf(::GetDlgItem(box, 1033));
        SYSTEMTIME range[2];
        rangeFlags = static_cast<DWORD>(::SendMessageW(::GetDlgItem(box, 1032), DTM_GETRANGE, 0,
                                                       reinterpret_cast<LPARAM>(range)));
        ::SetDlgItemTextW(box, 1028, L"C:\\out.csv");
        // The refusal's message box comes up and is answered inside this call.
        ::SendMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        ::SetDlgItemTextW(box, 1028, L"C:\\out.TXT");
        ::SendMessageW(::GetDlgItem(box, 1036), CB_SETCURSEL, 6, 0);
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    answer.Then(L"", [&](HWND box) {
        message = WindowText(::GetDlgItem(box, 0xFFFF));
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    ASSERT_EQ(dialog.DoModal(nullptr), IDOK);

    EXPECT_EQ(shownName, L"old.xml");
    EXPECT_EQ(rows, 7);
    EXPECT_EQ(row, 2);
    EXPECT_NEAR(pickerStart, UtcToLocalDate(45000.25), 1e-6);
    EXPECT_NEAR(pickerEnd, UtcToLocalDate(45003.5), 1e-6);
    EXPECT_EQ(rangeFlags, static_cast<DWORD>(GDTR_MIN | GDTR_MAX));
    EXPECT_EQ(message, L"Invalid filetype!");
    EXPECT_EQ(dialog.m_nFileType, 0);
    EXPECT_EQ(dialog.m_strFileName, L"C:\\out.TXT");
    EXPECT_EQ(dialog.m_dInterval, 1.0);
    EXPECT_NEAR(dialog.m_dtStart, 45000.25, 1e-6);
    EXPECT_NEAR(dialog.m_dtEnd, 45003.5, 1e-6);
}

TEST_F(ExportDialogFixture, BrowseAddsTheExtensionOfTheFilterTheOldNameChose) {
    TempFolder folder;
    CExportFileDlg dialog;
    dialog.m_dtStart = 45000;
    dialog.m_dtEnd = 45001;
    dialog.m_strFileName = folder.File(L"old.xls");
    const std::wstring typed = folder.File(L"book");
    std::wstring shown;
    DialogAnswer answer(L"Export data", [&](HWND box) {
        ::SendMessageW(box, WM_COMMAND, MAKEWPARAM(1029, BN_CLICKED), 0);  // the save dialog is answered inside
        shown = WindowText(::GetDlgItem(box, 1028));
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    answer.Then(L"Save As", [&](HWND box) {
        ::SetDlgItemTextW(box, 1148, typed.c_str());  // the file name box
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
    EXPECT_EQ(shown, typed + L".xls");
}
