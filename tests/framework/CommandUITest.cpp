#include <gtest/gtest.h>

#include "DataExchange.h"
#include "ToolBar.h"
#include "UpdateUI.h"

namespace {
// A popup menu with three items: 10 (menu and toolbar), 11 (toolbar only), 12 (not in the table).
struct MenuAndToolBar {
    MenuAndToolBar() {
        menu = ::CreatePopupMenu();
        ::AppendMenuW(menu, MF_STRING, 10, L"Ten");
        ::AppendMenuW(menu, MF_STRING, 11, L"Eleven");
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(menu, MF_STRING, 12, L"Twelve");
        parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
        toolbar = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, WS_CHILD, 0, 0, 100, 30, parent, nullptr, nullptr,
                                    nullptr);
        ::SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        TBBUTTON buttons[2] = {{I_IMAGENONE, 10, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
                               {I_IMAGENONE, 11, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0}};
        ::SendMessageW(toolbar, TB_ADDBUTTONSW, 2, reinterpret_cast<LPARAM>(buttons));
    }
    ~MenuAndToolBar() {
        ::DestroyWindow(parent);
        ::DestroyMenu(menu);
    }
    UINT MenuState(UINT id) const { return ::GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED); }
    LRESULT ButtonState(UINT id) const { return ::SendMessageW(toolbar, TB_GETSTATE, id, 0); }

    HMENU menu;
    HWND parent;
    HWND toolbar;
};
}  // namespace

TEST(UpdateUI, StatesReachOnlyThePlacesTheCommandIsShownIn) {
    MenuAndToolBar ui;
    UpdateUI update;
    update.UIAddCommand(10, UpdateUI::kMenu | UpdateUI::kToolBar);
    update.UIAddCommand(11, UpdateUI::kToolBar);
    update.UIAddToolBar(ui.toolbar);

    update.UIEnable(10, false);
    update.UISetCheck(10, true);
    update.UIEnable(11, false);
    update.UIEnable(12, false);  // not in the table: ignored
    update.UIUpdateMenu(ui.menu);
    update.UIUpdateToolBars();

    EXPECT_EQ(ui.MenuState(10), static_cast<UINT>(MF_GRAYED | MF_CHECKED));
    EXPECT_EQ(ui.MenuState(11), 0u);  // toolbar only: the menu item keeps its state
    EXPECT_EQ(ui.MenuState(12), 0u);
    EXPECT_FALSE(ui.ButtonState(10) & TBSTATE_ENABLED);
    EXPECT_TRUE(ui.ButtonState(10) & TBSTATE_CHECKED);
    EXPECT_FALSE(ui.ButtonState(11) & TBSTATE_ENABLED);
    EXPECT_TRUE(update.UIGetState(12).enabled);

    update.UIEnable(10, true);
    update.UISetCheck(10, false);
    update.UIUpdateMenu(ui.menu);
    update.UIUpdateToolBars();
    EXPECT_EQ(ui.MenuState(10), 0u);
    EXPECT_TRUE(ui.ButtonState(10) & TBSTATE_ENABLED);
    EXPECT_FALSE(ui.ButtonState(10) & TBSTATE_CHECKED);
}

TEST(RadioGroup, RunsFromItsFirstButtonToTheNextGroupAndCountsOnlyRadioButtons) {
    HWND dialog = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
    auto add = [&](int id, DWORD style) {
        ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | style, 0, 0, 10, 10, dialog,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    };
    add(100, BS_AUTORADIOBUTTON | WS_GROUP);
    add(101, BS_PUSHBUTTON);  // not a radio button: not counted
    add(102, BS_AUTORADIOBUTTON);
    add(200, BS_AUTORADIOBUTTON | WS_GROUP);  // the next group

    EXPECT_EQ(GetRadioIndex(dialog, 100), -1);
    SetRadioIndex(dialog, 100, 1);
    EXPECT_EQ(GetRadioIndex(dialog, 100), 1);
    EXPECT_EQ(::SendMessageW(::GetDlgItem(dialog, 102), BM_GETCHECK, 0, 0), BST_CHECKED);
    SetRadioIndex(dialog, 100, 0);
    EXPECT_EQ(GetRadioIndex(dialog, 100), 0);
    EXPECT_EQ(::SendMessageW(::GetDlgItem(dialog, 102), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(::SendMessageW(::GetDlgItem(dialog, 200), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    ::DestroyWindow(dialog);
}

TEST(CommandBar, FindsPopupsByTheirMnemonic) {
    HMENU menu = ::CreateMenu();
    for (const wchar_t* text : {L"&File", L"E&dit", L"Fish && &Chips", L"&zoom", L"View"})
        ::AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(::CreatePopupMenu()), text);
    struct {
        wchar_t letter;
        int index;
    } cases[] = {{L'F', 0}, {L'f', 0}, {L'D', 1}, {L'E', -1}, {L'C', 2}, {L'Z', 3}, {L'V', -1}};
    for (const auto& c : cases) EXPECT_EQ(FindMnemonic(menu, c.letter), c.index) << static_cast<char>(c.letter);
    ::DestroyMenu(menu);
}
