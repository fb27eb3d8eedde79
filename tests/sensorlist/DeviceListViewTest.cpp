#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DeviceListView.h"
#include "GraphView.h"
#include "LocalTime.h"
#include "MyAppModule.h"
#include "SensorListText.h"
#include "SettingsStore.h"
#include "Startup.h"
#include "TestSupport.h"
#include "Units.h"

namespace {
// Records what the list asks of the main frame.
struct RecordingListener : ClientViewListener {
    struct Call {
        std::string what;
        HWND view;
    };
    std::vector<Call> calls;
    bool attached = true;

    DockSplitTab::ClientView* FindClientView(HWND) override { return nullptr; }
    bool ToggleClientView(HWND view) override { return Record("Toggle", view), false; }
    bool IsClientViewShown(HWND) override { return true; }
    bool ActivateClientView(HWND view) override { return Record("Activate", view), true; }
    bool IsClientViewAttached(HWND view) override { return Record("IsAttached", view), attached; }
    void DockClientView(HWND) override {}
    void ClientViewRenamed(HWND view, const std::wstring&) override { Record("Renamed", view); }
    void CloseClientView(HWND view) override { Record("Close", view); }
    void Record(const char* what, HWND view) { calls.push_back({what, view}); }
};

constexpr double kNoon = 46000.5;  // 9 December 2025, 12:00 UTC

// A sensor list as the main frame holds it, under a plain parent window, with the program's
// resources and a clean settings key.
class DeviceList : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_resources.Loaded());
        g_Module.LoadUnitNames();
        DeleteProductKey();
        g_nCommonControlsVersion = kComCtlSortArrows;
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&controls);
        m_parent = ::CreateWindowExW(0, L"STATIC", L"parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 500, 300,
                                     nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_parent, nullptr);
        CreateList();
    }
    void TearDown() override {
        ::DestroyWindow(m_parent);  // the list and the graphs store their settings here
        m_list.reset();
        m_graphs.clear();
        g_bFahrenheit = 0;
        DeleteProductKey();
    }
    void CreateList() {
        m_list = std::make_unique<CDeviceListView>(&m_listener, g_Module);
        ASSERT_NE(m_list->CreateListWindow(m_parent), nullptr);
        ::SetWindowPos(*m_list, nullptr, 0, 0, 400, 200, SWP_NOZORDER);
    }
    // A graph without a sensor, named "Device <id>".
    CGraphView* Graph(int id, int type) {
        m_graphs.push_back(std::make_unique<CGraphView>(&m_listener, nullptr));
        m_graphs.back()->CreateGraphWindow(m_parent, id, type);
        return m_graphs.back().get();
    }
    HWND ListControl() const { return m_list->List(); }
    int Rows() const { return static_cast<int>(::SendMessageW(ListControl(), LVM_GETITEMCOUNT, 0, 0)); }
    std::wstring Text(int row, int column) const { return ListItemText(ListControl(), row, column); }
    std::vector<std::wstring> Column(int column) const {
        std::vector<std::wstring> texts;
        for (int row = 0; row < Rows(); ++row) texts.push_back(Text(row, column));
        return texts;
    }
    int Image(int row) const {
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        ::SendMessageW(ListControl(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        return item.iImage;
    }
    // A click on a column heading, as the header reports it to the list control.
    void ClickHeading(int column) {
        HWND header = reinterpret_cast<HWND>(::SendMessageW(ListControl(), LVM_GETHEADER, 0, 0));
        NMHEADERW click{};
        click.hdr = {header, static_cast<UINT_PTR>(::GetDlgCtrlID(header)), HDN_ITEMCLICKW};
        click.iItem = column;
        ::SendMessageW(ListControl(), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
    }
    int HeadingFormat(int column) const {
        HDITEMW item{};
        item.mask = HDI_FORMAT | HDI_BITMAP;
        ::SendMessageW(reinterpret_cast<HWND>(::SendMessageW(ListControl(), LVM_GETHEADER, 0, 0)), HDM_GETITEMW, column,
                       reinterpret_cast<LPARAM>(&item));
        m_headingBitmap = item.hbm;
        return item.fmt;
    }
    void Select(int row) {
        LVITEMW state{};
        state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageW(ListControl(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    }
    POINT RowPointOnScreen(int row) const {
        RECT rc{LVIR_LABEL};
        ::SendMessageW(ListControl(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rc));
        POINT pt{rc.left + 5, (rc.top + rc.bottom) / 2};
        ::ClientToScreen(ListControl(), &pt);
        return pt;
    }
    LRESULT ContextMenuAt(POINT pt) {
        return ::SendMessageW(*m_list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(ListControl()),
                              MAKELPARAM(pt.x, pt.y));
    }

    ProgramResources m_resources;
    HWND m_parent = nullptr;
    RecordingListener m_listener;
    std::vector<std::unique_ptr<CGraphView>> m_graphs;
    std::unique_ptr<CDeviceListView> m_list;
    mutable HBITMAP m_headingBitmap = nullptr;
};

using Texts = std::vector<std::wstring>;
}  // namespace

TEST_F(DeviceList, MakesItsListControlWithColumnsIconsAndHelpContext) {
    wchar_t className[64] = {};
    ::GetClassNameW(*m_list, className, 64);
    EXPECT_STREQ(className, L"KV_DeviceListView");
    EXPECT_EQ(::GetDlgCtrlID(ListControl()), 0);
    HWND header = reinterpret_cast<HWND>(::SendMessageW(ListControl(), LVM_GETHEADER, 0, 0));
    ASSERT_EQ(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 3);
    const wchar_t* headings[] = {L"Name", L"Time", L"Value"};
    for (int i = 0; i < 3; ++i) {
        wchar_t text[32] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = 32;
        ::SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(text, headings[i]);
    }
    auto icons = reinterpret_cast<HIMAGELIST>(::SendMessageW(ListControl(), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    EXPECT_EQ(::ImageList_GetImageCount(icons), 6);

    EXPECT_EQ(m_list->SendMessage(0x0366), 129);
    m_list->SendMessage(WM_CLOSE);
    EXPECT_TRUE(m_list->IsWindow());
}

TEST_F(DeviceList, ResourcesHoldTheMenuSortMarksAndSignalIcons) {
    struct {
        UINT id;
        int width, height;
    } bitmaps[] = {{IDB_SORT_UP, 7, 6}, {IDB_SORT_DOWN, 7, 6}, {IDB_SIGNAL_ICONS, 72, 12}};
    for (auto b : bitmaps) {
        Bitmap bitmap(static_cast<HBITMAP>(
            ::LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(b.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        ASSERT_TRUE(bitmap) << b.id;
        BITMAP info{};
        ::GetObjectW(bitmap, sizeof(info), &info);
        EXPECT_EQ(info.bmWidth, b.width) << b.id;
        EXPECT_EQ(info.bmHeight, b.height) << b.id;
        EXPECT_EQ(info.bmBitsPixel, 4) << b.id;
    }
    EXPECT_NE(CDeviceListView::SortUpBitmap(), nullptr);
    EXPECT_NE(CDeviceListView::SortDownBitmap(), nullptr);

    HMENU menu = ::LoadMenuW(ResourceInstance(), MAKEINTRESOURCEW(IDR_SENSOR_MENU));
    ASSERT_NE(menu, nullptr);
    HMENU popup = ::GetSubMenu(menu, 0);
    ASSERT_EQ(::GetMenuItemCount(popup), 3);
    UINT ids[] = {ID_SENSOR_PROPERTIES, ID_VIEW_HIDE, ID_SENSOR_REMOVE};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(::GetMenuItemID(popup, i), ids[i]);
    ::DestroyMenu(menu);
}

TEST_F(DeviceList, ARowShowsTheNameUntilItsFirstMeasurementThenTimeValueAndIcon) {
    CGraphView* graph = Graph(4, 1);
    m_list->AddDevice(graph);
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Text(0, 0), L"Device 4");
    EXPECT_EQ(Text(0, 1), L"");
    EXPECT_EQ(Text(0, 2), L"");
    EXPECT_EQ(Image(0), 0);
    m_list->UpdateDevice(graph);  // still no measurement: nothing to show
    EXPECT_EQ(Text(0, 1), L"");

    graph->AddLiveSample(kNoon, 21.46f, -45);
    m_list->UpdateDevice(graph);
    EXPECT_EQ(Text(0, 1), FormatDateTime(kNoon));
    EXPECT_NE(Text(0, 1), L"");
    EXPECT_EQ(Text(0, 2), L"+21.5 \u00B0C");
    EXPECT_EQ(Image(0), 5);

    g_bFahrenheit = 1;  // a change of unit refreshes every row without a measurement
    m_list->UpdateDevice(graph);
    EXPECT_EQ(Text(0, 2), L"+70.6 \u00B0F");

    graph->AddLiveSample(kNoon + 1.0 / 24, 5.0f, -75);
    m_list->UpdateDevice(graph);
    EXPECT_EQ(Text(0, 1), FormatDateTime(kNoon + 1.0 / 24));
    EXPECT_EQ(Text(0, 2), L"+41.0 \u00B0F");
    EXPECT_EQ(Image(0), 2);
}

TEST_F(DeviceList, ValueTextsCarryTheUnitOfEachType) {
    struct {
        int type;
        float value;
        float signal;
        const wchar_t* text;
        int image;
    } cases[] = {
        {2, 5.0f, -50, L" +5.0 \u00B0C", 5},  // a temperature with a signal level
        {3, 45.0f, 0, L"  45.0 RH%", 0},
        {4, 45.0f, -130, L"  45.0 RH%", 1},
        {5, 812.0f, 0, L" 812.0 ppm", 0},
        {6, 812.0f, -59.9f, L" 812.0 ppm", 4},
        {9, 3.0f, 0, L"   3.0 ", 0},
    };
    g_bFahrenheit = 0;
    for (const auto& c : cases) {
        CGraphView* graph = Graph(10 + c.type, c.type);
        graph->AddLiveSample(kNoon, c.value, c.signal);
        m_list->AddDevice(graph);  // a graph that already has a measurement shows it at once
        EXPECT_EQ(Text(0, 2), c.text) << c.type;
        EXPECT_EQ(Image(0), c.image) << c.type;
    }
    g_bFahrenheit = 1;  // type 2 takes the temperature unit too
    m_list->UpdateDevice(m_graphs[0].get());
    EXPECT_EQ(Text(m_list->FindDeviceRow(m_graphs[0].get()), 2), L"+41.0 \u00B0F");
}

TEST_F(DeviceList, RowsAreFoundAndRemovedByTheirGraph) {
    CGraphView* a = Graph(1, 1);
    CGraphView* b = Graph(2, 1);
    CGraphView* c = Graph(3, 1);
    for (CGraphView* g : {a, b, c}) m_list->AddDevice(g);
    EXPECT_EQ(Column(0), (Texts{L"Device 3", L"Device 2", L"Device 1"}));  // newest first
    EXPECT_EQ(m_list->FindDeviceRow(a), 2);
    EXPECT_EQ(m_list->FindDeviceRow(c), 0);

    m_list->RemoveDevice(b);
    EXPECT_EQ(Column(0), (Texts{L"Device 3", L"Device 1"}));
    EXPECT_EQ(m_list->FindDeviceRow(b), -1);
    m_list->RemoveDevice(b);  // no row: nothing happens
    b->AddLiveSample(kNoon, 1, 0);
    m_list->UpdateDevice(b);
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(m_list->FindDeviceRow(a), 1);

    // Once the window is gone the graphs have no rows, and renaming does nothing.
    m_list->DestroyWindow();
    EXPECT_EQ(m_list->FindDeviceRow(a), -1);
    m_list->UpdateDeviceName(a);
    m_list->UpdateDevice(a);
    m_list->RemoveDevice(a);
}

TEST_F(DeviceList, ValueSortPutsRowsWithoutValueLastAscendingAndFirstDescending) {
    struct {
        int id;
        float value;
    } sensors[] = {{1, 21.5f}, {2, -3.0f}, {3, 0}, {4, 5.0f}};
    for (auto s : sensors) {
        CGraphView* graph = Graph(s.id, 1);
        if (s.id != 3) graph->AddLiveSample(kNoon, s.value, 0);
        m_list->AddDevice(graph);
    }
    ClickHeading(2);
    EXPECT_EQ(m_list->SortColumn(), 2);
    EXPECT_EQ(m_list->SortDirection(), 1);
    EXPECT_EQ(Column(0), (Texts{L"Device 2", L"Device 4", L"Device 1", L"Device 3"}));
    ClickHeading(2);
    EXPECT_EQ(Column(0), (Texts{L"Device 3", L"Device 1", L"Device 4", L"Device 2"}));
    ClickHeading(2);  // unsorted: the last order stays
    EXPECT_EQ(m_list->SortDirection(), 0);
    EXPECT_EQ(Column(0), (Texts{L"Device 3", L"Device 1", L"Device 4", L"Device 2"}));
    ClickHeading(2);
    EXPECT_EQ(Column(0), (Texts{L"Device 2", L"Device 4", L"Device 1", L"Device 3"}));

    // Sorted by value, a new row and a new measurement find their places at once.
    CGraphView* added = Graph(5, 1);
    added->AddLiveSample(kNoon, 0.5f, 0);
    m_list->AddDevice(added);
    EXPECT_EQ(Column(0), (Texts{L"Device 2", L"Device 5", L"Device 4", L"Device 1", L"Device 3"}));
    m_graphs[1]->AddLiveSample(kNoon, 30.0f, 0);
    m_list->UpdateDevice(m_graphs[1].get());
    EXPECT_EQ(Column(0), (Texts{L"Device 5", L"Device 4", L"Device 1", L"Device 2", L"Device 3"}));
}

TEST_F(DeviceList, NameSortGoesByTextAndIsNotRepeatedOnMeasurements) {
    for (int id : {9, 10, 2}) m_list->AddDevice(Graph(id, 1));
    ClickHeading(1);  // another column first: the name column then starts ascending
    ClickHeading(0);
    EXPECT_EQ(m_list->SortDirection(), 1);
    EXPECT_EQ(Column(0), (Texts{L"Device 10", L"Device 2", L"Device 9"}));
    m_list->AddDevice(Graph(1, 1));  // a row added while sorted goes to its place
    EXPECT_EQ(Column(0), (Texts{L"Device 1", L"Device 10", L"Device 2", L"Device 9"}));

    std::wstring renamed = L"zulu";  // as a rename shows it: in place
    LVITEMW item{};
    item.pszText = renamed.data();
    ::SendMessageW(ListControl(), LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
    m_graphs[0]->AddLiveSample(kNoon, 1, 0);
    m_list->UpdateDevice(m_graphs[0].get());
    EXPECT_EQ(Column(0), (Texts{L"zulu", L"Device 10", L"Device 2", L"Device 9"}));
}

TEST_F(DeviceList, SortMarksFollowTheCommonControlsVersion) {
    g_nCommonControlsVersion = 0x60000;
    ClickHeading(2);
    EXPECT_EQ(HeadingFormat(2) & (HDF_SORTUP | HDF_SORTDOWN), HDF_SORTUP);
    ClickHeading(2);
    EXPECT_EQ(HeadingFormat(2) & (HDF_SORTUP | HDF_SORTDOWN), HDF_SORTDOWN);
    ClickHeading(0);
    EXPECT_EQ(HeadingFormat(2) & (HDF_SORTUP | HDF_SORTDOWN), 0);
    EXPECT_EQ(HeadingFormat(0) & (HDF_SORTUP | HDF_SORTDOWN), HDF_SORTUP);
    EXPECT_EQ(HeadingFormat(0) & HDF_STRING, HDF_STRING);  // the heading stays
    ClickHeading(0);
    ClickHeading(0);
    EXPECT_EQ(HeadingFormat(0) & (HDF_SORTUP | HDF_SORTDOWN), 0);

    g_nCommonControlsVersion = 0x50050;  // between 4.70 and 6.00: our bitmaps on the right
    const int bitmapFlags = HDF_BITMAP | HDF_BITMAP_ON_RIGHT;
    ClickHeading(1);
    EXPECT_EQ(HeadingFormat(1) & bitmapFlags, bitmapFlags);
    EXPECT_EQ(m_headingBitmap, CDeviceListView::SortUpBitmap());
    ClickHeading(1);
    EXPECT_EQ(HeadingFormat(1) & bitmapFlags, bitmapFlags);
    EXPECT_EQ(m_headingBitmap, CDeviceListView::SortDownBitmap());
    ClickHeading(2);
    EXPECT_EQ(HeadingFormat(1) & bitmapFlags, 0);
    EXPECT_EQ(HeadingFormat(2) & bitmapFlags, bitmapFlags);

    g_nCommonControlsVersion = 0x40000;  // too old for marks: the headings are left alone
    int before = HeadingFormat(0);
    ClickHeading(0);
    EXPECT_EQ(m_list->SortColumn(), 0);
    EXPECT_EQ(HeadingFormat(0), before);
}

TEST_F(DeviceList, ColumnWidthsAreStoredWhenTheListGoesAndReadBackNextTime) {
    const int defaults[] = {50, 80, 50}, stored[] = {120, 140, 75};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(::SendMessageW(ListControl(), LVM_GETCOLUMNWIDTH, i, 0), defaults[i]);
    ::SendMessageW(ListControl(), LVM_SETCOLUMNWIDTH, 0, 120);
    ::SendMessageW(ListControl(), LVM_SETCOLUMNWIDTH, 2, 75);
    m_list->DestroyWindow();
    EXPECT_EQ(ReadSettingDword(L"DeviceList", L"a", -1), 120);
    EXPECT_EQ(ReadSettingDword(L"DeviceList", L"b", -1), 80);
    EXPECT_EQ(ReadSettingDword(L"DeviceList", L"c", -1), 75);

    WriteSettingDword(L"DeviceList", L"b", 140);
    CreateList();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(::SendMessageW(ListControl(), LVM_GETCOLUMNWIDTH, i, 0), stored[i]);
}

TEST_F(DeviceList, CommandsAndDoubleClickActOnTheSelectedRowOnly) {
    CGraphView* first = Graph(1, 1);
    CGraphView* second = Graph(2, 1);
    m_list->AddDevice(first);
    m_list->AddDevice(second);
    for (UINT id : {ID_VIEW_HIDE, ID_SENSOR_PROPERTIES, ID_SENSOR_REMOVE}) m_list->SendMessage(WM_COMMAND, id);
    EXPECT_TRUE(m_listener.calls.empty());

    Select(1);
    m_list->SendMessage(WM_COMMAND, ID_VIEW_HIDE);
    ASSERT_EQ(m_listener.calls.size(), 1u);
    EXPECT_EQ(m_listener.calls[0].what, "Toggle");
    EXPECT_EQ(m_listener.calls[0].view, first->m_hWnd);

    // A double click brings the selected row's graph to the front.
    Select(0);
    POINT pt = RowPointOnScreen(0);
    ::ScreenToClient(ListControl(), &pt);
    ::SendMessageW(ListControl(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    ASSERT_EQ(m_listener.calls.size(), 2u);
    EXPECT_EQ(m_listener.calls[1].what, "Activate");
    EXPECT_EQ(m_listener.calls[1].view, second->m_hWnd);

    // Properties and removal go to the selected row's graph. Without a server the properties
    // change the graph alone, and the removal does nothing.
    {
        DialogAnswer answer(L"Sensor properties", [](HWND box) {
            ::SetDlgItemTextW(box, 1013, L"Attic");
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        m_list->SendMessage(WM_COMMAND, ID_SENSOR_PROPERTIES);
        EXPECT_TRUE(answer.Answered());
    }
    EXPECT_EQ(second->SensorName(), L"Attic");
    m_list->SendMessage(WM_COMMAND, ID_SENSOR_REMOVE);
    EXPECT_EQ(Rows(), 2);
    ASSERT_EQ(m_listener.calls.size(), 3u);
    EXPECT_EQ(m_listener.calls[2].what, "Renamed");
    EXPECT_EQ(m_listener.calls[2].view, second->m_hWnd);
}

namespace {
// Reads the open context menu's "Show Graph" check mark, then closes the menu.
struct MenuProbe {
    static void CALLBACK Read(HWND, UINT, UINT_PTR id, DWORD) {
        ::KillTimer(nullptr, id);
        HWND window = ::FindWindowW(L"#32768", nullptr);
        HMENU menu = window ? reinterpret_cast<HMENU>(::SendMessageW(window, MN_GETHMENU, 0, 0)) : nullptr;
        s_shown = menu != nullptr;
        if (menu) s_checked = (::GetMenuState(menu, ID_VIEW_HIDE, MF_BYCOMMAND) & MF_CHECKED) != 0;
        ::EndMenu();
    }
    static inline bool s_shown, s_checked;
};
}  // namespace

TEST_F(DeviceList, ContextMenuOnlyOnARowWithTheGraphsShownState) {
    CGraphView* graph = Graph(1, 1);
    m_list->AddDevice(graph);

    POINT beside = RowPointOnScreen(0);
    beside.y += 100;
    ContextMenuAt(beside);
    m_list->SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(ListControl()), -1);  // from the keyboard
    EXPECT_TRUE(m_listener.calls.empty());

    for (bool attached : {true, false}) {
        m_listener.calls.clear();
        m_listener.attached = attached;
        MenuProbe::s_shown = MenuProbe::s_checked = false;
        UINT_PTR timer = ::SetTimer(nullptr, 0, 100, &MenuProbe::Read);
        ContextMenuAt(RowPointOnScreen(0));
        ::KillTimer(nullptr, timer);
        ASSERT_EQ(m_listener.calls.size(), 1u);
        EXPECT_EQ(m_listener.calls[0].what, "IsAttached");
        EXPECT_EQ(m_listener.calls[0].view, graph->m_hWnd);
        EXPECT_TRUE(MenuProbe::s_shown);
        EXPECT_EQ(MenuProbe::s_checked, attached);
    }
}

TEST(DeviceListMenu, APointOffEveryMonitorIsBroughtWithinTheNearestWorkArea) {
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    POINT inside{work.left + 10, work.top + 10};
    POINT placed = MenuPointOnMonitor(inside);
    EXPECT_EQ(placed.x, inside.x);
    EXPECT_EQ(placed.y, inside.y);
    int right = ::GetSystemMetrics(SM_XVIRTUALSCREEN) + ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
    placed = MenuPointOnMonitor(POINT{right + 500, work.top + 10});
    EXPECT_EQ(placed.x, work.right - 1);
    EXPECT_EQ(placed.y, work.top + 10);
}
