#include "TimeAxis.h"

#include <windows.h>
#include <oleauto.h>

#include "AppModule.h"
#include "LocalTime.h"

namespace {
constexpr double kHour = 1.0 / 24;

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
    double prev = 0;
    bool startIsMonthStart = false;
    for (double t = viewStart; t < viewEnd + 1; t += 1) {
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
