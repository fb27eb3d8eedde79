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

// A rule with its year set (an absolute date) or a weekday above 6 names a day of the month; any
// other one the occurrence of a weekday, 1..5 (5 = the last one).
bool IsFixedDay(const SYSTEMTIME& rule) { return rule.wYear != 0 || rule.wDayOfWeek > 6; }

bool IsValidRule(const SYSTEMTIME& rule) {
    if (rule.wMonth < 1 || rule.wMonth > 12) return false;
    return rule.wDay >= 1 && rule.wDay <= (IsFixedDay(rule) ? 31 : 5);
}

// `s` against the change `rule` of `year`: a reading of an earlier year lies before it, one of a
// later year after it.
int CompareInYear(const SYSTEMTIME& s, WORD year, const SYSTEMTIME& rule) {
    if (s.wYear != year) return s.wYear < year ? -1 : 1;
    return CompareToTransition(s, rule);
}

// The local clock reading of the UTC moment `ticks`.
bool LocalReading(const TIME_ZONE_INFORMATION& zone, LONGLONG ticks, LONGLONG& reading) {
    LONG bias = 0;
    if (!GetZoneBias(zone, FromTicks(ticks), false, bias)) return false;
    reading = ticks - bias * kTicksPerMinute;
    return true;
}

// Converts `in` by the zone's bias: to local time (subtracting the bias) or to UTC (adding it).
bool Convert(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME& in, bool inIsLocal, SYSTEMTIME& out) {
    TIME_ZONE_INFORMATION current;
    if (!zone) {
        if (!CurrentTimeZone(current)) return false;
        zone = &current;
    }
    FILETIME t;
    if (!::SystemTimeToFileTime(&in, &t)) return false;
    LONG bias = 0;
    if (!GetZoneBias(*zone, t, inIsLocal, bias)) return false;
    return ShiftedSystemTime(t, inIsLocal ? bias : -static_cast<LONGLONG>(bias), out);
}

bool ToLocalSystemTime(const TIME_ZONE_INFORMATION* zone, double utc, SYSTEMTIME& local) {
    SYSTEMTIME u;
    return ::VariantTimeToSystemTime(utc, &u) && UtcToLocalTime(zone, u, local);
}

std::wstring FormatLocalDate(const SYSTEMTIME& local) {
    wchar_t text[127];
    int n = ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, text, 127);
    return n > 0 ? std::wstring(text) : std::wstring();
}

// The first UTC moment of the local day `local` (or of its month with `monthStart`), as a UTC date;
// `utc` when it cannot be worked out.
double LocalDayStart(const TIME_ZONE_INFORMATION& zone, double utc, SYSTEMTIME local, bool monthStart) {
    local.wHour = local.wMinute = local.wSecond = local.wMilliseconds = 0;
    if (monthStart) local.wDay = 1;
    FILETIME midnightFt;
    LONG bias = 0;
    if (!::SystemTimeToFileTime(&local, &midnightFt) || !GetZoneBias(zone, midnightFt, true, bias)) return utc;
    const LONGLONG midnight = ToTicks(midnightFt);
    LONGLONG start = midnight + bias * kTicksPerMinute;

    // Where the clock skips midnight, the local time 00:00 reads as daylight time and so names a
    // moment that the clock still shows as the day before. The day then begins with the change:
    // the first whole minute, within the size of the jump, whose reading is on this day.
    LONGLONG reading = 0;
    if (!LocalReading(zone, start, reading)) return utc;
    if (reading < midnight) {
        LONGLONG jump = static_cast<LONGLONG>(zone.DaylightBias) - zone.StandardBias;
        LONGLONG lo = start, hi = start + (jump < 0 ? -jump : jump) * kTicksPerMinute;
        if (LocalReading(zone, hi, reading) && reading >= midnight) {
            while (hi - lo > kTicksPerMinute) {
                LONGLONG mid = lo + (hi - lo) / kTicksPerMinute / 2 * kTicksPerMinute;
                if (!LocalReading(zone, mid, reading)) return utc;
                (reading >= midnight ? hi : lo) = mid;
            }
            start = hi;
        }
    }
    SYSTEMTIME u;
    FILETIME startFt = FromTicks(start);
    double result = 0;
    if (!::FileTimeToSystemTime(&startFt, &u) || !::SystemTimeToVariantTime(&u, &result)) return utc;
    return result;
}

double DayStart(const TIME_ZONE_INFORMATION* zone, double utc, bool monthStart, bool* firstOfMonth) {
    if (firstOfMonth) *firstOfMonth = false;
    TIME_ZONE_INFORMATION current;
    if (!zone) {
        if (!CurrentTimeZone(current)) return utc;
        zone = &current;
    }
    SYSTEMTIME local;
    if (!ToLocalSystemTime(zone, utc, local)) return utc;
    if (firstOfMonth) *firstOfMonth = local.wDay == 1;
    return LocalDayStart(*zone, utc, local, monthStart);
}

double ConvertDate(const TIME_ZONE_INFORMATION* zone, double in, bool inIsLocal) {
    SYSTEMTIME a, b;
    double result = 0;
    if (!::VariantTimeToSystemTime(in, &a) || !Convert(zone, a, inIsLocal, b) ||
        !::SystemTimeToVariantTime(&b, &result))
        return in;
    return result;
}
}  // namespace

