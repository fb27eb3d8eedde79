// Timings of the stand-in logger server across processes: GetData of a year of one-minute
// records, raw and reduced to days, and events per second that reach one client. Prints medians.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "OstrelTestServer.h"
#include "SensorLog.h"

namespace {
double Seconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Median milliseconds of one GetData call; `count` gets the number of samples answered.
double TimeGetData(IOstrelSensor* sensor, double from, double to, double interval, int runs, long* count) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        Variant times, values;
        double start = Seconds();
        HRESULT hr = sensor->GetData(from, to, interval, times.Receive(), values.Receive());
        ms.push_back((Seconds() - start) * 1000);
        if (FAILED(hr) || times.vt != (VT_ARRAY | VT_R8)) {
            std::printf("GetData failed: 0x%08lx\n", static_cast<unsigned long>(hr));
            return -1;
        }
        *count = SafeArray::Count(times.parray);
    }
    return Median(ms);
}

// Events per second that reach `sink` when `fire` sends `n` of them.
template <class Fire>
double TimeEvents(TestEventSink& sink, DISPID dispid, int n, Fire fire) {
    sink.events.clear();
    double start = Seconds();
    if (FAILED(fire(n))) return -1;
    if (!PumpUntil([&] { return sink.Count(dispid) >= static_cast<size_t>(n); }, 120000)) {
        std::printf("only %zu of %d events arrived\n", sink.Count(dispid), n);
        return -1;
    }
    return n / (Seconds() - start);
}
}  // namespace

int wmain() {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        // One sensor with a year of one-minute records (525,600), no live measurements.
        OstrelTestServer test(L"/Sensors 1 /History 365 /HistoryStep 60 /Period 0");
        double start = Seconds();
        ComPtr<IOstrelServer> server = test.Connect();
        if (!server) {
            std::printf("cannot start the server\n");
            return 1;
        }
        std::printf("first start with a year of history: %.0f ms\n", (Seconds() - start) * 1000);
        ComPtr<IOstrelSensors> sensors;
        ComPtr<IOstrelSensor> sensor;
        server->get_Sensors(sensors.Receive());
        sensors->get_Item(1, sensor.Receive());
        double first = 0, last = 0;
        sensor->GetLogPeriod(&first, &last);

        long count = 0;
        double raw = TimeGetData(sensor.Get(), first, last, 0, 11, &count);
        std::printf("GetData raw year:      median %7.1f ms for %ld records (target < 250 ms)\n", raw, count);
        // The server's own share of the raw answer: the search and the copy into columns.
        std::vector<LogRecord> year(525600);
        for (size_t i = 0; i < year.size(); ++i) year[i] = {45000 + i / 1440.0, 20.0f, 0.0f};
        std::vector<double> selectMs;
        for (int i = 0; i < 11; ++i) {
            double t0 = Seconds();
            auto [a, b] = FindRange(year, year.front().time, year.back().time);
            Series series = Reduce(year.data() + a, year.data() + b, year.front().time, 0);
            selectMs.push_back((Seconds() - t0) * 1000);
            if (series.times.size() != year.size()) return 1;
        }
        std::printf("  of which selection in the server, in process: median %5.1f ms\n", Median(selectMs));
        // The check of a log at start: a sound year (one pass), and one with a bad record at its
        // end (the longest ascending run is sought).
        std::vector<LogRecord> damaged = year;
        damaged.back().time = 1e300;
        std::vector<double> soundMs, damagedMs;
        for (int i = 0; i < 11; ++i) {
            double t0 = Seconds();
            size_t sound = ImplausibleRecords(year, 1e9).size();
            double t1 = Seconds();
            size_t bad = ImplausibleRecords(damaged, 1e9).size();
            soundMs.push_back((t1 - t0) * 1000);
            damagedMs.push_back((Seconds() - t1) * 1000);
            if (sound != 0 || bad != 1) return 1;
        }
        std::printf("check of a year's log at start: median %5.1f ms sound, %5.1f ms with a bad record\n",
                    Median(soundMs), Median(damagedMs));
        double daily = TimeGetData(sensor.Get(), first, last, 1.0, 31, &count);
        std::printf("GetData year by days:  median %7.1f ms for %ld samples (target < 20 ms)\n", daily, count);

        TestEventSink sink;
        Subscription subscription(server.Get(), &sink);
        // The two kinds take turns, so that a change in the machine's load hits both alike.
        const int n = 1000;
        Bstr empty(L"");
        std::vector<double> bareRates, valueRates;
        for (int i = 0; i < 9; ++i) {
            bareRates.push_back(TimeEvents(sink, 2, n, [&](int k) { return server->Broadcast(empty, k); }));
            valueRates.push_back(TimeEvents(sink, 1, n, [&](int k) { return server->MeasureNow(k); }));
        }
        double bare = Median(bareRates), values = Median(valueRates);
        std::printf("events, empty OnMessage:       median %7.0f per second\n", bare);
        std::printf("events, logged OnNewValue:     median %7.0f per second (%.0f%% of empty, target >= 80%%)\n",
                    values, bare > 0 ? 100 * values / bare : 0.0);
        server->Disconnect();
    }
    ::CoUninitialize();
    return 0;
}
