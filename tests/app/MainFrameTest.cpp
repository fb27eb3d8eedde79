#include <gtest/gtest.h>

#include "FilePrinter.h"
#include "AboutDlg.h"
#include "FakeServer.h"
#include "MainFrame.h"
#include "MyAppModule.h"
#include "SettingsStore.h"
#include "TestSupport.h"
#include "Units.h"

namespace {
// A main frame made with the program's own resources (from ksv_res.dll), never shown.
class MainFrame : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_resources.Loaded());
        DeleteProductKey();
        m_frame.Views().SetServerFactory(MakeEmptyFakeServer);
    }
    void TearDown() override {
        if (m_frame.IsWindow()) m_frame.DestroyWindow();
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}  // the frame's WM_QUIT and posts
        g_bFahrenheit = 0;
        DeleteProductKey();
    }
    void Create() { ASSERT_TRUE(m_frame.CreateEx(IDR_MAINFRAME)); }
    UINT BandId(int index) {
        REBARBANDINFOW band{};
        band.cbSize = sizeof(band);
        band.fMask = RBBIM_ID;
        ::SendMessageW(m_frame.ReBar(), RB_GETBANDINFOW, index, reinterpret_cast<LPARAM>(&band));
        return band.wID;
    }
    bool BandShown(int index) {
        REBARBANDINFOW band{};
        band.cbSize = sizeof(band);
        band.fMask = RBBIM_STYLE;
        ::SendMessageW(m_frame.ReBar(), RB_GETBANDINFOW, index, reinterpret_cast<LPARAM>(&band));
        return !(band.fStyle & RBBS_HIDDEN);
    }

    ProgramResources m_resources;
    CMainFrame m_frame;
};
}  // namespace

TEST_F(MainFrame, ReadsTheUnitAtCreationAndWritesItBackNormalisedAtClose) {
    WriteSettingDword(L"Options", L"Unit", 7);
    Create();
    EXPECT_EQ(g_bFahrenheit, 1);
    m_frame.SendMessage(WM_CLOSE);
    EXPECT_FALSE(m_frame.IsWindow());
    EXPECT_EQ(ReadSettingDword(L"Options", L"Unit", -1), 1);
}

TEST_F(MainFrame, StartsInCelsiusOnACleanAccountAndStoresZero) {
    g_bFahrenheit = 1;
    Create();
    EXPECT_EQ(g_bFahrenheit, 0);
    m_frame.SendMessage(WM_CLOSE);
    EXPECT_EQ(ReadSettingDword(L"Options", L"Unit", -1), 0);
}

TEST_F(MainFrame, HidingAndShowingTheToolbarKeepsTheBandOrder) {
    Create();
    ASSERT_EQ(::SendMessageW(m_frame.ReBar(), RB_GETBANDCOUNT, 0, 0), 2);
    EXPECT_EQ(BandId(0), kCommandBarBand);
    EXPECT_EQ(BandId(1), kToolBarBand);

    m_frame.SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
    EXPECT_FALSE(BandShown(1));
    EXPECT_FALSE(m_frame.UIGetState(ID_VIEW_TOOLBAR).checked);
    m_frame.SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
    EXPECT_TRUE(BandShown(1));
    EXPECT_TRUE(m_frame.UIGetState(ID_VIEW_TOOLBAR).checked);
    EXPECT_EQ(BandId(0), kCommandBarBand);
    EXPECT_EQ(BandId(1), kToolBarBand);
}

