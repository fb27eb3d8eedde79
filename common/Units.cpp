#include "Units.h"

int g_bFahrenheit = 0;

float CelsiusToDisplay(float celsius) { return g_bFahrenheit ? celsius * 1.8f + 32.0f : celsius; }

float DisplayToCelsius(float display) { return g_bFahrenheit ? (display - 32.0f) / 1.8f : display; }

float CelsiusDeltaToDisplay(float celsiusDelta) { return g_bFahrenheit ? celsiusDelta * 1.8f : celsiusDelta; }
