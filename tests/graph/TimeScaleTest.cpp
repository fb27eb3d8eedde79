#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include "LocalTime.h"
#include "TimeScale.h"

namespace {
double Date(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    SYSTEMTIME st{static_cast<WORD>(y), static_cast<WORD>(mo), 0, static_cast<WORD>(d),
                  static_cast<WORD>(h), static_cast<WORD>(mi), static_cast<WORD>(s), 0};
    double value = 0;
    ::SystemTimeToVariantTime(&st, &value);
    return value;
}
}  // namespace

TEST(TimeScale, AlignsUpUnlessAtMostAMinutePastABoundary) {
    const double twoHours = g_timeScales[3].alignStep;
    struct {
        double local;
        double aligned;
    } cases[] = {
        {Date(2026, 3, 2, 12, 0, 30), Date(2026, 3, 2, 12)},
        {Date(2026, 3, 2, 12, 1, 0), Date(2026, 3, 2, 12)},
        {Date(2026, 3, 2, 12, 1, 30), Date(2026, 3, 2, 14)},
        {Date(2026, 3, 2, 11, 59), Date(2026, 3, 2, 12)},
        {Date(2026, 3, 2, 23, 30), Date(2026, 3, 3, 0)},
    };
    for (const auto& c : cases) EXPECT_NEAR(AlignUp(c.local, twoHours), c.aligned, 1e-9) << c.local;
}

TEST(TimeScale, StoredIndexOutsideTheTableFallsBackToFourHours) {
    EXPECT_EQ(ValidTimeScale(0), 0);
    EXPECT_EQ(ValidTimeScale(12), 12);
    EXPECT_EQ(ValidTimeScale(13), 1);
    EXPECT_EQ(ValidTimeScale(-1), 1);
    EXPECT_DOUBLE_EQ(g_timeScales[11].span, 365.0);
    EXPECT_DOUBLE_EQ(g_timeScales[4].interval * 1440, 20.0);
}

// The tests run in Europe/Berlin: March is standard time, UTC+1.
TEST(TimeScale, TheWindowNeverEndsBeforeTheFirstLoggedDayPlusASpan) {
    const TimeScale& oneDay = g_timeScales[3];
    double first = StartOfLocalDay(LocalToUtcDate(Date(2026, 3, 1, 15)));  // local 1 March 00:00
    double last = LocalToUtcDate(Date(2026, 3, 5, 9, 10));
    double end = AlignedViewEnd(LocalToUtcDate(Date(2026, 2, 20)), first, last, oneDay, UtcToLocalDate,
                                LocalToUtcDate);
    EXPECT_NEAR(UtcToLocalDate(end), Date(2026, 3, 2), 1e-9);

    // A later wish is aligned up in local time.
    end = AlignedViewEnd(LocalToUtcDate(Date(2026, 3, 4, 13, 5)), first, last, oneDay, UtcToLocalDate,
                         LocalToUtcDate);
    EXPECT_NEAR(UtcToLocalDate(end), Date(2026, 3, 4, 14), 1e-9);

    // A log shorter than the span: never before its aligned newest time.
    double shortLast = LocalToUtcDate(Date(2026, 3, 1, 18, 40));
    end = AlignedViewEnd(LocalToUtcDate(Date(2026, 2, 1)), first, shortLast, oneDay, UtcToLocalDate,
                         LocalToUtcDate);
    EXPECT_NEAR(UtcToLocalDate(end), Date(2026, 3, 1, 20), 1e-9);
}
