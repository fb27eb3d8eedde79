#include "GraphMath.h"

#include <algorithm>
#include <cmath>

#include "AppModule.h"

ValueScale AutoScale(float dataMin, float dataMax) {
    float hi = dataMax, lo = dataMin;
    if (hi - lo < 5) {
        hi = hi + 2;
        lo = lo - 2;
    }
    float range = std::ceil(2 * hi) / 2 - std::floor(2 * lo) / 2;
    ValueScale scale;
    scale.ticks = range <= 5 ? 0.5f : range <= 30 ? 1.0f : 5.0f;
    scale.min = std::floor(lo / scale.ticks) * scale.ticks;
    scale.max = std::ceil(hi / scale.ticks) * scale.ticks;
    return scale;
}

PlotRect PlotInside(const RECT& rect) {
    return PlotRect{rect.left + kLeftMargin, rect.top + kBottomMargin, rect.right - kRightMargin,
                    rect.bottom - kTopMargin};
}

double PlotMapping::XToTime(int x) const {
    return viewStart + (x - plot.left) * (viewEnd - viewStart) / plot.Width();
}

bool PlotMapping::TimeAtX(int x, double& t) const {
    if (viewEnd == viewStart || x < plot.left || x > plot.right) return false;
    t = XToTime(x);
    return true;
}

bool PlotMapping::ValueAtY(int y, float& v) const {
    if (viewEnd == viewStart || y < plot.yLow || y > plot.yHigh || plot.yLow == plot.yHigh) return false;
    v = scale.min + static_cast<float>(y - plot.yLow) * (scale.max - scale.min) / static_cast<float>(plot.Height());
    return true;
}

void ValueTicks(const PlotMapping& mapping, int labelHeight, std::vector<ValueTick>& ticks) {
    ticks.clear();
    const ValueScale& scale = mapping.scale;
    if (!(scale.ticks > 0)) return;
    int nextFree = mapping.plot.yLow;
    for (float v = scale.min; v <= scale.max + scale.ticks / 2; v = v + scale.ticks) {
        int y = mapping.ValueToY(v);
        bool labelled = y >= nextFree;
        if (labelled) nextFree = y + labelHeight;
        ticks.push_back(ValueTick{v, y, labelled});
        // A tick too small for the value's precision would never end the loop, and a stored scale
        // with millions of ticks would only draw a solid block: both end here.
        if (v + scale.ticks == v || ticks.size() >= kMaxValueTicks) break;
    }
}

std::wstring ValueLabel(int type, float v, float ticks, bool fahrenheit) {
    // Codes 2, 4 and 6 are the same quantities as 1, 3 and 5 (measured with a signal level): a
    // graph made from the server's list keeps those codes, and its temperatures are temperatures.
    switch (type) {
    case 1:
    case 2:
        if (CelsiusDeltaIn(fahrenheit, ticks) < 1)
            return FormatText(L"%+4.1f ", static_cast<double>(CelsiusIn(fahrenheit, v)));
        return FormatText(L"%+3.0f", static_cast<double>(CelsiusIn(fahrenheit, v)));
    case 3:
    case 4:
    case 5:
    case 6:
        return FormatText(L"%4.1f", static_cast<double>(v));
    default:
        return FormatText(L"%+4.1f ", static_cast<double>(v));
    }
}

double GapThreshold(const TimeScale& scale) {
    return scale.interval > 0 ? 2 * scale.interval : 5.0 / 1440;
}

bool IsTraceGap(double interval, double threshold) { return interval > threshold + 0.5 / 86400; }

int TraceWidth(int traceStyle) { return traceStyle >= 1 && traceStyle <= 9 ? traceStyle * 30 : 1; }

int ScrollPositionOf(double viewEnd, double firstLogTime, const TimeScale& scale) {
    int position = detail::TruncTime(2 * (viewEnd - firstLogTime - scale.span) / scale.alignStep);
    return std::max(position, 0);
}

double ViewEndAtScrollPosition(int position, double firstLogTime, const TimeScale& scale) {
    return firstLogTime + 0.5 * position * scale.alignStep + scale.span;
}

int NextScrollPosition(int request, int position, int trackPosition, int maximum) {
    int next;
    switch (request) {
    case SB_LINELEFT: next = position - 2; break;
    case SB_LINERIGHT: next = position + 2; break;
    case SB_PAGELEFT: next = position - 6; break;
    case SB_PAGERIGHT: next = position + 6; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: next = trackPosition; break;
    case SB_LEFT: return 0;
    case SB_RIGHT: return maximum;
    default: return -1;
    }
    return std::clamp(next, 0, std::max(maximum, 0));
}
