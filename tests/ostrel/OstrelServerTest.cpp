// End-to-end tests: the real OstrelServer.exe, started by COM, called across processes from this
// single-threaded apartment, its events arriving through this thread's messages.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "OstrelTestServer.h"
#include "Protocol.h"
#include "Registry.h"

#define EXPECT_FAILED(expr) EXPECT_TRUE(FAILED(expr))
#define EXPECT_SUCCEEDED(expr) EXPECT_TRUE(SUCCEEDED(expr))

namespace {
// Three sensors (office temperature and humidity, laboratory temperature), two days of history
// at five minutes, no live measurements: every count below is exact.
const wchar_t kQuiet[] = L"/Sensors 3 /History 2 /HistoryStep 300 /Period 0 /Seed 7";
constexpr long kHistoryRecords = 2 * 288;

struct Data {
    HRESULT hr = E_FAIL;
    VARTYPE timesType = VT_EMPTY, valuesType = VT_EMPTY;
    std::vector<double> times;
    std::vector<float> values;
};

Data GetData(IOstrelSensor* sensor, double from, double to, double interval) {
    Data d;
    Variant times, values;
    d.hr = sensor->GetData(from, to, interval, times.Receive(), values.Receive());
    d.timesType = times.vt;
    d.valuesType = values.vt;
    if (times.vt == (VT_ARRAY | VT_R8)) {
        SafeArrayData<double> t(times.parray);
        d.times.assign(t.Get(), t.Get() + SafeArray::Count(times.parray));
    }
    if (values.vt == (VT_ARRAY | VT_R4)) {
        SafeArrayData<float> v(values.parray);
        d.values.assign(v.Get(), v.Get() + SafeArray::Count(values.parray));
    }
    return d;
}

ComPtr<IOstrelSensor> Item(IOstrelServer* server, long index) {
    ComPtr<IOstrelSensors> sensors;
    ComPtr<IOstrelSensor> sensor;
    if (SUCCEEDED(server->get_Sensors(sensors.Receive()))) sensors->get_Item(index, sensor.Receive());
    return sensor;
}

std::wstring Name(IOstrelSensor* sensor) {
    Bstr name;
    sensor->get_Name(name.Receive());
    return name.Str();
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

LONGLONG FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (LONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}
}  // namespace

// One quiet server for the tests that can share it; those that log measurements come last, as
// the counts of the others are exact.
class OstrelQuietServer : public SharedServerSuite {
protected:
    static void SetUpTestSuite() { StartServer(kQuiet); }
};

TEST(OstrelRegistration, RegistersClassInterfacesAndTypeLibraryAndRemovesThem) {
    const wchar_t* keys[] = {
        L"Software\\Classes\\CLSID\\{A47249E1-1C32-4468-9A17-5E480D63116B}\\LocalServer32",
        L"Software\\Classes\\Ostrel.Server\\CLSID",
        L"Software\\Classes\\Interface\\{03457427-EE34-4A58-B567-B7BF1CCABF27}\\TypeLib",
        L"Software\\Classes\\Interface\\{CC363769-C955-459D-8561-2179198E6012}\\ProxyStubClsid32",
        L"Software\\Classes\\TypeLib\\{F2E902FB-4F1E-4F65-86C9-D137B70A7D98}\\1.0",
    };
    auto present = [](const wchar_t* key) {
        RegKey k;
        return k.Open(HKEY_LOCAL_MACHINE, key, KEY_READ) == ERROR_SUCCESS;
    };
    ASSERT_EQ(RunOstrelServer(L"/UnregServer"), 0);
    for (auto key : keys) EXPECT_FALSE(present(key)) << key;
    ASSERT_EQ(RunOstrelServer(L"/RegServer"), 0);
    for (auto key : keys) EXPECT_TRUE(present(key)) << key;

    RegKey k;
    ASSERT_EQ(k.Open(HKEY_LOCAL_MACHINE, L"Software\\Classes\\Interface\\{03457427-EE34-4A58-B567-B7BF1CCABF27}\\ProxyStubClsid32", KEY_READ), ERROR_SUCCESS);
    wchar_t text[64] = {};
    DWORD size = sizeof(text);
    ASSERT_EQ(::RegQueryValueExW(k, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    EXPECT_STREQ(text, L"{00020424-0000-0000-C000-000000000046}");

    // Bad command lines are refused without touching anything.
    EXPECT_EQ(RunOstrelServer(L"/Sensors many"), 2);
    EXPECT_EQ(RunOstrelServer(L"/Frobnicate"), 2);
    EXPECT_EQ(RunOstrelServer(L"/RegServer /UnregServer"), 2);
}

TEST_F(OstrelQuietServer, EnumeratesSensorsWithEveryProperty) {
    OstrelTestServer& test = Server();
    ASSERT_TRUE(test.Registered());
    HRESULT hr = E_FAIL;
    ComPtr<IOstrelServer> server = test.Connect(&hr);
    ASSERT_TRUE(server) << std::hex << hr;

    Bstr version;
    ASSERT_EQ(server->get_Version(version.Receive()), S_OK);
    EXPECT_FALSE(version.Str().empty());
    // Late-bound callers get the same through IDispatch.
    {
        ComPtr<IDispatch> dispatch;
        ASSERT_EQ(server.As(dispatch), S_OK);
        LPOLESTR name = const_cast<LPOLESTR>(L"version");
        DISPID id = 0;
        ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        DISPPARAMS none{};
        Variant result;
        ASSERT_EQ(dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result.Receive(),
                                   nullptr, nullptr),
                  S_OK);
        ASSERT_EQ(result.vt, VT_BSTR);
        EXPECT_STREQ(result.bstrVal, version.Get());
    }

    ComPtr<IOstrelSensors> sensors;
    ASSERT_EQ(server->get_Sensors(sensors.Receive()), S_OK);
    long count = 0;
    ASSERT_EQ(sensors->get_Count(&count), S_OK);
    ASSERT_EQ(count, 3);

    struct {
        long id, deviceId, type;
        const wchar_t* name;
        const wchar_t* unit;
    } expected[] = {
        {100, 100, 2, L"Office", L"\u00B0C"},
        {101, 100, 4, L"Office", L"RH%"},
        {102, 102, 2, L"Laboratory", L"\u00B0C"},
    };
    std::set<long> indexes;
    for (long i = 1; i <= count; ++i) {
        auto& e = expected[i - 1];
        ComPtr<IOstrelSensor> s;
        ASSERT_EQ(sensors->get_Item(i, s.Receive()), S_OK);
        long id = 0, device = 0, type = 0, index = 0, records = 0;
        VARIANT_BOOL enabled = VARIANT_FALSE;
        Bstr name, description, unit;
        EXPECT_EQ(s->get_Id(&id), S_OK);
        EXPECT_EQ(s->get_DeviceId(&device), S_OK);
        EXPECT_EQ(s->get_Type(&type), S_OK);
        EXPECT_EQ(s->get_Unit(unit.Receive()), S_OK);
        EXPECT_EQ(s->get_Name(name.Receive()), S_OK);
        EXPECT_EQ(s->get_Description(description.Receive()), S_OK);
        EXPECT_EQ(s->get_Enabled(&enabled), S_OK);
        EXPECT_EQ(s->get_SettingsIndex(&index), S_OK);
        EXPECT_EQ(s->get_RecordCount(&records), S_OK);
        EXPECT_EQ(id, e.id);
        EXPECT_EQ(device, e.deviceId);
        EXPECT_EQ(type, e.type);
        EXPECT_EQ(name.Str(), e.name);
        EXPECT_EQ(unit.Str(), e.unit);
        EXPECT_EQ(description.Str(), L"");
        EXPECT_EQ(enabled, VARIANT_TRUE);
        EXPECT_EQ(records, kHistoryRecords);
        indexes.insert(index);

        double first = 0, last = 0, time = 0;
        float value = 0, signal = 0;
        EXPECT_EQ(s->GetLogPeriod(&first, &last), S_OK);
        EXPECT_NEAR(last - first, 2.0 - 1.0 / 288, 1e-6);
        EXPECT_EQ(s->GetLastValue(&time, &value), S_OK);
        EXPECT_EQ(time, last);
        EXPECT_EQ(s->get_SignalLevel(&signal), S_OK);
        EXPECT_LT(signal, -40);  // types 2 and 4 carry a level in dBm
    }
    EXPECT_EQ(indexes.size(), 3u) << "settings indexes are unique";

    ComPtr<IOstrelSensor> none;
    EXPECT_FAILED(sensors->get_Item(0, none.Receive()));
    EXPECT_FAILED(sensors->get_Item(4, none.Receive()));
    EXPECT_FALSE(none);

    // Found by id and quantity, as an event names them (type normalised, id of either channel).
    struct {
        long id, type;
        long found;  // 0: none
    } lookups[] = {{100, 1, 100}, {100, 2, 100}, {101, 3, 101}, {100, 4, 101}, {102, 1, 102},
                   {104, 1, 0},   {101, 5, 0},   {100, 0, 0},   {100, 7, 0}};
    for (auto l : lookups) {
        ComPtr<IOstrelSensor> s;
        EXPECT_SUCCEEDED(server->GetSensor(l.id, l.type, s.Receive())) << l.id << "/" << l.type;
        long id = 0;
        if (s) s->get_Id(&id);
        EXPECT_EQ(id, l.found) << l.id << "/" << l.type;
    }
    EXPECT_EQ(server->Disconnect(), S_OK);
}

TEST_F(OstrelQuietServer, GetDataAnswersRawAndReducedAndRefusesBadRanges) {
    OstrelTestServer& test = Server();
    ComPtr<IOstrelServer> server = test.Connect();
    ASSERT_TRUE(server);
    ComPtr<IOstrelSensor> sensor = Item(server.Get(), 1);
    ASSERT_TRUE(sensor);
    double first = 0, last = 0;
    ASSERT_EQ(sensor->GetLogPeriod(&first, &last), S_OK);

    Data all = GetData(sensor.Get(), first - 1, last + 1, 0);
    ASSERT_EQ(all.hr, S_OK);
    EXPECT_EQ(all.timesType, VT_ARRAY | VT_R8);
    EXPECT_EQ(all.valuesType, VT_ARRAY | VT_R4);
    ASSERT_EQ(all.times.size(), static_cast<size_t>(kHistoryRecords));
    ASSERT_EQ(all.values.size(), all.times.size());
    for (size_t i = 1; i < all.times.size(); ++i) ASSERT_LT(all.times[i - 1], all.times[i]);
    for (float v : all.values) ASSERT_TRUE(v > 5 && v < 40) << v;

    // Both ends belong to the range.
    Data inner = GetData(sensor.Get(), all.times[10], all.times[20], 0);
    EXPECT_EQ(inner.times.size(), 11u);

    // An hour holds twelve records; their mean stands at the time of the first.
    Data hourly = GetData(sensor.Get(), all.times[0], all.times[23], 1.0 / 24);
    ASSERT_EQ(hourly.times.size(), 2u);
    EXPECT_EQ(hourly.times[0], all.times[0]);
    EXPECT_EQ(hourly.times[1], all.times[12]);
    double sum = 0;
    for (int i = 0; i < 12; ++i) sum += all.values[i];
    EXPECT_NEAR(hourly.values[0], sum / 12, 1e-4);

    Data daily = GetData(sensor.Get(), first, last, 1.0);
    EXPECT_EQ(daily.times.size(), 2u);
    // A range as wide as a double goes answers as for the log's own: days, not one sample.
    Data wide = GetData(sensor.Get(), -1e300, 1e300, 1.0);
    ASSERT_EQ(wide.hr, S_OK);
    EXPECT_EQ(wide.times, daily.times);

    Data empty = GetData(sensor.Get(), last + 1, last + 2, 0);
    EXPECT_EQ(empty.hr, S_OK);
    EXPECT_EQ(empty.timesType, VT_ARRAY | VT_R8);
    EXPECT_TRUE(empty.times.empty());

    const double nan = std::nan("");
    struct {
        double from, to, interval;
    } bad[] = {{nan, last, 0}, {first, nan, 0}, {last, first, 0}, {first, last, -1}, {first, last, nan},
               {first, INFINITY, 0}};
    for (auto b : bad) {
        Data d = GetData(sensor.Get(), b.from, b.to, b.interval);
        EXPECT_EQ(d.hr, E_INVALIDARG) << b.from << " " << b.to << " " << b.interval;
        EXPECT_EQ(d.timesType, VT_EMPTY);
    }
    long records = 0;
    sensor->get_RecordCount(&records);
    EXPECT_EQ(records, kHistoryRecords) << "bad queries leave the log as it was";
    server->Disconnect();
}

TEST_F(OstrelQuietServer, EventsReachEverySubscriberUntilItUnadvises) {
    OstrelTestServer& test = Server();
    ComPtr<IOstrelServer> first = test.Connect();
    ComPtr<IOstrelServer> second = test.Connect();
    ASSERT_TRUE(first && second);
    TestEventSink a, b;
    Subscription subscribeA(first.Get(), &a);
    Subscription subscribeB(second.Get(), &b);
    ASSERT_EQ(subscribeA.Result(), S_OK);
    ASSERT_EQ(subscribeB.Result(), S_OK);

    double before = 0, unused = 0;
    long recordsBefore = 0;
    ComPtr<IOstrelSensor> office = Item(first.Get(), 1);
    office->GetLogPeriod(&unused, &before);
    office->get_RecordCount(&recordsBefore);

    ASSERT_EQ(first->MeasureNow(2), S_OK);
    ASSERT_EQ(second->Broadcast(Bstr(L"Battery low"), 1), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return a.events.size() == 7 && b.events.size() == 7; }))
        << a.events.size() << " " << b.events.size();

