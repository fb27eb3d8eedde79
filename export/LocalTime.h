// Conversion between UTC and local time by the current zone's standard and daylight rules, and the
// date texts of the sensor list, the graph and the export files.
//
// The program does not use the system's own local-time conversion: it applies the zone's present
// rules to every date, whatever its year, so that a log reads the same in every view and file.
// Times are OLE automation dates (days since 30 December 1899); received and stored ones are UTC.
#pragma once
#include <windows.h>
#include <string>

// Where `s` lies relative to the transition `rule` of its own year: -1 before, 0 at, +1 after.
// The rule names a month, a weekday and its occurrence (1..5, 5 = the last one); with its year set
// (an absolute date, as the system reports some zones) or a weekday above 6, wDay is the day of the
// month, taken in every year. Its seconds are not used. `s` must carry its correct weekday.
int CompareToTransition(const SYSTEMTIME& s, const SYSTEMTIME& rule);

// -1 invalid rules (last error ERROR_INVALID_PARAMETER), 0 zone without daylight saving,
// 1 standard time, 2 daylight time at moment `t` (UTC, or local when `isLocal`).
// Both changes are those of one year: the year of the local time that the plain Bias gives, so a
// moment near the new year is not compared with the rules of the year its daylight reading is in.
int GetDaylightState(const TIME_ZONE_INFORMATION& zone, const FILETIME& t, bool isLocal);

// The bias in minutes (UTC = local + bias) in force at `t`.
bool GetZoneBias(const TIME_ZONE_INFORMATION& zone, const FILETIME& t, bool isLocal, LONG& bias);

// With no zone the current zone information is read.
bool UtcToLocalTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME& utc, SYSTEMTIME& local);
bool LocalTimeToUtc(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME& local, SYSTEMTIME& utc);

// Short local date, a blank, and the local time in 24-hour form, in the user's formats.
// Empty when the date cannot be converted.
std::wstring FormatDateTime(double utc);
std::wstring FormatDate(double utc);

// FormatDateTime for many moments in a row: the zone is read once and the date text of the last
// local day is kept, so a long log costs one time text per moment.
class DateTimeTexts {
public:
    DateTimeTexts();
    std::wstring DateTime(double utc);

private:
    TIME_ZONE_INFORMATION m_zone{};
    bool m_zoneRead;
    SYSTEMTIME m_day{};
    bool m_dayValid = false;
    std::wstring m_dateText;
};

// The zone information in force now; false when the system has none.
bool CurrentTimeZone(TIME_ZONE_INFORMATION& zone);

// OLE date conversions through SYSTEMTIME (whole seconds), by the current zone or by `zone`. A
// date that cannot be converted is returned unchanged.
double UtcToLocalDate(double utc);
double LocalToUtcDate(double local);
double UtcToLocalDate(const TIME_ZONE_INFORMATION& zone, double utc);
double LocalToUtcDate(const TIME_ZONE_INFORMATION& zone, double local);

// The current UTC time as an OLE date (whole seconds).
double CurrentUtcDate();

// The UTC moment of local midnight of the local day that holds `utc`; `firstOfMonth`, when given,
// tells whether that day is the first of its month. Where the clock skips midnight (a zone that
// changes to daylight time at 00:00), the day begins with the change. By the current zone or by
// `zone`.
double StartOfLocalDay(double utc, bool* firstOfMonth = nullptr);
double StartOfLocalDay(const TIME_ZONE_INFORMATION& zone, double utc, bool* firstOfMonth = nullptr);
// The UTC moment of local midnight on the first day of the local month that holds `utc`.
double StartOfLocalMonth(double utc);
double StartOfLocalMonth(const TIME_ZONE_INFORMATION& zone, double utc);
