// The local calendar under a graph's time axis: the local midnights and month starts that a time
// window covers, and the texts of the axis labels.
#pragma once
#include <string>
#include <vector>

// Local day and month starts (UTC OLE dates, ascending) of one time window.
class Calendar {
public:
    // Rebuilds the lists for the window `viewStart`..`viewEnd` unless they already belong to it.
    // Days are found by stepping whole UTC days from `viewStart`; a local day that a daylight-saving
    // change lets the step jump over is added with its own local midnight.
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
