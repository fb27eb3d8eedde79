// The main frame's link to the logger server, against an in-process server whose answers the
// tests choose.
#include <cmath>
#include <limits>
#include <gtest/gtest.h>

#include "FakeServer.h"
#include "MainFrame.h"
#include "MyAppModule.h"
#include "SettingsStore.h"
#include "TestSupport.h"

namespace {
ComPtr<FakeServer> g_server;
HRESULT g_createResult = S_OK;

HRESULT MakeFakeServer(IOstrelServer** server) {
    *server = nullptr;
    if (FAILED(g_createResult)) return g_createResult;
    g_server->AddRef();
    *server = g_server.Get();
    return S_OK;
}

void Pump() {
    MSG msg;
    for (int i = 0; i < 500 && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT) return;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

std::wstring StatusText(HWND statusBar) {
    wchar_t text[256] = {};
    ::SendMessageW(statusBar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

class ServerLink : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_resources.Loaded());
        DeleteProductKey();
        g_server = FakeServer::Make();
        g_createResult = S_OK;
        m_frame.Views().SetServerFactory(MakeFakeServer);
    }
    void TearDown() override {
        if (m_frame.IsWindow()) m_frame.DestroyWindow();
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}
        g_server = nullptr;
        DeleteProductKey();
    }
    // The graph of sensor 20 is made by the fill or by its first event; a second event arrives
    // inside the server call that reads its name, a third after the making.
    void CheckEventsDuringMaking(bool byEvent) {
        FakeSensor* sensor = AddSensor(20, 1, 1, L"Hall");
        sensor->lastValueResult = E_FAIL;
        EventData during(20, 46000.52, 19.5f, 0), later(20, 46000.53, 20.0f, 0);
        bool fired = false;
        sensor->duringNameRead = [&] {
            if (!fired) g_server->FireNewValue(1, during.data);
            fired = true;
        };
        g_server->noCollection = byEvent;
        Create();
        if (byEvent) {
            EventData first(20, 46000.51, 19.0f, 0);
            g_server->FireNewValue(1, first.data);
        }
        g_server->FireNewValue(1, later.data);
        EXPECT_TRUE(fired);
        EXPECT_EQ(m_frame.GraphCount(), 1u);
        EXPECT_EQ(::SendMessageW(m_frame.DeviceList().List(), LVM_GETITEMCOUNT, 0, 0), 1);
        CGraphView* graph = m_frame.FindGraph(20, 1);
        ASSERT_NE(graph, nullptr);
        EXPECT_DOUBLE_EQ(graph->LastLiveTime(), 46000.53);
        EXPECT_FLOAT_EQ(graph->LastLiveValue(), 20.0f);
        sensor->duringNameRead = nullptr;
    }
    void Create() {
        ASSERT_TRUE(m_frame.CreateEx(IDR_MAINFRAME));
        m_frame.ShowWindow(SW_SHOWNOACTIVATE);
        Pump();
    }
    FakeSensor* AddSensor(long id, long type, long index, const wchar_t* name) {
        g_server->sensors.push_back(FakeSensor::Make(id, type, index, name));
        return g_server->sensors.back().Get();
    }

    ProgramResources m_resources;
    CMainFrame m_frame;
};
}  // namespace

TEST(NewValueEvent, OnlyWellShapedEventsAreRead) {
    struct {
        const char* story;
        unsigned long type;
        int elements;
        LONG lowerBound;
        bool read;
    } cases[] = {
        {"temperature with signal", 2, 5, 0, true},
        {"three elements", 1, 3, 0, false},
        {"lower bound 1", 1, 5, 1, false},
        {"type 0", 0, 5, 0, false},
        {"type 7", 7, 5, 0, false},
        {"four elements", 5, 4, 0, true},
    };
    for (const auto& c : cases) {
        EventData event(10, 46000.5, 21.5f, -55, c.elements, c.lowerBound);
        NewValue value;
        EXPECT_EQ(ReadNewValue(c.type, event.data, value), c.read) << c.story;
    }
    // Not an array of variants.
    Variant doubles;
    doubles.vt = VT_ARRAY | VT_R8;
    doubles.parray = ::SafeArrayCreateVector(VT_R8, 0, 5);
    NewValue value;
    EXPECT_FALSE(ReadNewValue(1, doubles, value));
}

