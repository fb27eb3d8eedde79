#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <thread>

#include "AppModule.h"
#include "Clipboard.h"
#include "FakeServer.h"
#include "FilePrinter.h"
#include "GraphView.h"
#include "LocalTime.h"
#include "Print.h"
#include "PropertiesDlg.h"
#include "SettingsStore.h"
#include "TestSupport.h"

namespace {
// The tests' "now": 9 December 2026, noon UTC.
constexpr double kNow = 46364.5;
double TestClock() { return kNow; }

// A parent window for graph windows.
class GraphViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteProductKey();
        m_parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        ::DestroyWindow(m_parent);
        DeleteProductKey();
    }
    HWND m_parent = nullptr;
};

// A sensor that answers only the records inside the range asked for, as the server does.
class RangeSensor : public FakeSensor {
public:
    double from = 0, to = 0;
    std::vector<double> log;
    STDMETHODIMP GetData(double f, double t, double interval, VARIANT* times, VARIANT* values) override {
        from = f;
        to = t;
        std::vector<double> inside;
        for (double x : log)
            if (f <= x && x <= t) inside.push_back(x);
        SetData(inside, std::vector<float>(inside.size(), 20.0f));
        return FakeSensor::GetData(f, t, interval, times, values);
    }
};

// Draws the graph into a memory DC in twips: it must come back.
void DrawOnce(CGraphView& graph) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    ::SetMapMode(dc, MM_TWIPS);
    graph.Draw(dc, RECT{0, 0, 10000, 5900}, true);
    ::DeleteDC(dc);
}
}  // namespace

TEST_F(GraphViewTest, ReadsTheSensorUntilTheFirstFailingCall) {
    auto sensor = FakeSensor::Make(7, 2, 4, L"Office");
    sensor->failFrom = 3;  // the name and everything after it fail
    sensor->firstLog = 46000.7;
    CGraphView graph(nullptr, sensor.Get());
    EXPECT_EQ(graph.SensorId(), 7);
    EXPECT_EQ(graph.SensorType(), 2);
    EXPECT_EQ(graph.SettingsIndex(), 4);
    EXPECT_EQ(graph.SensorName(), L"");
    EXPECT_EQ(graph.FirstLogTime(), 0);
    sensor->lastValueResult = E_FAIL;
    ASSERT_TRUE(graph.CreateGraphWindow(m_parent, 7, 1));
    EXPECT_EQ(graph.SensorName(), L"Device 7");
    EXPECT_EQ(graph.m_caption, L"Device 7");
    EXPECT_EQ(graph.SensorType(), 1);
    EXPECT_EQ(graph.Name(), L"D_7");
    // No stored end and no newest value: nothing is fetched.
    EXPECT_EQ(sensor->dataCalls, 0);
    ::DestroyWindow(graph);
}

TEST_F(GraphViewTest, ANewestValueOfTheLastHourIsALiveSampleAnOlderOneTheWindowsEnd) {
    const double now = kNow;
    auto recent = FakeSensor::Make(8, 1, 5, L"Recent");
    recent->firstLog = now - 3;
    recent->lastLog = now - 0.5 / 24;
    recent->lastTime = now - 0.5 / 24;  // 30 minutes old
    recent->lastValue = 21.5f;
    recent->SetData({now - 0.6 / 24}, {21.0f});
    CGraphView live(nullptr, recent.Get());
    live.SetClock(TestClock);
    ASSERT_TRUE(live.CreateGraphWindow(m_parent, 8, 1));
    EXPECT_DOUBLE_EQ(live.LastLiveTime(), now - 0.5 / 24);
    EXPECT_GE(live.ViewEnd(), now - 0.5 / 24);

    auto old = FakeSensor::Make(9, 1, 6, L"Old");
    old->firstLog = now - 30;
    old->lastLog = now - 2.0 / 24;
    old->lastTime = now - 2.0 / 24;  // two hours old
    old->SetData({now - 2.5 / 24, now - 2.0 / 24}, {19.0f, 20.0f});
    WriteSettingDouble(L"D6", L"UTCEndLogDate", now - 10);
    CGraphView stale(nullptr, old.Get());
    stale.SetClock(TestClock);
    ASSERT_TRUE(stale.CreateGraphWindow(m_parent, 9, 1));
    EXPECT_EQ(stale.LastLiveTime(), 0);
    // The newest value's time, not the stored end; aligned, it may round down by up to a minute.
    EXPECT_GE(stale.ViewEnd(), now - 2.0 / 24 - 1.0 / 1440);
    EXPECT_LT(stale.ViewEnd(), now);
    EXPECT_EQ(stale.FetchedSamples().size(), 2u);
    EXPECT_FLOAT_EQ(stale.DataMin(), 19.0f);
    EXPECT_FLOAT_EQ(stale.DataMax(), 20.0f);
    ::DestroyWindow(live);
    ::DestroyWindow(stale);
}

