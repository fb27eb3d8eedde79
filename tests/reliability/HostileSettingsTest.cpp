// Every value the program keeps in the registry, stored with the wrong type, the wrong size or a
// hostile content, read by a real main frame with a graph and the sensor list: what it uses is a
// default or bounded, and what it writes back when it closes is of the right kind and sane.
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FakeServer.h"
#include "FrameDriver.h"
#include "LayoutMath.h"
#include "MainFrame.h"
#include "MyAppModule.h"
#include "Protocol.h"
#include "Registry.h"
#include "SensorListText.h"
#include "SettingsStore.h"
#include "TestSupport.h"
#include "TimeScale.h"
#include "Units.h"

namespace {
using namespace reliability;

enum Kind { Dword, Float, Double, Block };
struct Setting {
    const wchar_t* key;
    const wchar_t* name;
    Kind kind;
};
// The graph is that of sensor 10 with settings index 1.
const Setting kSettings[] = {
    {L"Options", L"Unit", Dword},           {L"DeviceList", L"a", Dword},
    {L"DeviceList", L"b", Dword},           {L"DeviceList", L"c", Dword},
    {L"State", L"List of sensors", Block},  {L"State", L"D_10", Block},
    {L"D1", L"ScaleMin", Float},            {L"D1", L"ScaleMax", Float},
    {L"D1", L"ScaleTicks", Float},          {L"D1", L"ScaleMode", Dword},
    {L"D1", L"AxisColor", Dword},           {L"D1", L"MajorXGrid", Dword},
    {L"D1", L"MinorXGrid", Dword},          {L"D1", L"MajorYGrid", Dword},
    {L"D1", L"TimeScale", Dword},           {L"D1", L"HScrollStickToEnd", Dword},
    {L"D1", L"GridMajorColor", Dword},      {L"D1", L"GridMinorColor", Dword},
    {L"D1", L"TraceColor", Dword},          {L"D1", L"TraceStyle", Dword},
    {L"D1", L"UTCEndLogDate", Double},
};

// A stored value: registry type and bytes.
struct Stored {
    DWORD type;
    std::vector<BYTE> bytes;
};
template <class T>
Stored Of(DWORD type, T value) {
    Stored s{type, std::vector<BYTE>(sizeof(T))};
    std::memcpy(s.bytes.data(), &value, sizeof(T));
    return s;
}
Stored Text(DWORD type, const std::wstring& text, bool terminated) {
    const size_t chars = text.size() + (terminated ? 1 : 0);
    Stored s{type, std::vector<BYTE>(chars * sizeof(wchar_t))};
    std::memcpy(s.bytes.data(), text.c_str(), s.bytes.size());
    if (!terminated) s.bytes.push_back('x');  // an odd length as well
    return s;
}
Stored Bytes(size_t count, BYTE fill) { return Stored{REG_BINARY, std::vector<BYTE>(count, fill)}; }
Stored Record(std::initializer_list<int> fields) {
    Stored s{REG_BINARY, {}};
    for (int field : fields) {
        const BYTE* b = reinterpret_cast<const BYTE*>(&field);
        s.bytes.insert(s.bytes.end(), b, b + 4);
    }
    return s;
}

// The shapes tried, for every value whatever its kind.
std::vector<Stored> Shapes() {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    return {
        Text(REG_SZ, L"1", true),  // 4 bytes: the size of a number
        Text(REG_SZ, std::wstring(32 * 1024, L'9'), true),
        Text(REG_SZ, L"250", false),
        Text(REG_MULTI_SZ, std::wstring(L"a\0b\0", 4), true),
        Text(REG_EXPAND_SZ, L"%TEMP%", true),
        Bytes(0, 0),
        Bytes(1, 0xFF),
        Bytes(3, 0x7F),
        Bytes(12, 0xFF),
        Bytes(64 * 1024, 0xFF),
        Of<DWORD>(REG_DWORD, 0),
        Of<DWORD>(REG_DWORD, 0xFFFFFFFFu),
        Of<DWORD>(REG_DWORD, 0x80000000u),
        Of<DWORD>(REG_DWORD, 0x7FFFFFFFu),
        Of<DWORD>(REG_DWORD, 3),
        Of<unsigned long long>(REG_QWORD, 0xFFFFFFFFFFFFFFFFull),
        Of<float>(REG_BINARY, std::numeric_limits<float>::quiet_NaN()),
        Of<float>(REG_BINARY, std::numeric_limits<float>::infinity()),
        Of<float>(REG_BINARY, -FLT_MAX),
        Of<float>(REG_BINARY, 1e-45f),
        Of<double>(REG_BINARY, nan),
        Of<double>(REG_BINARY, -inf),
        Of<double>(REG_BINARY, DBL_MAX),
        Of<double>(REG_BINARY, -1.0),
        Of<double>(REG_BINARY, 2958466.0),  // 31 Dec 9999
        Record({-1, -1, -1, -1, -1, -1, -1}),
        Record({2, 2, INT_MAX, INT_MIN, INT_MIN, INT_MAX, INT_MAX}),
        Record({3, 0, 0, 100000, 100000, -100000, -100000}),
        Record({INT_MIN, 7, -5, 0, 0, 0, 0}),
        Record({1, INT_MAX, INT_MIN, 0, 0, 1, 1}),
        Bytes(28, 0xFF),
    };
}

void Store(const Setting& setting, const Stored& value) {
    RegKey key = OpenSettingsKey(setting.key);
    ASSERT_TRUE(key);
    ASSERT_EQ(::RegSetValueExW(key, setting.name, 0, value.type, value.bytes.data(),
                               static_cast<DWORD>(value.bytes.size())),
              ERROR_SUCCESS);
}

// The value as the program left it: type and bytes, up to 64 KB.
Stored Load(const Setting& setting) {
    Stored s{REG_NONE, std::vector<BYTE>(64 * 1024 + 16)};
    RegKey key = OpenSettingsKey(setting.key);
    DWORD size = static_cast<DWORD>(s.bytes.size());
    if (!key || ::RegQueryValueExW(key, setting.name, nullptr, &s.type, s.bytes.data(), &size) != ERROR_SUCCESS)
        size = 0, s.type = REG_NONE;
    s.bytes.resize(size);
    return s;
}

int IntOf(const Stored& s) {
    int v = 0;
    std::memcpy(&v, s.bytes.data(), sizeof(v));
    return v;
}

class HostileSettings : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_resources.Loaded());
        DeleteProductKey();
    }
    void TearDown() override {
        g_server = nullptr;
        DeleteProductKey();
    }

    // One start and close of the main frame over the stored values; says what it found wrong.
    void Round(const std::string& story) {
        g_server = FakeServer::Make();
        g_server->sensors.push_back(FakeSensor::Make(10, 1, 1, L"Hall"));
        g_server->sensors.back()->lastValueResult = E_FAIL;
        {
            CMainFrame frame;
            frame.Views().SetServerFactory(HandOutServer);
            ASSERT_TRUE(frame.CreateEx(IDR_MAINFRAME)) << story;
            frame.ShowWindow(SW_SHOWNOACTIVATE);
            Pump();
            ::RedrawWindow(frame.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            Pump();

            EXPECT_TRUE(g_bFahrenheit == 0 || g_bFahrenheit == 1) << story;
            HWND list = frame.DeviceList().List();
            for (int column = 0; column < 3; ++column) {
                const LRESULT width = ::SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0);
                EXPECT_TRUE(width >= 0 && width <= kMaxColumnWidth) << story << " column " << column << ": " << width;
            }
            CGraphView* graph = frame.FindGraph(10, 1);
            ASSERT_NE(graph, nullptr) << story;
            const GraphSettings& s = graph->Settings();
            EXPECT_EQ(ValidTimeScale(s.timeScale), s.timeScale) << story;
            EXPECT_TRUE(Protocol::IsSaneValue(s.scale.min) && Protocol::IsSaneValue(s.scale.max) &&
                        Protocol::IsSaneValue(s.scale.ticks))
                << story;
            EXPECT_TRUE(s.endLogDate == 0 || Protocol::IsSaneTime(s.endLogDate)) << story;
            // Floating views stay where a screen is.
            const RECT screen{::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                              ::GetSystemMetrics(SM_XVIRTUALSCREEN) + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
                              ::GetSystemMetrics(SM_YVIRTUALSCREEN) + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
            for (HWND view : {list, graph->m_window}) {
                RECT r{};
                ::GetWindowRect(view, &r);
                RECT common{};
                if (::IsWindowVisible(view) && r.right > r.left && r.bottom > r.top) {
                    EXPECT_TRUE(::IntersectRect(&common, &r, &screen)) << story << ": a view off every screen";
                }
            }
            // Closed as the user closes it: the layout and the unit are saved then.
            frame.SendMessage(WM_CLOSE);
            Pump();
            EXPECT_FALSE(frame.IsWindow()) << story;
        }
        g_server = nullptr;

        for (const Setting& setting : kSettings) {
            const Stored s = Load(setting);
            std::string what = story;
            for (const wchar_t* c = setting.name; *c; ++c) what += static_cast<char>(*c);
            if (s.type == REG_NONE) continue;  // not written back: the next start uses the default
            switch (setting.kind) {
            case Dword:
                ASSERT_EQ(s.type, static_cast<DWORD>(REG_DWORD)) << what;
                ASSERT_EQ(s.bytes.size(), 4u) << what;
                break;
            case Float: {
                ASSERT_EQ(s.type, static_cast<DWORD>(REG_BINARY)) << what;
                ASSERT_EQ(s.bytes.size(), 4u) << what;
                float v;
                std::memcpy(&v, s.bytes.data(), 4);
                EXPECT_TRUE(Protocol::IsSaneValue(v)) << what << " " << v;
                break;
            }
            case Double: {
                ASSERT_EQ(s.type, static_cast<DWORD>(REG_BINARY)) << what;
                ASSERT_EQ(s.bytes.size(), 8u) << what;
                double v;
                std::memcpy(&v, s.bytes.data(), 8);
                EXPECT_TRUE(v == 0 || Protocol::IsSaneTime(v)) << what << " " << v;
                break;
            }
            case Block: {
                ASSERT_EQ(s.type, static_cast<DWORD>(REG_BINARY)) << what;
                ASSERT_EQ(s.bytes.size(), static_cast<size_t>(DockSplitTab::kStateRecordSize)) << what;
                const DockSplitTab::StateRecord r = DockSplitTab::DecodeState(s.bytes.data(), 28);
                EXPECT_TRUE(r.kind >= 0 && r.kind <= 3) << what << " kind " << r.kind;
                EXPECT_TRUE(r.rect.left <= r.rect.right && r.rect.top <= r.rect.bottom) << what;
                EXPECT_TRUE(std::abs(r.rect.left) < 100000 && std::abs(r.rect.bottom) < 100000) << what;
                break;
            }
            }
            if (setting.kind != Dword) continue;
            const std::wstring name = setting.name;
            const int v = IntOf(s);
            if (name == L"Unit" || name == L"HScrollStickToEnd") {
                EXPECT_TRUE(v == 0 || v == 1) << what << " " << v;
            } else if (name == L"TimeScale") {
                EXPECT_EQ(ValidTimeScale(v), v) << what;
            } else if (name.size() == 1) {
                EXPECT_TRUE(v >= kMinColumnWidth && v <= kMaxColumnWidth) << what << " " << v;
            }
        }
        ++m_rounds;
    }

    ProgramResources m_resources;
    int m_rounds = 0;
};
}  // namespace

