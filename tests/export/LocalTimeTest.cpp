#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <cwchar>
#include <string>
#include <vector>

#include "LocalTime.h"

namespace {
// A SYSTEMTIME with its weekday filled in.
SYSTEMTIME At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    SYSTEMTIME st{static_cast<WORD>(y), static_cast<WORD>(mo), 0, static_cast<WORD>(d),
                  static_cast<WORD>(h), static_cast<WORD>(mi), static_cast<WORD>(s), 0};
    FILETIME ft;
    EXPECT_TRUE(::SystemTimeToFileTime(&st, &ft));
    EXPECT_TRUE(::FileTimeToSystemTime(&ft, &st));
    return st;
}

SYSTEMTIME Rule(int month, int weekday, int occurrence, int hour, int minute = 0) {
    return SYSTEMTIME{0, static_cast<WORD>(month), static_cast<WORD>(weekday), static_cast<WORD>(occurrence),
                      static_cast<WORD>(hour), static_cast<WORD>(minute), 0, 0};
}

// Central Europe: daylight time from the last Sunday of March 02:00 to the last Sunday of
// October 03:00.
TIME_ZONE_INFORMATION CentralEurope() {
    TIME_ZONE_INFORMATION z{};
    z.Bias = -60;
    z.StandardDate = Rule(10, 0, 5, 3);
    z.DaylightDate = Rule(3, 0, 5, 2);
    z.DaylightBias = -60;
    return z;
}

// Eastern Australia: daylight time from the first Sunday of October to the first Sunday of April.
TIME_ZONE_INFORMATION EasternAustralia() {
    TIME_ZONE_INFORMATION z{};
    z.Bias = -600;
    z.StandardDate = Rule(4, 0, 1, 3);
    z.DaylightDate = Rule(10, 0, 1, 2);
    z.DaylightBias = -60;
    return z;
}

std::string Text(const SYSTEMTIME& s) {
    char text[32];
    snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d", s.wYear, s.wMonth, s.wDay, s.wHour, s.wMinute,
             s.wSecond);
    return text;
}

std::string ToLocal(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc) {
    SYSTEMTIME local{};
    if (!UtcToLocalTime(&zone, utc, local)) return "failed";
    return Text(local);
}

double OleDate(const SYSTEMTIME& s) {
    double d = 0;
    EXPECT_TRUE(::SystemTimeToVariantTime(const_cast<SYSTEMTIME*>(&s), &d));
    return d;
}

SYSTEMTIME FromOle(double d) {
    SYSTEMTIME s{};
    EXPECT_TRUE(::VariantTimeToSystemTime(d, &s));
    return s;
}

// The platform's own reading of a UTC date in `zone`.
SYSTEMTIME PlatformLocal(const TIME_ZONE_INFORMATION& zone, double utc) {
    SYSTEMTIME u = FromOle(utc), l{};
    EXPECT_TRUE(::SystemTimeToTzSpecificLocalTime(&zone, &u, &l));
    return l;
}

int DayNumber(const SYSTEMTIME& s) { return (s.wYear * 12 + s.wMonth) * 32 + s.wDay; }

// A zone's rules as the system keeps them (its registry of zones), in their 2026 form.
TIME_ZONE_INFORMATION SystemZone(const wchar_t* key) {
    DYNAMIC_TIME_ZONE_INFORMATION d{};
    for (DWORD i = 0; ::EnumDynamicTimeZoneInformation(i, &d) == ERROR_SUCCESS; ++i) {
        if (std::wcscmp(d.TimeZoneKeyName, key) != 0) continue;
        TIME_ZONE_INFORMATION z{};
        EXPECT_TRUE(::GetTimeZoneInformationForYear(2026, &d, &z));
        return z;
    }
    ADD_FAILURE() << "the system knows no zone " << std::string(key, key + std::wcslen(key));
    return {};
}

SYSTEMTIME AbsoluteRule(int year, int month, int weekday, int day, int hour, int minute = 0) {
    return SYSTEMTIME{static_cast<WORD>(year), static_cast<WORD>(month), static_cast<WORD>(weekday),
                      static_cast<WORD>(day),  static_cast<WORD>(hour),  static_cast<WORD>(minute), 0, 0};
}

// Zones whose rules the system reports as absolute dates of this year (the year field set, the day
// of the month in wDay), as it does for zones not in its registry; these are its records for
// America/Nuuk and Australia/Lord_Howe.
TIME_ZONE_INFORMATION AbsoluteNuuk() {
    TIME_ZONE_INFORMATION z{};
    z.Bias = 120;
    z.StandardDate = AbsoluteRule(2026, 10, 0, 25, 0);
    z.DaylightDate = AbsoluteRule(2026, 3, 6, 28, 23);
    z.DaylightBias = -60;
    return z;
}