TEST_F(GraphViewTest, ArraysOfOtherTypesOrLengthsAreNoData) {
    auto sensor = FakeSensor::Make(3, 1, 2, L"Store");
    sensor->lastValueResult = E_FAIL;
    CGraphView graph(nullptr, sensor.Get());
    graph.SetClock(TestClock);
    ASSERT_TRUE(graph.CreateGraphWindow(m_parent, 3, 1));
    graph.Settings().stickToEnd = true;

    sensor->SetData({46000.0, 46000.1}, {5.0f, 6.0f});
    graph.Refetch();
    EXPECT_EQ(graph.FetchedSamples().size(), 2u);
    graph.AddLiveSample(graph.ViewEnd() - 0.01, 7.0f, 0);
    ASSERT_EQ(graph.LiveSamples().size(), 1u);

    // Wrong types: nothing fetched, the live samples stay.
    sensor->values.Clear();
    sensor->values.vt = VT_ARRAY | VT_R8;
    sensor->values.parray = ::SafeArrayCreateVector(VT_R8, 0, 2);
    graph.Refetch();
    EXPECT_TRUE(graph.FetchedSamples().empty());
    EXPECT_EQ(graph.LiveSamples().size(), 1u);

    // Unequal counts: nothing fetched, and the live samples go.
    sensor->SetData({1.0, 2.0, 3.0}, {5.0f, 6.0f});
    graph.Refetch();
    EXPECT_TRUE(graph.FetchedSamples().empty());
    EXPECT_TRUE(graph.LiveSamples().empty());

    // A failing call (the server gone) keeps what the graph had.
    sensor->SetData({46000.0, 46000.1}, {5.0f, 6.0f});
    graph.Refetch();
    sensor->dataResult = RPC_E_DISCONNECTED;
    graph.Refetch();
    EXPECT_EQ(graph.FetchedSamples().size(), 2u);
    ::DestroyWindow(graph);
}

TEST_F(GraphViewTest, TheTwelfthLiveSampleFetchesAfresh) {
    auto sensor = FakeSensor::Make(4, 1, 3, L"Lab");
    const double now = kNow;
    sensor->firstLog = now - 2;
    sensor->lastLog = now;
    sensor->lastValueResult = E_FAIL;
    sensor->SetData({now - 0.1}, {20.0f});
    CGraphView graph(nullptr, sensor.Get());
    graph.SetClock(TestClock);
    ASSERT_TRUE(graph.CreateGraphWindow(m_parent, 4, 1));
    ::ShowWindow(m_parent, SW_SHOWNOACTIVATE);
    ::SetWindowPos(graph, nullptr, 0, 0, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    graph.SetEndTime(now);
    graph.Refetch();
    ::UpdateWindow(graph);
    int fetches = sensor->dataCalls;
    double t = graph.ViewEnd() - 0.5 / 24;  // inside the window's last alignment step
    for (int i = 0; i < 11; ++i) graph.AddLiveSample(t + i * 1e-4, 20.0f + i, 0);
    EXPECT_EQ(graph.LiveSamples().size(), 11u);
    EXPECT_EQ(sensor->dataCalls, fetches);
    EXPECT_FLOAT_EQ(graph.DataMax(), 30.0f);
    // The twelfth asks for a fetch, which waits for the window's next paint however many more come.
    for (int i = 0; i < 30; ++i) graph.AddLiveSample(t + 0.002 + i * 1e-5, 25.0f, 0);
    EXPECT_EQ(sensor->dataCalls, fetches);
    EXPECT_TRUE(graph.LiveSamples().empty());
    ::UpdateWindow(graph);
    EXPECT_EQ(sensor->dataCalls, fetches + 1);
    EXPECT_FALSE(graph.RefetchDue());

    // Scrolled into the past: samples are not kept and nothing is fetched.
    graph.Settings().stickToEnd = false;
    graph.AddLiveSample(t + 0.003, 26.0f, -50);
    EXPECT_TRUE(graph.LiveSamples().empty());
    EXPECT_EQ(sensor->dataCalls, fetches + 1);
    EXPECT_FLOAT_EQ(graph.LastLiveSignal(), -50.0f);
    ::DestroyWindow(graph);
}

TEST_F(GraphViewTest, SettingsAreWrittenWhenTheWindowGoesOrDeletedForARemovedSensor) {
    GraphSettings settings;
    settings.scale = ValueScale{-5, 35, 5};
    settings.scaleMode = 1;
    settings.majorXGrid = 0;
    settings.minorXGrid = 0;
    settings.majorYGrid = 0;
    settings.axisColor = 0x102030;
    settings.gridMajorColor = 0x405060;
    settings.gridMinorColor = 0x708090;
    settings.traceColor = 0x00FF00;
    settings.traceStyle = 3;
    settings.timeScale = 11;
    settings.stickToEnd = false;
    settings.endLogDate = 46001.25;
    settings.Write(L"D12");
    GraphSettings back = GraphSettings::Read(L"D12");
    EXPECT_EQ(back.scale.min, -5);
    EXPECT_EQ(back.scale.max, 35);
    EXPECT_EQ(back.scale.ticks, 5);
    EXPECT_EQ(back.scaleMode, 1);
    EXPECT_EQ(back.majorXGrid + back.minorXGrid + back.majorYGrid, 0);
    EXPECT_EQ(back.axisColor, 0x102030u);
    EXPECT_EQ(back.gridMajorColor, 0x405060u);
    EXPECT_EQ(back.gridMinorColor, 0x708090u);
    EXPECT_EQ(back.traceColor, 0x00FF00u);
    EXPECT_EQ(back.traceStyle, 3);
    EXPECT_EQ(back.timeScale, 11);
    EXPECT_FALSE(back.stickToEnd);
    EXPECT_EQ(back.endLogDate, 46001.25);

    WriteSettingDword(L"D12", L"TimeScale", 40);  // outside the table
    EXPECT_EQ(GraphSettings::Read(L"D12").timeScale, 1);

    // A graph's window writes its key when it goes; a removed sensor's key goes with it.
    auto sensor = FakeSensor::Make(5, 1, 13, L"Hall");
    sensor->lastValueResult = E_FAIL;
    {
        CGraphView graph(nullptr, sensor.Get());
        ASSERT_TRUE(graph.CreateGraphWindow(m_parent, 5, 1));
        ::DestroyWindow(graph);
    }
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"software\\KV\\Kestrova\\D13", 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD values = 0;
    ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                       nullptr);
    ::RegCloseKey(key);
    EXPECT_EQ(values, 15u);
    {
        CGraphView graph(nullptr, sensor.Get());
        ASSERT_TRUE(graph.CreateGraphWindow(m_parent, 5, 1));
        graph.MarkRemoved();
        ::DestroyWindow(graph);
    }
    EXPECT_FALSE(KeyExists(L"software\\KV\\Kestrova\\D13"));
}

