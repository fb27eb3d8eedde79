#include <gtest/gtest.h>

#include "MyAppModule.h"
#include "TestSupport.h"
#include "Units.h"

namespace {
// Runs with the program's own resources and the given unit, and restores Celsius afterwards.
class Units : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_resources.Loaded());
        g_Module.LoadUnitNames();
    }
    void TearDown() override { g_bFahrenheit = 0; }
    ProgramResources m_resources;
};
}  // namespace

TEST_F(Units, TemperaturesConvertOnlyInFahrenheitMode) {
    EXPECT_EQ(CelsiusToDisplay(20.0f), 20.0f);
    EXPECT_EQ(DisplayToCelsius(68.0f), 68.0f);
    EXPECT_EQ(CelsiusDeltaToDisplay(5.0f), 5.0f);

    g_bFahrenheit = 1;
    EXPECT_FLOAT_EQ(CelsiusToDisplay(20.0f), 68.0f);
    EXPECT_FLOAT_EQ(CelsiusToDisplay(-40.0f), -40.0f);
    EXPECT_FLOAT_EQ(CelsiusToDisplay(0.0f), 32.0f);
    EXPECT_FLOAT_EQ(DisplayToCelsius(68.0f), 20.0f);
    EXPECT_FLOAT_EQ(DisplayToCelsius(32.0f), 0.0f);
    EXPECT_FLOAT_EQ(CelsiusDeltaToDisplay(5.0f), 9.0f);  // a tick distance: no offset
}

TEST_F(Units, NamesAndSymbolsByType) {
    struct {
        int fahrenheit;
        int type;
        const wchar_t* name;
        const wchar_t* symbol;
    } cases[] = {
        {0, 1, L"Celsius", L"\u00B0C"}, {1, 1, L"Fahrenheit", L"\u00B0F"},
        {0, 3, L"RH%", L"RH%"},         {1, 4, L"RH%", L"RH%"},  // never converted
        {0, 5, L"ppm", L"ppm"},         {1, 6, L"ppm", L"ppm"},
        {0, 2, L"", L""},               {0, 0, L"", L""},        {0, 7, L"", L""},
    };
    for (const auto& c : cases) {
        g_bFahrenheit = c.fahrenheit;
        EXPECT_EQ(g_Module.GetUnitName(c.type), c.name) << c.type << " " << c.fahrenheit;
        EXPECT_EQ(g_Module.GetUnitSymbol(c.type), c.symbol) << c.type << " " << c.fahrenheit;
    }
}
