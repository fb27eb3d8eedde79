// Data exchange helpers for dialog controls.
#pragma once
#include <windows.h>

// The radio group that starts at control `firstId` runs over the following sibling controls
// until the next control with the group style; only radio buttons count.
// Index of the checked radio button of the group, -1 when none is checked.
int GetRadioIndex(HWND dialog, int firstId);
// Checks radio button `index` of the group and unchecks the others.
void SetRadioIndex(HWND dialog, int firstId, int index);
