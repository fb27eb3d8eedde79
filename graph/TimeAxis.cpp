#include "TimeAxis.h"

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "AppModule.h"
#include "LocalTime.h"
#include "Protocol.h"

namespace {
constexpr double kHour = 1.0 / 24;
// Longer than the longest time scale (730 days) with its alignment: no window of a graph is longer.
constexpr double kLongestWindow = 800;

bool LocalFields(double utc, SYSTEMTIME& local) {
    SYSTEMTIME u;
    return ::VariantTimeToSystemTime(utc, &u) && UtcToLocalTime(nullptr, u, local);
}
}  // namespace

void Calendar::Rebuild(double viewStart, double viewEnd) {
    if (viewStart == m_builtStart && viewEnd == m_builtEnd && !m_days.empty()) return;
    m_builtStart = viewStart;
    m_builtEnd = viewEnd;
    m_days.clear();
    m_months.clear();
    // A time beyond the sane range (or a window without a sane length) has no calendar worth
    // listing, and stepping days through it would not end: beyond 2^53 a day adds nothing.
    if (!Protocol::IsSaneTime(viewStart) || !(viewEnd >= viewStart && viewEnd - viewStart <= kLongestWindow)) return;
    double prev = 0;
    bool startIsMonthStart = false;
    const int steps = static_cast<int>(std::ceil(viewEnd + 1 - viewStart));
    for (int i = 0; i < steps; ++i) {
        const double t = viewStart + i;
        bool first = false;
        double d = StartOfLocalDay(t, &first);
        if (prev > 0 && d - prev > 1.5) {
            // The step jumped over a local day: add that day's own midnight (half a day back from
            // the next midnight lies inside it whatever the size of the change).
            bool skippedFirst = false;
            double skipped = StartOfLocalDay(d - 0.5, &skippedFirst);
            m_days.push_back(skipped);
            if (skippedFirst) m_months.push_back(skipped);
        }
        if (d != prev) {
            m_days.push_back(d);
            // A local day met twice (a 25-hour day) is one month start, not two.
            if (first) {
                m_months.push_back(d);
                if (t == viewStart) startIsMonthStart = true;
            }
        }
        prev = d;
    }
    if (!startIsMonthStart) m_months.insert(m_months.begin(), StartOfLocalMonth(viewStart));
}

std::wstring TimeTickLabel(double t, double step) {
    SYSTEMTIME local{};
    if (!LocalFields(t, local)) return std::wstring();
    if (step < kHour) return FormatText(L"%2d:%02d", local.wHour, local.wMinute);
    if (step < 1) return FormatText(L"%2d", local.wHour);
    return FormatText(L"%2d", local.wDay);
}

std::wstring MonthLabel(double t) {
    SYSTEMTIME local{};
    if (!LocalFields(t, local)) return std::wstring();
    return FormatText(L"%02d-%04d", local.wMonth, local.wYear);
}

void TickTimes(const std::vector<double>& days, double from, double to, double step, std::vector<double>& ticks) {
    ticks.clear();
    if (!(step > 0) || !(to > from) || to - from > 32) return;
    // Times closer than a second to a day start are that day start (their rounding differs).
    constexpr double kSecond = 1.0 / 86400;
    if (step >= 1) {
        const long long every = std::llround(std::min(step, 64.0));  // at least 1, and no longer than a month matters
        for (double d : days) {
            if (d < from - kSecond) continue;
            if (d >= to - kSecond) break;
            // Whole local days since `from`: a daylight-saving change shifts the UTC difference by
            // less than half a day.
            if (std::llround(d - from) % every == 0) ticks.push_back(d);
        }
        return;
    }
    // Every local midnight from `from` on, each day's ticks counted from it; a day holds at most
    // a tick a second.
    auto dayTicks = [&](double day, double end) {
        for (int k = 0; k < 86400; ++k) {
            double t = day + k * step;
            if (t >= end - kSecond) break;
            ticks.push_back(t);
        }
    };
    double day = from;
    for (double d : days) {
        if (d <= day + kSecond) continue;
        if (d >= to - kSecond) break;
        dayTicks(day, d);
        day = d;
    }
    dayTicks(day, to);
}

void TimeAxisLayout::Clear() {
    ticks.clear();
    minorGrid.clear();
    majorGrid.clear();
    separators.clear();
    tickLabels.clear();
    dateLabels.clear();
}