TEST_F(MainFrame, TakesOverTheMenuAndShowsReady) {
    Create();
    EXPECT_EQ(::GetMenu(m_frame), nullptr);  // the command bar shows it
    wchar_t text[64] = {};
    ::SendMessageW(m_frame.StatusBar(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"Ready");
    EXPECT_EQ(m_frame.SendMessage(WM_HELPHITTEST), 128);
    EXPECT_EQ(::GetWindowContextHelpId(m_frame), 128u);
}

TEST_F(MainFrame, ViewCommandsWithoutAnActiveViewDoNothingAndAreDisabled) {
    Create();
    m_frame.OnIdle(0);
    for (UINT id : {2000u, 2011u, static_cast<UINT>(ID_GRAPH_PROPERTIES), static_cast<UINT>(ID_FILE_EXPORT),
                    static_cast<UINT>(ID_SENSOR_PROPERTIES)})
        EXPECT_FALSE(m_frame.UIGetState(id).enabled) << id;
    EXPECT_TRUE(m_frame.UIGetState(ID_EDIT_COPY).enabled);  // copy stays enabled
    EXPECT_EQ(::SendMessageW(m_frame.ToolBar(), TB_GETSTATE, ID_GRAPH_PROPERTIES, 0) & TBSTATE_ENABLED, 0);
    for (UINT id : {2003u, static_cast<UINT>(ID_EDIT_COPY), static_cast<UINT>(ID_FILE_EXPORT)})
        EXPECT_EQ(m_frame.SendMessage(WM_COMMAND, id), 0);
}

TEST_F(MainFrame, AboutBoxShowsTheVersionBuildAndServerLines) {
    CAboutDlg about;
    about.m_serverLine = L"Could not connect to server (Class not registered, 80040154)";
    std::wstring version, server, link;
    DialogAnswer answer(L"About Kestrova", [&](HWND box) {
        version = WindowText(::GetDlgItem(box, 1040));
        server = WindowText(::GetDlgItem(box, 1041));
        link = WindowText(::GetDlgItem(box, 139));
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(about.DoModal(nullptr), IDOK);
    std::wstring expected = L"Kestrova version 1.7 x64\r\nBuild ";
    EXPECT_EQ(version.substr(0, expected.size()), expected);
    EXPECT_EQ(version.size(), expected.size() + 11);  // "Mmm dd yyyy"
    EXPECT_EQ(server, about.m_serverLine);
    EXPECT_EQ(link, L"https://kestrova.example/");
}

// Icons from a resource library are never shared: each box's icon is its own and goes with it.
TEST_F(MainFrame, AboutBoxesFreeTheirIcon) {
    HICON shown = nullptr;
    CAboutDlg about;
    DialogAnswer answer(L"About Kestrova", [&](HWND box) {
        for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                shown = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
        ICONINFO info{};
        EXPECT_TRUE(::GetIconInfo(shown, &info));
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    about.DoModal(nullptr);
    ASSERT_NE(shown, nullptr);
    ICONINFO info{};
    EXPECT_FALSE(::GetIconInfo(shown, &info));
}

namespace {
void Pump() {
    MSG msg;
    for (int i = 0; i < 500 && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// A view window that records the commands it gets.
class RecordingView : public Window<RecordingView> {
public:
    DECLARE_WND_CLASS_EX(L"KV_TestRecordingView", 0, COLOR_WINDOW)
    BEGIN_MSG_MAP(RecordingView)
        MESSAGE_HANDLER(WM_COMMAND, OnCommand)
    END_MSG_MAP()
    LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL&) {
        commands.push_back(LOWORD(wParam));
        return 0;
    }
    std::vector<WORD> commands;
};

bool HeldAtSide(CMainFrame& frame, HWND view, int side) {
    DockSplitTab::SplitPane* split = frame.Dock().DockSplitPane(side);
    return split && split->HoldsView(view);
}
}  // namespace

TEST_F(MainFrame, TheListDocksLeftAtFirstAndComesBackFloatingWhereItWasLeft) {
    Create();
    m_frame.ShowWindow(SW_SHOWNOACTIVATE);
    Pump();  // the posted list toggle
    HWND list = m_frame.SensorList();
    EXPECT_TRUE(HeldAtSide(m_frame, list, DockSplitTab::SideLeft));
    m_frame.OnIdle(0);
    EXPECT_TRUE(m_frame.UIGetState(ID_VIEW_SENSORLIST).checked);

    m_frame.Dock().DockCommand(list);
    Pump();
    auto floats = m_frame.Dock().FloatFrames();
    ASSERT_EQ(floats.size(), 1u);
    RECT floatedAt{};
    ::GetWindowRect(*floats[0], &floatedAt);
    m_frame.SendMessage(WM_CLOSE);
    Pump();

    CMainFrame restarted;
    restarted.Views().SetServerFactory(MakeEmptyFakeServer);
    ASSERT_TRUE(restarted.CreateEx(IDR_MAINFRAME));
    restarted.ShowWindow(SW_SHOWNOACTIVATE);
    Pump();
    floats = restarted.Dock().FloatFrames();
    ASSERT_EQ(floats.size(), 1u);
    EXPECT_TRUE(floats[0]->Split()->HoldsView(restarted.SensorList()));
    RECT again{};
    ::GetWindowRect(*floats[0], &again);
    EXPECT_TRUE(::EqualRect(&again, &floatedAt));
    restarted.DestroyWindow();
    Pump();
}

TEST_F(MainFrame, TheListToggleHidesTheFrontListAndBringsItBack) {
    Create();
    m_frame.ShowWindow(SW_SHOWNOACTIVATE);
    Pump();
    HWND list = m_frame.SensorList();
    ASSERT_TRUE(m_frame.IsClientViewAttached(list));

    m_frame.SendMessage(WM_COMMAND, ID_VIEW_SENSORLIST);
    EXPECT_FALSE(m_frame.IsClientViewAttached(list));
    EXPECT_FALSE(m_frame.UIGetState(ID_VIEW_SENSORLIST).checked);

    m_frame.SendMessage(WM_COMMAND, ID_VIEW_SENSORLIST);
    EXPECT_TRUE(HeldAtSide(m_frame, list, DockSplitTab::SideLeft));
    EXPECT_TRUE(m_frame.UIGetState(ID_VIEW_SENSORLIST).checked);

    // Through the views' interface: hidden, then shown again where it was.
    EXPECT_FALSE(m_frame.ToggleClientView(list));
    EXPECT_FALSE(m_frame.IsClientViewShown(list));
    EXPECT_TRUE(m_frame.ToggleClientView(list));
    EXPECT_TRUE(m_frame.IsClientViewShown(list));
}

TEST_F(MainFrame, ViewCommandsGoToTheActiveViewAndEnableWithAGraph) {
    Create();
    m_frame.ShowWindow(SW_SHOWNOACTIVATE);
    Pump();
    RecordingView graph;
    ASSERT_TRUE(graph.Create(m_frame, nullptr, L"graph", WS_CHILD));
    DockSplitTab::ClientView view(graph, L"Room 1", L"Room 1");
    m_frame.Dock().AddView(&view);
    ASSERT_EQ(m_frame.ActiveViewWindow(), static_cast<HWND>(graph));

    for (UINT id : {2003u, 2011u, static_cast<UINT>(ID_GRAPH_PROPERTIES), static_cast<UINT>(ID_FILE_EXPORT),
                    static_cast<UINT>(ID_EDIT_COPY), static_cast<UINT>(ID_SENSOR_PROPERTIES)})
        m_frame.SendMessage(WM_COMMAND, id);
    EXPECT_EQ(graph.commands, (std::vector<WORD>{2003, 2011, ID_GRAPH_PROPERTIES, ID_FILE_EXPORT, ID_EDIT_COPY,
                                                 ID_SENSOR_PROPERTIES}));
    m_frame.OnIdle(0);
    EXPECT_TRUE(m_frame.UIGetState(2000).enabled);
    EXPECT_TRUE(m_frame.UIGetState(ID_GRAPH_PROPERTIES).enabled);
    EXPECT_TRUE(m_frame.UIGetState(ID_FILE_EXPORT).enabled);

    // With the list active the graph commands are disabled again.
    m_frame.ActivateClientView(m_frame.SensorList());
    m_frame.Dock().HideView(graph);
    m_frame.OnIdle(0);
    EXPECT_FALSE(m_frame.UIGetState(2000).enabled);
    EXPECT_FALSE(m_frame.UIGetState(ID_FILE_EXPORT).enabled);
    m_frame.DestroyWindow();  // before the view it still knows goes away
}

namespace {
// A printable view of the frame's table that records what it is asked to print.
class PrintableView : public DockSplitTab::ClientView {
public:
    using ClientView::ClientView;
    bool CanPrint() const override { return true; }
    bool Print(HDC dc, const RECT&, UINT options) override {
        mapMode = ::GetMapMode(dc);
        this->options = options;
        return true;
    }
    int mapMode = 0;
    UINT options = 99;
};
}  // namespace

namespace {
// Shows the frame with one printable view, active, in its table and layout.
PrintableView* ShowWithPrintableView(CMainFrame& frame, RecordingView& window) {
    frame.ShowWindow(SW_SHOWNOACTIVATE);
    Pump();
    if (!window.Create(frame, nullptr, L"graph", WS_CHILD)) return nullptr;
    auto* view = static_cast<PrintableView*>(
        frame.Views().AddView(std::make_unique<PrintableView>(window, L"Room 1", L"Room 1")));
    frame.Dock().AddView(view);
    return view;
}
}  // namespace

TEST_F(MainFrame, PrintsOnlyTheActiveViewOfItsTableOnPageZeroIntoThePrintableArea) {
    Create();
    RecordingView window;
    PrintableView* view = ShowWithPrintableView(m_frame, window);
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(m_frame.ActiveViewWindow(), static_cast<HWND>(window));
    m_frame.OnIdle(0);
    EXPECT_TRUE(m_frame.UIGetState(ID_FILE_PRINT).enabled);
    EXPECT_TRUE(m_frame.IsValidPage(0));
    EXPECT_FALSE(m_frame.IsValidPage(1));

    MemoryDC dc{nullptr};
    const int state = ::SaveDC(dc);
    m_frame.PrePrintPage(0, dc);
    EXPECT_TRUE(m_frame.PrintPage(0, dc));
    m_frame.PostPrintPage(0, dc);
    EXPECT_EQ(view->mapMode, MM_TWIPS);
    EXPECT_EQ(view->options, 0u);
    EXPECT_EQ(::GetMapMode(dc), MM_TEXT);  // the state before the page is back
    ::RestoreDC(dc, state);

    // The list cannot print: nothing to print and no page.
    m_frame.ActivateClientView(m_frame.SensorList());
    m_frame.Dock().HideView(window);
    m_frame.OnIdle(0);
    EXPECT_FALSE(m_frame.UIGetState(ID_FILE_PRINT).enabled);
    EXPECT_FALSE(m_frame.IsValidPage(0));
    EXPECT_FALSE(m_frame.PrintPage(0, dc));
    m_frame.DestroyWindow();
}

TEST_F(MainFrame, TheOptionsDialogSwitchesTheUnitOnlyWhenConfirmed) {
    Create();
    struct {
        int before, pick, button, shown, after;
    } cases[] = {
        {0, 1, IDOK, 0, 1},      // Celsius to Fahrenheit
        {1, 0, IDCANCEL, 1, 1},  // cancelled: unchanged
        {1, 0, IDOK, 1, 0},
    };
    for (const auto& c : cases) {
        g_bFahrenheit = c.before;
        int shown = -2;
        // Records which unit the dialog shows, picks one and presses the button.
        DialogAnswer answer(L"Kestrova options", [&](HWND box) {
            shown = ::IsDlgButtonChecked(box, 1042) == BST_CHECKED   ? 1
                    : ::IsDlgButtonChecked(box, 1041) == BST_CHECKED ? 0
                                                                     : -1;
            ::CheckRadioButton(box, 1041, 1042, c.pick == 1 ? 1042 : 1041);
            ::PostMessageW(box, WM_COMMAND, c.button, 0);
        });
        m_frame.SendMessage(WM_COMMAND, ID_VIEW_OPTIONS);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(g_bFahrenheit, c.after);
    }
    // The new unit is stored only when the frame closes.
    EXPECT_EQ(ReadSettingDword(L"Options", L"Unit", -1), -1);
}

namespace {
std::vector<UINT> MenuIds(HMENU menu) {
    std::vector<UINT> ids;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) ids.push_back(::GetMenuItemID(menu, i));
    return ids;
}
}  // namespace

TEST_F(MainFrame, PreviewCommandsDoNothingWithoutAPreviewOrAPrintableView) {
    Create();
    m_frame.ShowWindow(SW_SHOWNOACTIVATE);
    Pump();  // the list is shown and active
    const HWND client = m_frame.m_hWndClient;
    const HMENU menu = m_frame.MenuBar();
    m_frame.SendMessage(WM_COMMAND, ID_PREVIEW_CLOSE);
    EXPECT_EQ(m_frame.m_hWndClient, client);
    EXPECT_EQ(m_frame.MenuBar(), menu);
    EXPECT_EQ(::SendMessageW(m_frame.ReBar(), RB_GETBANDCOUNT, 0, 0), 2);
    EXPECT_TRUE(BandShown(1));

    m_frame.OnIdle(0);
    EXPECT_FALSE(m_frame.UIGetState(ID_FILE_PRINT_PREVIEW).enabled);
    m_frame.SendMessage(WM_COMMAND, ID_FILE_PRINT_PREVIEW);
    EXPECT_EQ(m_frame.Preview(), nullptr);
    EXPECT_EQ(m_frame.m_hWndClient, client);
}

TEST_F(MainFrame, ThePreviewTakesTheClientMenuAndToolbarOfTheDefaultPrinterAndGivesThemBack) {
    TempFolder folder;
    FilePrinter installed(L"Kestrova Frame PS", folder.File(L"frame.ps"), /*makeDefault=*/true);
    ASSERT_TRUE(installed.IsDefault()) << ::GetLastError();
    Create();
    RecordingView window;
    PrintableView* view = ShowWithPrintableView(m_frame, window);
    ASSERT_NE(view, nullptr);
    const HWND dock = m_frame.m_hWndClient;

    m_frame.SendMessage(WM_COMMAND, ID_FILE_PRINT_PREVIEW);
    ZoomPrintPreviewWindow* preview = m_frame.Preview();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(m_frame.m_hWndClient, static_cast<HWND>(*preview));
    EXPECT_TRUE(::IsWindowVisible(*preview));
    EXPECT_FALSE(::IsWindowVisible(dock));
    EXPECT_EQ(preview->Paper().width, 2479);  // the default printer's A4 at 300 dpi
    preview->RenderIfNeeded();
    EXPECT_EQ(view->mapMode, MM_TWIPS);  // the page came from the active view
    ASSERT_EQ(::GetMenuItemCount(m_frame.MenuBar()), 1);
    EXPECT_EQ(MenuIds(::GetSubMenu(m_frame.MenuBar(), 0)),
              (std::vector<UINT>{ID_PREVIEW_CLOSE, 0, ID_FILE_PRINT_SETUP, ID_FILE_PRINT}));
    ASSERT_EQ(::SendMessageW(m_frame.ReBar(), RB_GETBANDCOUNT, 0, 0), 3);
    EXPECT_FALSE(BandShown(1));
    EXPECT_EQ(BandId(2), kPreviewToolBarBand);
    m_frame.OnIdle(0);
    EXPECT_TRUE(m_frame.UIGetState(ID_FILE_PRINT).enabled);
    EXPECT_TRUE(m_frame.UIGetState(ID_FILE_PRINT_PREVIEW).enabled);
    // Asked again while it is shown, it stays the one preview.
    m_frame.SendMessage(WM_COMMAND, ID_FILE_PRINT_PREVIEW);
    EXPECT_EQ(m_frame.Preview(), preview);
    // Landscape paper chosen in printer setup shows at once.
    Printer printer;
    ASSERT_TRUE(printer.OpenDefault());
    DevMode portrait = printer.CurrentDevMode();
    ASSERT_FALSE(portrait.Empty());
    std::vector<BYTE> bytes(reinterpret_cast<const BYTE*>(portrait.Get()),
                            reinterpret_cast<const BYTE*>(portrait.Get()) + portrait.Get()->dmSize +
                                portrait.Get()->dmDriverExtra);
    auto* landscape = reinterpret_cast<DEVMODEW*>(bytes.data());
    landscape->dmFields |= DM_ORIENTATION;
    landscape->dmOrientation = DMORIENT_LANDSCAPE;
    m_frame.TakePageSetup(PrinterChoice{DevMode(landscape, bytes.size()), printer.Names(), RECT{}});
    EXPECT_EQ(m_frame.Preview(), preview);
    preview->RenderIfNeeded();
    EXPECT_EQ(preview->Paper().width, 3508);

    m_frame.SendMessage(WM_COMMAND, ID_PREVIEW_CLOSE);
    EXPECT_EQ(m_frame.Preview(), nullptr);
    EXPECT_EQ(m_frame.m_hWndClient, dock);
    EXPECT_TRUE(::IsWindowVisible(dock));
    EXPECT_EQ(::GetMenuItemCount(m_frame.MenuBar()), 5);
    REBARBANDINFOW menuBand{};
    menuBand.cbSize = sizeof menuBand;
    menuBand.fMask = RBBIM_CHILD;
    ::SendMessageW(m_frame.ReBar(), RB_GETBANDINFOW, 0, reinterpret_cast<LPARAM>(&menuBand));
    EXPECT_EQ(::SendMessageW(menuBand.hwndChild, TB_BUTTONCOUNT, 0, 0), 5);  // one button per popup
    EXPECT_EQ(::SendMessageW(m_frame.ToolBar(), TB_COMMANDTOINDEX, ID_FILE_PRINT_PREVIEW, 0), 5);
    ASSERT_EQ(::SendMessageW(m_frame.ReBar(), RB_GETBANDCOUNT, 0, 0), 2);
    EXPECT_TRUE(BandShown(1));
    EXPECT_EQ(BandId(1), kToolBarBand);

    // With the toolbar switched off, closing the preview leaves it off; the frame goes with a
    // preview open.
    m_frame.SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
    m_frame.SendMessage(WM_COMMAND, ID_FILE_PRINT_PREVIEW);
    ASSERT_NE(m_frame.Preview(), nullptr);
    m_frame.SendMessage(WM_COMMAND, ID_PREVIEW_CLOSE);
    EXPECT_FALSE(BandShown(1));
    m_frame.SendMessage(WM_COMMAND, ID_FILE_PRINT_PREVIEW);
    ASSERT_NE(m_frame.Preview(), nullptr);
    m_frame.DestroyWindow();
}
