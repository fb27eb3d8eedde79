#include "Units.h"

int g_bFahrenheit = 0;

float CelsiusToDisplay(float celsius) { return CelsiusIn(g_bFahrenheit != 0, celsius); }

float DisplayToCelsius(float display) { return g_bFahrenheit ? (display - 32.0f) / 1.8f : display; }

float CelsiusDeltaToDisplay(float celsiusDelta) { return CelsiusDeltaIn(g_bFahrenheit != 0, celsiusDelta); }
