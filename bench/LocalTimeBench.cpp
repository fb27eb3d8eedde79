// Calls per second of the local-time helpers that the graph and the sensor list call for every
// label and row. Prints the median of several rounds.
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "LocalTime.h"

namespace {
template <class F>
double MedianCallsPerSecond(F call, int callsPerRound, int rounds = 9) {
    std::vector<double> rates;
    for (int r = 0; r < rounds; ++r) {
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < callsPerRound; ++i) call(i);
        std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        rates.push_back(callsPerRound / elapsed.count());
    }
    std::sort(rates.begin(), rates.end());
    return rates[rates.size() / 2];
}
}  // namespace

int main() {
    const double base = 46000.0;  // 2025-12-09, UTC
    volatile double sink = 0;
    size_t length = 0;

    double toLocal = MedianCallsPerSecond([&](int i) { sink = sink + UtcToLocalDate(base + i / 1440.0); }, 20000);
    TIME_ZONE_INFORMATION zone{};
    CurrentTimeZone(zone);
    double toLocalGiven =
        MedianCallsPerSecond([&](int i) { sink = sink + UtcToLocalDate(zone, base + i / 1440.0); }, 20000);
    double startOfDay = MedianCallsPerSecond([&](int i) { sink = sink + StartOfLocalDay(base + i * 0.25); }, 20000);
    double format = MedianCallsPerSecond([&](int i) { length += FormatDateTime(base + i / 1440.0).size(); }, 5000);
    // The floor: the system's own conversion of the same moments.
    double system = MedianCallsPerSecond(
        [&](int i) {
            SYSTEMTIME u, l;
            ::VariantTimeToSystemTime(base + i / 1440.0, &u);
            ::SystemTimeToTzSpecificLocalTime(nullptr, &u, &l);
            double d;
            ::SystemTimeToVariantTime(&l, &d);
            sink = sink + d;
        },
        20000);

    std::printf("UtcToLocalDate                 %10.0f calls/s (median of 9)\n", toLocal);
    std::printf("UtcToLocalDate, zone given     %10.0f calls/s\n", toLocalGiven);
    std::printf("StartOfLocalDay                %10.0f calls/s\n", startOfDay);
    std::printf("FormatDateTime                 %10.0f calls/s\n", format);
    std::printf("system conversion (reference)  %10.0f calls/s   UtcToLocalDate / system = %.2f\n", system,
                toLocal / system);
    return length == 0;  // keeps the formatting from being optimised away
}
