// The temperature unit shown to the user, and the conversions from the Celsius values that the
// program receives and stores.
#pragma once

// 0 = Celsius, 1 = Fahrenheit. Loaded when the main frame is created, saved when it closes,
// changed by the options dialog.
extern int g_bFahrenheit;

float CelsiusToDisplay(float celsius);
float DisplayToCelsius(float display);
// For differences such as tick distances: no offset.
float CelsiusDeltaToDisplay(float celsiusDelta);
