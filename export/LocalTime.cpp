#include "LocalTime.h"

#include <oleauto.h>

namespace {
constexpr LONGLONG kTicksPerMinute = 600000000LL;  // FILETIME counts 100 ns

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 31;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

LONGLONG ToTicks(const FILETIME& t) {
    return static_cast<LONGLONG>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

FILETIME FromTicks(LONGLONG ticks) {
    auto value = static_cast<ULONGLONG>(ticks);
    return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFFu), static_cast<DWORD>(value >> 32)};
}

// `t` moved by `minutes`, as a SYSTEMTIME.
bool ShiftedSystemTime(const FILETIME& t, LONGLONG minutes, SYSTEMTIME& s) {
    FILETIME shifted = FromTicks(ToTicks(t) + minutes * kTicksPerMinute);
    return ::FileTimeToSystemTime(&shifted, &s) != FALSE;
}

bool IsValidOccurrence(WORD day) { return day >= 1 && day <= 5; }

bool CurrentZone(TIME_ZONE_INFORMATION& zone) {
    return ::GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID;
}

// Converts `in` by the zone's bias: to local time (subtracting the bias) or to UTC (adding it).
bool Convert(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME& in, bool inIsLocal, SYSTEMTIME& out) {
    TIME_ZONE_INFORMATION current;
    if (!zone) {
        if (!CurrentZone(current)) return false;
        zone = &current;
    }
    FILETIME t;
    if (!::SystemTimeToFileTime(&in, &t)) return false;
    LONG bias = 0;
    if (!GetZoneBias(*zone, t, inIsLocal, bias)) return false;
    return ShiftedSystemTime(t, inIsLocal ? bias : -static_cast<LONGLONG>(bias), out);
}

bool ToLocalSystemTime(double utc, SYSTEMTIME& local) {
    SYSTEMTIME u;
    return ::VariantTimeToSystemTime(utc, &u) && UtcToLocalTime(nullptr, u, local);
}

std::wstring FormatLocalDate(const SYSTEMTIME& local) {
    wchar_t text[127];
    int n = ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, text, 127);
    return n > 0 ? std::wstring(text) : std::wstring();
}

// Local midnight of `local`'s day (and of the 1st of its month with `monthStart`), as a UTC date.
double LocalMidnightToUtc(double utc, SYSTEMTIME local, bool monthStart) {
    local.wHour = local.wMinute = local.wSecond = local.wMilliseconds = 0;
    if (monthStart) local.wDay = 1;
    SYSTEMTIME u;
    double result = 0;
    if (!LocalTimeToUtc(nullptr, local, u) || !::SystemTimeToVariantTime(&u, &result)) return utc;
    return result;
}
}  // namespace

int CompareToTransition(const SYSTEMTIME& s, const SYSTEMTIME& rule) {
    if (s.wMonth < rule.wMonth) return -1;
    if (s.wMonth > rule.wMonth) return 1;

    int day;
    if (rule.wDayOfWeek > 6) {
        day = rule.wDay;
    } else {
        int first = ((rule.wDayOfWeek + s.wDay - s.wDayOfWeek + 6) % 7) + 1;
        day = first + 7 * (rule.wDay - 1);
        if (day > DaysInMonth(s.wYear, s.wMonth)) day -= 7;
    }
    long long sv = s.wDay * 86400LL + s.wHour * 3600LL + s.wMinute * 60LL + s.wSecond;
    long long rv = day * 86400LL + rule.wHour * 3600LL + rule.wMinute * 60LL;
    return sv < rv ? -1 : sv > rv ? 1 : 0;
}

int GetDaylightState(const TIME_ZONE_INFORMATION& zone, const FILETIME& t, bool isLocal) {
    if (zone.DaylightDate.wMonth == 0) return 0;
    if (zone.StandardDate.wMonth == 0 || !IsValidOccurrence(zone.StandardDate.wDay) ||
        !IsValidOccurrence(zone.DaylightDate.wDay)) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }

    // The standard-time transition happens in daylight time, the daylight one in standard time.
    SYSTEMTIME s;
    if (!ShiftedSystemTime(t, isLocal ? 0 : -static_cast<LONGLONG>(zone.Bias + zone.DaylightBias), s)) return -1;
    bool beforeStandard = CompareToTransition(s, zone.StandardDate) < 0;
    if (!isLocal && !ShiftedSystemTime(t, -static_cast<LONGLONG>(zone.Bias + zone.StandardBias), s)) return -1;
    bool afterDaylight = CompareToTransition(s, zone.DaylightDate) >= 0;

    bool daylight = zone.DaylightDate.wMonth < zone.StandardDate.wMonth
                        ? beforeStandard && afterDaylight   // northern: daylight time inside the year
                        : beforeStandard || afterDaylight;  // southern: daylight time across the new year
    return daylight ? 2 : 1;
}

bool GetZoneBias(const TIME_ZONE_INFORMATION& zone, const FILETIME& t, bool isLocal, LONG& bias) {
    switch (GetDaylightState(zone, t, isLocal)) {
    case 0:
        bias = zone.Bias;
        return true;
    case 1:
        bias = zone.Bias + zone.StandardBias;
        return true;
    case 2:
        bias = zone.Bias + zone.DaylightBias;
        return true;
    default:
        return false;
    }
}

bool UtcToLocalTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME& utc, SYSTEMTIME& local) {
    return Convert(zone, utc, false, local);
}

bool LocalTimeToUtc(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME& local, SYSTEMTIME& utc) {
    return Convert(zone, local, true, utc);
}

std::wstring FormatDate(double utc) {
    SYSTEMTIME local;
    if (!ToLocalSystemTime(utc, local)) return {};
    return FormatLocalDate(local);
}

std::wstring FormatDateTime(double utc) {
    SYSTEMTIME local;
    if (!ToLocalSystemTime(utc, local)) return {};
    // Forcing the 24-hour clock keeps a 12-hour locale's AM/PM marker ("13:05:00 PM"): leave it out.
    wchar_t time[127];
    int n = ::GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER, &local, nullptr,
                             time, 127);
    std::wstring timeText = n > 0 ? std::wstring(time) : std::wstring();
    while (!timeText.empty() && timeText.back() == L' ') timeText.pop_back();
    return FormatLocalDate(local) + L" " + timeText;
}

double UtcToLocalDate(double utc) {
    SYSTEMTIME local;
    double result = 0;
    if (!ToLocalSystemTime(utc, local) || !::SystemTimeToVariantTime(&local, &result)) return utc;
    return result;
}

double LocalToUtcDate(double local) {
    SYSTEMTIME l, u;
    double result = 0;
    if (!::VariantTimeToSystemTime(local, &l) || !LocalTimeToUtc(nullptr, l, u) ||
        !::SystemTimeToVariantTime(&u, &result))
        return local;
    return result;
}

double StartOfLocalDay(double utc, bool* firstOfMonth) {
    SYSTEMTIME local;
    if (!ToLocalSystemTime(utc, local)) {
        if (firstOfMonth) *firstOfMonth = false;
        return utc;
    }
    if (firstOfMonth) *firstOfMonth = local.wDay == 1;
    return LocalMidnightToUtc(utc, local, false);
}

double StartOfLocalMonth(double utc) {
    SYSTEMTIME local;
    if (!ToLocalSystemTime(utc, local)) return utc;
    return LocalMidnightToUtc(utc, local, true);
}

double CurrentUtcDate() {
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    now.wMilliseconds = 0;
    double result = 0;
    ::SystemTimeToVariantTime(&now, &result);
    return result;
}
