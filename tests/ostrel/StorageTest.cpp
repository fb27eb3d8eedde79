// The logger's storage, simulation and command line, without COM.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "FileIo.h"

#include "Logger.h"
#include "ServerCommand.h"
#include "ServerModule.h"
#include "TestSupport.h"

namespace {
std::vector<LogRecord> Records(std::initializer_list<std::pair<double, float>> items) {
    std::vector<LogRecord> records;
    for (auto [t, v] : items) records.push_back({t, v, 0});
    return records;
}

// Times of records that the logs accept: 15 March 2023 onwards.
constexpr double T0 = 45000;
constexpr double kLatest = Protocol::kLatestTime;
constexpr double kNow = T0 + 0.5;  // the loggers' clock

void WriteBytes(const std::wstring& path, const void* data, DWORD size) {
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ::WriteFile(file.Get(), data, size, &written, nullptr);
}

std::string ReadAll(const std::wstring& path) {
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string bytes(1 << 16, '\0');
    DWORD read = 0;
    ::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
}

LoggerOptions Small(const TempFolder& folder, int sensors = 3, double days = 1) {
    LoggerOptions options;
    options.dataFolder = folder.Path();
    options.sensorCount = sensors;
    options.historyDays = days;
    options.historySeconds = 600;
    options.seed = 3;
    options.clock = [] { return kNow; };
    return options;
}
}  // namespace

TEST(SensorLogQuery, RangeIncludesBothEnds) {
    auto records = Records({{1.0, 1}, {2.0, 2}, {2.0, 3}, {3.0, 4}, {5.0, 5}});
    struct {
        double from, to;
        size_t first, last;
    } cases[] = {
        {0, 10, 0, 5}, {2, 3, 1, 4}, {2.5, 4.9, 3, 4}, {6, 7, 5, 5}, {0, 0.5, 0, 0}, {5, 5, 4, 5}, {3, 3, 3, 4},
    };
    for (auto c : cases) {
        auto [first, last] = FindRange(records, c.from, c.to);
        EXPECT_EQ(first, c.first) << c.from << ".." << c.to;
        EXPECT_EQ(last, c.last) << c.from << ".." << c.to;
    }
    EXPECT_EQ(FindRange({}, 0, 1), std::make_pair(size_t{0}, size_t{0}));
}

TEST(SensorLogQuery, ReductionAveragesEachIntervalAtItsFirstRecord) {
    // Ten-minute records from 00:00; hourly means counted from the query's start.
    const double m = 1.0 / 1440;
    auto records = Records({{0, 1}, {10 * m, 2}, {20 * m, 3}, {60 * m, 10}, {70 * m, 20}, {180 * m, 7}});
    Series hourly = Reduce(records.data(), records.data() + records.size(), 0, 1.0 / 24);
    ASSERT_EQ(hourly.times.size(), 3u);
    EXPECT_EQ(hourly.times[0], 0);
    EXPECT_FLOAT_EQ(hourly.values[0], 2);
    EXPECT_EQ(hourly.times[1], 60 * m);  // a record on the boundary starts the next interval
    EXPECT_FLOAT_EQ(hourly.values[1], 15);
    EXPECT_EQ(hourly.times[2], 180 * m);  // empty intervals give nothing
    EXPECT_FLOAT_EQ(hourly.values[2], 7);

    // Counted from the query's start, not from midnight.
    Series shifted = Reduce(records.data(), records.data() + records.size(), 15 * m, 1.0 / 24);
    ASSERT_EQ(shifted.times.size(), 3u);
    EXPECT_FLOAT_EQ(shifted.values[0], 1.5f);  // 00:00 and 00:10, the interval before the start
    EXPECT_FLOAT_EQ(shifted.values[1], 11);    // 00:20, 01:00 and 01:10

    Series raw = Reduce(records.data(), records.data() + records.size(), 0, 0);
    EXPECT_EQ(raw.times.size(), records.size());
    // Intervals too small to count in still give one sample per record, not one for all.
    Series tiny = Reduce(records.data(), records.data() + records.size(), 0, 1e-320);
    EXPECT_EQ(tiny.times.size(), records.size());
    // A start so far off that rounding would make one sample of everything counts from the log.
    auto days = Records({{T0 + 0.1, 1}, {T0 + 0.2, 3}, {T0 + 1.1, 5}});
    Series wide = Reduce(days.data(), days.data() + days.size(), -1e300, 1);
    ASSERT_EQ(wide.times.size(), 2u);
    EXPECT_FLOAT_EQ(wide.values[0], 2);
    EXPECT_EQ(wide.times[1], T0 + 1.1);
    EXPECT_TRUE(Reduce(records.data(), records.data(), 0, 1).times.empty());
}