TEST_F(GraphViewTest, TimesAndValuesOutOfRangeAreRefusedWhereTheyEnterAndNeverSaved) {
    const double now = kNow;
    // Stored end dates that no calendar could step through, with the zooms that showed them.
    struct {
        double end;
        int scale;
    } stored[] = {{1e17, 8}, {INFINITY, 6}, {DBL_MAX, 11}, {NAN, 3}, {-1e300, 9}};
    for (const auto& c : stored) {
        WriteSettingDouble(L"D30", L"UTCEndLogDate", c.end);
        WriteSettingDword(L"D30", L"TimeScale", c.scale);
        WriteSettingFloat(L"D30", L"ScaleMin", -INFINITY);
        WriteSettingDword(L"D30", L"ScaleMode", 1);
        auto sensor = FakeSensor::Make(30, 1, 30, L"Far");
        sensor->firstLog = now - 40;
        sensor->lastLog = now - 1;
        sensor->lastValueResult = E_FAIL;
        CGraphView graph(nullptr, sensor.Get());
        graph.SetClock(TestClock);
        ASSERT_TRUE(graph.CreateGraphWindow(m_parent, 30, 1));
        EXPECT_EQ(graph.Settings().endLogDate, 0) << c.end;
        EXPECT_EQ(graph.Settings().scaleMode, 0);  // a scale of no numbers is the automatic one
        EXPECT_EQ(sensor->dataCalls, 0);
        DrawOnce(graph);
        ::DestroyWindow(graph);
        EXPECT_EQ(ReadSettingDouble(L"D30", L"UTCEndLogDate", -1), 0) << c.end;
        EXPECT_TRUE(std::isfinite(ReadSettingFloat(L"D30", L"ScaleMin", NAN)));
    }

    // A log whose newest record lies at 1e17, with a one-month zoom: the log's bounds and the
    // newest value are refused, the window is placed by the clock.
    WriteSettingDword(L"D31", L"TimeScale", 8);
    auto distant = FakeSensor::Make(31, 1, 31, L"Log");
    distant->firstLog = now - 40;
    distant->lastLog = 1e17;
    distant->lastTime = 1e17;
    distant->lastValue = 20;
    distant->SetData({now - 1.5}, {20});
    CGraphView graph(nullptr, distant.Get());
    graph.SetClock(TestClock);
    ASSERT_TRUE(graph.CreateGraphWindow(m_parent, 31, 1));
    EXPECT_EQ(graph.LastLogTime(), 0);
    EXPECT_EQ(graph.LastLiveTime(), 0);
    graph.Refetch();
    EXPECT_GE(graph.ViewEnd(), now);
    EXPECT_LT(graph.ViewEnd(), now + 1);

    // Events at a one-week zoom: absurd times and values leave the graph as it was.
    ::SendMessageW(graph, WM_COMMAND, 2006, 0);
    graph.AddLiveSample(now - 0.01, 21.5f, 0);
    const double end = graph.ViewEnd();
    const ValueScale scale = graph.Settings().scale;
    for (double t : {1e17, double(INFINITY), -double(INFINITY), double(NAN), DBL_MAX}) graph.AddLiveSample(t, 21, 0);
    for (float v : {INFINITY, -INFINITY, NAN, 3e38f}) graph.AddLiveSample(now, v, 0);
    graph.AddLiveSample(now, 21, NAN);
    EXPECT_EQ(graph.ViewEnd(), end);
    EXPECT_EQ(graph.LastLiveTime(), now - 0.01);
    EXPECT_EQ(graph.Settings().scale, scale);
    ASSERT_EQ(graph.LiveSamples().size(), 1u);

    // Records of the same kind in a fetch are left out; the others stay.
    distant->SetData({now - 0.5, 1e17, now - 0.4, now - 0.3, NAN}, {20, 21, NAN, -INFINITY, 22});
    graph.Refetch();
    ASSERT_EQ(graph.FetchedSamples().size(), 1u);
    EXPECT_EQ(graph.DataMin(), 20);
    EXPECT_EQ(graph.DataMax(), 20);
    DrawOnce(graph);
    ::DestroyWindow(graph);
    EXPECT_NEAR(ReadSettingDouble(L"D31", L"UTCEndLogDate", -1), end, 1);
}

