// Adding many views to the layout's central area, as the program does with one graph per sensor:
// the median time to add 100 and 300 views, each made the front tab or each added behind the
// front tab, and the ratio between the two counts (3 for a cost that grows linearly with the
// views, 9 for one that grows with their square). Each addition is followed by running the
// pending messages, as the server calls between two graphs do.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "DockHost.h"

namespace {
using Clock = std::chrono::steady_clock;

double AddViews(int count, bool activate) {
    DockHost host;
    if (!host.Open(900, 600, true)) return -1;
    std::vector<TestView*> views;
    for (int i = 0; i < count; ++i) views.push_back(host.NewView((L"Sensor " + std::to_wstring(i)).c_str()));
    DockHost::Pump();
    const auto start = Clock::now();
    for (TestView* view : views) {
        host.Frame().AddView(view, activate);
        DockHost::Pump();
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(int count, bool activate, int rounds) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) times.push_back(AddViews(count, activate));
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
}  // namespace

int wmain() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    AddViews(50, true);  // warm-up
    for (bool activate : {true, false}) {
        const double small = Median(100, activate, 7), large = Median(300, activate, 7);
        std::printf("%-24s 100 views %7.1f ms   300 views %7.1f ms   ratio %.1f\n",
                    activate ? "each made front tab:" : "each behind the front:", small * 1e3, large * 1e3,
                    large / small);
    }
    return 0;
}