int CompareToTransition(const SYSTEMTIME& s, const SYSTEMTIME& rule) {
    if (s.wMonth < rule.wMonth) return -1;
    if (s.wMonth > rule.wMonth) return 1;

    int day;
    if (IsFixedDay(rule)) {
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
    if (!IsValidRule(zone.StandardDate) || !IsValidRule(zone.DaylightDate)) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }

    // The change to standard time happens on the daylight clock, the one to daylight time on the
    // standard clock: a UTC moment is read on each.
    SYSTEMTIME daylightReading, standardReading;
    const LONGLONG bias = zone.Bias;
    if (!ShiftedSystemTime(t, isLocal ? 0 : -(bias + zone.DaylightBias), daylightReading)) return -1;
    if (isLocal)
        standardReading = daylightReading;
    else if (!ShiftedSystemTime(t, -(bias + zone.StandardBias), standardReading))
        return -1;

    // Both readings are compared with the changes of one year, that of the plain Bias reading: in
    // the last hour of the year the daylight reading of a northern zone is already in the next year,
    // whose rules must not be mixed with this year's. The plain reading lies between the two others
    // when the biases have opposite signs, and then shares their year when they agree.
    WORD year = standardReading.wYear;
    if (!isLocal && (daylightReading.wYear != year ||
                     static_cast<LONGLONG>(zone.DaylightBias) * zone.StandardBias > 0)) {
        SYSTEMTIME plain;
        if (!ShiftedSystemTime(t, -bias, plain)) return -1;
        year = plain.wYear;
    }
    bool beforeStandard = CompareInYear(daylightReading, year, zone.StandardDate) < 0;
    bool afterDaylight = CompareInYear(standardReading, year, zone.DaylightDate) >= 0;

    bool daylight = zone.DaylightDate.wMonth < zone.StandardDate.wMonth
                        ? beforeStandard && afterDaylight   // northern: daylight time inside the year
                        : beforeStandard || afterDaylight;  // southern: daylight time across the new year
    return daylight ? 2 : 1;
}

bool GetZoneBias(const TIME_ZONE_INFORMATION& zone, const FILETIME& t, bool isLocal, LONG& bias) {
    LONGLONG total = zone.Bias;
    switch (GetDaylightState(zone, t, isLocal)) {
    case 0:
        break;
    case 1:
        total += zone.StandardBias;
        break;
    case 2:
        total += zone.DaylightBias;
        break;
    default:
        return false;
    }
    // More than a day either way is no zone: refuse it rather than wrap.
    if (total < -24 * 60 || total > 24 * 60) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    bias = static_cast<LONG>(total);
    return true;
}

bool UtcToLocalTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME& utc, SYSTEMTIME& local) {
    return Convert(zone, utc, false, local);
}

bool LocalTimeToUtc(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME& local, SYSTEMTIME& utc) {
    return Convert(zone, local, true, utc);
}

std::wstring FormatDate(double utc) {
    SYSTEMTIME local;
    if (!ToLocalSystemTime(nullptr, utc, local)) return {};
    return FormatLocalDate(local);
}

std::wstring FormatDateTime(double utc) { return DateTimeTexts().DateTime(utc); }

DateTimeTexts::DateTimeTexts() : m_zoneRead(CurrentTimeZone(m_zone)) {}

std::wstring DateTimeTexts::DateTime(double utc) {
    SYSTEMTIME local;
    if (!m_zoneRead || !ToLocalSystemTime(&m_zone, utc, local)) return {};
    if (!m_dayValid || local.wYear != m_day.wYear || local.wMonth != m_day.wMonth || local.wDay != m_day.wDay) {
        m_day = local;
        m_dayValid = true;
        m_dateText = FormatLocalDate(local);
    }
    // Forcing the 24-hour clock keeps a 12-hour locale's AM/PM marker ("13:05:00 PM"): leave it out.
    wchar_t time[127];
    int n = ::GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER, &local, nullptr,
                             time, 127);
    std::wstring text = m_dateText;
    text += L' ';
    if (n > 0) text += time;
    while (text.size() > m_dateText.size() + 1 && text.back() == L' ') text.pop_back();
    return text;
}

bool CurrentTimeZone(TIME_ZONE_INFORMATION& zone) {
    return ::GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID;
}

double UtcToLocalDate(double utc) { return ConvertDate(nullptr, utc, false); }
double LocalToUtcDate(double local) { return ConvertDate(nullptr, local, true); }
double UtcToLocalDate(const TIME_ZONE_INFORMATION& zone, double utc) { return ConvertDate(&zone, utc, false); }
double LocalToUtcDate(const TIME_ZONE_INFORMATION& zone, double local) { return ConvertDate(&zone, local, true); }

double StartOfLocalDay(double utc, bool* firstOfMonth) { return DayStart(nullptr, utc, false, firstOfMonth); }
double StartOfLocalDay(const TIME_ZONE_INFORMATION& zone, double utc, bool* firstOfMonth) {
    return DayStart(&zone, utc, false, firstOfMonth);
}
double StartOfLocalMonth(double utc) { return DayStart(nullptr, utc, true, nullptr); }
double StartOfLocalMonth(const TIME_ZONE_INFORMATION& zone, double utc) { return DayStart(&zone, utc, true, nullptr); }

double CurrentUtcDate() {
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    now.wMilliseconds = 0;
    double result = 0;
    ::SystemTimeToVariantTime(&now, &result);
    return result;
}
