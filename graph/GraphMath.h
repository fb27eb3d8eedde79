// The arithmetic of a graph: its value scale, the mapping of times and values to the plot,
// value labels, the trace's gap rule and the scroll bar's positions. Plain values in and out.
#pragma once
#include <windows.h>
#include <cmath>
#include <string>
#include <vector>

#include "TimeScale.h"
#include "Units.h"

// The value axis in the storage unit. `ticks` is the distance between labels; 0 = no axis yet.
struct ValueScale {
    float min = 0;
    float max = 0;
    float ticks = 0;
    bool operator==(const ValueScale&) const = default;
};

// The automatic scale for data between `dataMin` and `dataMax`: a range narrower than 5 widened
// by 2 on both sides, both ends rounded outwards to halves, ticks of 0.5, 1 or 5 by that range,
// and the ends moved out to whole ticks.
ValueScale AutoScale(float dataMin, float dataMax);

// The plot rectangle in logical units (twips, y up): yLow is its visual bottom, yHigh its top.
struct PlotRect {
    int left = 0;
    int yLow = 0;
    int right = 0;
    int yHigh = 0;
    int Width() const { return right - left; }
    int Height() const { return yHigh - yLow; }
    bool operator==(const PlotRect&) const = default;
};

// Margins of the plot inside the drawing rectangle, in twips.
inline constexpr int kLeftMargin = 800;
inline constexpr int kRightMargin = 200;
inline constexpr int kBottomMargin = 700;
inline constexpr int kTopMargin = 200;
inline constexpr int kTitleGap = 200;
inline constexpr int kValueTickLength = 100;

// The plot inside a drawing rectangle whose top field holds the lower y (normalised twips).
PlotRect PlotInside(const RECT& rect);

namespace detail {
// A coordinate far outside any drawing (still well inside int): where mapped values beyond it,
// infinities and NaN end up instead of overflowing the conversion.
inline constexpr double kCoordinateLimit = 1e8;
inline int ClampedInt(double x) {
    if (!(x > -kCoordinateLimit)) return static_cast<int>(-kCoordinateLimit);
    if (!(x < kCoordinateLimit)) return static_cast<int>(kCoordinateLimit);
    return static_cast<int>(x);
}
// Truncation toward zero of a quotient of OLE dates, whose rounding noise would otherwise drop a
// result that is whole in exact arithmetic (a window's end at the plot's right edge, an aligned
// end at its scroll position) to the integer below it.
inline int TruncTime(double x) { return ClampedInt(std::trunc(x + std::copysign(1e-3, x))); }
}  // namespace detail

// Times and values against a plot and a time window. The two mappings are inline: the trace maps
// every sample through them on every paint.
struct PlotMapping {
    PlotRect plot;
    double viewStart = 0;
    double viewEnd = 0;
    ValueScale scale;

    // A window without length (none set yet) maps every time to the plot's left edge.
    int TimeToX(double t) const {
        if (viewEnd == viewStart) return plot.left;
        return detail::TruncTime((t - viewStart) * plot.Width() / (viewEnd - viewStart)) + plot.left;
    }
    double XToTime(int x) const;
    // A scale whose ends are equal maps every value to the plot's bottom.
    int ValueToY(float v) const {
        if (scale.max == scale.min) return plot.yLow;
        return detail::ClampedInt(
                   std::trunc((v - scale.min) * static_cast<float>(plot.Height()) / (scale.max - scale.min))) +
               plot.yLow;
    }
    bool TimeAtX(int x, double& t) const;
    bool ValueAtY(int y, float& v) const;
    bool operator==(const PlotMapping&) const = default;
};

// One tick of the value axis and whether it carries a label.
struct ValueTick {
    float value;
    int y;
    bool labelled;
};

// The value axis's ticks, from the scale's minimum in steps of `ticks` (summed in float) up to its
// maximum plus half a tick, so that the maximum is reached despite rounding. A tick is labelled
// when it lies at least `labelHeight` above the last labelled one; the others keep their tick.
// None when `ticks` is not positive, and the list ends where a step no longer advances the value.
// At most kMaxValueTicks are listed.
inline constexpr size_t kMaxValueTicks = 100000;
void ValueTicks(const PlotMapping& mapping, int labelHeight, std::vector<ValueTick>& ticks);

// The label of value `v` (storage unit) for a sensor type, temperatures in Fahrenheit when asked.
std::wstring ValueLabel(int type, float v, float ticks, bool fahrenheit);

// The range to ask the server for: logged times are whole seconds, while the window's start (its
// end minus a span) lands a few ulps beside the record at that second; half a second more on both
// sides takes the records at both edges.
inline double FetchFrom(double viewStart) { return viewStart - 0.5 / 86400; }
inline double FetchTo(double viewEnd) { return viewEnd + 0.5 / 86400; }

// Samples further apart than this are not joined by the trace: twice the fetch interval, or five
// minutes for scales that fetch every logged value.
double GapThreshold(const TimeScale& scale);
// Whether samples `interval` days apart are separated by a gap. Logged times are whole seconds, so
// a difference within half a second of the threshold is the threshold itself, however the
// subtraction of two OLE dates rounded it.
bool IsTraceGap(double interval, double threshold);

// The trace's pen width in twips for a TraceStyle: 1..9 = that many times 30, else 1.
int TraceWidth(int traceStyle);

// Scroll positions count half alignment steps from the first logged day plus one span.
int ScrollPositionOf(double viewEnd, double firstLogTime, const TimeScale& scale);
double ViewEndAtScrollPosition(int position, double firstLogTime, const TimeScale& scale);
// The position a scroll request leads to (SB_LINELEFT ... SB_RIGHT), or -1 for a request that
// does not move (end of scrolling).
int NextScrollPosition(int request, int position, int trackPosition, int maximum);