TEST(SensorLogFile, AppendsSurviveAReopenAndATornTailIsCut) {
    TempFolder folder;
    std::wstring path = folder.File(L"s.log");
    {
        SensorLog log;
        ASSERT_EQ(log.Open(path, kLatest), S_OK);
        auto records = Records({{T0 + 1, 10}, {T0 + 2, 20}, {T0 + 3, 30}});
        ASSERT_EQ(log.Append(records.data(), records.size()), S_OK);
        // What could not be read back as true is not written.
        LogRecord refused[] = {{T0 + 2.5, 0, 0}, {NAN, 0, 0}, {T0 + 4, NAN, 0}, {T0 + 4, 0, INFINITY}, {1e300, 0, 0}};
        for (const LogRecord& r : refused) EXPECT_EQ(log.Append(r), E_INVALIDARG) << r.time;
        EXPECT_EQ(log.Records().size(), 3u);
    }
    // A crash in the middle of an append leaves part of a record.
    {
        UniqueHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        const char part[7] = {1, 2, 3, 4, 5, 6, 7};
        DWORD written = 0;
        ::WriteFile(file.Get(), part, sizeof(part), &written, nullptr);
    }
    LogRepair repair;
    {
        SensorLog log;
        ASSERT_EQ(log.Open(path, kLatest, &repair), S_OK);
        EXPECT_TRUE(repair.torn);
        EXPECT_EQ(repair.setApart, 0u);
        ASSERT_EQ(log.Records().size(), 3u);
        EXPECT_EQ(log.Records()[2].value, 30);
        // Appends go on after the last whole record.
        ASSERT_EQ(log.Append({T0 + 4, 40, -60}), S_OK);
    }
    SensorLog again;
    ASSERT_EQ(again.Open(path, kLatest, &repair), S_OK);
    EXPECT_FALSE(repair.torn);
    ASSERT_EQ(again.Records().size(), 4u);
    EXPECT_EQ(again.Records()[3].signal, -60);

    ASSERT_EQ(again.Delete(), S_OK);
    EXPECT_EQ(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(SensorLogFile, RecordsThatCannotBeTrueCostThemselvesOnly) {
    const double nan = std::nan("");
    struct {
        const char* story;
        std::vector<std::pair<double, float>> records;  // times as days after T0
        std::vector<size_t> bad;
    } cases[] = {
        {"sound, equal times allowed", {{1, 1}, {2, 2}, {2, 3}, {3, 4}}, {}},
        {"garbage appended", {{1, 1}, {2, 2}, {3, 3}, {nan, 4}, {5.3e61, 5}, {-40000, 6}, {2, 7}}, {3, 4, 5, 6}},
        {"one wild time in the middle", {{1, 1}, {2, 2}, {9, 3}, {3, 4}, {4, 5}}, {2}},
        {"ahead of the clock", {{1, 1}, {2, 2}, {11, 3}}, {2}},
        {"values that are no measurement", {{1, 1}, {2, nan}, {3, 2e9f}, {4, 4}}, {1, 2}},
        {"the clock went back for a while", {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {2.5, 5}, {2.6, 6}}, {4, 5}},
        {"bad first record", {{nan, 1}, {1, 2}, {2, 3}}, {0}},
    };
    for (auto& c : cases) {
        std::vector<LogRecord> records;
        for (auto [t, v] : c.records) records.push_back({T0 + t, v, 0});
        EXPECT_EQ(ImplausibleRecords(records, T0 + 10), c.bad) << c.story;
    }

    // On disk: the bad records go to the side file, the log keeps the rest in order.
    TempFolder folder;
    std::wstring path = folder.File(L"s.log");
    auto records = Records({{T0 + 1, 1}, {T0 + 9, 2}, {T0 + 2, 3}, {T0 + 3, 4}, {nan, 5}});
    WriteBytes(path, records.data(), static_cast<DWORD>(records.size() * sizeof(LogRecord)));
    LogRepair repair;
    {
        SensorLog log;
        ASSERT_EQ(log.Open(path, T0 + 10, &repair), S_OK);
        EXPECT_EQ(repair.setApart, 2u);
        ASSERT_EQ(log.Records().size(), 3u);
        EXPECT_EQ(log.Records()[1].value, 3);
        ASSERT_EQ(log.Append({T0 + 4, 6, 0}), S_OK);
        ASSERT_EQ(log.Records().size(), 4u);
    }
    SensorLog again;
    ASSERT_EQ(again.Open(path, T0 + 10, &repair), S_OK);
    EXPECT_EQ(repair.setApart, 0u);
    EXPECT_EQ(again.Records().size(), 4u);
    std::string apart = ReadAll(path + L".bad");
    ASSERT_EQ(apart.size(), 2 * sizeof(LogRecord));
    LogRecord first;
    std::memcpy(&first, apart.data(), sizeof first);
    EXPECT_EQ(first.value, 2);
}

TEST(FileIo, AReadThatEndsEarlyIsAFailure) {
    TempFolder folder;
    WriteBytes(folder.File(L"f"), "12345", 5);
    UniqueHandle file(::CreateFileW(folder.File(L"f").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    char buffer[10];
    EXPECT_EQ(ReadExactly(file.Get(), buffer, sizeof buffer), HRESULT_FROM_WIN32(ERROR_HANDLE_EOF));
    LARGE_INTEGER start{};
    ::SetFilePointerEx(file.Get(), start, nullptr, FILE_BEGIN);
    EXPECT_EQ(ReadExactly(file.Get(), buffer, 5), S_OK);
}

TEST(Catalogue, TextRoundTripKeepsEveryCharacter) {
    Catalogue c;
    c.seed = 4000000000u;
    c.nextSettingsIndex = 9;
    SensorInfo s;
    s.id = 101;
    s.type = 4;
    s.settingsIndex = 7;
    s.enabled = false;
    s.name = L"Tab\there \\ back";
    s.description = L"two\nlines\r\n\u00B0C";
    c.sensors.push_back(s);
    Catalogue read;
    ASSERT_TRUE(read.FromText(c.ToText()));
    ASSERT_EQ(read.sensors.size(), 1u);
    EXPECT_EQ(read.sensors[0].name, s.name);
    EXPECT_EQ(read.sensors[0].description, s.description);
    EXPECT_FALSE(read.sensors[0].enabled);
    EXPECT_EQ(read.seed, 4000000000u);
    EXPECT_EQ(read.nextSettingsIndex, 9);
    EXPECT_EQ(read.nextDeviceId, 102);

    std::wstring crlf = c.ToText();
    for (size_t at = 0; (at = crlf.find(L'\n', at)) != std::wstring::npos; at += 2) crlf.insert(at, L"\r");
    ASSERT_TRUE(read.FromText(crlf));
    EXPECT_EQ(read.sensors[0].description, s.description) << "only the line ends' CRs go";

    const wchar_t* notACatalogue[] = {L"", L"something else\n"};
    for (auto text : notACatalogue) EXPECT_FALSE(read.FromText(text)) << text;
    // Lines that cannot be read are left out and counted; a second sensor with the id or the
    // settings index of an earlier one would share its log.
    const std::wstring damaged = L"ostrel-catalogue 1\nsensor\t1\t2\nsensor\tx\t1\t1\t1\ta\tb\n"
                                 L"sensor\t1\t9\t1\t1\ta\tb\nnext\t2147483647\nsensor\t4\t1\t3\t1\tkept\t\n"
                                 L"sensor\t4\t1\t5\t1\tsame id\t\nsensor\t6\t1\t3\t1\tsame index\t\n";
    ASSERT_TRUE(read.FromText(damaged));
    ASSERT_EQ(read.sensors.size(), 1u);
    EXPECT_EQ(read.sensors[0].name, L"kept");
    EXPECT_EQ(read.damagedLines, (std::vector<size_t>{2, 3, 4, 5, 7, 8}));
}

TEST(LoggerStore, FirstStartMakesSensorsWithHistoryAndLaterStartsReadThem) {
    TempFolder folder;
    std::vector<size_t> counts;
    {
        Logger logger;
        std::wstring problem;
        ASSERT_EQ(logger.Open(Small(folder), &problem), S_OK) << problem.c_str();
        ASSERT_EQ(logger.Sensors().size(), 3u);
        for (auto& s : logger.Sensors()) {
            EXPECT_EQ(s->log.Records().size(), 144u);  // one day at ten minutes
            counts.push_back(s->log.Records().size());
        }
        SensorInfo changed = logger.Sensors()[0]->info;
        changed.name = L"Renamed";
        ASSERT_EQ(logger.Update(*logger.Sensors()[0], changed), S_OK);
        ASSERT_EQ(logger.Measure(kNow + 1.0 / 1440), S_OK);
    }
    Logger logger;
    std::wstring problem;
    // Other options at a later start change nothing that exists.
    ASSERT_EQ(logger.Open(Small(folder, 9, 5), &problem), S_OK) << problem.c_str();
    ASSERT_EQ(logger.Sensors().size(), 3u);
    EXPECT_EQ(logger.Sensors()[0]->info.name, L"Renamed");
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(logger.Sensors()[i]->log.Records().size(), counts[i] + 1);
}

TEST(LoggerStore, ATornRecordIsDroppedAtStartAndSaidSo) {
    TempFolder folder;
    std::wstring problem, path;
    size_t before = 0;
    {
        Logger logger;
        ASSERT_EQ(logger.Open(Small(folder, 1), &problem), S_OK);
        path = logger.Sensors()[0]->log.Path();
        before = logger.Sensors()[0]->log.Records().size();
    }
    {
        UniqueHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        DWORD written = 0;
        ::WriteFile(file.Get(), "torn", 4, &written, nullptr);
    }
    Logger logger;
    ASSERT_EQ(logger.Open(Small(folder, 1), &problem), S_OK);
    EXPECT_EQ(logger.Sensors()[0]->log.Records().size(), before);
    ASSERT_EQ(logger.EarlyStatus().size(), 1u);
    EXPECT_NE(logger.EarlyStatus()[0].find(L"Office (100)"), std::wstring::npos);
}

TEST(LoggerStore, GarbageAtALogsEndIsSetApartAndTheSensorGoesOnLogging) {
    TempFolder folder;
    std::wstring problem, path;
    std::vector<size_t> before;
    {
        Logger logger;
        ASSERT_EQ(logger.Open(Small(folder), &problem), S_OK);
        path = logger.Sensors()[1]->log.Path();
        for (auto& s : logger.Sensors()) before.push_back(s->log.Records().size());
    }
    // Ten records of random bytes, among them a time of 5.3e61 and one that is not a number.
    unsigned char garbage[160];
    unsigned x = 12345;
    for (auto& b : garbage) b = static_cast<unsigned char>((x = x * 1103515245 + 12345) >> 16);
    const double huge = 5.3e61, nan = std::nan("");
    std::memcpy(garbage + 3 * 16, &huge, 8);
    std::memcpy(garbage + 6 * 16, &nan, 8);
    {
        UniqueHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(file.Get(), garbage, sizeof garbage, &written, nullptr));
    }
    Logger logger;
    ASSERT_EQ(logger.Open(Small(folder), &problem), S_OK) << problem.c_str();
    ASSERT_EQ(logger.EarlyStatus().size(), 1u);
    EXPECT_NE(logger.EarlyStatus()[0].find(L"10 records of Office (101)"), std::wstring::npos);
    EXPECT_EQ(ReadAll(path + L".bad"), std::string(reinterpret_cast<char*>(garbage), sizeof garbage));
    ASSERT_EQ(logger.Measure(kNow + 1.0 / 1440), S_OK);
    ASSERT_EQ(logger.Measure(kNow + 2.0 / 1440), S_OK);
    for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(logger.Sensors()[i]->log.Records().size(), before[i] + 2);
}

TEST(LoggerStore, AFirstStartStoppedHalfWayIsMadeAnewAtTheNext) {
    TempFolder folder;
    std::wstring problem;
    {
        Logger logger;
        ASSERT_EQ(logger.Open(Small(folder), &problem), S_OK);
    }
    // As if killed while writing the history: no catalogue yet, a log with part of its history.
    ASSERT_TRUE(::DeleteFileW(folder.File(L"catalogue.txt").c_str()));
    {
        UniqueHandle file(::CreateFileW(folder.File(L"sensor-2.log").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        0, nullptr));
        ASSERT_EQ(SetFileSize(file.Get(), 50 * sizeof(LogRecord) + 5), S_OK);
    }
    for (int start = 0; start < 2; ++start) {
        Logger logger;
        ASSERT_EQ(logger.Open(Small(folder), &problem), S_OK) << problem.c_str();
        ASSERT_EQ(logger.Sensors().size(), 3u);
        for (auto& s : logger.Sensors()) EXPECT_EQ(s->log.Records().size(), 144u);
        // The logs found without a catalogue are kept aside, once, and said so.
        EXPECT_EQ(logger.EarlyStatus().size(), start == 0 ? 3u : 0u);
    }
    UniqueHandle kept(::CreateFileW(folder.File(L"sensor-2.log.orphan").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    ASSERT_TRUE(::GetFileSizeEx(kept.Get(), &size));
    EXPECT_EQ(size.QuadPart, static_cast<LONGLONG>(50 * sizeof(LogRecord) + 5));
}

TEST(LoggerStore, KeepingAsideNeverWritesOverAnEarlierOrphan) {
    TempFolder folder;
    std::wstring path = folder.File(L"sensor-1.log"), aside;
    for (const wchar_t* expected : {L"sensor-1.log.orphan", L"sensor-1.log.orphan-2"}) {
        UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file);
        file.Reset();
        ASSERT_EQ(KeepAside(path, aside), S_OK);
        EXPECT_EQ(aside, folder.File(expected));
    }
    ASSERT_EQ(KeepAside(path, aside), S_OK);  // nothing there: nothing moved
    EXPECT_TRUE(aside.empty());
}

TEST(ServerLoop, EndsOnStopOrQuitAndNeverSpinsOnAFailedWait) {
    EXPECT_FALSE(ServeUntil(nullptr));
    UniqueHandle stop(::CreateEventW(nullptr, TRUE, TRUE, nullptr));
    EXPECT_TRUE(ServeUntil(stop.Get()));
    ::ResetEvent(stop.Get());
    ::PostQuitMessage(0);
    EXPECT_TRUE(ServeUntil(stop.Get()));
}

TEST(LoggerStore, RemoveDeletesTheSensorAndItsLogForGood) {
    TempFolder folder;
    std::wstring problem;
    {
        Logger logger;
        ASSERT_EQ(logger.Open(Small(folder), &problem), S_OK);
        auto humidity = logger.Find(101, 3);
        ASSERT_TRUE(humidity);
        std::wstring path = humidity->log.Path();
        ASSERT_EQ(logger.Remove(*humidity), S_OK);
        EXPECT_TRUE(humidity->removed);
        EXPECT_EQ(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(logger.Remove(*humidity), HRESULT_FROM_WIN32(ERROR_DEVICE_REMOVED));
        EXPECT_FALSE(logger.Find(101, 4));
    }
    Logger logger;
    ASSERT_EQ(logger.Open(Small(folder), &problem), S_OK);
    EXPECT_EQ(logger.Sensors().size(), 2u);
    EXPECT_FALSE(logger.Find(101, 3));
}

TEST(LoggerStore, AFailedCatalogueWriteChangesNothing) {
    TempFolder folder;
    std::wstring problem;
    Logger logger;
    ASSERT_EQ(logger.Open(Small(folder), &problem), S_OK);
    // A folder where the new catalogue would be written makes the write fail.
    ASSERT_TRUE(::CreateDirectoryW(folder.File(L"catalogue.txt.new").c_str(), nullptr));
    auto sensor = logger.Sensors()[0];
    SensorInfo changed = sensor->info;
    changed.name = L"Lost";
    EXPECT_TRUE(FAILED(logger.Update(*sensor, changed)));
    EXPECT_EQ(sensor->info.name, L"Office");
    EXPECT_TRUE(FAILED(logger.Remove(*sensor)));
    EXPECT_FALSE(sensor->removed);
    EXPECT_EQ(logger.Sensors().size(), 3u);
    EXPECT_FALSE(sensor->log.Records().empty());
    std::shared_ptr<Sensor> added;
    EXPECT_TRUE(FAILED(logger.Add(1, L"New", &added)));
    EXPECT_EQ(logger.Sensors().size(), 3u);
}

TEST(LoggerStore, UnusableDataFoldersAreReported) {
    TempFolder folder;
    WriteBytes(folder.File(L"file"), "x", 1);
    Logger onFile;
    std::wstring problem;
    LoggerOptions options = Small(folder);
    options.dataFolder = folder.File(L"file");
    EXPECT_TRUE(FAILED(onFile.Open(options, &problem)));
    EXPECT_FALSE(problem.empty());

    // A catalogue that cannot be read is not written over by a fresh set of sensors.
    TempFolder broken;
    WriteBytes(broken.File(L"catalogue.txt"), "garbage", 7);
    Logger logger;
    problem.clear();
    EXPECT_EQ(logger.Open(Small(broken), &problem), HRESULT_FROM_WIN32(ERROR_FILE_CORRUPT));
    EXPECT_NE(problem.find(L"catalogue"), std::wstring::npos);
    char content[16] = {};
    UniqueHandle file(::CreateFileW(broken.File(L"catalogue.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    DWORD read = 0;
    ::ReadFile(file.Get(), content, sizeof(content), &read, nullptr);
    EXPECT_EQ(std::string(content, read), "garbage");
}

TEST(LoggerStore, DefaultSetPairsChannelsOfADeviceByBitZero) {
    struct {
        long id, type;
        const wchar_t* name;
    } expected[] = {
        {100, 2, L"Office"}, {101, 4, L"Office"}, {102, 2, L"Laboratory"}, {103, 4, L"Laboratory"},
        {104, 2, L"Store room"}, {105, 4, L"Store room"}, {106, 2, L"Meeting room"}, {107, 6, L"Meeting room"},
        {108, 1, L"Outdoor"}, {110, 2, L"Office 2"},
    };
    auto sensors = DefaultSensors(10);
    ASSERT_EQ(sensors.size(), 10u);
    for (size_t i = 0; i < sensors.size(); ++i) {
        EXPECT_EQ(sensors[i].id, expected[i].id);
        EXPECT_EQ(sensors[i].type, expected[i].type);
        EXPECT_EQ(sensors[i].name, expected[i].name);
        EXPECT_EQ(sensors[i].settingsIndex, static_cast<long>(i + 1));
    }
    EXPECT_TRUE(DefaultSensors(0).empty());
}

TEST(LoggerStore, HistoryLiesOnWholeStepsBeforeNow) {
    const double now = 45000.5 + 7.0 / 86400;  // 12:00:07
    auto times = HistoryTimes(now, 1, 300);
    ASSERT_EQ(times.size(), 288u);
    EXPECT_NEAR(times.front(), 44999.5 + 300.0 / 86400, 1e-9);
    EXPECT_NEAR(times.back(), 45000.5, 1e-9);
    EXPECT_TRUE(HistoryTimes(now, 0, 300).empty());
}

TEST(Simulation, RepeatableAndPlausible) {
    SimChannel office{7, 50, 1}, other{8, 50, 1};
    const double tuesdayNoon = 45006.5;  // 21 March 2023
    EXPECT_EQ(SimulatedTemperature(office, tuesdayNoon), SimulatedTemperature(office, tuesdayNoon));
    EXPECT_NE(SimulatedTemperature(office, tuesdayNoon), SimulatedTemperature(other, tuesdayNoon));
    double low = 1e9, high = -1e9;
    for (int i = 0; i < 365 * 24; ++i) {
        double t = 45000 + i / 24.0;
        float temperature = SimulatedTemperature(office, t);
        float humidity = SimulatedHumidity(office, t);
        float co2 = SimulatedCo2(office, t);
        ASSERT_TRUE(temperature > 10 && temperature < 30) << t;
        ASSERT_TRUE(humidity >= 5 && humidity <= 98) << t;
        ASSERT_TRUE(co2 >= 350 && co2 < 1300) << t;
        low = std::min<double>(low, temperature);
        high = std::max<double>(high, temperature);
    }
    EXPECT_GT(high - low, 4) << "a daily and a yearly cycle";
    // Afternoon warmer than night; humidity the other way round.
    EXPECT_GT(SimulatedTemperature(office, 45006 + 15.0 / 24), SimulatedTemperature(office, 45006 + 3.0 / 24));
    EXPECT_LT(SimulatedHumidity(office, 45006 + 15.0 / 24), SimulatedHumidity(office, 45006 + 3.0 / 24));
    // People on weekdays in office hours only (UTC): Tuesday 21, Saturday 18, Sunday 19 March 2023.
    struct {
        double time, occupancy;
    } hours[] = {{45006 + 10.0 / 24, 1}, {45006 + 12.5 / 24, 0.6}, {45006 + 20.0 / 24, 0},
                 {45006 + 6.0 / 24, 0},  {45003 + 10.0 / 24, 0},   {45004 + 10.0 / 24, 0}};
    for (auto h : hours) EXPECT_DOUBLE_EQ(Occupancy(h.time), h.occupancy) << h.time;
    EXPECT_GT(SimulatedCo2(office, 45006 + 10.0 / 24), SimulatedCo2(office, 45003 + 10.0 / 24) + 400);
}

TEST(ServerCommandLine, OptionsAndErrors) {
    struct {
        std::vector<std::wstring> args;
        bool ok;
        ServerAction action;
    } cases[] = {
        {{}, true, ServerAction::Run},
        {{L"-Embedding"}, true, ServerAction::Run},
        {{L"/regserver", L"/DataFolder", L"C:\\my data"}, true, ServerAction::Register},
        {{L"-UNREGSERVER"}, true, ServerAction::Unregister},
        {{L"/Stop"}, true, ServerAction::Stop},
        {{L"/?"}, true, ServerAction::Help},
        {{L"/Sensors"}, false, ServerAction::Run},
        {{L"/Sensors", L"2.5"}, false, ServerAction::Run},
        {{L"/Sensors", L"-1"}, false, ServerAction::Run},
        {{L"/Period", L"nan"}, false, ServerAction::Run},
        {{L"/HistoryStep", L"0"}, false, ServerAction::Run},
        {{L"/DataFolder", L""}, false, ServerAction::Run},
        {{L"Sensors"}, false, ServerAction::Run},
        {{L"/Stop", L"/RegServer"}, false, ServerAction::Run},
    };
    for (auto& c : cases) {
        ServerCommand command;
        std::wstring error;
        std::wstring line;
        for (auto& a : c.args) line += a + L" ";
        EXPECT_EQ(ParseServerCommand(c.args, &command, &error), c.ok) << std::string(line.begin(), line.end());
        if (c.ok) EXPECT_EQ(command.action, c.action) << std::string(line.begin(), line.end());
        else EXPECT_FALSE(error.empty());
    }
    ServerCommand command;
    std::wstring error;
    ASSERT_TRUE(ParseServerCommand({L"/RegServer", L"/DataFolder", L"C:\\my data\\", L"/Sensors", L"4", L"/Period",
                                    L"0.5", L"/History", L"30", L"/Seed", L"9"},
                                   &command, &error));
    EXPECT_EQ(command.logger.dataFolder, L"C:\\my data\\");
    EXPECT_EQ(command.logger.sensorCount, 4);
    EXPECT_EQ(command.periodSeconds, 0.5);
    EXPECT_EQ(command.logger.historyDays, 30);
    EXPECT_EQ(command.logger.seed, 9u);
    // What registration records for COM's start, quoted so that it reads back the same.
    EXPECT_EQ(command.options, L"/DataFolder \"C:\\my data\\\\\" /Sensors 4 /Period 0.5 /History 30 /Seed 9");
}