TIME_ZONE_INFORMATION AbsoluteLordHowe() {
    TIME_ZONE_INFORMATION z{};
    z.Bias = -630;
    z.StandardDate = AbsoluteRule(2026, 4, 0, 5, 2, 30);
    z.DaylightDate = AbsoluteRule(2026, 10, 0, 4, 2);
    z.DaylightBias = -60;
    return z;
}

// Compares the helpers with the platform's conversion at every half hour from the last day of
// 2025 to the first hours of 2027 (both new years) and returns the first disagreements.
std::vector<std::string> DisagreementsOverAYear(const TIME_ZONE_INFORMATION& zone, bool withDayStarts) {
    std::vector<std::string> found;
    auto report = [&](const char* what, double t, const std::string& detail) {
        if (found.size() < 4) found.push_back(std::string(what) + " at " + Text(FromOle(t)) + " UTC: " + detail);
    };
    const double from = OleDate(At(2025, 12, 31)), to = OleDate(At(2027, 1, 1, 3));
    for (int i = 0; from + i / 48.0 <= to; ++i) {
        const double t = from + i / 48.0;
        const SYSTEMTIME u = FromOle(t);
        // UTC to local, and the same clock reading taken as local time back to UTC.
        SYSTEMTIME mine{}, system{};
        bool ok = UtcToLocalTime(&zone, u, mine);
        if (!::SystemTimeToTzSpecificLocalTime(&zone, &u, &system) || !ok || Text(mine) != Text(system))
            report("to local", t, Text(mine) + ", system " + Text(system));
        ok = LocalTimeToUtc(&zone, u, mine);
        if (!::TzSpecificLocalTimeToSystemTime(&zone, &u, &system) || !ok || Text(mine) != Text(system))
            report("to UTC", t, Text(mine) + ", system " + Text(system));
        if (!withDayStarts) continue;

        // The day and the month begin on the local day of t, and a second earlier is on the one
        // before.
        const SYSTEMTIME local = PlatformLocal(zone, t);
        bool first = local.wDay != 1;
        const double day = StartOfLocalDay(zone, t, &first);
        const SYSTEMTIME dayLocal = PlatformLocal(zone, day);
        if (DayNumber(dayLocal) != DayNumber(local) ||
            DayNumber(PlatformLocal(zone, day - 1.0 / 86400)) >= DayNumber(local) || first != (local.wDay == 1))
            report("start of day", t, Text(FromOle(day)) + " UTC, local " + Text(dayLocal));
        const double month = StartOfLocalMonth(zone, t);
        const SYSTEMTIME monthLocal = PlatformLocal(zone, month);
        if (monthLocal.wDay != 1 || monthLocal.wMonth != local.wMonth || monthLocal.wYear != local.wYear ||
            PlatformLocal(zone, month - 1.0 / 86400).wDay == 1)
            report("start of month", t, Text(FromOle(month)) + " UTC, local " + Text(monthLocal));
    }
    return found;
}
}  // namespace

