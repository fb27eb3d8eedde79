#include <gtest/gtest.h>

#include <cmath>

#include "GraphMath.h"

TEST(AutoScale, WidensNarrowDataAndPicksTicksByTheRange) {
    struct {
        float lo, hi;
        float min, max, ticks;
    } cases[] = {
        {20.3f, 22.1f, 18, 25, 1},       // widened to 18.3..24.1, range 6.5
        {20.0f, 20.5f, 18, 22.5f, 0.5f}, // widened to 18.0..22.5, range 4.5
        {400, 1200, 400, 1200, 5},       // CO2: wide range, ticks of 5
        {-3.2f, 14.9f, -4, 15, 1},
        {10, 10, 8, 12, 0.5f},           // a single value
        {45, 75.5f, 45, 80, 5},          // range 30.5: ticks of 5
    };
    for (const auto& c : cases) {
        ValueScale s = AutoScale(c.lo, c.hi);
        EXPECT_FLOAT_EQ(s.min, c.min) << c.lo << ".." << c.hi;
        EXPECT_FLOAT_EQ(s.max, c.max) << c.lo << ".." << c.hi;
        EXPECT_FLOAT_EQ(s.ticks, c.ticks) << c.lo << ".." << c.hi;
    }
}

TEST(ValueLabel, FormatsByTypeTickSizeAndUnit) {
    struct {
        int fahrenheit;
        int type;
        float value, ticks;
        const wchar_t* label;
    } cases[] = {
        {0, 1, 20.5f, 0.5f, L"+20.5 "}, {0, 1, 20, 1, L"+20"},   {0, 1, -5, 1, L" -5"},
        {1, 1, 20, 0.5f, L"+68.0 "},    {1, 1, 20, 1, L"+68"},   // 0.9 < 1 <= 1.8
        {0, 3, 45, 5, L"45.0"},         {0, 5, 800, 5, L"800.0"}, {1, 3, 45, 5, L"45.0"},
        {0, 7, 2, 1, L"+2.0 "},
        // The same quantities measured with a signal level, as the server lists them.
        {1, 2, 20, 1, L"+68"},          {0, 4, 45, 5, L"45.0"},  {0, 6, 800, 5, L"800.0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ValueLabel(c.type, c.value, c.ticks, c.fahrenheit != 0), c.label) << c.type << " " << c.value;
}

TEST(PlotMapping, MapsTimesAndValuesAndRefusesPointsOutsideThePlot) {
    PlotMapping m;
    m.plot = PlotInside(RECT{0, 0, 10000, 5900});  // plot 800..9800 x 700..5700
    EXPECT_EQ(m.plot.left, 800);
    EXPECT_EQ(m.plot.yLow, 700);
    EXPECT_EQ(m.plot.right, 9800);
    EXPECT_EQ(m.plot.yHigh, 5700);
    m.viewStart = 100.0;
    m.viewEnd = 101.0;
    m.scale = ValueScale{10, 20, 1};

    EXPECT_EQ(m.TimeToX(100.0), 800);
    EXPECT_EQ(m.TimeToX(100.5), 5300);
    EXPECT_EQ(m.TimeToX(101.0), 9800);
    EXPECT_EQ(m.ValueToY(10), 700);
    EXPECT_EQ(m.ValueToY(15), 3200);
    EXPECT_EQ(m.ValueToY(20), 5700);
    EXPECT_DOUBLE_EQ(m.XToTime(5300), 100.5);

    double t = 0;
    float v = 0;
    EXPECT_TRUE(m.TimeAtX(9800, t));
    EXPECT_FALSE(m.TimeAtX(799, t));
    EXPECT_FALSE(m.TimeAtX(9801, t));
    EXPECT_TRUE(m.ValueAtY(3200, v));
    EXPECT_FLOAT_EQ(v, 15);
    EXPECT_FALSE(m.ValueAtY(699, v));

    // Times and values beyond any drawing land far outside the plot instead of overflowing int.
    for (double t : {1e300, -1e300, double(INFINITY), double(NAN), 1e17}) {
        EXPECT_GE(std::abs(static_cast<long long>(m.TimeToX(t))), 10000000) << t;
        EXPECT_LE(std::abs(static_cast<long long>(m.TimeToX(t))), 200000000) << t;
    }
    m.scale = ValueScale{0, 1e-30f, 1};
    for (float v : {3e38f, -3e38f, float(INFINITY), float(NAN)})
        EXPECT_LE(std::abs(static_cast<long long>(m.ValueToY(v))), 200000000) << v;

    m.scale = ValueScale{12, 12, 1};  // equal ends: no division by zero
    EXPECT_EQ(m.ValueToY(12), 700);
    m.viewEnd = m.viewStart;
    EXPECT_FALSE(m.TimeAtX(5300, t));
}

TEST(Trace, GapThresholdAndPenWidth) {
    EXPECT_DOUBLE_EQ(GapThreshold(g_timeScales[3]) * 1440, 20.0);  // 1 day: fetch every 10 minutes
    EXPECT_DOUBLE_EQ(GapThreshold(g_timeScales[0]) * 1440, 5.0);   // 2 hours: every logged value
    EXPECT_DOUBLE_EQ(GapThreshold(g_timeScales[11]), 2.0);
    struct {
        int style, width;
    } cases[] = {{0, 1}, {1, 30}, {3, 90}, {9, 270}, {10, 1}, {255, 1}, {-1, 1}};
    for (auto c : cases) EXPECT_EQ(TraceWidth(c.style), c.width) << c.style;
}

TEST(Scrolling, PositionsCountHalfAlignmentSteps) {
    const TimeScale& oneDay = g_timeScales[3];  // span 1 day, alignment 2 hours
    double first = 1000.0;
    EXPECT_EQ(ScrollPositionOf(first + 1, first, oneDay), 0);
    EXPECT_EQ(ScrollPositionOf(first + 2, first, oneDay), 24);
    EXPECT_EQ(ScrollPositionOf(first + 0.5, first, oneDay), 0);  // never negative
    EXPECT_DOUBLE_EQ(ViewEndAtScrollPosition(24, first, oneDay), first + 2);
    EXPECT_NEAR(ViewEndAtScrollPosition(2, first, oneDay) - ViewEndAtScrollPosition(0, first, oneDay),
                oneDay.alignStep, 1e-9);

    struct {
        int request, position, track, maximum, next;
    } cases[] = {
        {SB_LINERIGHT, 10, 0, 40, 12}, {SB_LINELEFT, 10, 0, 40, 8},  {SB_PAGERIGHT, 10, 0, 40, 16},
        {SB_PAGELEFT, 10, 0, 40, 4},   {SB_PAGELEFT, 3, 0, 40, 0},   {SB_LINERIGHT, 39, 0, 40, 40},
        {SB_THUMBTRACK, 10, 33, 40, 33}, {SB_THUMBPOSITION, 10, 7, 40, 7}, {SB_LEFT, 10, 0, 40, 0},
        {SB_RIGHT, 10, 0, 40, 40},     {SB_ENDSCROLL, 10, 0, 40, -1},
    };
    for (auto c : cases)
        EXPECT_EQ(NextScrollPosition(c.request, c.position, c.track, c.maximum), c.next) << c.request;
}

TEST(ValueTicks, ReachTheMaximumAndEndForScalesTheyCannotStepThrough) {
    PlotMapping m;
    m.plot = PlotInside(RECT{0, 0, 10000, 5900});
    m.viewStart = 100;
    m.viewEnd = 101;
    m.scale = ValueScale{18, 22.5f, 0.5f};
    std::vector<ValueTick> ticks;
    ValueTicks(m, 230, ticks);
    ASSERT_EQ(ticks.size(), 10u);  // 18, 18.5, ..., 22.5
    EXPECT_EQ(ticks.back().y, 5700);
    EXPECT_TRUE(ticks.front().labelled);
    EXPECT_EQ(ticks.front().y, 700);
    // Ticks 555 twips apart: labels 230 high all fit, labels 600 high only every other one.
    for (const ValueTick& t : ticks) EXPECT_TRUE(t.labelled);
    ValueTicks(m, 600, ticks);
    EXPECT_FALSE(ticks[1].labelled);
    EXPECT_TRUE(ticks[2].labelled);

    m.scale = ValueScale{1e8f, 1e8f + 64, 1};  // 1 is below the precision of 1e8
    ValueTicks(m, 230, ticks);
    EXPECT_EQ(ticks.size(), 1u);
    m.scale = ValueScale{0, 1e7f, 1};
    ValueTicks(m, 230, ticks);
    EXPECT_EQ(ticks.size(), kMaxValueTicks);
    m.scale = ValueScale{0, 10, 0};
    ValueTicks(m, 230, ticks);
    EXPECT_TRUE(ticks.empty());
}
