// The temperature unit shown to the user, and the conversions from the Celsius values that the
// program receives and stores.
#pragma once
#include <string>

// 0 = Celsius, 1 = Fahrenheit. Loaded when the main frame is created, saved when it closes,
// changed by the options dialog.
extern int g_bFahrenheit;

// The conversions for a given unit, for code that is handed the unit rather than reading the flag.
inline float CelsiusIn(bool fahrenheit, float celsius) { return fahrenheit ? celsius * 1.8f + 32.0f : celsius; }
inline float CelsiusDeltaIn(bool fahrenheit, float delta) { return fahrenheit ? delta * 1.8f : delta; }

float CelsiusToDisplay(float celsius);
float DisplayToCelsius(float display);
// For differences such as tick distances: no offset.
float CelsiusDeltaToDisplay(float celsiusDelta);

// The unit texts by sensor type: the temperature unit in use for 1 and 2, the humidity unit for 3
// and 4, the CO2 unit for 5 and 6, nothing for any other type.
class UnitTexts {
public:
    virtual std::wstring GetUnitName(int type) const = 0;
    virtual std::wstring GetUnitSymbol(int type) const = 0;

protected:
    ~UnitTexts() = default;
};
