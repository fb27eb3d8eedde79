#include "TimeScale.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kMinute = 1.0 / 1440;
constexpr double kHour = 1.0 / 24;
}  // namespace

const TimeScale g_timeScales[kTimeScaleCount] = {
    {2 * kHour, 0, 5 * kMinute, 15 * kMinute, 0, 15 * kMinute},  // 2 hours
    {4 * kHour, 0, 5 * kMinute, 30 * kMinute, 0, kHour},         // 4 hours
    {12 * kHour, 5 * kMinute, 15 * kMinute, kHour, 0, kHour},    // 12 hours
    {1, 10 * kMinute, 30 * kMinute, 2 * kHour, 0, 2 * kHour},    // 1 day
    {2, 20 * kMinute, kHour, 2 * kHour, 0, 2 * kHour},           // 2 days
    {4, 30 * kMinute, 2 * kHour, 6 * kHour, 0, 6 * kHour},       // 4 days
    {7, kHour, 12 * kHour, 1, 1, 12 * kHour},                    // 1 week
    {14, 2 * kHour, 12 * kHour, 1, 1, 12 * kHour},               // 2 weeks
    {31, 4 * kHour, 0, 1, 1, 1},                                 // 1 month
    {62, 8 * kHour, 1, 5, 1, 1},                                 // 2 months
    {186, 1, 0, 5, 1, 1},                                        // 6 months
    {365, 1, 0, 0, 1, 1},                                        // 1 year
    {730, 1, 0, 0, 1, 1},                                        // 2 years
};

int ValidTimeScale(int index) { return index >= 0 && index < kTimeScaleCount ? index : kDefaultTimeScale; }

double AlignUp(double localTime, double step) { return std::ceil((localTime - kMinute) / step) * step; }

double AlignedViewEnd(double x, double firstLogTime, double lastLogTime, const TimeScale& scale,
                      double (*toLocal)(double), double (*toUtc)(double)) {
    double lower = lastLogTime > firstLogTime + scale.span ? firstLogTime + scale.span : lastLogTime;
    double end = std::max(toLocal(lower), toLocal(x));
    return toUtc(AlignUp(end, scale.alignStep));
}