TEST_F(GraphViewTest, TheFetchTakesTheRecordsAtBothEdgesOfTheWindow) {
    // Records every second over a day, as whole-second OLE dates; windows of two and four hours
    // whose start (end minus span) lands a few ulps beside the record at that second.
    ComPtr<RangeSensor> sensor;
    sensor.Attach(new RangeSensor);
    sensor->settingsIndex = 32;
    sensor->lastValueResult = E_FAIL;
    CGraphView graph(nullptr, sensor.Get());
    graph.SetClock(TestClock);
    ASSERT_TRUE(graph.CreateGraphWindow(m_parent, 32, 1));
    graph.Settings().stickToEnd = false;
    auto secondOf = [](double t) {
        SYSTEMTIME s;
        ::VariantTimeToSystemTime(t, &s);
        double whole = 0;
        ::SystemTimeToVariantTime(&s, &whole);
        return whole;
    };
    for (int scale : {0, 1}) {
        graph.Settings().timeScale = scale;
        for (int quarter = 8 * 4; quarter < 20 * 4; quarter += 3) {
            graph.SetEndTime(46100 + quarter / 96.0);
            sensor->log = {secondOf(graph.ViewStart()), secondOf(graph.ViewEnd())};
            graph.Refetch();
            EXPECT_EQ(graph.FetchedSamples().size(), 2u) << scale << " " << quarter;
        }
    }
    ::DestroyWindow(graph);
}

// Humidity and CO2 sensors share their device's even id with its temperature sensor.
TEST(SensorProperties, IdTextByType) {
    struct {
        int id, type;
        const wchar_t* text;
    } cases[] = {{11, 3, L"10 RH"}, {21, 5, L"20 CO2"}, {11, 4, L"11"}, {11, 6, L"11"}, {7, 1, L"7"}};
    for (const auto& c : cases) EXPECT_EQ(SensorIdText(c.id, c.type), c.text) << c.id << " " << c.type;
}

namespace {
// Counts what a graph asks of the main window.
class RecordingListener : public ClientViewListener {
public:
    int toggled = 0, docked = 0;
    DockSplitTab::ClientView* FindClientView(HWND) override { return nullptr; }
    bool ToggleClientView(HWND) override { return ++toggled, false; }
    bool IsClientViewShown(HWND) override { return true; }
    bool ActivateClientView(HWND) override { return true; }
    bool IsClientViewAttached(HWND) override { return true; }
    void DockClientView(HWND) override { ++docked; }
    void ClientViewRenamed(HWND, const std::wstring&) override {}
    void CloseClientView(HWND) override {}
};

std::vector<UINT> MenuIds(HMENU popup) {
    std::vector<UINT> ids;
    for (int i = 0; i < ::GetMenuItemCount(popup); ++i) ids.push_back(::GetMenuItemID(popup, i));
    return ids;
}
}  // namespace