    for (const TestEventSink* sink : {&a, &b}) {
        const auto& e = sink->events;
        long ids[] = {100, 101, 102, 100, 101, 102};
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(e[i].dispid, Protocol::kDispidOnNewValue);
            EXPECT_EQ(e[i].dataType, VT_ARRAY | VT_VARIANT);
            EXPECT_EQ(e[i].sensorId, ids[i]);
            EXPECT_EQ(e[i].type, ids[i] == 101 ? 4u : 2u);
            EXPECT_EQ(e[i].elements, 5) << "types 2 and 4 carry a signal level";
            EXPECT_LT(e[i].signal, -40);
            EXPECT_GE(e[i].time, before);
        }
        EXPECT_EQ(e[6].dispid, Protocol::kDispidOnMessage);
        EXPECT_EQ(e[6].text, L"Battery low");
    }
    // What was fired was logged.
    long records = 0;
    office->get_RecordCount(&records);
    EXPECT_EQ(records, recordsBefore + 2);
    double time = 0;
    float value = 0;
    office->GetLastValue(&time, &value);
    EXPECT_EQ(time, a.events[3].time);
    EXPECT_EQ(value, a.events[3].value);

    // A client that unadvises hears no more; the other still does. What would have reached it
    // has had the time of a second round trip once the other hears of a second broadcast.
    subscribeA.Unadvise();
    ASSERT_EQ(second->Broadcast(Bstr(L"after"), 1), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return b.events.size() == 8; }));
    ASSERT_EQ(second->Broadcast(Bstr(L"mark"), 1), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return b.CountText(L"mark") == 1; }));
    EXPECT_EQ(a.events.size(), 7u);

    // Disconnect ends the session's subscriptions too; a new subscriber of the other session
    // marks when the broadcast has gone out.
    second->Disconnect();
    TestEventSink c;
    Subscription subscribeC(first.Get(), &c);
    first->Broadcast(Bstr(L"nobody"), 1);
    first->Broadcast(Bstr(L"mark"), 1);
    ASSERT_TRUE(PumpUntil([&] { return c.CountText(L"mark") == 1; }));
    EXPECT_EQ(b.events.size(), 9u);
}

