#include "ScaleEntry.h"

#include <cmath>
#include <cwchar>
#include <string>


ValueScale ScaleToDisplay(const ValueScale& stored, bool converted) {
    if (!converted) return stored;
    return ValueScale{static_cast<float>(stored.min * 1.8 + 32.0), static_cast<float>(stored.max * 1.8 + 32.0),
                      static_cast<float>(stored.ticks * 1.8)};
}

ValueScale ScaleFromDisplay(const ValueScale& shown, bool converted) {
    if (!converted) return shown;
    return ValueScale{static_cast<float>((shown.min - 32.0) / 1.8), static_cast<float>((shown.max - 32.0) / 1.8),
                      static_cast<float>(shown.ticks / 1.8)};
}

namespace {
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Length of the longest decimal floating-point number at the start of `s` (0 when none).
size_t DecimalPrefix(const std::wstring& s, size_t at) {
    size_t i = at;
    if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) ++i;
    size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == L'.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == L'e' || s[i] == L'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == L'+' || s[j] == L'-')) ++j;
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j])) ++j;
            i = j;
        }
    }
    return i - at;
}
}  // namespace

bool ReadScaleField(const wchar_t* text, float& value) {
    std::wstring s(text, wcsnlen(text, 31));
    size_t start = 0;
    while (start < s.size() && IsBlank(s[start])) ++start;
    const size_t length = DecimalPrefix(s, start);
    if (length == 0) return false;
    size_t end = start + length;
    while (end < s.size() && IsBlank(s[end])) ++end;
    if (end != s.size()) return false;
    const double number = std::wcstod(s.substr(start, length).c_str(), nullptr);
    const auto result = static_cast<float>(number);
    if (!std::isfinite(result)) return false;
    if (result == 0 && s[start] != L'0') return false;
    value = result;
    return true;
}

UINT CheckScaleValues(int sensorType, bool fahrenheit, int manual, const ValueScale& shown) {
    if (manual == 0) return 0;
    auto inRange = [&](float low, float high) {
        return shown.min >= low && shown.min <= high && shown.max >= low && shown.max <= high;
    };
    if (sensorType == 3) {
        if (!inRange(0, 100)) return IDS_SCALE_RANGE_HUMIDITY;
    } else if (sensorType == 5) {
        if (!inRange(0, 1000000)) return IDS_SCALE_RANGE_CO2;
    } else if (!inRange(-40, 80)) {
        return fahrenheit ? IDS_SCALE_RANGE_FAHRENHEIT : IDS_SCALE_RANGE_CELSIUS;
    }
    if (!(shown.min < shown.max)) return IDS_SCALE_MIN_EXCEEDS_MAX;
    if (!(shown.ticks > 0)) return IDS_SCALE_TICKS_NOT_POSITIVE;
    if (shown.ticks > shown.max - shown.min) return IDS_SCALE_TICKS_TOO_LARGE;
    return 0;
}