TEST_F(GraphViewTest, ContextMenuOffersDockOnlyToAFloatedViewChecksTheSpanAndItsCommandsReachTheListener) {
    AppModule module;
    ProgramResources resources;
    ASSERT_TRUE(resources.Loaded());
    RecordingListener listener;
    auto sensor = FakeSensor::Make(3, 1, 2, L"Hall");
    CGraphView graph(&listener, sensor.Get());
    graph.SetClock(TestClock);
    ASSERT_TRUE(graph.CreateGraphWindow(m_parent, 3, 1));
    graph.SendMessage(WM_COMMAND, ID_TIMESCALE_FIRST + 3);

    const std::vector<UINT> spans{2000, 2001, 2002, 2003, 2004, 2005, 2006, 2007, 2008, 2009, 2010, 2011};
    for (int mode : {DockSplitTab::ModeCentral, DockSplitTab::ModeDocked, DockSplitTab::ModeFloating}) {
        graph.m_mode = mode;
        const CGraphView::ContextMenu menu = graph.LoadContextMenu();
        ASSERT_NE(menu.popup, nullptr);
        std::vector<UINT> expected{ID_VIEW_HIDE, ID_SENSOR_PROPERTIES, 0, ID_GRAPH_PROPERTIES, ID_EDIT_COPY, 0};
        if (mode == DockSplitTab::ModeFloating) expected.insert(expected.begin() + 1, ID_VIEW_DOCK);
        expected.insert(expected.end(), spans.begin(), spans.end());
        EXPECT_EQ(MenuIds(menu.popup), expected) << mode;
        for (UINT id : spans)
            EXPECT_EQ((::GetMenuState(menu.popup, id, MF_BYCOMMAND) & MF_CHECKED) != 0, id == 2003) << id;
    }

    graph.SendMessage(WM_COMMAND, ID_VIEW_HIDE);
    graph.SendMessage(WM_COMMAND, ID_VIEW_DOCK);
    EXPECT_EQ(listener.toggled, 1);
    EXPECT_EQ(listener.docked, 1);
    // Only the layout closes a graph.
    EXPECT_EQ(graph.SendMessage(WM_CLOSE), 0);
    EXPECT_TRUE(::IsWindow(graph));
    EXPECT_EQ(graph.SendMessage(WM_HELPHITTEST), 108);
    ::DestroyWindow(graph);
}

