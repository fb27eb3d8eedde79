// The program's side of the logger server, with 100 sensors on the real OstrelServer.exe:
// - start and fill: the main frame connecting and making a graph for every sensor, against the
//   number of server calls that takes times the round trip of one call;
// - events: a burst of 10,000 measurements through the server into the frame's handler, against
//   the rate at which the same server delivers them to a bare sink in the same run.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "MainFrame.h"
#include "MyAppModule.h"
#include "OstrelTestServer.h"

namespace {
using Clock = std::chrono::steady_clock;
double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A main frame that times its handling of each measurement event.
class TimedFrame : public CMainFrame {
public:
    void OnNewValue(unsigned long type, const VARIANT& data) override {
        auto start = Clock::now();
        CMainFrame::OnNewValue(type, data);
        handling += Since(start);
        ++events;
    }
    double handling = 0;
    size_t events = 0;
};

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
}  // namespace

int wmain() {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int kSensors = 100, kRounds = 100, kEvents = kSensors * kRounds;
    HMODULE resources = ::LoadLibraryExW((BuildFolder() + L"ksv_res.dll").c_str(), nullptr,
                                         LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    g_Module.SetResourceInstance(resources);
    int result = 1;
    {
        OstrelTestServer server(L"/Sensors 100 /History 1 /Period 0");
        ComPtr<IOstrelServer> client = server.Connect();
        if (!client) {
            std::printf("no server\n");
            return 1;
        }
        double roundTrip = MedianRoundTrip(client.Get());

        // The bare rate: the same burst into a sink that only counts.
        TestEventSink sink;
        double bareSeconds = 0;
        {
            Subscription subscription(client.Get(), &sink);
            auto start = Clock::now();
            client->MeasureNow(kRounds);
            PumpUntil([&] { return sink.Count(1) >= static_cast<size_t>(kEvents); }, 180000);
            bareSeconds = Since(start);
        }

        TimedFrame frame;
        auto start = Clock::now();
        HWND window = frame.CreateEx(IDR_MAINFRAME);
        double fillSeconds = Since(start);
        // Connection, subscription, collection and count, then per sensor: the item, its id and
        // type, the graph's seven reads, its newest value and, when that moves the window, a fetch.
        size_t graphs = frame.GraphCount();

        start = Clock::now();
        client->MeasureNow(kRounds);
        PumpUntil([&] { return frame.events >= static_cast<size_t>(kEvents); }, 180000);
        double burstSeconds = Since(start);

        std::printf("sensors                       %d (graphs made: %zu)\n", kSensors, graphs);
        std::printf("round trip of one call        %.3f ms (median of 300)\n", roundTrip * 1000);
        std::printf("start and fill                %.0f ms; about %d calls x round trip = %.0f ms; ratio %.2f\n",
                    fillSeconds * 1000, 4 + kSensors * 11, (4 + kSensors * 11) * roundTrip * 1000,
                    fillSeconds / ((4 + kSensors * 11) * roundTrip));
        std::printf("bare event rate               %.0f events/s (%zu of %d in %.2f s)\n", sink.Count(1) / bareSeconds,
                    sink.Count(1), kEvents, bareSeconds);
        std::printf("events into the frame        %.0f events/s (%zu in %.2f s)\n", frame.events / burstSeconds,
                    frame.events, burstSeconds);
        double perEventBudget = bareSeconds / kEvents;
        double perEventHandling = frame.events ? frame.handling / static_cast<double>(frame.events) : 0;
        std::printf("handling per event            %.1f us of a %.1f us budget: %.1f%%\n", perEventHandling * 1e6,
                    perEventBudget * 1e6, 100 * perEventHandling / perEventBudget);
        if (window) frame.DestroyWindow();
        result = frame.events >= static_cast<size_t>(kEvents) ? 0 : 1;
    }
    g_Module.SetResourceInstance(nullptr);
    ::FreeLibrary(resources);
    ::CoUninitialize();
    return result;
}