TEST(NewValueEvent, TimesAndValuesNoSensorCanHaveAreRefused) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    struct {
        double time;
        float value, signal;
        bool read;
    } cases[] = {
        {46000.5, 21.5f, -55, true},   {1e17, 21.5f, -55, false},       {inf, 21.5f, -55, false},
        {-inf, 21.5f, -55, false},     {nan, 21.5f, -55, false},        {0, 21.5f, -55, false},
        {46000.5, NAN, -55, false},    {46000.5, INFINITY, -55, false}, {46000.5, 3e30f, -55, false},
        {46000.5, 21.5f, NAN, false},  {73051, -40, -120, true},
    };
    for (const auto& c : cases) {
        EventData event(10, c.time, c.value, c.signal);
        NewValue value;
        EXPECT_EQ(ReadNewValue(2, event.data, value), c.read) << c.time << " " << c.value << " " << c.signal;
    }
    // A two-dimensional array with enough elements is not the event's shape.
    SAFEARRAYBOUND bounds[2] = {{5, 0}, {5, 0}};
    Variant grid;
    grid.vt = VT_ARRAY | VT_VARIANT;
    grid.parray = ::SafeArrayCreate(VT_VARIANT, 2, bounds);
    NewValue value;
    EXPECT_FALSE(ReadNewValue(1, grid, value));
}

TEST(NewValueEvent, NormalisesTheTypeAndTakesTheSignalOnlyWithIt) {
    struct {
        unsigned long type;
        int storedType;
        float signal;
        int key;
    } cases[] = {{1, 1, 0, 10}, {2, 1, -55, 10}, {3, 3, 0, 11}, {4, 3, -55, 11}, {5, 5, 0, 11}, {6, 5, -55, 11}};
    for (const auto& c : cases) {
        EventData event(10, 46000.5, 21.5f, -55);
        NewValue value;
        ASSERT_TRUE(ReadNewValue(c.type, event.data, value)) << c.type;
        EXPECT_EQ(value.id, 10);
        EXPECT_EQ(value.type, c.storedType) << c.type;
        EXPECT_EQ(value.signal, c.signal) << c.type;
        EXPECT_DOUBLE_EQ(value.time, 46000.5);
        EXPECT_FLOAT_EQ(value.value, 21.5f);
        EXPECT_EQ(ViewKey(value.id, static_cast<int>(c.type)), c.key) << c.type;
    }
}

TEST_F(ServerLink, FillMakesAGraphTabPerSensorWithTheServersType) {
    AddSensor(100, 2, 1, L"Office");
    AddSensor(101, 4, 2, L"Office");
    AddSensor(110, 1, 3, L"");
    Create();
    EXPECT_EQ(m_frame.GraphCount(), 3u);
    CGraphView* humidity = m_frame.FindGraph(100, 3);  // key 101
    ASSERT_NE(humidity, nullptr);
    EXPECT_EQ(humidity->SensorType(), 4);  // the fill keeps the server's code
    CGraphView* outdoor = m_frame.FindGraph(110, 1);
    ASSERT_NE(outdoor, nullptr);
    EXPECT_EQ(outdoor->SensorName(), L"Device 110");
    EXPECT_TRUE(m_frame.Dock().Central().HoldsView(outdoor->m_window));
    EXPECT_EQ(m_frame.Views().TableView(outdoor->m_window), outdoor);
}

TEST_F(ServerLink, TheZoomMenuChecksTheActiveGraphsTimeScale) {
    AddSensor(110, 1, 3, L"Cellar");
    Create();
    CGraphView* graph = m_frame.FindGraph(110, 1);
    ASSERT_NE(graph, nullptr);
    m_frame.Dock().BringToFront(graph->m_window);
    ASSERT_EQ(m_frame.ActiveViewWindow(), graph->m_window);
    m_frame.OnIdle(0);
    EXPECT_TRUE(m_frame.UIGetState(2001).checked);  // 4 hours, the default
    m_frame.SendMessage(WM_COMMAND, 2004);          // forwarded to the graph
    EXPECT_EQ(graph->TimeScaleIndex(), 4);
    m_frame.OnIdle(0);
    EXPECT_TRUE(m_frame.UIGetState(2004).checked);
    EXPECT_FALSE(m_frame.UIGetState(2001).checked);
}

