// The time spans a graph can show, and the placement of its time window.
#pragma once

// One row of the time-scale table; all times in days.
struct TimeScale {
    double span;       // length of the time window
    double interval;   // reduction interval asked of the server (0 = every logged value)
    double minorStep;  // minor tick step, 0 = none
    double majorStep;  // major tick step, 0 = none
    int labelMode;     // 0 = hour and day labels, 1 = month labels
    double alignStep;  // rounding unit of the window's end, and the scroll bar's unit
};

inline constexpr int kTimeScaleCount = 13;
inline constexpr int kDefaultTimeScale = 1;
// Rows 0..11 are the zoom commands 2000..2011; row 12 (two years) has no command.
extern const TimeScale g_timeScales[kTimeScaleCount];

// A stored time-scale index, or the default for one outside the table.
int ValidTimeScale(int index);

// Rounds a local time up to the next multiple of `step` (days), except that a time up to one
// minute past a multiple rounds down to it.
double AlignUp(double localTime, double step);

// The UTC end of the time window for a wished end `x`: aligned up in local time, never earlier
// than the first logged day plus one span (while the log is longer than that) nor, with a
// shorter log, than the newest logged time. `toLocal` and `toUtc` convert OLE dates.
double AlignedViewEnd(double x, double firstLogTime, double lastLogTime, const TimeScale& scale,
                      double (*toLocal)(double), double (*toUtc)(double));
