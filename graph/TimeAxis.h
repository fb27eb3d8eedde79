// The local calendar under a graph's time axis: the local midnights and month starts that a time
// window covers, the texts of the axis labels, and the layout of the axis's ticks, grid lines,
// separators and labels.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "GraphMath.h"

// Local day and month starts (UTC OLE dates, ascending) of one time window.
class Calendar {
public:
    // Rebuilds the lists for the window `viewStart`..`viewEnd` unless they already belong to it.
    // Days are found by stepping whole UTC days from `viewStart`; a local day that a daylight-saving
    // change lets the step jump over is added with its own local midnight. A window outside the
    // sane range of times, or longer than any time scale, has no days and no months.
    void Rebuild(double viewStart, double viewEnd);

    const std::vector<double>& Days() const { return m_days; }
    const std::vector<double>& Months() const { return m_months; }

private:
    std::vector<double> m_days;
    std::vector<double> m_months;
    double m_builtStart = 0;
    double m_builtEnd = 0;
};

// The label of an hour or day tick at UTC time `t` whose ticks are `step` days apart:
// "%2d:%02d" (local hour and minute) below an hour, "%2d" (hour) below a day, else the day of month.
std::wstring TimeTickLabel(double t, double step);

// "MM-YYYY" of the local month that holds UTC time `t`.
std::wstring MonthLabel(double t);

// The ticks of one day or month from `from` up to (not including) `to`, `step` days apart. Steps
// under a day restart at every local midnight in it, so that they keep to the local clock after a
// daylight-saving change; whole-day steps fall on the local midnights a multiple of `step` days
// after `from`. `days` lists the local midnights (a calendar's days); none outside it are found.
void TickTimes(const std::vector<double>& days, double from, double to, double step, std::vector<double>& ticks);

// A text of an axis at its reference point.
struct AxisLabel {
    int x;
    int y;
    std::wstring text;
};

// The time axis of one plot and window: line segments as pairs of end points, by the pen they take,
// and the labels by their placement.
struct TimeAxisLayout {
    std::vector<POINT> ticks;       // axis pen
    std::vector<POINT> minorGrid;   // minor grid pen
    std::vector<POINT> majorGrid;   // major grid pen
    std::vector<POINT> separators;  // the wide day or month boundaries
    std::vector<AxisLabel> tickLabels;  // hours or days of month, centred on their ticks
    std::vector<AxisLabel> dateLabels;  // dates or months, left-aligned at their start
    void Clear();
};

// The width of a text in the label font, in logical units.
using TextWidth = std::function<int(const std::wstring&)>;

// Lays out the time axis of `mapping` at time scale `scale` over `calendar`'s days and months, with
// minor and major grid lines when asked. Tick labels are kept apart by their full extents; date and
// month labels start at their day or month and end inside the plot. A grid line that a separator,
// a major grid line or the plot's frame would cover is not listed.
void LayOutTimeAxis(const PlotMapping& mapping, const TimeScale& scale, const Calendar& calendar, bool minorGrid,
                    bool majorGrid, int labelHeight, const TextWidth& width, TimeAxisLayout& layout);
