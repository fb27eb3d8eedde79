#include "Readout.h"

#include <cstdlib>

#include "AppModule.h"
#include "Units.h"

bool FindNearestSample(const std::vector<GraphSample>& fetched, const std::vector<GraphSample>& live,
                       const PlotMapping& mapping, POINT& p, GraphSample& found) {
    if (fetched.empty() && live.empty()) return false;
    double t = 0;
    float v = 0;
    if (!mapping.TimeAtX(p.x, t) || !mapping.ValueAtY(p.y, v)) return false;

    const GraphSample* previous = nullptr;
    const GraphSample* next = nullptr;
    auto firstLater = [t](const std::vector<GraphSample>& samples) {
        size_t i = 0;
        while (i < samples.size() && !(samples[i].time > t)) ++i;
        return i;
    };
    if (!fetched.empty() && fetched.back().time > t) {
        const size_t i = firstLater(fetched);
        next = &fetched[i];
        previous = i > 0 ? &fetched[i - 1] : next;
    } else if (!live.empty()) {
        size_t i = firstLater(live);
        if (i == live.size()) i = live.size() - 1;
        next = &live[i];
        previous = i > 0 ? &live[i - 1] : !fetched.empty() ? &fetched.back() : next;
    } else {
        previous = &fetched.back();
    }
    if (previous->time == 0 && (!next || next->time == 0)) return false;

    const GraphSample* taken = previous;
    int x = mapping.TimeToX(previous->time);
    if (next) {
        const int x2 = mapping.TimeToX(next->time);
        if (std::llabs(static_cast<long long>(p.x) - x2) < std::llabs(static_cast<long long>(p.x) - x)) {
            taken = next;
            x = x2;
        }
    }
    const int y = mapping.ValueToY(taken->value);
    // Mapped coordinates reach 1e8 for samples far outside the window: squared in 64 bits, so that
    // they cannot wrap into a small distance.
    const long long dx = static_cast<long long>(x) - p.x, dy = static_cast<long long>(y) - p.y;
    if (dx * dx + dy * dy > kReadoutRadiusSquared) return false;
    p = POINT{x, y};
    found = *taken;
    return true;
}

std::wstring ReadoutValueText(int type, float value, float ticks, bool fahrenheit, const std::wstring& unitName) {
    // Code 2 is a temperature measured with a signal level; the value axis labels it as one, so
    // the read-out does too.
    if (type == 1 || type == 2) {
        const wchar_t* unit = fahrenheit ? L"\u00B0F" : L"\u00B0C";
        const double shown = CelsiusIn(fahrenheit, value);
        if (CelsiusDeltaIn(fahrenheit, ticks) < 1) return FormatText(L"%+4.2f %s", shown, unit);
        return FormatText(L"%+3.1f %s", shown, unit);
    }
    return FormatText(L"%4.1f %s", static_cast<double>(value), unitName.c_str());
}

InfoPlacement PlaceInfo(POINT anchor, SIZE text, bool pointer, const RECT& bounds) {
    const int height = std::abs(text.cy) + 4;
    int width = std::abs(text.cx) + 6;
    if (pointer) width += height / 2;
    InfoPlacement placement{{anchor.x, anchor.y - height, anchor.x + width, anchor.y}, true};
    if (anchor.x + width > bounds.right) {
        placement.rect.left = anchor.x - width;
        placement.rect.right = anchor.x;
        placement.pointerLeft = false;
    }
    return placement;
}

InfoLayout LayOutInfo(int width, int height, bool pointer, bool pointerLeft) {
    if (!pointer) return InfoLayout{{3, 2}, false, {}, {}};
    const int b = height - 1, d = b / 2;
    if (pointerLeft) return InfoLayout{{d + 3, 2}, true, {2, b - 2}, {d, b - d}};
    return InfoLayout{{3, 2}, true, {width - 2, b - 2}, {width - d, b - d}};
}
