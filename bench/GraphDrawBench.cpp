// The cost of painting a graph: Draw into a memory device context in twips, against the floor of
// a plain Polyline of the same trace points into the same context. Prints medians and their ratio
// for a 2-hour window with a sample every second and for a 1-year window with a sample a day.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "FakeServer.h"
#include "GraphView.h"
#include "LocalTime.h"
#include "SettingsStore.h"

namespace {
template <class F>
double MedianMicroseconds(F call, int rounds = 41) {
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        auto start = std::chrono::steady_clock::now();
        call();
        std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
        times.push_back(elapsed.count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A 1000 x 600 pixel bitmap in a memory DC, mapped in twips.
struct Canvas {
    MemoryDC dc{nullptr};
    Bitmap bitmap;
    RECT rect{};
    Canvas() {
        BITMAPINFO info{};
        info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 1000, 600, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap = Bitmap(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        ::SelectObject(dc, bitmap);
        ::SetMapMode(dc, MM_TWIPS);
        POINT corners[2] = {{0, 0}, {1000, 600}};
        ::DPtoLP(dc, corners, 2);
        rect = RECT{std::min(corners[0].x, corners[1].x), std::min(corners[0].y, corners[1].y),
                    std::max(corners[0].x, corners[1].x), std::max(corners[0].y, corners[1].y)};
    }
};

void Measure(const char* title, int scale, int count, double step, HWND parent) {
    double end = LocalToUtcDate(46100.5);  // local noon, aligned for every scale
    std::vector<double> times(count);
    std::vector<float> values(count);
    for (int i = 0; i < count; ++i) {
        times[i] = end - (count - i) * step;
        values[i] = 20.0f + 3.0f * static_cast<float>(std::sin(i * 0.01)) + (i % 7) * 0.05f;
    }
    auto sensor = FakeSensor::Make(1, 1, 999, L"Bench");
    sensor->firstLog = end - 800;
    sensor->lastLog = end;
    sensor->lastValueResult = E_FAIL;
    sensor->SetData(times, values);
    CGraphView graph(nullptr, sensor.Get());
    graph.CreateGraphWindow(parent, 1, 1);
    graph.Settings().timeScale = scale;
    graph.Settings().stickToEnd = false;
    graph.SetEndTime(end);
    graph.Refetch();

    Canvas canvas;
    graph.Draw(canvas.dc, canvas.rect, false);
    // The floor: the trace's own points, mapped once, drawn by one Polyline with the same pen.
    PlotMapping mapping = graph.Mapping();
    std::vector<POINT> points;
    for (const GraphSample& s : graph.FetchedSamples())
        points.push_back(POINT{mapping.TimeToX(s.time), mapping.ValueToY(s.value)});
    Pen pen(PS_SOLID, 1, RGB(255, 0, 0));

    double draw = MedianMicroseconds([&] {
        graph.Draw(canvas.dc, canvas.rect, false);
        ::GdiFlush();
    });
    double floor = MedianMicroseconds([&] {
        SelectedObject keep(canvas.dc, pen);
        ::Polyline(canvas.dc, points.data(), static_cast<int>(points.size()));
        ::GdiFlush();
    });
    std::printf("%-28s %6zu samples   Draw %9.1f us   Polyline %9.1f us   ratio %.2f\n", title,
                graph.FetchedSamples().size(), draw, floor, draw / floor);
    // The same window without samples: what the axes, labels and grid cost on their own.
    sensor->SetData({}, {});
    graph.Refetch();
    double axes = MedianMicroseconds([&] {
        graph.Draw(canvas.dc, canvas.rect, false);
        ::GdiFlush();
    });
    std::printf("%-28s %6s           axes alone %9.1f us\n", "", "", axes);
    ::DestroyWindow(graph);
}
}  // namespace

int main() {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    std::printf("medians of 41 rounds, 1000 x 600 pixel memory DC in twips\n");
    Measure("2 hours, one per second", 0, 7200, 1.0 / 86400, parent);
    Measure("1 year, one per day", 11, 365, 1.0, parent);
    ::DestroyWindow(parent);
    DeleteSettingsKey(L"D999");
    ::CoUninitialize();
    return 0;
}
