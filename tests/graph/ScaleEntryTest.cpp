#include <gtest/gtest.h>

#include "AppModule.h"
#include "ScaleEntry.h"

namespace {
TEST(ScaleField, ReadingRule) {
    struct Case {
        const wchar_t* text;
        bool ok;
        float value;
    };
    const Case cases[] = {
        {L" 32.0", true, 32.0f}, {L"\t-12.5  ", true, -12.5f}, {L"+7", true, 7.0f}, {L"1e2", true, 100.0f},
        {L"0", true, 0.0f},      {L"0.0", true, 0.0f},         {L"-0", false, 0},   {L"+0", false, 0},
        {L".0", false, 0},       {L"abc", false, 0},           {L"12a", false, 0},  {L"", false, 0},
        {L"1 2", false, 0},      {L"0x10", false, 0},          {L"inf", false, 0},  {L"1e99", false, 0},
        {L".5", true, 0.5f},     {L"5.", true, 5.0f},
    };
    for (const Case& c : cases) {
        float value = -999;
        EXPECT_EQ(ReadScaleField(c.text, value), c.ok) << c.text;
        EXPECT_EQ(value, c.ok ? c.value : -999) << c.text;
    }
    // Only the first 31 characters count: a number followed by junk beyond them passes.
    std::wstring longText = L"5" + std::wstring(30, L' ') + L"x";
    float value = 0;
    EXPECT_TRUE(ReadScaleField(longText.c_str(), value));
}

TEST(ScaleCheck, MessagesInOrder) {
    struct Case {
        int type;
        bool fahrenheit;
        int manual;
        ValueScale shown;
        UINT message;
    };
    const Case cases[] = {
        {1, false, 0, {50, -10, -1}, 0},  // Auto accepts anything
        {1, false, 1, {0, 30, 5}, 0},
        {1, false, 1, {-41, 30, 5}, IDS_SCALE_RANGE_CELSIUS},
        {1, true, 1, {-41, 30, 5}, IDS_SCALE_RANGE_FAHRENHEIT},
        {1, true, 1, {32, 100, 5}, IDS_SCALE_RANGE_FAHRENHEIT},  // 80 bounds Fahrenheit too
        {2, true, 1, {-40, 80, 5}, 0},
        {3, true, 1, {0, 100, 5}, 0},
        {3, false, 1, {0, 101, 5}, IDS_SCALE_RANGE_HUMIDITY},
        {5, false, 1, {0, 1000000, 5}, 0},
        {5, false, 1, {-1, 500, 5}, IDS_SCALE_RANGE_CO2},
        {1, false, 1, {20, 20, 5}, IDS_SCALE_MIN_EXCEEDS_MAX},
        {1, false, 1, {90, 20, 0}, IDS_SCALE_RANGE_CELSIUS},  // range before order
        {1, false, 1, {0, 10, 0}, IDS_SCALE_TICKS_NOT_POSITIVE},
        {1, false, 1, {0, 10, -20}, IDS_SCALE_TICKS_NOT_POSITIVE},  // before the span check
        {1, false, 1, {0, 10, 11}, IDS_SCALE_TICKS_TOO_LARGE},
        {1, false, 1, {0, 10, 10}, 0},  // ticks equal to the span
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckScaleValues(c.type, c.fahrenheit, c.manual, c.shown), c.message)
            << c.type << " " << c.shown.min << " " << c.shown.max << " " << c.shown.ticks;
}

TEST(ScaleDisplay, FahrenheitRoundTripThroughTheFields) {
    const ValueScale stored{0, 30, 5};
    const ValueScale shown = ScaleToDisplay(stored, ScaleShownInFahrenheit(1, true));
    ValueScale read;
    EXPECT_EQ(FormatText(L"%5.1f", shown.min), L" 32.0");
    EXPECT_EQ(FormatText(L"%5.1f", shown.max), L" 86.0");
    EXPECT_EQ(FormatText(L"%5.1f", shown.ticks), L"  9.0");
    ASSERT_TRUE(ReadScaleField(FormatText(L"%5.1f", shown.min).c_str(), read.min));
    ASSERT_TRUE(ReadScaleField(FormatText(L"%5.1f", shown.max).c_str(), read.max));
    ASSERT_TRUE(ReadScaleField(FormatText(L"%5.1f", shown.ticks).c_str(), read.ticks));
    EXPECT_EQ(ScaleFromDisplay(read, true), stored);
    // Humidity and Celsius temperatures are shown as stored.
    EXPECT_FALSE(ScaleShownInFahrenheit(3, true));
    EXPECT_FALSE(ScaleShownInFahrenheit(1, false));
}
}  // namespace