namespace {
constexpr int kMinorTickLength = 50;
constexpr int kMajorTickLength = 100;
constexpr int kTimeLabelOffset = 100;
constexpr int kLabelGap = 5;

void Segment(std::vector<POINT>& segments, int x, int y1, int y2) {
    segments.push_back(POINT{x, y1});
    segments.push_back(POINT{x, y2});
}
}  // namespace

void LayOutTimeAxis(const PlotMapping& mapping, const TimeScale& scale, const Calendar& calendar, bool minorGrid,
                    bool majorGrid, int labelHeight, const TextWidth& width, TimeAxisLayout& layout) {
    layout.Clear();
    const PlotRect& plot = mapping.plot;
    const bool byDays = scale.labelMode == 0;
    // With hour or day labels in the first row, the dates or months form a second one below.
    int labelY = plot.yLow - kTimeLabelOffset;
    if (scale.majorStep > 0) labelY -= labelHeight;
    std::vector<double> times;
    // The right edge of the last hour or day label plus the gap; none yet.
    int nextFreeTick = INT_MIN;
    // Where a day's major grid lines or its separator stand. A vertical line costs a write to
    // every row of the plot, so one that another line or the frame covers is left out.
    std::vector<int> covered;
    auto ticks = [&](double from, double to, double step, int length, std::vector<POINT>* grid, bool labelled) {
        TickTimes(calendar.Days(), from, to, step, times);
        for (double t : times) {
            int x = mapping.TimeToX(t);
            if (x >= plot.right) break;
            if (x < plot.left) continue;
            Segment(layout.ticks, x, plot.yLow, plot.yLow - length);
            if (grid && x != plot.left && std::find(covered.begin(), covered.end(), x) == covered.end()) {
                Segment(*grid, x, plot.yLow, plot.yHigh);
                if (labelled) covered.push_back(x);
            }
            if (!labelled) continue;
            // A label centred on its tick, kept apart from the last one by their extents.
            std::wstring text = TimeTickLabel(t, step);
            int w = width(text);
            if (x - w / 2 < nextFreeTick) continue;
            nextFreeTick = x + (w - w / 2) + kLabelGap;
            layout.tickLabels.push_back(AxisLabel{x, plot.yLow - kTimeLabelOffset, std::move(text)});
        }
    };

    bool labelDrawn = false;
    int nextFreeLabel = plot.left;
    const std::vector<double>& starts = byDays ? calendar.Days() : calendar.Months();
    const double assumedLength = byDays ? 1 : 31;
    for (size_t i = 0; i < starts.size(); ++i) {
        double from = starts[i];
        double to = i + 1 < starts.size() ? starts[i + 1] : from + assumedLength;
        int x = mapping.TimeToX(from);
        if (x >= plot.right) break;
        if (byDays && mapping.TimeToX(to) < plot.left) continue;
        covered.clear();
        // The day or month boundary, drawn whether or not grid lines are wanted.
        if (plot.left < x && x < plot.right) {
            Segment(layout.separators, x, plot.yLow, plot.yHigh);
            covered.push_back(x);
        }
        ticks(from, to, scale.majorStep, kMajorTickLength, majorGrid ? &layout.majorGrid : nullptr, true);
        ticks(from, to, scale.minorStep, kMinorTickLength, minorGrid ? &layout.minorGrid : nullptr, false);
        if (x >= nextFreeLabel) {
            std::wstring text = byDays ? FormatDate(from) : MonthLabel(from);
            int w = width(text);
            if (x + w <= plot.right) {
                labelDrawn = true;
                nextFreeLabel = x + w + kLabelGap;
                layout.dateLabels.push_back(AxisLabel{x, labelY, std::move(text)});
            }
        }
    }
    // A window inside one day or one month still tells which one it is.
    if (!labelDrawn && !starts.empty()) {
        if (byDays) {
            int x = std::max(plot.left, mapping.TimeToX(starts.front()));
            Segment(layout.ticks, x, plot.yLow, plot.yLow - kMajorTickLength);
            layout.dateLabels.push_back(AxisLabel{x, labelY, FormatDate(starts.front())});
        } else {
            layout.dateLabels.push_back(AxisLabel{plot.left, labelY, MonthLabel(starts.front())});
        }
    }
}
