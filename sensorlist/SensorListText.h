// What the sensor list shows of a sensor, and how it orders its rows.
#pragma once
#include <string>

// The signal-level icon 0..5: 0 without a measurement or without signal information, else 1..5
// bars for -100 dB and below up to -60 and above.
int SignalIconIndex(double lastTime, float signalLevel);

// The value column: temperatures (types 1, 2) in the chosen unit with a sign, other types as
// they are with their unit name.
std::wstring ValueText(int type, float value, const std::wstring& unit);

// A column width as stored in the registry, or the default when it is narrower than a column
// one can see and grab, or wider than any screen.
inline constexpr int kMinColumnWidth = 8;
inline constexpr int kMaxColumnWidth = 8192;
int StoredColumnWidth(int stored, int defaultWidth);

// Order of two texts of `column` (2 = the value column, compared by its leading number, empty
// texts last), before the sort direction is applied.
int CompareColumnTexts(int column, const std::wstring& a, const std::wstring& b);

// Common-controls versions as (major << 16) | minor.
inline constexpr unsigned long kComCtlSortBitmaps = 0x40046;  // 4.70: bitmaps on the right
inline constexpr unsigned long kComCtlSortArrows = 0x60000;   // 6.00: the header's own arrows

// A header item's format with the sort mark for `direction` (+1 up, -1 down, 0 none) under the
// common controls `version`: the header's arrows from 6.00, the bitmap-on-the-right flags from
// 4.70, and unchanged below that.
int SortMarkFormat(int format, unsigned long version, int direction);