// Each shape in every value at once, then rounds where each value has a shape of its own.
TEST_F(HostileSettings, DefaultsOrBoundedValuesAreUsedAndWrittenBack) {
    const std::vector<Stored> shapes = Shapes();
    int tried = 0;
    for (size_t shape = 0; shape < shapes.size(); ++shape) {
        DeleteProductKey();
        for (const Setting& setting : kSettings) Store(setting, shapes[shape]);
        tried += static_cast<int>(std::size(kSettings));
        Round("shape " + std::to_string(shape) + ": ");
        if (HasFatalFailure()) return;
    }
    const unsigned seed = 1208;
    std::mt19937 random(seed);
    for (int round = 0; round < 40; ++round) {
        DeleteProductKey();
        std::string story = "mixed round " + std::to_string(round) + " (shapes";
        for (const Setting& setting : kSettings) {
            const size_t shape = random() % shapes.size();
            Store(setting, shapes[shape]);
            story += " " + std::to_string(shape);
        }
        tried += static_cast<int>(std::size(kSettings));
        Round(story + "): ");
        if (HasFatalFailure()) return;
    }
    std::printf("hostile settings: %zu values x %zu shapes, %d stored values tried in %d starts (seed %u)\n",
                std::size(kSettings), shapes.size(), tried, m_rounds, seed);
    RecordProperty("values_tried", tried);
}
