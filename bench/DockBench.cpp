// Adding many views to the layout's central area, as the program does with one graph per sensor:
// the median time to add 100 and 300 views and the ratio between the two counts (3 for a cost
// that grows linearly with the views, 9 for one that grows with their square). Each view is made
// the front tab, or added behind it, in a batch or not; the pending messages (painting) run after
// each addition, as the server calls between two graphs let them, or only at the end. The rows
// with messages after each addition depend much on the machine's load. Then the time to save 300
// views' layout records. Last, the median time of one drag-over report (the frame asks every place
// under the cursor and moves the outline) along a sweep across the frame with 20 and with 100
// views in the central area, two dock sides and two floating frames; the ratio should stay near 1.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "DockHost.h"
#include "SettingsStore.h"

namespace {
using Clock = std::chrono::steady_clock;

struct Way {
    const char* name;
    bool activate, batch, pumpEach;
};

double AddViews(int count, const Way& way) {
    DockHost host;
    if (!host.Open(900, 600, true)) return -1;
    std::vector<TestView*> views;
    for (int i = 0; i < count; ++i) views.push_back(host.NewView((L"Sensor " + std::to_wstring(i)).c_str()));
    DockHost::Pump();
    const auto start = Clock::now();
    {
        std::optional<DockSplitTab::Frame::AddBatch> batch;
        if (way.batch) batch.emplace(host.Frame());
        for (TestView* view : views) {
            host.Frame().AddView(view, way.activate);
            if (way.pumpEach) DockHost::Pump();
        }
    }
    DockHost::Pump();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double SaveViews(int count) {
    DockHost host;
    if (!host.Open(900, 600, true)) return -1;
    for (int i = 0; i < count; ++i)
        host.Frame().AddView(host.NewView((L"Sensor " + std::to_wstring(i)).c_str()), false);
    const DockSplitTab::SettingsAccess store{ReadSettingBinary, WriteSettingBinary};
    const auto start = Clock::now();
    host.Frame().SaveState(store);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    DeleteSettingsKey(L"State");
    return seconds;
}

// Median microseconds of one drag-over of a docked tab along a sweep across the frame and its edges.
double DragOverMicros(int centralViews) {
    using namespace DockSplitTab;
    DockHost host;
    if (!host.Open(900, 600, true)) return -1;
    Frame& frame = host.Frame();
    for (int i = 0; i < centralViews; ++i) frame.AddView(host.NewView((L"Sensor " + std::to_wstring(i)).c_str()), false);
    TestView* list = host.NewView(L"list");
    frame.DockViewAtSide(SideLeft, list);
    frame.DockViewAtSide(SideLeft, host.NewView(L"log"));
    frame.DockViewAtSide(SideBottom, host.NewView(L"messages"));
    frame.FloatView(RECT{300, 200, 600, 400}, host.NewView(L"float one"));
    frame.FloatView(RECT{500, 300, 800, 500}, host.NewView(L"float two"));
    DockHost::Pump();
    RECT area{};
    ::GetWindowRect(frame, &area);
    HWND pane = *frame.DockSplitPane(SideLeft)->PaneOf(list->m_window);
    std::vector<double> times;
    for (int round = 0; round < 5; ++round) {
        frame.DragStart(pane, list->m_window, area.left + 50, area.top + 50, 0);
        const int steps = 400;
        const auto start = Clock::now();
        for (int i = 0; i < steps; ++i) {
            const int x = area.left - 20 + (area.right - area.left + 40) * i / steps;
            const int y = area.top - 20 + (area.bottom - area.top + 40) * ((i * 7) % steps) / steps;
            frame.DragOver(pane, list->m_window, x, y, 0);
        }
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count() / steps * 1e6);
        frame.DragCancel(pane, list->m_window);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double Median(int count, const Way& way, int rounds) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) times.push_back(AddViews(count, way));
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    const Way ways[] = {
        {"front tab, messages each", true, false, true},
        {"behind, messages each", false, false, true},
        {"behind, batch, messages each", false, true, true},
        {"front tab, messages at end", true, false, false},
        {"behind, messages at end", false, false, false},
    };
    const bool dragOnly = argc > 1 && std::wstring(argv[1]) == L"drag";  // only the drag-over row
    if (!dragOnly) AddViews(50, ways[0]);  // warm-up
    for (const Way& way : ways) {
        if (dragOnly) break;
        const double small = Median(100, way, 7), large = Median(300, way, 7);
        std::printf("%-30s 100 views %7.1f ms   300 views %7.1f ms   ratio %.1f\n", way.name, small * 1e3,
                    large * 1e3, large / small);
    }
    std::vector<double> saves;
    for (int i = 0; i < 7 && !dragOnly; ++i) saves.push_back(SaveViews(300));
    std::sort(saves.begin(), saves.end());
    if (!dragOnly) std::printf("saving 300 views' records: %.1f ms\n", saves[saves.size() / 2] * 1e3);
    DragOverMicros(20);  // warm-up: the outline's window class and first window
    const double few = DragOverMicros(20), many = DragOverMicros(100);
    std::printf("drag over, 20 central views %.1f us   100 views %.1f us   ratio %.2f\n", few, many, many / few);
    return 0;
}
