// The arithmetic of the value-scale fields of the graph properties: the unit conversion of what
// is shown, the reading of a field's text and the checks of a manual scale.
#pragma once
#include <windows.h>

#include "GraphMath.h"
#include "resource.h"


// Whether a temperature scale is shown converted: only temperature (type 1) in Fahrenheit.
inline bool ScaleShownInFahrenheit(int sensorType, bool fahrenheit) { return sensorType == 1 && fahrenheit; }
// The scale as the page shows it (ticks are a distance: factor only), and back to storage units.
ValueScale ScaleToDisplay(const ValueScale& stored, bool converted);
ValueScale ScaleFromDisplay(const ValueScale& shown, bool converted);

// Reads an edit field's text (at most 31 characters are looked at): blanks, one decimal number,
// blanks and nothing else. A zero counts only when written with a leading digit 0, so -0, +0 and
// .0 are refused; so is a number beyond the range of a float.
bool ReadScaleField(const wchar_t* text, float& value);

// Checks shown scale values; 0 when they pass, else the id of the message string (formatted
// with -40 and 80). Automatic scales (manual 0) always pass.
UINT CheckScaleValues(int sensorType, bool fahrenheit, int manual, const ValueScale& shown);
