// Measurement events of every shape through the main frame's event sink, as the server's Invoke
// delivers them: mostly mutations of a well-formed event. None may crash; only well-formed ones for
// a known sensor may change a graph or a list row, and those must.
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FakeServer.h"
#include "FrameDriver.h"
#include "MainFrame.h"
#include "MyAppModule.h"
#include "Protocol.h"
#include "SettingsStore.h"
#include "TestSupport.h"

namespace {
using namespace reliability;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Small builders of variants that own what they hold once put into a Variant or an array.
void SetI4(VARIANT& v, long x) { v.vt = VT_I4; v.lVal = x; }
void SetR8(VARIANT& v, double x) { v.vt = VT_R8; v.dblVal = x; }
void SetR4(VARIANT& v, float x) { v.vt = VT_R4; v.fltVal = x; }
void SetText(VARIANT& v, const wchar_t* text) { v.vt = VT_BSTR; v.bstrVal = text ? ::SysAllocString(text) : nullptr; }

// One event element or argument that no reader can take as a number of a sensor.
void SetJunk(VARIANT& v, std::mt19937& random) {
    ::VariantInit(&v);
    switch (random() % 9) {
    case 0: SetText(v, L"abc"); break;
    case 1: SetText(v, nullptr); break;
    case 2: SetText(v, L""); break;
    case 3: SetR8(v, kNaN); break;
    case 4: v.vt = VT_NULL; break;
    case 5: v.vt = VT_DISPATCH; v.pdispVal = nullptr; break;
    case 6: v.vt = VT_UNKNOWN; v.punkVal = nullptr; break;
    case 7: v.vt = VT_ERROR; v.scode = DISP_E_PARAMNOTFOUND; break;
    default: {
        SAFEARRAYBOUND bound{3, 0};
        v.vt = VT_ARRAY | VT_R8;
        v.parray = ::SafeArrayCreate(VT_R8, 1, &bound);
        break;
    }
    }
}

struct Sensor {
    long id, type;  // the type the server lists; events may carry it with or without the signal level
};
const Sensor kSensors[] = {{10, 1}, {21, 4}, {41, 5}};

// What one case sends and what it must do.
struct Case {
    DISPID dispid = Protocol::kDispidOnNewValue;
    UINT argCount = 2;
    bool extraLeadingArg = false;
    Variant type;
    Variant elements[5];  // [0] id, [1] device, [2] time, [3] value, [4] signal
    size_t count = 5;      // of them sent
    // Shape of the data argument; when `dataOverride` is set, it is sent instead of the array.
    UINT dims = 1;
    LONG lowerBound = 0;
    ULONG extraCount = 0;  // elements beyond the given ones, left empty
    bool dataOverride = false;
    Variant data;
    // Expectation.
    bool accepted = true;
    int sensor = 0;
    double time = 0;
    float value = 0, signal = 0;
    std::string story;
};

class EventFuzz : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_resources.Loaded());
        DeleteProductKey();
        g_server = FakeServer::Make();
        int index = 1;
        for (const Sensor& s : kSensors) {
            g_server->sensors.push_back(FakeSensor::Make(s.id, s.type, index++, L"Fuzzed"));
            g_server->sensors.back()->lastValueResult = E_FAIL;
        }
        m_frame.Views().SetServerFactory(HandOutServer);
        ASSERT_TRUE(m_frame.CreateEx(IDR_MAINFRAME));
        m_frame.ShowWindow(SW_SHOWNOACTIVATE);
        Pump();
    }
    void TearDown() override {
        if (m_frame.IsWindow()) m_frame.DestroyWindow();
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}
        g_server = nullptr;
        DeleteProductKey();
    }

    CGraphView* Graph(int sensor) { return m_frame.FindGraph(kSensors[sensor].id, kSensors[sensor].type); }

    std::wstring RowText(int row, int column) {
        wchar_t text[128] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 128;
        ::SendMessageW(m_frame.DeviceList().List(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return text;
    }

    // Everything an event may change: graphs, their samples and newest values, the list's rows.
    struct State {
        size_t graphs = 0;
        LRESULT rows = 0;
        struct PerGraph {
            double time;
            float value, signal;
            size_t live, fetched;
            bool operator==(const PerGraph&) const = default;
        };
        std::vector<PerGraph> graph;
        std::vector<std::wstring> rowTexts;
        bool operator==(const State&) const = default;
    };
    State Snapshot() {
        State s;
        s.graphs = m_frame.GraphCount();
        s.rows = ::SendMessageW(m_frame.DeviceList().List(), LVM_GETITEMCOUNT, 0, 0);
        for (int i = 0; i < 3; ++i) {
            CGraphView* g = Graph(i);
            if (!g) continue;
            s.graph.push_back({g->LastLiveTime(), g->LastLiveValue(), g->LastLiveSignal(), g->LiveSamples().size(),
                               g->FetchedSamples().size()});
        }
        for (int row = 0; row < s.rows; ++row) {
            s.rowTexts.push_back(RowText(row, 1));
            s.rowTexts.push_back(RowText(row, 2));
        }
        return s;
    }

    ProgramResources m_resources;
    CMainFrame m_frame;
};

// A well-formed event for one of the sensors, then 0 to 2 mutations that say what they do to the
// expectation.
void MakeCase(Case& c, std::mt19937& random, int n) {
    c.sensor = static_cast<int>(random() % 3);
    const Sensor& sensor = kSensors[c.sensor];
    const long quantity = Protocol::Quantity(sensor.type);
    const bool withSignal = random() % 2 != 0;
    const long type = withSignal ? quantity + 1 : quantity;
    c.time = 46000.0 + n * 1e-5;  // each case its own time, so that a taken event always shows
    c.value = static_cast<float>((n % 4000) * 0.5 - 1000.0);
    const float sentSignal = -static_cast<float>(n % 90) - 1.0f;
    c.signal = withSignal ? sentSignal : 0.0f;
    SetI4(c.type, type);
    SetI4(c.elements[0], sensor.id);
    SetI4(c.elements[1], sensor.id & ~1);
    c.elements[2].vt = VT_DATE;
    c.elements[2].date = c.time;
    SetR4(c.elements[3], c.value);
    SetR4(c.elements[4], sentSignal);
    if (withSignal && random() % 8 == 0) {  // four elements: no signal level even with the code
        c.count = 4;
        c.signal = 0;
    }

    // A later mutation of the same part replaces what an earlier one did to it.
    std::map<std::string, bool> badParts;
    auto refuse = [&](const char* part, const char* story) {
        badParts[part] = true;
        c.story += story;
        c.story += "; ";
    };
    auto note = [&](const char* part, const char* story) {
        badParts[part] = false;
        c.story += story;
        c.story += "; ";
    };
    int shortCount = -1;
    const int mutations = random() % 10 == 0 ? 0 : 1 + static_cast<int>(random() % 2);
    for (int m = 0; m < mutations; ++m) {
        switch (random() % 16) {
        case 0: {  // a type code outside 1..6 or of no number
            c.type.Clear();
            switch (random() % 8) {
            case 0: SetI4(c.type, 0); break;
            case 1: SetI4(c.type, 7); break;
            case 2: SetI4(c.type, -1); break;
            case 3: SetI4(c.type, INT_MIN); break;
            case 4: c.type.vt = VT_UI4; c.type.ulVal = 0xFFFFFFFFu; break;
            case 5: SetR8(c.type, 1e10); break;
            case 6: c.type.vt = VT_EMPTY; break;
            default: SetJunk(c.type, random); break;
            }
            refuse("type", "type out of range");
            break;
        }
        case 1: {  // the same type code in another variant type
            c.type.Clear();
            switch (random() % 4) {
            case 0: c.type.vt = VT_I2; c.type.iVal = static_cast<SHORT>(type); break;
            case 1: SetR8(c.type, type); break;
            case 2: SetText(c.type, std::to_wstring(type).c_str()); break;
            default: c.type.vt = VT_UI1; c.type.bVal = static_cast<BYTE>(type); break;
            }
            note("type", "type converted");
            break;
        }
        case 2: {  // data of another variant type
            c.dataOverride = true;
            c.data.Clear();
            switch (random() % 8) {
            case 0: break;  // VT_EMPTY
            case 1: c.data.vt = VT_NULL; break;
            case 2: SetI4(c.data, sensor.id); break;
            case 3: SetText(c.data, L"10;46000;21.5"); break;
            case 4: {  // the numbers as an array of doubles
                SAFEARRAYBOUND bound{5, 0};
                c.data.vt = VT_ARRAY | VT_R8;
                c.data.parray = ::SafeArrayCreate(VT_R8, 1, &bound);
                break;
            }
            case 5: c.data.vt = VT_ARRAY | VT_VARIANT; c.data.parray = nullptr; break;
            case 6: c.data.vt = VT_DISPATCH; c.data.pdispVal = nullptr; break;
            default: {
                SAFEARRAYBOUND bound{5, 0};
                c.data.vt = VT_ARRAY | VT_BSTR;
                c.data.parray = ::SafeArrayCreate(VT_BSTR, 1, &bound);
                break;
            }
            }
            refuse("data", "data not an array of variants");
            break;
        }
        case 3: c.dims = 2 + random() % 2; refuse("dims", "more dimensions"); break;
        case 4: {
            const LONG bounds[] = {1, -1, -5, INT_MIN, INT_MAX - 8, 1000};
            c.lowerBound = bounds[random() % 6];
            refuse("bound", "lower bound not 0");
            break;
        }
        case 5: shortCount = static_cast<int>(random() % 4); refuse("count", "fewer than 4 elements"); break;
        case 6: {  // an id no sensor has, or of no number
            c.elements[0].Clear();
            switch (random() % 7) {
            case 0: SetI4(c.elements[0], INT_MAX); break;
            case 1: SetI4(c.elements[0], INT_MIN); break;
            case 2: SetI4(c.elements[0], -1); break;
            case 3: SetR8(c.elements[0], 1e20); break;
            case 4: SetR8(c.elements[0], kInf); break;
            case 5: c.elements[0].vt = VT_EMPTY; break;  // reads as 0: a sensor the server does not know
            default: SetJunk(c.elements[0], random); break;
            }
            refuse("id", "unknown or unreadable id");
            break;
        }
        case 7: {  // the same id in another variant type
            c.elements[0].Clear();
            switch (random() % 4) {
            case 0: c.elements[0].vt = VT_I2; c.elements[0].iVal = static_cast<SHORT>(sensor.id); break;
            case 1: SetR8(c.elements[0], sensor.id); break;
            case 2: SetText(c.elements[0], std::to_wstring(sensor.id).c_str()); break;
            default: c.elements[0].vt = VT_I8; c.elements[0].llVal = sensor.id; break;
            }
            note("id", "id converted");
            break;
        }
        case 8: {  // a time no sensor can have
            c.elements[2].Clear();
            const double times[] = {kNaN, kInf, -kInf, 0, -1, 1e300, 25568.0, 73052.0, DBL_MAX, 4.9e-324};
            const int pick = static_cast<int>(random() % 12);
            if (pick < 10) {
                c.elements[2].vt = random() % 2 ? VT_DATE : VT_R8;
                c.elements[2].dblVal = times[pick];
            } else if (pick == 10) {
                c.elements[2].vt = VT_EMPTY;
            } else {
                SetJunk(c.elements[2], random);
            }
            refuse("time", "time out of range");
            break;
        }
        case 9: c.elements[2].Clear(); SetR8(c.elements[2], c.time); note("time", "time as double"); break;
        case 10: {  // a value no sensor measures
            c.elements[3].Clear();
            switch (random() % 7) {
            case 0: SetR4(c.elements[3], std::numeric_limits<float>::quiet_NaN()); break;
            case 1: SetR4(c.elements[3], std::numeric_limits<float>::infinity()); break;
            case 2: SetR4(c.elements[3], -2e6f); break;
            case 3: SetR4(c.elements[3], FLT_MAX); break;
            case 4: SetR8(c.elements[3], 1e300); break;  // does not fit a float
            case 5: SetR8(c.elements[3], kNaN); break;
            default: SetJunk(c.elements[3], random); break;
            }
            refuse("value", "value out of range");
            break;
        }
        case 11: {  // the value as another number type
            c.elements[3].Clear();
            c.value = static_cast<float>(static_cast<int>(c.value));
            if (random() % 2)
                SetR8(c.elements[3], c.value);
            else
                SetI4(c.elements[3], static_cast<long>(c.value));
            note("value", "value converted");
            break;
        }
        case 12: {  // a bad signal level: refused with the signal code, ignored without it
            if (c.count < 5) break;
            c.elements[4].Clear();
            if (random() % 2)
                SetR4(c.elements[4], std::numeric_limits<float>::infinity());
            else
                SetJunk(c.elements[4], random);
            if (withSignal)
                refuse("signal", "bad signal");
            else
                note("signal", "bad signal ignored");
            break;
        }
        case 13: {  // the element nobody reads, and more elements than needed
            if (c.count < 2) break;
            c.elements[1].Clear();
            SetJunk(c.elements[1], random);
            c.extraCount = random() % 64 == 0 ? 100000 : random() % 8;
            note("device", "junk in unread elements");
            break;
        }
        case 14: {  // other event ids and argument counts
            switch (random() % 4) {
            case 0: c.dispid = 0; break;
            case 1: c.dispid = 3 + random() % 1000; break;
            case 2: c.argCount = random() % 2; break;
            default: c.extraLeadingArg = true; break;
            }
            refuse("call", "other event or argument count");
            break;
        }
        default: {  // an element that is itself an array or an interface
            const bool id = random() % 2 != 0;
            Variant& slot = c.elements[id ? 0 : 3];
            slot.Clear();
            switch (random() % 3) {
            case 0: {
                SAFEARRAYBOUND bound{2, 0};
                slot.vt = VT_ARRAY | VT_VARIANT;
                slot.parray = ::SafeArrayCreate(VT_VARIANT, 1, &bound);
                break;
            }
            case 1: slot.vt = VT_UNKNOWN; slot.punkVal = nullptr; break;
            default: slot.vt = VT_DISPATCH; slot.pdispVal = nullptr; break;
            }
            refuse(id ? "id" : "value", "element of the wrong kind");
            break;
        }
        }
    }
    if (shortCount >= 0) {
        c.count = static_cast<size_t>(shortCount);
        c.extraCount = 0;
    }
    if (c.lowerBound > 0) c.extraCount = 0;  // the upper bound must stay within a LONG
    for (const auto& part : badParts)
        if (part.second) c.accepted = false;
}

// The data argument of a case: its elements in an array of the case's shape.
void BuildData(Case& c) {
    if (c.dataOverride) return;
    const ULONG count = static_cast<ULONG>(c.count) + c.extraCount;
    std::vector<SAFEARRAYBOUND> bounds(c.dims, SAFEARRAYBOUND{2, 0});
    bounds[0] = {count, c.lowerBound};
    c.data.vt = VT_ARRAY | VT_VARIANT;
    c.data.parray = ::SafeArrayCreate(VT_VARIANT, c.dims, bounds.data());
    ASSERT_NE(c.data.parray, nullptr);
    std::vector<LONG> index(c.dims, 0);
    for (size_t i = 0; i < c.count; ++i) {
        index[0] = c.lowerBound + static_cast<LONG>(i);
        ASSERT_EQ(::SafeArrayPutElement(c.data.parray, index.data(), &c.elements[i]), S_OK);
    }
}
}  // namespace

