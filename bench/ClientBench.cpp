// The program's side of the logger server, on the real OstrelServer.exe with 100 and 300 sensors:
// - start and fill: the main frame connecting and making a graph for every sensor, against the
//   number of server calls that takes times the round trip of one call;
// - events: a burst of about 10,000 measurements through the server into the frame, against the
//   rate at which the same server delivers them to a bare sink in the same run;
// - flood: 50 sensors measuring every 10 ms for 20 s, into the frame and a bare sink side by side:
//   the share of events the frame took in, how far behind its newest measurement is at the end,
//   and how much its working set grew.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "MainFrame.h"
#include "MyAppModule.h"
#include "OstrelTestServer.h"

namespace {
using Clock = std::chrono::steady_clock;
double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double MedianRoundTrip(IOstrelServer* server) {
    ComPtr<IOstrelSensors> sensors;
    server->get_Sensors(sensors.Receive());
    std::vector<double> times;
    for (int i = 0; i < 300; ++i) {
        long count = 0;
        auto start = Clock::now();
        sensors->get_Count(&count);
        times.push_back(Since(start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Serves messages until `count` reaches `expected` or has not grown for two seconds: a server
// passes over measurements of a subscriber that lags seconds behind when newer ones wait.
void WaitForEvents(const std::function<size_t()>& count, size_t expected) {
    size_t last = count();
    auto lastGrowth = Clock::now();
    PumpUntil([&] {
        size_t now = count();
        if (now != last) {
            last = now;
            lastGrowth = Clock::now();
        }
        return now >= expected || Since(lastGrowth) > 2;
    }, 180000);
}

// Start and fill with `sensors` sensors, then a burst of measurements into the frame. Returns
// false when the frame took in clearly fewer events than the bare sink.
bool Measure(int sensors, int rounds) {
    const int events = sensors * rounds;
    OstrelTestServer server(FormatText(L"/Sensors %d /History 1 /Period 0", sensors));
    ComPtr<IOstrelServer> client = server.Connect();
    if (!client) {
        std::printf("no server\n");
        return false;
    }
    double roundTrip = MedianRoundTrip(client.Get());

    // The bare rate: the same burst into a sink that only counts.
    TestEventSink sink;
    double bareSeconds = 0;
    {
        Subscription subscription(client.Get(), &sink);
        auto start = Clock::now();
        client->MeasureNow(rounds);
        WaitForEvents([&] { return sink.Count(1); }, static_cast<size_t>(events));
        bareSeconds = Since(start);
    }

    CMainFrame frame;
    auto start = Clock::now();
    HWND window = frame.CreateEx(IDR_MAINFRAME);
    double fillSeconds = Since(start);
    // Connection, subscription, collection and count, then per sensor: the item, its id and
    // type, the graph's seven reads, its newest value and, when that moves the window, a fetch.
    size_t graphs = frame.GraphCount();
    const int calls = 4 + sensors * 11;

    start = Clock::now();
    client->MeasureNow(rounds);
    WaitForEvents([&] { return frame.Views().EventsReceived(); }, static_cast<size_t>(events));
    double burstSeconds = Since(start);
    size_t taken = frame.Views().EventsReceived();

    std::printf("sensors                       %d (graphs made: %zu)\n", sensors, graphs);
    std::printf("round trip of one call        %.3f ms (median of 300)\n", roundTrip * 1000);
    std::printf("start and fill                %.0f ms; about %d calls x round trip = %.0f ms; ratio %.2f\n",
                fillSeconds * 1000, calls, calls * roundTrip * 1000, fillSeconds / (calls * roundTrip));
    std::printf("bare event rate               %.0f events/s (%zu of %d in %.2f s)\n", sink.Count(1) / bareSeconds,
                sink.Count(1), events, bareSeconds);
    std::printf("events into the frame         %.0f events/s (%zu in %.2f s): %.2f of the bare rate\n",
                taken / burstSeconds, taken, burstSeconds, (taken / burstSeconds) / (sink.Count(1) / bareSeconds));
    if (window) frame.DestroyWindow();
    return taken * 100 >= sink.Count(1) * 95;
}

// A live flood into a shown frame and, side by side, a bare sink.
void Flood(int sensors, double period, double seconds) {
    OstrelTestServer server(FormatText(L"/Sensors %d /History 1 /Period %g", sensors, period));
    ComPtr<IOstrelServer> client = server.Connect();
    if (!client) {
        std::printf("no server\n");
        return;
    }
    CMainFrame frame;
    HWND window = frame.CreateEx(IDR_MAINFRAME);
    frame.ShowWindow(SW_SHOWNOACTIVATE);
    PROCESS_MEMORY_COUNTERS before{sizeof(before)}, after{sizeof(after)};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &before, sizeof(before));
    TestEventSink sink;
    Subscription subscription(client.Get(), &sink);
    size_t frameStart = frame.Views().EventsReceived();
    auto start = Clock::now();
    PumpUntil([&] { return Since(start) >= seconds; }, static_cast<DWORD>(seconds * 1000) + 5000);
    size_t bare = sink.Count(1), taken = frame.Views().EventsReceived() - frameStart;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &after, sizeof(after));
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    double utcNow = 0, newest = 0;
    ::SystemTimeToVariantTime(&now, &utcNow);
    frame.Views().ForEachGraph([&](CGraphView& graph) { newest = std::max(newest, graph.LastLiveTime()); });
    double bareNewest = 0;
    for (const ReceivedEvent& event : sink.events) bareNewest = std::max(bareNewest, event.time);
    std::printf("flood: %d sensors every %g s for %.0f s\n", sensors, period, seconds);
    std::printf("  bare sink %zu events (%.0f/s); frame %zu events: %.2f of the bare count\n", bare, bare / seconds,
                taken, bare ? static_cast<double>(taken) / bare : 0.0);
    std::printf("  newest measurement: in the frame %.1f s old, in the bare sink %.1f s old; working set grew %.1f MB\n",
                (utcNow - newest) * 86400, (utcNow - bareNewest) * 86400, (static_cast<double>(after.WorkingSetSize) - before.WorkingSetSize) / 1e6);
    subscription.Unadvise();
    if (window) frame.DestroyWindow();
}
}  // namespace

int wmain() {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HMODULE resources = ::LoadLibraryExW((BuildFolder() + L"ksv_res.dll").c_str(), nullptr,
                                         LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    g_Module.SetResourceInstance(resources);
    bool complete = Measure(100, 100);
    complete = Measure(300, 34) && complete;
    Flood(50, 0.01, 20);
    g_Module.SetResourceInstance(nullptr);
    ::FreeLibrary(resources);
    ::CoUninitialize();
    return complete ? 0 : 1;
}