TEST_F(GraphViewTest, TheReadoutSnapsToTheSampleUnderTheMouseFlipsAtTheRightEdgeAndFollowsMovesOverItself) {
    const double now = kNow;
    auto sensor = FakeSensor::Make(4, 1, 3, L"Cellar");
    sensor->firstLog = now - 3;
    sensor->lastLog = now - 1.0 / 24;
    sensor->lastValueResult = E_FAIL;
    sensor->SetData({now - 3.0 / 24, now - 1.0 / 24}, {21.0f, 21.2f});
    CGraphView graph(nullptr, sensor.Get());
    graph.SetClock(TestClock);
    ASSERT_TRUE(graph.CreateGraphWindow(m_parent, 4, 1));
    graph.SetEndTime(now);
    graph.Refetch();
    graph.AddLiveSample(now - 0.1 / 24, 21.5f, 0);  // at the window's right end
    ASSERT_FALSE(graph.FetchedSamples().empty());
    ASSERT_FALSE(graph.LiveSamples().empty());
    ::ShowWindow(m_parent, SW_SHOWNA);
    ::MoveWindow(graph, 0, 0, 800, 600, TRUE);
    ::UpdateWindow(graph);  // the drawing lays out the plot the read-out maps through
    const CInfoWnd& readout = graph.Readout();
    ASSERT_TRUE(readout.Hidden());

    // The device point of a sample, and the cursor put a few pixels beside it.
    auto devicePoint = [&](const GraphSample& s) {
        ClientDC dc(graph);
        ::SetMapMode(dc, MM_TWIPS);
        POINT p{graph.Mapping().TimeToX(s.time), graph.Mapping().ValueToY(s.value)};
        ::LPtoDP(dc, &p, 1);
        return p;
    };
    auto moveTo = [&](POINT client, HWND target) {
        POINT screen = client;
        ::ClientToScreen(graph, &screen);
        ::SetCursorPos(screen.x, screen.y);
        ::SendMessageW(target, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
    };

    const GraphSample fetched = graph.FetchedSamples().back();
    const POINT atFetched = devicePoint(fetched);
    moveTo(POINT{atFetched.x + 3, atFetched.y - 2}, graph);
    ASSERT_FALSE(readout.Hidden());
    EXPECT_EQ(readout.Anchor().x, atFetched.x);
    EXPECT_EQ(readout.Anchor().y, atFetched.y);
    EXPECT_EQ(readout.Text(), FormatDateTime(fetched.time) + L"; +21.20 \u00B0C");  // ticks of 0.5
    RECT placed{};
    ::GetWindowRect(readout.m_hWnd, &placed);
    ::MapWindowPoints(nullptr, graph, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, atFetched.x);
    EXPECT_EQ(placed.bottom, atFetched.y);
    EXPECT_TRUE(readout.PointerLeft());

    // The newest sample lies near the right edge: the read-out goes to its left.
    const GraphSample live = graph.LiveSamples().back();
    const POINT atLive = devicePoint(live);
    moveTo(POINT{atLive.x - 2, atLive.y + 2}, graph);
    ASSERT_FALSE(readout.Hidden());
    EXPECT_EQ(readout.Anchor().x, atLive.x);
    ::GetWindowRect(readout.m_hWnd, &placed);
    ::MapWindowPoints(nullptr, graph, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.right, atLive.x);
    EXPECT_FALSE(readout.PointerLeft());

    // A move over the read-out itself reaches the graph, which finds no sample there and hides it.
    moveTo(POINT{atLive.x - 150, atLive.y + 150}, readout.m_hWnd);
    EXPECT_TRUE(readout.Hidden());

    // Zoomed out to a year, the samples move away from the cursor: the read-out goes with the repaint.
    moveTo(POINT{atFetched.x + 3, atFetched.y - 2}, graph);
    ASSERT_FALSE(readout.Hidden());
    ::SendMessageW(graph, WM_COMMAND, ID_TIMESCALE_LAST, 0);
    ::UpdateWindow(graph);
    EXPECT_TRUE(readout.Hidden());
    ::DestroyWindow(graph);
}

TEST_F(GraphViewTest, ExportCommandWritesTheChosenFileAndShowsAFailureWithTheSystemText) {
    AppModule module;
    ProgramResources resources;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_DATE_CLASSES};
    ::InitCommonControlsEx(&controls);
    auto sensor = FakeSensor::Make(3, 3, 2, L"Hall");
    sensor->firstLog = kNow - 2.3;
    sensor->lastLog = kNow;
    sensor->SetData({kNow - 1}, {55});
    CGraphView graph(nullptr, sensor.Get());
    graph.SetClock(TestClock);
    ASSERT_TRUE(graph.CreateGraphWindow(m_parent, 3, 3));
    TempFolder folder;
    const std::wstring file = folder.File(L"hall.xml");
    {
        DialogAnswer answer(L"Export data", [&](HWND box) {
            ::SetDlgItemTextW(box, 1028, file.c_str());
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        graph.SendMessage(WM_COMMAND, ID_FILE_EXPORT);
        EXPECT_TRUE(answer.Answered());
    }
    EXPECT_NEAR(sensor->lastFrom, graph.FirstLogTime(), 1e-6);
    EXPECT_NEAR(sensor->lastTo, graph.LastLogTime() + 1, 1e-6);
    UniqueHandle written(::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    char bytes[1024] = {};
    DWORD n = 0;
    ASSERT_TRUE(written && ::ReadFile(written.Get(), bytes, sizeof bytes - 1, &n, nullptr));
    EXPECT_EQ(std::string(bytes, 5), "<?xml");
    EXPECT_NE(std::string(bytes).find("<value>55.0</value>"), std::string::npos);
    written.Reset();

    sensor->dataResult = E_ACCESSDENIED;
    std::wstring shown, caption = L"?";
    DialogAnswer answer(L"Export data", [&](HWND box) {
        ::SetDlgItemTextW(box, 1028, file.c_str());
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    answer.Then(L"", [&](HWND box) {
        shown = WindowText(::GetDlgItem(box, 0xFFFF));
        caption = WindowText(box);
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    graph.SendMessage(WM_COMMAND, ID_FILE_EXPORT);
    EXPECT_TRUE(answer.Answered());
    EXPECT_EQ(shown, ComErrorText(E_ACCESSDENIED));
    EXPECT_EQ(caption, L"");
}

namespace {
// The texts and the mapping mode a metafile records.
struct MetafileRecords {
    std::vector<std::wstring> texts;
    std::vector<DWORD> mapModes;
};
int CALLBACK CollectRecord(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM param) {
    auto* out = reinterpret_cast<MetafileRecords*>(param);
    if (record->iType == EMR_EXTTEXTOUTW) {
        auto* text = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
        auto* chars = reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) + text->emrtext.offString);
        out->texts.emplace_back(chars, text->emrtext.nChars);
    } else if (record->iType == EMR_SETMAPMODE) {
        out->mapModes.push_back(reinterpret_cast<const EMRSETMAPMODE*>(record)->iMode);
    }
    return 1;
}

// Sizes a window so that its client area is `width` x `height` pixels (again when resizing showed
// or hid a scroll bar).
void SetClientSize(HWND hWnd, int width, int height) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        RECT window{}, client{};
        ::GetWindowRect(hWnd, &window);
        ::GetClientRect(hWnd, &client);
        if (client.right == width && client.bottom == height) return;
        ::SetWindowPos(hWnd, nullptr, 0, 0, window.right - window.left + width - client.right,
                       window.bottom - window.top + height - client.bottom, SWP_NOMOVE | SWP_NOZORDER);
    }
}
}  // namespace

TEST_F(GraphViewTest, CopyPutsTheTitledGraphOnTheClipboardAsATwipsMetafileOfTheWindowsSize) {
    AppModule module;
    ProgramResources resources;
    auto sensor = FakeSensor::Make(5, 1, 2, L"Cellar");
    sensor->firstLog = kNow - 1;
    sensor->lastLog = kNow;
    sensor->SetData({kNow - 0.05, kNow - 0.01}, {12, 13});
    CGraphView graph(nullptr, sensor.Get());
    graph.SetClock(TestClock);
    ASSERT_TRUE(graph.CreateGraphWindow(m_parent, 5, 1));
    SetClientSize(graph, 800, 400);
    ASSERT_EQ(::GetDeviceCaps(ClientDC(graph), LOGPIXELSX), 96);
    RECT client{};
    ::GetClientRect(graph, &client);
    ASSERT_EQ(client.right, 800);
    ASSERT_EQ(client.bottom, 400);

    graph.SendMessage(WM_COMMAND, ID_EDIT_COPY);
    const PlotRect copied = graph.Plot();
    // 800 x 400 pixels at 96 dpi are 12000 x 6000 twips (the display's twips follow its metric
    // size, within a few twips): that rectangle lays the plot out alike, a narrower one does not.
    {
        ClientDC client(graph);
        ::SetMapMode(client, MM_TWIPS);
        const RECT twips = DeviceToLogicalRect(client, RECT{0, 0, 800, 400});
        EXPECT_NEAR(twips.right - twips.left, 12000, 12);
        EXPECT_NEAR(twips.bottom - twips.top, 6000, 6);
        EnhMetaFileRecorder reference(client, nullptr);
        ::SetMapMode(reference, MM_TWIPS);
        graph.Draw(reference, twips, true);
        EXPECT_EQ(graph.Plot(), copied);
        graph.Draw(reference, RECT{twips.left, twips.top, twips.right - 300, twips.bottom}, true);
        EXPECT_NE(graph.Plot(), copied);
    }
    ASSERT_TRUE(::OpenClipboard(m_parent));
    auto picture = static_cast<HENHMETAFILE>(::GetClipboardData(CF_ENHMETAFILE));
    ASSERT_NE(picture, nullptr);
    wchar_t description[32] = {};
    EXPECT_EQ(::GetEnhMetaFileDescriptionW(picture, 32, description), 16u);
    EXPECT_EQ(std::wstring(description, 15), std::wstring(L"Kestrova\0Graph", 14) + L'\0');
    MetafileRecords records;
    ::EnumEnhMetaFile(nullptr, picture, CollectRecord, &records, nullptr);
    ::CloseClipboard();
    EXPECT_EQ(records.mapModes, std::vector<DWORD>{MM_TWIPS});
    EXPECT_NE(std::find(records.texts.begin(), records.texts.end(), L"Cellar"), records.texts.end());
    ::DestroyWindow(graph);
}

TEST_F(GraphViewTest, CopyWhileAnotherThreadHoldsTheClipboardSaysSoAndChangesNothing) {
    AppModule module;
    ProgramResources resources;
    auto sensor = FakeSensor::Make(5, 1, 2, L"Cellar");
    CGraphView graph(nullptr, sensor.Get());
    graph.SetClock(TestClock);
    ASSERT_TRUE(graph.CreateGraphWindow(m_parent, 5, 1));
    ASSERT_TRUE(::OpenClipboard(m_parent));
    ::EmptyClipboard();
    ::CloseClipboard();

    UniqueHandle opened(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    UniqueHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread holder([&] {
        ::OpenClipboard(nullptr);
        ::SetEvent(opened.Get());
        ::WaitForSingleObject(release.Get(), INFINITE);
        ::CloseClipboard();
    });
    ::WaitForSingleObject(opened.Get(), INFINITE);
    std::wstring shown;
    DialogAnswer answer(L"Kestrova", [&](HWND box) {
        shown = WindowText(::GetDlgItem(box, 0xFFFF));
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    graph.SendMessage(WM_COMMAND, ID_EDIT_COPY);
    ::SetEvent(release.Get());
    holder.join();
    EXPECT_TRUE(answer.Answered());
    EXPECT_EQ(shown, L"Cannot open the Clipboard");
    EXPECT_FALSE(::IsClipboardFormatAvailable(CF_ENHMETAFILE));
    // Not left open by the failed copy.
    EXPECT_TRUE(::OpenClipboard(m_parent));
    ::CloseClipboard();
    ::DestroyWindow(graph);
}

namespace {
// Prints one graph per page through the graph's print operation.
class GraphPage : public PrintJobInfo {
public:
    explicit GraphPage(CGraphView& graph) : m_graph(graph) {}
    bool PrintPage(UINT, HDC dc) override {
        ::SetMapMode(dc, MM_TWIPS);
        area = PrintableLogicalArea(dc);
        return m_graph.Print(dc, area, 0);
    }
    RECT area{};

private:
    CGraphView& m_graph;
};
}  // namespace

TEST_F(GraphViewTest, PrintsTheTitledGraphFillingThePrintableAreaOfAFilePrinter) {
    AppModule module;
    ProgramResources resources;
    TempFolder folder;
    const std::wstring output = folder.File(L"page.ps");
    FilePrinter installed(L"Kestrova Test PS", output);
    ASSERT_TRUE(installed.Installed()) << ::GetLastError();
    auto sensor = FakeSensor::Make(5, 1, 2, L"Cellar");
    sensor->firstLog = kNow - 1;
    sensor->lastLog = kNow;
    sensor->SetData({kNow - 0.05, kNow - 0.03, kNow - 0.01}, {12, 14, 13});
    CGraphView graph(nullptr, sensor.Get());
    graph.SetClock(TestClock);
    ASSERT_TRUE(graph.CreateGraphWindow(m_parent, 5, 1));

    graph.SetEndTime(kNow);
    graph.Refetch();
    Printer printer;
    ASSERT_TRUE(printer.Open(L"Kestrova Test PS"));
    DevMode mode = printer.CurrentDevMode();
    GraphPage page(graph);
    ASSERT_TRUE(RunPrintJob(printer, mode.Get(), page, L"Temp Graph", 0, 0));
    // The printable area of A4 at 300 dpi: 2479 x 3508 less about 75 on each side, in twips.
    EXPECT_NEAR(page.area.right - page.area.left, (2479 - 150) * 1440 / 300, 40);
    EXPECT_NEAR(page.area.bottom - page.area.top, (3508 - 150) * 1440 / 300, 40);
    EXPECT_GT(graph.Plot().Width(), (page.area.right - page.area.left) * 8 / 10);

    UniqueHandle ps(::CreateFileW(output.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(ps);
    char head[64] = {};
    DWORD n = 0;
    ASSERT_TRUE(::ReadFile(ps.Get(), head, sizeof head - 1, &n, nullptr));
    EXPECT_EQ(std::string(head, 4), "%!PS");
    ::DestroyWindow(graph);
}

TEST_F(GraphViewTest, GraphPropertiesCommandTakesTheSheetsValuesOnlyOnOk) {
    AppModule module;
    ProgramResources resources;
    ASSERT_TRUE(resources.Loaded());
    auto sensor = FakeSensor::Make(3, 1, 2, L"Hall");
    CGraphView graph(nullptr, sensor.Get());
    graph.SetClock(TestClock);
    ASSERT_TRUE(graph.CreateGraphWindow(m_parent, 3, 1));
    graph.Settings().majorXGrid = 1;
    auto uncheckMajorGridAnd = [](int button) {
        return [button](HWND sheet) {
            ::SendMessageW(sheet, PSM_SETCURSEL, 2, 0);
            HWND page = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
            ::CheckDlgButton(page, 1024, BST_UNCHECKED);
            ::PostMessageW(sheet, PSM_PRESSBUTTON, button, 0);
            ::PostMessageW(sheet, WM_NULL, 0, 0);  // the sheet's loop sees its end with the next message
        };
    };
    {
        DialogAnswer answer(L"Graph properties", uncheckMajorGridAnd(PSBTN_CANCEL));
        graph.SendMessage(WM_COMMAND, ID_GRAPH_PROPERTIES);
        EXPECT_TRUE(answer.Answered());
        EXPECT_EQ(graph.Settings().majorXGrid, 1);
    }
    DialogAnswer answer(L"Graph properties", uncheckMajorGridAnd(PSBTN_OK));
    graph.SendMessage(WM_COMMAND, ID_GRAPH_PROPERTIES);
    EXPECT_TRUE(answer.Answered());
    EXPECT_EQ(graph.Settings().majorXGrid, 0);
}