TEST_F(EventFuzz, OnlyWellFormedEventsForKnownSensorsChangeAnything) {
    unsigned seed = 20261208;
    if (const char* text = std::getenv("KSV_FUZZ_SEED")) seed = static_cast<unsigned>(std::strtoul(text, nullptr, 10));
    int cases = 100000;
    if (const char* text = std::getenv("KSV_FUZZ_CASES")) cases = std::atoi(text);
    std::printf("event fuzz: seed %u (KSV_FUZZ_SEED), %d cases\n", seed, cases);
    std::mt19937 random(seed);

    ASSERT_EQ(m_frame.GraphCount(), 3u);
    IDispatch* sink = g_server->subscriber.Get();
    ASSERT_NE(sink, nullptr);
    State before = Snapshot();
    int accepted = 0, refused = 0, failures = 0;
    for (int n = 0; n < cases && failures < 5; ++n) {
        Case c;
        MakeCase(c, random, n);
        BuildData(c);
        if (HasFatalFailure()) return;
        // Arguments come last first: [data, type] as the server sends them, or behind an extra one.
        VARIANT args[3];
        ::VariantInit(&args[0]);
        args[0].vt = VT_I4;
        args[0].lVal = 1;
        args[1] = c.data;  // borrowed: the sink only reads its arguments
        args[2] = c.type;
        DISPPARAMS params{c.extraLeadingArg ? args : args + 1, nullptr, c.extraLeadingArg ? 3u : c.argCount, 0};
        HRESULT hr = sink->Invoke(c.dispid, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        EXPECT_EQ(hr, S_OK);

        State after = Snapshot();
        if (c.accepted) {
            ++accepted;
            CGraphView* graph = Graph(c.sensor);
            bool taken = graph && graph->LastLiveTime() == c.time && graph->LastLiveValue() == c.value &&
                         graph->LastLiveSignal() == c.signal && after.graphs == 3 && after.rows == 3;
            if (!taken) {
                ++failures;
                ADD_FAILURE() << "case " << n << " well-formed but not taken: " << c.story;
            }
        } else {
            ++refused;
            if (!(after == before)) {
                ++failures;
                ADD_FAILURE() << "case " << n << " changed the state: " << c.story;
            }
        }
        if (n % 1000 == 999) {
            ::RedrawWindow(m_frame.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            Pump();
            after = Snapshot();
        }
        before = std::move(after);
    }
    std::printf("event fuzz: %d run, %d accepted, %d refused, %d mismatches\n", accepted + refused, accepted, refused,
                failures);
    RecordProperty("seed", static_cast<int>(seed));
    RecordProperty("accepted", accepted);
    RecordProperty("refused", refused);
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(m_frame.GraphCount(), 3u);
    EXPECT_GT(accepted, cases / 10);
    EXPECT_GT(refused, cases / 3);
}