TEST(CompareToTransition, FindsTheNthOrLastWeekdayOfTheMonth) {
    struct {
        SYSTEMTIME moment;
        SYSTEMTIME rule;
        int expected;
    } cases[] = {
        {At(2026, 2, 28), Rule(3, 0, 5, 2), -1},                  // earlier month
        {At(2026, 4, 1), Rule(3, 0, 5, 2), 1},                    // later month
        {At(2026, 3, 29, 1, 59, 59), Rule(3, 0, 5, 2), -1},       // last Sunday of March 2026 is the 29th
        {At(2026, 3, 29, 2), Rule(3, 0, 5, 2), 0},                // exactly at the change
        {At(2026, 3, 29, 2, 0, 1), Rule(3, 0, 5, 2), 1},
        {At(2026, 2, 22, 2), Rule(2, 0, 5, 2), 0},                // February 2026 has four Sundays: the 4th is the last
        {At(2026, 2, 22, 1), Rule(2, 0, 5, 2), -1},
        {At(2026, 10, 4, 2), Rule(10, 0, 1, 2), 0},               // first Sunday of October 2026
        {At(2026, 10, 11, 2), Rule(10, 0, 2, 2), 0},              // second one
        {At(2024, 2, 29, 12), Rule(2, 4, 5, 12), 0},              // leap year: Thursday the 29th is the 5th
        {At(2026, 6, 14, 10, 30), Rule(6, 7, 14, 10, 30), 0},     // weekday above 6: a fixed day
        {At(2026, 6, 14, 10, 29), Rule(6, 7, 14, 10, 30), -1},
        // An absolute date (its year set): wDay is the day of the month, in every year.
        {At(2026, 3, 28, 23), AbsoluteRule(2026, 3, 6, 28, 23), 0},
        {At(2026, 3, 28, 22, 59), AbsoluteRule(2026, 3, 6, 28, 23), -1},
        {At(2027, 3, 28, 23), AbsoluteRule(2026, 3, 6, 28, 23), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompareToTransition(c.moment, c.rule), c.expected) << Text(c.moment);
}

TEST(UtcToLocalTime, AppliesTheDaylightRulesOfTheZone) {
    TIME_ZONE_INFORMATION europe = CentralEurope();
    TIME_ZONE_INFORMATION australia = EasternAustralia();
    TIME_ZONE_INFORMATION india{};
    india.Bias = -330;  // no daylight saving: DaylightDate.wMonth is 0
    struct {
        const TIME_ZONE_INFORMATION& zone;
        SYSTEMTIME utc;
        const char* local;
    } cases[] = {
        {europe, At(2026, 7, 15, 12), "2026-07-15 14:00:00"},
        {europe, At(2026, 1, 15, 12), "2026-01-15 13:00:00"},
        {europe, At(2026, 3, 29, 0, 59, 59), "2026-03-29 01:59:59"},
        {europe, At(2026, 3, 29, 1), "2026-03-29 03:00:00"},      // the change itself counts as after it
        {europe, At(2026, 10, 25, 0, 59, 59), "2026-10-25 02:59:59"},
        {europe, At(2026, 10, 25, 1), "2026-10-25 02:00:00"},
        {europe, At(1990, 7, 1, 12), "1990-07-01 14:00:00"},      // today's rules for past years too
        {europe, At(2026, 12, 31, 23, 30), "2027-01-01 00:30:00"},
        {australia, At(2026, 1, 15, 12), "2026-01-15 23:00:00"},  // southern summer
        {australia, At(2026, 7, 15, 12), "2026-07-15 22:00:00"},
        {india, At(2026, 7, 15, 12), "2026-07-15 17:30:00"},
        {india, At(2026, 1, 15, 12), "2026-01-15 17:30:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(ToLocal(c.zone, c.utc), c.local) << Text(c.utc);
}

TEST(LocalTimeToUtc, IsTheInverseOutsideTheSkippedAndRepeatedHours) {
    TIME_ZONE_INFORMATION europe = CentralEurope();
    for (SYSTEMTIME local : {At(2026, 7, 15, 14), At(2026, 1, 15, 13), At(2026, 3, 29, 3, 0), At(2026, 11, 1)}) {
        SYSTEMTIME utc{}, back{};
        ASSERT_TRUE(LocalTimeToUtc(&europe, local, utc));
        ASSERT_TRUE(UtcToLocalTime(&europe, utc, back));
        EXPECT_EQ(Text(back), Text(local));
    }
    SYSTEMTIME utc{};
    ASSERT_TRUE(LocalTimeToUtc(&europe, At(2026, 7, 15, 14), utc));
    EXPECT_EQ(Text(utc), "2026-07-15 12:00:00");
}

// North and south, changes at local midnight (Santiago, Havana, Beirut), a half-hour change (Lord
// Howe), and rules given as absolute dates.
TEST(LocalTimeHelpers, AgreeWithThePlatformAtEveryHalfHourOfAYear) {
    TIME_ZONE_INFORMATION current{};
    ASSERT_TRUE(CurrentTimeZone(current));
    struct {
        const char* name;
        TIME_ZONE_INFORMATION zone;
    } zones[] = {
        {"Berlin", SystemZone(L"W. Europe Standard Time")},
        {"New York", SystemZone(L"Eastern Standard Time")},
        {"Sydney", SystemZone(L"AUS Eastern Standard Time")},
        {"Lord Howe", SystemZone(L"Lord Howe Standard Time")},
        {"Santiago", SystemZone(L"Pacific SA Standard Time")},
        {"Havana", SystemZone(L"Cuba Standard Time")},
        {"Beirut", SystemZone(L"Middle East Standard Time")},
        {"Nuuk, absolute dates", AbsoluteNuuk()},
        {"Lord Howe, absolute dates", AbsoluteLordHowe()},
        {"the current zone, as the system reports it", current},
    };
    for (const auto& z : zones)
        for (const std::string& d : DisagreementsOverAYear(z.zone, true)) ADD_FAILURE() << z.name << ": " << d;

    // Santiago's clock goes from 6 September 2026 00:00 straight to 01:00: the day begins then.
    EXPECT_EQ(Text(FromOle(StartOfLocalDay(zones[4].zone, OleDate(At(2026, 9, 6, 12))))), "2026-09-06 04:00:00");
}

// Every zone the system knows, converted both ways at every half hour of a year.
TEST(LocalTimeHelpers, AgreeWithThePlatformInEveryZone) {
    DYNAMIC_TIME_ZONE_INFORMATION d{};
    DWORD i = 0;
    for (; ::EnumDynamicTimeZoneInformation(i, &d) == ERROR_SUCCESS; ++i) {
        TIME_ZONE_INFORMATION z{};
        ASSERT_TRUE(::GetTimeZoneInformationForYear(2026, &d, &z));
        for (const std::string& found : DisagreementsOverAYear(z, false))
            ADD_FAILURE() << std::string(d.TimeZoneKeyName, d.TimeZoneKeyName + std::wcslen(d.TimeZoneKeyName))
                          << ": " << found;
    }
    EXPECT_GT(i, 100u);
}

TEST(GetDaylightState, RejectsRulesWithoutAValidOccurrence) {
    TIME_ZONE_INFORMATION zone = CentralEurope();
    zone.StandardDate.wDay = 6;
    FILETIME t;
    SYSTEMTIME s = At(2026, 7, 1);
    ::SystemTimeToFileTime(&s, &t);
    ::SetLastError(0);
    EXPECT_EQ(GetDaylightState(zone, t, false), -1);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SYSTEMTIME local{};
    EXPECT_FALSE(UtcToLocalTime(&zone, s, local));

    zone = CentralEurope();
    zone.StandardDate.wMonth = 0;
    EXPECT_EQ(GetDaylightState(zone, t, false), -1);
    zone.DaylightDate.wMonth = 0;
    EXPECT_EQ(GetDaylightState(zone, t, false), 0);
}

// The tests run with TZ=Europe/Berlin and the en-US user locale.
TEST(LocalDates, FollowTheCurrentZone) {
    EXPECT_DOUBLE_EQ(UtcToLocalDate(OleDate(At(2026, 7, 15, 12))), OleDate(At(2026, 7, 15, 14)));
    EXPECT_DOUBLE_EQ(LocalToUtcDate(OleDate(At(2026, 1, 15, 13))), OleDate(At(2026, 1, 15, 12)));

    // 23:30 local on the 1st of July is 21:30 UTC; local midnight of that day is 22:00 UTC on 30 June.
    bool first = false;
    EXPECT_DOUBLE_EQ(StartOfLocalDay(OleDate(At(2026, 7, 1, 21, 30)), &first), OleDate(At(2026, 6, 30, 22)));
    EXPECT_TRUE(first);
    EXPECT_DOUBLE_EQ(StartOfLocalDay(OleDate(At(2026, 7, 1, 22, 30)), &first), OleDate(At(2026, 7, 1, 22)));
    EXPECT_FALSE(first);
    EXPECT_DOUBLE_EQ(StartOfLocalDay(OleDate(At(2026, 1, 10, 8))), OleDate(At(2026, 1, 9, 23)));

    // The last hour of the year is standard time, and its day and month begin an hour later.
    EXPECT_EQ(FormatDateTime(OleDate(At(2025, 12, 31, 22))), L"12/31/2025 23:00:00");
    EXPECT_EQ(FormatDateTime(OleDate(At(2025, 12, 31, 23))), L"1/1/2026 0:00:00");
    EXPECT_DOUBLE_EQ(StartOfLocalDay(OleDate(At(2025, 12, 31, 22, 30)), &first), OleDate(At(2025, 12, 30, 23)));
    EXPECT_FALSE(first);
    EXPECT_DOUBLE_EQ(StartOfLocalDay(OleDate(At(2025, 12, 31, 23, 30)), &first), OleDate(At(2025, 12, 31, 23)));
    EXPECT_TRUE(first);
    EXPECT_DOUBLE_EQ(StartOfLocalMonth(OleDate(At(2025, 12, 31, 22, 30))), OleDate(At(2025, 11, 30, 23)));

    EXPECT_DOUBLE_EQ(StartOfLocalMonth(OleDate(At(2026, 7, 15, 9))), OleDate(At(2026, 6, 30, 22)));
    EXPECT_DOUBLE_EQ(StartOfLocalMonth(OleDate(At(2026, 1, 31, 23, 30))), OleDate(At(2026, 1, 31, 23)));
}

TEST(DateTexts, ShortDateAndTwentyFourHourTimeInTheUsersFormats) {
    EXPECT_EQ(FormatDateTime(OleDate(At(2026, 7, 15, 11, 5))), L"7/15/2026 13:05:00");
    EXPECT_EQ(FormatDateTime(OleDate(At(2026, 1, 2, 8, 7, 9))), L"1/2/2026 9:07:09");
    EXPECT_EQ(FormatDate(OleDate(At(2026, 12, 31, 23, 30))), L"1/1/2027");
    EXPECT_EQ(FormatDateTime(1e300), L"");  // out of the OLE date range
}