TEST_F(ServerLink, AFailingCountEndsTheFillAndNoCollectionMeansNoSensors) {
    AddSensor(100, 1, 1, L"Office");
    g_server->countResult = E_FAIL;
    Create();
    EXPECT_EQ(m_frame.GraphCount(), 0u);
    m_frame.DestroyWindow();

    CMainFrame second;
    second.Views().SetServerFactory(MakeFakeServer);
    g_server->countResult = S_OK;
    g_server->noCollection = true;
    ASSERT_TRUE(second.CreateEx(IDR_MAINFRAME));
    EXPECT_EQ(second.GraphCount(), 0u);
    second.DestroyWindow();
}

// A server delivers events inside every call, also inside those that make a graph: they must
// neither make a second graph for the same sensor nor be lost, whether the graph is made by the
// fill or by an event.
TEST_F(ServerLink, EventsDuringAGraphsMakingReachThatGraph) {
    CheckEventsDuringMaking(false);
}

TEST_F(ServerLink, EventsDuringTheMakingOfAGraphForAnEventReachThatGraph) {
    CheckEventsDuringMaking(true);
}

TEST_F(ServerLink, EventsForAnUnknownSensorMakeOneGraph) {
    Create();
    FakeSensor* sensor = AddSensor(10, 4, 5, L"Cellar");
    sensor->lastValueResult = E_FAIL;
    EventData first(10, 46000.5, 55.5f, -45), second(10, 46000.51, 56.0f, -75);
    g_server->FireNewValue(4, first.data);
    g_server->FireNewValue(4, second.data);
    EXPECT_EQ(m_frame.GraphCount(), 1u);
    EXPECT_EQ(::SendMessageW(m_frame.DeviceList().List(), LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(g_server->getSensorCalls, 1);
    CGraphView* graph = m_frame.FindGraph(10, 3);
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->SensorType(), 3);  // made by an event: the normalised code
    EXPECT_DOUBLE_EQ(graph->LastLiveTime(), 46000.51);
    EXPECT_FLOAT_EQ(graph->LastLiveValue(), 56.0f);
    EXPECT_FLOAT_EQ(graph->LastLiveSignal(), -75.0f);

    // Badly shaped events and unknown sensors change nothing.
    EventData shortEvent(12, 46000.5, 1, 0, 3);
    g_server->FireNewValue(1, shortEvent.data);
    EventData unknown(30, 46000.5, 1, 0);
    g_server->FireNewValue(1, unknown.data);
    EXPECT_EQ(m_frame.GraphCount(), 1u);
}

TEST_F(ServerLink, StatusTextsStayASecondAfterTheLastOne) {
    Create();
    g_server->FireMessage(L"Sensor 100: signal weak");
    EXPECT_EQ(StatusText(m_frame.StatusBar()), L"Sensor 100: signal weak");
    g_server->FireMessage(L"Sensor 101: signal back");
    EXPECT_EQ(StatusText(m_frame.StatusBar()), L"Sensor 101: signal back");
    m_frame.SendMessage(WM_TIMER, 0x4242);  // not ours: nothing
    EXPECT_EQ(StatusText(m_frame.StatusBar()), L"Sensor 101: signal back");
    m_frame.SendMessage(WM_TIMER, CMainFrame::kStatusTimer);
    EXPECT_EQ(StatusText(m_frame.StatusBar()), L"Ready");
}

TEST_F(ServerLink, DisconnectsWhenTheWindowGoes) {
    Create();
    ASSERT_TRUE(g_server->subscriber);
    m_frame.DestroyWindow();
    EXPECT_EQ(g_server->disconnectCalls, 1);
    EXPECT_FALSE(g_server->subscriber);
    EXPECT_EQ(m_frame.Server(), nullptr);
}

TEST_F(ServerLink, AFailedConnectionIsReportedAndTheProgramRunsWithoutServer) {
    g_createResult = REGDB_E_CLASSNOTREG;
    std::wstring message;
    {
        DialogAnswer answer(L"Kestrova", [&](HWND box) {
            message = WindowText(::GetDlgItem(box, 0xFFFF));
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        Create();
    }
    EXPECT_EQ(message, FormatText(L"Could not connect to server (%s, 80040154)\n\nRegister the server again or "
                                  L"restart the computer (Wine: wineserver -k).",
                                  ComErrorText(REGDB_E_CLASSNOTREG).c_str()));
    EXPECT_EQ(m_frame.Server(), nullptr);
    EXPECT_EQ(m_frame.GraphCount(), 0u);

    // Later the about box connects, shows the server's version, and the sensors come.
    g_createResult = S_OK;
    AddSensor(100, 1, 1, L"Office");
    std::wstring server;
    {
        DialogAnswer answer(L"About Kestrova", [&](HWND box) {
            server = WindowText(::GetDlgItem(box, 1041));
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        m_frame.SendMessage(WM_COMMAND, ID_APP_ABOUT);
    }
    EXPECT_EQ(server, L"Fake logger 0.1");
    EXPECT_EQ(m_frame.GraphCount(), 1u);
    EXPECT_EQ(::SendMessageW(m_frame.DeviceList().List(), LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_THROW(m_frame.Views().ConnectToServer(m_frame), ComError);  // already subscribed
}

namespace {
// Runs a sensor command of the list on the row of `graph`.
void ListCommand(CMainFrame& frame, CGraphView* graph, UINT command) {
    LVITEMW state{};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(frame.DeviceList().List(), LVM_SETITEMSTATE, frame.DeviceList().FindDeviceRow(graph),
                   reinterpret_cast<LPARAM>(&state));
    frame.DeviceList().SendMessage(WM_COMMAND, command);
}

std::wstring TabCaption(CMainFrame& frame, HWND view) {
    DockSplitTab::Pane* pane = frame.Dock().Central().PaneOf(view);
    return pane ? pane->Item(view).caption : L"<no tab>";
}

const wchar_t* const kGraphKey = L"software\\KV\\Kestrova\\D7";
}  // namespace

namespace {
// The sensor commands of the list and the graph.
class SensorCommands : public ServerLink {
protected:
    // The server takes the values in order; the first refusal skips the rest and is shown, while
    // the graph, its tab and its row show everything the user typed.
    void CheckProperties(int failFrom) {
        FakeSensor* sensor = AddSensor(11, 3, 7, L"Cellar");
        sensor->description = L"old";
        sensor->putFailFrom = failFrom;
        Create();
        CGraphView* graph = m_frame.FindGraph(11, 3);
        ASSERT_NE(graph, nullptr);
        std::wstring idText, error;
        LRESULT checked = -1;
        DialogAnswer answer(L"Sensor properties", [&](HWND box) {
            idText = WindowText(::GetDlgItem(box, 1012));
            checked = ::SendDlgItemMessageW(box, 1043, BM_GETCHECK, 0, 0);
            ::SetDlgItemTextW(box, 1013, L"Cellar north");
            ::SetDlgItemTextW(box, 1014, L"by the door");
            ::SendDlgItemMessageW(box, 1043, BM_SETCHECK, BST_UNCHECKED, 0);
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        if (failFrom < 3)
            answer.Then(L"Kestrova", [&](HWND box) {
                error = WindowText(::GetDlgItem(box, 0xFFFF));
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            });
        ListCommand(m_frame, graph, ID_SENSOR_PROPERTIES);
        EXPECT_TRUE(answer.Answered()) << failFrom;
        EXPECT_EQ(idText, L"10 RH");
        EXPECT_EQ(checked, BST_CHECKED);
        EXPECT_EQ(error, failFrom < 3 ? ComErrorText(E_ACCESSDENIED) : L"") << failFrom;
        EXPECT_EQ(sensor->name, failFrom > 0 ? L"Cellar north" : L"Cellar") << failFrom;
        EXPECT_EQ(sensor->description, failFrom > 1 ? L"by the door" : L"old") << failFrom;
        EXPECT_EQ(sensor->enabled, failFrom > 2 ? VARIANT_FALSE : VARIANT_TRUE) << failFrom;
        EXPECT_EQ(graph->SensorName(), L"Cellar north");
        EXPECT_EQ(graph->Description(), L"by the door");
        EXPECT_FALSE(graph->Enabled());
        EXPECT_EQ(TabCaption(m_frame, graph->m_window), L"Cellar north");
        EXPECT_EQ(ListItemText(m_frame.DeviceList().List(), 0, 0), L"Cellar north");
    }

    // Yes removes the sensor: its graph, tab, row and settings key go, and a measurement the
    // server sent before it forgot the sensor brings none of them back, whether or not the server
    // still answers for it.
    void CheckRemovalWithLateEvent(bool listsRemoved) {
        FakeSensor* sensor = AddSensor(20, 1, 7, L"Hall");
        g_server->listsRemoved = listsRemoved;
        Create();
        CGraphView* graph = m_frame.FindGraph(20, 1);
        ASSERT_NE(graph, nullptr);
        HWND window = graph->m_window;
        WriteSettingDword(L"D7", L"TimeScale", 3);
        std::wstring question;
        {
            DialogAnswer answer(L"List of sensors", [&](HWND box) {
                question = WindowText(::GetDlgItem(box, 0xFFFF));
                ::PostMessageW(box, WM_COMMAND, IDYES, 0);
            });
            ListCommand(m_frame, graph, ID_SENSOR_REMOVE);
        }
        EXPECT_EQ(question, L"Sensor 'Hall' will be removed from the sensorlist, all logging of this sensor will "
                            L"be removed as well.\nAre you sure to remove sensor 'Hall'? ");
        EXPECT_TRUE(sensor->removed);
        EXPECT_FALSE(::IsWindow(window));
        EXPECT_FALSE(m_frame.Dock().IsInLayout(window));
        EXPECT_FALSE(KeyExists(kGraphKey));
        EventData late(20, 46000.52, 19.5f, 0);
        g_server->FireNewValue(1, late.data);
        EXPECT_EQ(m_frame.GraphCount(), 0u) << listsRemoved;
        EXPECT_EQ(::SendMessageW(m_frame.DeviceList().List(), LVM_GETITEMCOUNT, 0, 0), 0) << listsRemoved;
    }
};
}  // namespace

// Cancel and No leave the server, the graph and the list alone; Cancel still renews the
// automatic scale.
TEST_F(SensorCommands, CancelAndNoChangeNothing) {
    FakeSensor* sensor = AddSensor(20, 1, 7, L"Hall");
    Create();
    CGraphView* graph = m_frame.FindGraph(20, 1);
    ASSERT_NE(graph, nullptr);
    graph->AddLiveSample(46000.5, 21.5f, 0);
    graph->Settings().scale = ValueScale{-100, 100, 50};
    {
        DialogAnswer answer(L"Sensor properties", [](HWND box) {
            ::SetDlgItemTextW(box, 1013, L"Porch");
            ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_FALSE(graph->ShowSensorProperties());
    }
    EXPECT_EQ(graph->SensorName(), L"Hall");
    EXPECT_EQ(sensor->name, L"Hall");
    EXPECT_EQ(graph->Settings().scale, AutoScale(21.5f, 21.5f));
    {
        DialogAnswer answer(L"List of sensors", [](HWND box) { ::PostMessageW(box, WM_COMMAND, IDNO, 0); });
        ListCommand(m_frame, graph, ID_SENSOR_REMOVE);
        EXPECT_TRUE(answer.Answered());
    }
    EXPECT_FALSE(sensor->removed);
    EXPECT_EQ(m_frame.FindGraph(20, 1), graph);
    EXPECT_FALSE(graph->Removed());
    EXPECT_EQ(::SendMessageW(m_frame.DeviceList().List(), LVM_GETITEMCOUNT, 0, 0), 1);
}

TEST_F(SensorCommands, PropertiesReachGraphServerTabAndRow) { CheckProperties(99); }
TEST_F(SensorCommands, AFailingPutNameSkipsTheRestAndIsShown) { CheckProperties(0); }
TEST_F(SensorCommands, AFailingPutEnabledIsShown) { CheckProperties(2); }
TEST_F(SensorCommands, RemovalWithALateEventFromAServerThatForgot) { CheckRemovalWithLateEvent(false); }
TEST_F(SensorCommands, RemovalWithALateEventFromAServerSlowToForget) { CheckRemovalWithLateEvent(true); }

// A refused removal is shown with the server's reason, and the sensor stays in every respect.
TEST_F(SensorCommands, AFailedRemovalIsShownAndKeepsEverything) {
    FakeSensor* sensor = AddSensor(20, 1, 7, L"Hall");
    sensor->removeResult = E_ACCESSDENIED;
    Create();
    CGraphView* graph = m_frame.FindGraph(20, 1);
    ASSERT_NE(graph, nullptr);
    std::wstring error;
    {
        DialogAnswer answer(L"List of sensors", [](HWND box) { ::PostMessageW(box, WM_COMMAND, IDYES, 0); });
        answer.Then(L"List of sensors", [&](HWND box) {
            error = WindowText(::GetDlgItem(box, 0xFFFF));
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        graph->RemoveSensor();
        EXPECT_TRUE(answer.Answered());
    }
    EXPECT_EQ(error, ComErrorText(E_ACCESSDENIED));
    EXPECT_EQ(m_frame.FindGraph(20, 1), graph);
    EXPECT_FALSE(graph->Removed());
    EXPECT_TRUE(m_frame.Dock().IsInLayout(graph->m_window));
    EXPECT_EQ(::SendMessageW(m_frame.DeviceList().List(), LVM_GETITEMCOUNT, 0, 0), 1);
    m_frame.DestroyWindow();
    EXPECT_TRUE(KeyExists(kGraphKey));  // its settings were saved as usual
}

// A hidden graph is not in the layout: its removal leaves graph and row until the program ends,
// and the settings key goes with the window then.
TEST_F(SensorCommands, RemovingAHiddenGraphKeepsItUntilTheEnd) {
    FakeSensor* sensor = AddSensor(20, 1, 7, L"Hall");
    Create();
    CGraphView* graph = m_frame.FindGraph(20, 1);
    ASSERT_NE(graph, nullptr);
    m_frame.ToggleClientView(graph->m_window);
    ASSERT_FALSE(m_frame.Dock().IsInLayout(graph->m_window));
    {
        DialogAnswer answer(L"List of sensors", [](HWND box) { ::PostMessageW(box, WM_COMMAND, IDYES, 0); });
        ListCommand(m_frame, graph, ID_SENSOR_REMOVE);
    }
    EXPECT_TRUE(sensor->removed);
    EXPECT_EQ(m_frame.FindGraph(20, 1), graph);
    EXPECT_TRUE(graph->Removed());
    EXPECT_EQ(::SendMessageW(m_frame.DeviceList().List(), LVM_GETITEMCOUNT, 0, 0), 1);
    WriteSettingDword(L"D7", L"TimeScale", 3);
    m_frame.DestroyWindow();
    EXPECT_FALSE(KeyExists(kGraphKey));
}

TEST(ReconnectSchedule, WaitsLongerAfterEachTryUpToTheLimit) {
    ReconnectSchedule schedule(5);
    schedule.Start();
    std::vector<int> tries;
    for (int tick = 1; tick <= 22; ++tick)
        if (schedule.Tick()) tries.push_back(tick);
    EXPECT_EQ(tries, (std::vector<int>{1, 3, 7, 12, 17, 22}));
    schedule.Start();  // a new loss starts from the shortest wait again
    EXPECT_TRUE(schedule.Tick());
}

namespace {
const wchar_t kServerGoneText[] = L"The logger server is not running. Trying to connect again...";

// Ticks of the link timer until the link is back; how many it took, or -1.
int TicksUntilBack(CMainFrame& frame, int limit) {
    for (int tick = 1; tick <= limit; ++tick) {
        frame.SendMessage(WM_TIMER, CMainFrame::kLinkTimer);
        if (frame.Server()) return tick;
    }
    return -1;
}

std::wstring AboutServerLine(CMainFrame& frame) {
    std::wstring line;
    DialogAnswer answer(L"About Kestrova", [&](HWND box) {
        line = WindowText(::GetDlgItem(box, 1041));
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    frame.SendMessage(WM_COMMAND, ID_APP_ABOUT);
    return line;
}
}  // namespace

// The server stops answering: the probe notices, the status bar says so until it is back, nothing
// shown goes, and the dead server is not called again. It comes back as a new session with a
// sensor more: the graphs there are taken over and fetch again, the new one is added.
TEST_F(ServerLink, AServerThatGoesIsNoticedAndFoundAgain) {
    AddSensor(20, 1, 7, L"Hall");
    AddSensor(21, 3, 8, L"Hall");
    Create();
    CGraphView* graph = m_frame.FindGraph(20, 1);
    ASSERT_NE(graph, nullptr);
    m_frame.Views().OnMessage(L"Sensor 20: signal weak");
    ComPtr<FakeServer> gone = g_server;
    gone->goneResult = RPC_E_DISCONNECTED;
    m_frame.SendMessage(WM_TIMER, CMainFrame::kLinkTimer);
    EXPECT_TRUE(m_frame.Views().LinkLost());
    EXPECT_EQ(m_frame.Server(), nullptr);
    EXPECT_EQ(StatusText(m_frame.StatusBar()), kServerGoneText);
    EXPECT_TRUE(m_frame.DeviceList().Stale());
    EXPECT_EQ(gone->disconnectCalls, 0);
    EXPECT_TRUE(gone->subscriber);  // not unsubscribed: that would be a call into it
    // Neither the end of a status text nor a closing menu says "Ready" meanwhile.
    m_frame.SendMessage(WM_TIMER, CMainFrame::kStatusTimer);
    m_frame.SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(StatusText(m_frame.StatusBar()), kServerGoneText);
    EXPECT_EQ(m_frame.GraphCount(), 2u);
    EXPECT_EQ(m_frame.FindGraph(20, 1), graph);
    EXPECT_TRUE(::IsWindow(graph->m_window));
    EXPECT_EQ(::SendMessageW(m_frame.DeviceList().List(), LVM_GETITEMCOUNT, 0, 0), 2);

    // Under Wine a killed server's class can stay unusable: the status bar and the about box say so.
    g_server = FakeServer::Make();
    g_createResult = REGDB_E_CLASSNOTREG;
    EXPECT_EQ(AboutServerLine(m_frame),
              FormatText(L"Could not connect to server (%s, 80040154)", ComErrorText(REGDB_E_CLASSNOTREG).c_str()));
    EXPECT_EQ(StatusText(m_frame.StatusBar()), L"The logger server cannot be started (80040154). Register the server "
                                               L"again or restart the computer (Wine: wineserver -k).");

    FakeSensor* hall = AddSensor(20, 2, 7, L"Hall");
    hall->SetData({46000.25, 46000.5}, {19.0f, 19.5f});
    AddSensor(21, 4, 8, L"Hall");
    AddSensor(30, 1, 9, L"Attic");
    g_createResult = S_OK;
    EXPECT_GT(TicksUntilBack(m_frame, 10), 0);
    EXPECT_FALSE(m_frame.Views().LinkLost());
    EXPECT_EQ(StatusText(m_frame.StatusBar()), L"Ready");
    EXPECT_FALSE(m_frame.DeviceList().Stale());
    EXPECT_EQ(m_frame.GraphCount(), 3u);
    EXPECT_EQ(::SendMessageW(m_frame.DeviceList().List(), LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(m_frame.FindGraph(20, 1), graph);
    EXPECT_EQ(hall->dataCalls, 1);
    EXPECT_EQ(graph->FetchedSamples().size(), 2u);
    EXPECT_NE(m_frame.FindGraph(30, 1), nullptr);
    EventData next(20, 46000.6, 20.5f, -50);
    EXPECT_EQ(g_server->FireNewValue(2, next.data), S_OK);
    EXPECT_FLOAT_EQ(graph->LastLiveValue(), 20.5f);
}

// A graph's own call can be the first to find the server gone; the about box then connects at once.
TEST_F(ServerLink, AGraphsCallThatFindsTheServerGoneDropsTheLink) {
    FakeSensor* hall = AddSensor(20, 1, 7, L"Hall");
    Create();
    CGraphView* graph = m_frame.FindGraph(20, 1);
    ASSERT_NE(graph, nullptr);
    hall->dataResult = HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);
    graph->Refetch();
    EXPECT_TRUE(m_frame.Views().LinkLost());
    EXPECT_EQ(StatusText(m_frame.StatusBar()), kServerGoneText);
    const int calls = hall->dataCalls;
    graph->Refetch();  // the object of the session that went is not called again
    EXPECT_EQ(hall->dataCalls, calls);

    hall->dataResult = S_OK;
    EXPECT_EQ(AboutServerLine(m_frame), L"Fake logger 0.1");
    EXPECT_FALSE(m_frame.Views().LinkLost());
    EXPECT_EQ(m_frame.GraphCount(), 1u);
    EXPECT_EQ(StatusText(m_frame.StatusBar()), L"Ready");
}
