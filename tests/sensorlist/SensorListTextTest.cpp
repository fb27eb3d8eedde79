#include <gtest/gtest.h>

#include <cmath>

#include "SensorListText.h"
#include "Units.h"

TEST(SensorList, SignalLevelsMapToBars) {
    struct {
        float level;
        int icon;
    } cases[] = {{-45, 5}, {-50, 5}, {-59.9f, 4}, {-60, 4}, {-75, 2}, {-80, 2}, {-89.9f, 1}, {-95, 1},
                 {-100, 1}, {-130, 1}, {-0.5f, 0}, {0, 0}, {12, 0},
                 {NAN, 0}, {-INFINITY, 1}, {INFINITY, 0}, {-3e38f, 1}};
    for (auto c : cases) EXPECT_EQ(SignalIconIndex(46000.0, c.level), c.icon) << c.level;
    EXPECT_EQ(SignalIconIndex(0.0, -50), 0);  // no measurement yet
}

TEST(SensorList, ValueTextsByTypeAndUnit) {
    struct {
        int fahrenheit;
        int type;
        float value;
        const wchar_t* unit;
        const wchar_t* text;
    } cases[] = {
        {0, 1, 21.46f, L"\u00B0C", L"+21.5 \u00B0C"},
        {1, 1, 21.46f, L"\u00B0F", L"+70.6 \u00B0F"},
        {0, 2, 5.0f, L"\u00B0C", L" +5.0 \u00B0C"},
        {0, 1, -12.25f, L"\u00B0C", L"-12.3 \u00B0C"},
        {0, 3, 45.0f, L"RH%", L"  45.0 RH%"},
        {1, 4, 45.0f, L"RH%", L"  45.0 RH%"},  // never converted
        {0, 5, 812.0f, L"ppm", L" 812.0 ppm"},
        {0, 9, 3.0f, L"", L"   3.0 "},
    };
    for (const auto& c : cases) {
        g_bFahrenheit = c.fahrenheit;
        EXPECT_EQ(ValueText(c.type, c.value, c.unit), c.text) << c.type << " " << c.value;
    }
    g_bFahrenheit = 0;
}

TEST(SensorList, StoredColumnWidthsOutsideWhatCanBeShownFallBackToTheDefault) {
    struct {
        int stored, width;
    } cases[] = {{120, 120}, {8, 8}, {8192, 8192}, {7, 50}, {0, 50}, {-5, 50}, {0x7FFFFFFF, 50}, {8193, 50}};
    for (auto c : cases) EXPECT_EQ(StoredColumnWidth(c.stored, 50), c.width) << c.stored;
}

TEST(SensorList, OrdersNamesWithoutAsciiCaseAndValuesByNumberWithEmptyLast) {
    EXPECT_EQ(CompareColumnTexts(0, L"alpha", L"ALPHA"), 0);
    EXPECT_LT(CompareColumnTexts(0, L"Alpha", L"beta"), 0);
    EXPECT_GT(CompareColumnTexts(0, L"Zeta", L"alpha"), 0);
    EXPECT_LT(CompareColumnTexts(0, L"Room", L"Room 2"), 0);
    EXPECT_NE(CompareColumnTexts(0, L"\u00C4rger", L"\u00E4rger"), 0);  // only A-Z are folded
    // The time column goes by its text, not by the time it shows.
    EXPECT_GT(CompareColumnTexts(1, L"1/2/2026 9:00:00", L"1/2/2026 10:00:00"), 0);

    EXPECT_GT(CompareColumnTexts(2, L"+21.5 \u00B0C", L" +5.0 \u00B0C"), 0);
    EXPECT_LT(CompareColumnTexts(2, L"-3.0 \u00B0C", L" +5.0 \u00B0C"), 0);
    EXPECT_EQ(CompareColumnTexts(2, L"  45.0 RH%", L" 45.0 ppm"), 0);
    EXPECT_EQ(CompareColumnTexts(2, L"", L""), 0);
    EXPECT_EQ(CompareColumnTexts(2, L"", L" 1.0 ppm"), 1);   // rows without a value go last
    EXPECT_EQ(CompareColumnTexts(2, L" 1.0 ppm", L""), -1);
}
