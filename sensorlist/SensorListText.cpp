#include "SensorListText.h"

#include <windows.h>
#include <commctrl.h>

#include <cwchar>

#include "AppModule.h"
#include "Units.h"

int SignalIconIndex(double lastTime, float signalLevel) {
    if (lastTime == 0 || !(signalLevel < 0)) return 0;  // NaN too
    if (signalLevel <= -1000) return 1;                  // far below the scale; no overflow in the cast
    int n = static_cast<int>(signalLevel);
    if (n >= 0) return 0;
    int k = (n + 100) / 10;
    return k < 1 ? 1 : k > 5 ? 5 : k;
}

std::wstring ValueText(int type, float value, const std::wstring& unit) {
    if (type == 1 || type == 2)
        return FormatText(L"%+5.1f %s", static_cast<double>(CelsiusToDisplay(value)), unit.c_str());
    return FormatText(L" %5.1f %s", static_cast<double>(value), unit.c_str());
}

int StoredColumnWidth(int stored, int defaultWidth) {
    return stored >= kMinColumnWidth && stored <= kMaxColumnWidth ? stored : defaultWidth;
}

namespace {
wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }
}  // namespace

int CompareColumnTexts(int column, const std::wstring& a, const std::wstring& b) {
    if (column != 2) {
        for (size_t i = 0;; ++i) {
            wchar_t ca = i < a.size() ? FoldAscii(a[i]) : 0;
            wchar_t cb = i < b.size() ? FoldAscii(b[i]) : 0;
            if (ca != cb) return static_cast<int>(ca) - static_cast<int>(cb);
            if (!ca) return 0;
        }
    }
    if (a.empty() && b.empty()) return 0;
    if (a.empty()) return 1;
    if (b.empty()) return -1;
    double va = std::wcstod(a.c_str(), nullptr);
    double vb = std::wcstod(b.c_str(), nullptr);
    return va > vb ? 1 : va < vb ? -1 : 0;
}

int SortMarkFormat(int format, unsigned long version, int direction) {
    if (version < kComCtlSortBitmaps) return format;
    if (version >= kComCtlSortArrows) {
        format &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (direction > 0) format |= HDF_SORTUP;
        if (direction < 0) format |= HDF_SORTDOWN;
        return format;
    }
    format &= ~(HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
    if (direction != 0) format |= HDF_BITMAP | HDF_BITMAP_ON_RIGHT;
    return format;
}