TEST(OstrelServer, LogsLiveMeasurementsWithAndWithoutClients) {
    OstrelTestServer test(L"/Sensors 1 /History 0 /Period 0.2");
    long records = 0;
    {
        ComPtr<IOstrelServer> server = test.Connect();
        ASSERT_TRUE(server);
        TestEventSink sink;
        Subscription subscription(server.Get(), &sink);
        ASSERT_TRUE(PumpUntil([&] { return sink.Count(Protocol::kDispidOnNewValue) >= 3; }));
        Item(server.Get(), 1)->get_RecordCount(&records);
        EXPECT_GE(records, 3);
        subscription.Unadvise();
        server->Disconnect();
    }
    // With no client the logger goes on: its log (16-byte records) grows on the disk.
    std::wstring log = test.Folder().File(L"sensor-1.log");
    EXPECT_TRUE(PumpUntil([&] { return FileSize(log) >= (records + 3) * 16; }))
        << FileSize(log);
    ComPtr<IOstrelServer> server = test.Connect();
    ASSERT_TRUE(server);
    long later = 0;
    Item(server.Get(), 1)->get_RecordCount(&later);
    EXPECT_GE(later, records + 3);
}

TEST(OstrelServer, PropertiesAndRemovalPersistAcrossARestart) {
    OstrelTestServer test(kQuiet);
    long removedIndex = 0, humidityRecords = 0;
    {
        ComPtr<IOstrelServer> server = test.Connect();
        ASSERT_TRUE(server);
        ComPtr<IOstrelSensor> office = Item(server.Get(), 1);
        ASSERT_EQ(office->put_Name(Bstr(L"Kitchen\tnorth")), S_OK);
        ASSERT_EQ(office->put_Description(Bstr(L"by the window\nsecond floor")), S_OK);
        ASSERT_EQ(office->put_Enabled(VARIANT_FALSE), S_OK);
        EXPECT_EQ(office->put_Name(Bstr(std::wstring(300, L'x'))), E_INVALIDARG);

        // A disabled sensor does not log.
        ASSERT_EQ(server->MeasureNow(1), S_OK);
        long records = 0;
        office->get_RecordCount(&records);
        EXPECT_EQ(records, kHistoryRecords);

        ComPtr<IOstrelSensor> lab = Item(server.Get(), 3);
        lab->get_SettingsIndex(&removedIndex);
        ASSERT_EQ(lab->Remove(), S_OK);
        EXPECT_FALSE(FileExists(test.Folder().File(L"sensor-") + std::to_wstring(removedIndex) + L".log"));
        long id = 0;
        EXPECT_EQ(lab->get_Id(&id), HRESULT_FROM_WIN32(ERROR_DEVICE_REMOVED));
        EXPECT_EQ(lab->Remove(), HRESULT_FROM_WIN32(ERROR_DEVICE_REMOVED));
        ComPtr<IOstrelSensor> gone;
        EXPECT_EQ(server->GetSensor(102, 1, gone.Receive()), S_FALSE);
        EXPECT_FALSE(gone);

        // A new sensor gets a new id and a settings index never given out before.
        ComPtr<IOstrelSensor> added;
        ASSERT_EQ(server->AddSensor(6, Bstr(L"Hall"), added.Receive()), S_OK);
        long addedId = 0, addedIndex = 0;
        added->get_Id(&addedId);
        added->get_SettingsIndex(&addedIndex);
        EXPECT_EQ(addedId, 105);
        EXPECT_GT(addedIndex, removedIndex);
        double t = 0;
        float v = 0;
        EXPECT_FAILED(added->GetLastValue(&t, &v)) << "an empty log has no last value";
        EXPECT_FAILED(server->AddSensor(7, Bstr(L"bad"), added.Receive()));
        Item(server.Get(), 2)->get_RecordCount(&humidityRecords);
        server->Disconnect();
    }
    ASSERT_EQ(test.Stop(), 0);
    // Ten records of garbage at the end of the humidity log do not stop it from logging.
    {
        UniqueHandle file(::CreateFileW(test.Folder().File(L"sensor-2.log").c_str(), FILE_APPEND_DATA, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
        unsigned char garbage[160];
        for (size_t i = 0; i < sizeof garbage; ++i) garbage[i] = static_cast<unsigned char>(i * 37 + 101);
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(file.Get(), garbage, sizeof garbage, &written, nullptr));
    }

    ComPtr<IOstrelServer> server = test.Connect();
    ASSERT_TRUE(server);
    ComPtr<IOstrelSensors> sensors;
    ASSERT_EQ(server->get_Sensors(sensors.Receive()), S_OK);
    long count = 0;
    sensors->get_Count(&count);
    EXPECT_EQ(count, 3);  // office x2 and the added one
    ComPtr<IOstrelSensor> office = Item(server.Get(), 1);
    Bstr description;
    VARIANT_BOOL enabled = VARIANT_TRUE;
    office->get_Description(description.Receive());
    office->get_Enabled(&enabled);
    EXPECT_EQ(Name(office.Get()), L"Kitchen\tnorth");
    EXPECT_EQ(description.Str(), L"by the window\nsecond floor");
    EXPECT_EQ(enabled, VARIANT_FALSE);
    ComPtr<IOstrelSensor> gone;
    EXPECT_EQ(server->GetSensor(102, 2, gone.Receive()), S_FALSE);
    ComPtr<IOstrelSensor> hall;
    EXPECT_EQ(server->GetSensor(105, 5, hall.Receive()), S_OK);

    ASSERT_EQ(server->MeasureNow(1), S_OK);
    long records = 0;
    Item(server.Get(), 2)->get_RecordCount(&records);
    EXPECT_EQ(records, humidityRecords + 1);
    EXPECT_EQ(FileSize(test.Folder().File(L"sensor-2.log.bad")), 160);
    server->Disconnect();
}

TEST(OstrelServer, AStartKilledWhileWritingTheHistoryIsFollowedByOneThatRuns) {
    RunOstrelServer(L"/Stop");
    TempFolder folder;
    // A long history, so that the kill lands while it is being written: first log done, the
    // others not, no catalogue yet.
    std::wstring options = L"/DataFolder \"" + folder.Path().substr(0, folder.Path().size() - 1) +
                           L"\" /Period 0 /Sensors 4 /History 400 /HistoryStep 60";
    std::wstring catalogue = folder.File(L"catalogue.txt");
    {
        ChildProcess first(BuildFolder() + L"OstrelServer.exe", options);
        ASSERT_TRUE(first.Started());
        ASSERT_TRUE(PumpUntil([&] { return FileSize(folder.File(L"sensor-1.log")) > 0; }, 30000));
    }
    if (FileExists(catalogue)) GTEST_SKIP() << "the first start ended before it was killed";
    ChildProcess second(BuildFolder() + L"OstrelServer.exe", options);
    PumpUntil([&] { return FileExists(catalogue) || second.Wait(0) != -1; }, 30000);
    ASSERT_TRUE(FileExists(catalogue)) << "exit code " << second.Wait(0);
    EXPECT_EQ(RunOstrelServer(L"/Stop"), 0);
    EXPECT_EQ(second.Wait(), 0);
}
