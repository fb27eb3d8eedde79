// The logger server's protocol in named values, shared by the program and the stand-in server:
// sensor type codes, view keys, event ids and the bounds of times and values that either side
// accepts from the other or from storage.
#pragma once
#include <cmath>

namespace Protocol {

// Sensor type codes. The even codes are the same quantities with a signal level.
inline constexpr long kTemperature = 1;
inline constexpr long kTemperatureWithSignal = 2;
inline constexpr long kHumidity = 3;
inline constexpr long kHumidityWithSignal = 4;
inline constexpr long kCo2 = 5;
inline constexpr long kCo2WithSignal = 6;

inline constexpr bool IsSensorType(long type) { return type >= kTemperature && type <= kCo2WithSignal; }
inline constexpr bool HasSignalLevel(long type) {
    return type == kTemperatureWithSignal || type == kHumidityWithSignal || type == kCo2WithSignal;
}
// 1 temperature, 3 humidity, 5 CO2 for the codes 1..6; other codes stay as they are.
inline constexpr long Quantity(long type) { return HasSignalLevel(type) ? type - 1 : type; }

// The key a client files a sensor's view under: the id for temperatures, the id with bit 0 set
// for humidity and CO2. Codes outside 1..6 file like temperatures.
inline constexpr long ViewKey(long id, long type) {
    return Quantity(type) == kHumidity || Quantity(type) == kCo2 ? (id | 1) : id;
}

// Dispatch ids of the event interface.
inline constexpr long kDispidOnNewValue = 1;
inline constexpr long kDispidOnMessage = 2;

// Times are UTC OLE dates. Anything outside 1 Jan 1970 .. 1 Jan 2100 (or not a number) is refused
// where it enters: from the registry, a log, a server answer or an event.
inline constexpr double kEarliestTime = 25569.0;
inline constexpr double kLatestTime = 73051.0;
inline bool IsSaneTime(double time) { return time >= kEarliestTime && time <= kLatestTime; }

// Measured values and signal levels beyond a million in size (or not finite) are no measurement.
inline constexpr double kValueLimit = 1e6;
inline bool IsSaneValue(double value) { return std::isfinite(value) && std::fabs(value) <= kValueLimit; }

}  // namespace Protocol
