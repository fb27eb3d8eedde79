#include <gtest/gtest.h>

#include "AppModule.h"
#include "GraphPropertyPages.h"
#include "TestSupport.h"

namespace {
// The sheet's pages come from the program's resources.
class GraphPropertySheet : public ::testing::Test {
protected:
    AppModule m_module;
    ProgramResources m_resources;
};

HWND Page(HWND sheet) { return reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }
// The sheet's loop notices its end only with the next message: one follows the button.
void PressButton(HWND sheet, int button) {
    ::PostMessageW(sheet, PSM_PRESSBUTTON, button, 0);
    ::PostMessageW(sheet, WM_NULL, 0, 0);
}
void ShowPage(HWND sheet, int index) { ::SendMessageW(sheet, PSM_SETCURSEL, index, 0); }

TEST_F(GraphPropertySheet, FahrenheitRoundTripOnOk) {
    GraphSheetValues values;
    values.scale = {0, 30, 5};  // automatic: 86 would be out of the manual range in Fahrenheit
    std::wstring shown[3];
    DialogAnswer answer(L"Graph properties", [&](HWND sheet) {
        for (int i = 0; i < 3; ++i) shown[i] = WindowText(::GetDlgItem(Page(sheet), 1016 + i));
        PressButton(sheet, PSBTN_OK);
    });
    ASSERT_TRUE(RunGraphPropertySheet(nullptr, 1, true, values));
    EXPECT_EQ(shown[0], L" 32.0");
    EXPECT_EQ(shown[1], L" 86.0");
    EXPECT_EQ(shown[2], L"  9.0");
    EXPECT_EQ(values.scale, (ValueScale{0, 30, 5}));
}

TEST_F(GraphPropertySheet, AutoModeStoresTheRoundedFields) {
    GraphSheetValues values;
    values.scale = {20.04f, 10.0f, 0.26f};
    DialogAnswer answer(L"Graph properties", [&](HWND sheet) {
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(Page(sheet), 1016)));
        PressButton(sheet, PSBTN_OK);
    });
    ASSERT_TRUE(RunGraphPropertySheet(nullptr, 3, true, values));
    EXPECT_EQ(values.scale, (ValueScale{20.0f, 10.0f, 0.3f}));
}

TEST_F(GraphPropertySheet, RangeMessageKeepsTheSheetOpenAndCancelKeepsValues) {
    GraphSheetValues values;
    values.scale = {0, 30, 5};
    values.scaleMode = 0;
    HWND sheetWindow = nullptr;
    std::wstring text, caption;
    DialogAnswer answer(L"Graph properties", [&](HWND sheet) {
        sheetWindow = sheet;
        HWND page = Page(sheet);
        ::SendMessageW(::GetDlgItem(page, 1015), BM_CLICK, 0, 0);
        ::SetDlgItemTextW(page, 1016, L"-41");
        ::SetDlgItemTextW(page, 1017, L"-0");  // refused: the shown 86.0 stays and is checked
        PressButton(sheet, PSBTN_OK);
    });
    answer.Then(L"Y scale error", [&](HWND box) {
        text = WindowText(::GetDlgItem(box, 0xFFFF));
        caption = WindowText(box);
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        PressButton(sheetWindow, PSBTN_CANCEL);
    });
    EXPECT_FALSE(RunGraphPropertySheet(nullptr, 1, true, values));
    EXPECT_TRUE(answer.Answered());
    EXPECT_EQ(text, L"Scale values should be in the range of -40 to 80 degrees Fahrenheit");
    EXPECT_EQ(caption, L"Y scale error");
    EXPECT_EQ(values.scale, (ValueScale{0, 30, 5}));
    EXPECT_EQ(values.scaleMode, 0);
}

TEST_F(GraphPropertySheet, OnlyOpenedPagesGiveBackTheirControls) {
    GraphSheetValues values;
    values.traceStyle = 255;
    values.majorXGrid = 5;
    values.minorXGrid = 1;
    values.majorYGrid = 0;
    {  // Pages never shown give back what they received.
        DialogAnswer answer(L"Graph properties", [&](HWND sheet) { PressButton(sheet, PSBTN_OK); });
        ASSERT_TRUE(RunGraphPropertySheet(nullptr, 1, false, values));
        EXPECT_EQ(values.traceStyle, 255);
        EXPECT_EQ(values.majorXGrid, 5);
    }
    LRESULT selection = 0;
    UINT majorShown = 9;
    DialogAnswer answer(L"Graph properties", [&](HWND sheet) {
        ShowPage(sheet, 1);
        selection = ::SendDlgItemMessageW(Page(sheet), 1022, CB_GETCURSEL, 0, 0);
        ShowPage(sheet, 2);
        majorShown = ::IsDlgButtonChecked(Page(sheet), 1024);
        PressButton(sheet, PSBTN_OK);
    });
    ASSERT_TRUE(RunGraphPropertySheet(nullptr, 1, false, values));
    EXPECT_EQ(selection, CB_ERR);
    EXPECT_EQ(majorShown, BST_UNCHECKED);
    EXPECT_EQ(values.traceStyle, -1);
    EXPECT_EQ(values.majorXGrid, 0);
    EXPECT_EQ(values.minorXGrid, 1);
    EXPECT_EQ(values.majorYGrid, 0);
}
}  // namespace
