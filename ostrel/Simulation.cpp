#include "Simulation.h"

#include <algorithm>
#include <cmath>

#include "Protocol.h"

namespace {
constexpr double kPi = 3.14159265358979323846;

uint64_t Mix(uint64_t x) {  // splitmix64's finaliser
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

int64_t SecondOf(double time) { return static_cast<int64_t>(std::llround(time * 86400.0)); }

// +1 at 15:00 UTC, -1 at 03:00 UTC.
double DailyWave(double time) {
    double dayFraction = time - std::floor(time);
    return std::sin(2 * kPi * (dayFraction - 0.375));
}

// +1 in mid-July, -1 in mid-January.
double YearlyWave(double time) { return std::sin(2 * kPi * (time / 365.2425 - 0.3)); }

// Each room is a little warmer or drier than the next.
double DeviceOffset(unsigned seed, long device, double scale) { return Noise(seed, device, -1) * scale; }
}  // namespace

double Noise(unsigned seed, long key, int64_t tick) {
    uint64_t h = Mix(Mix(Mix(seed) ^ static_cast<uint64_t>(static_cast<uint32_t>(key))) ^ static_cast<uint64_t>(tick));
    return static_cast<double>(h >> 11) / static_cast<double>(1ULL << 52) - 1.0;
}

double Occupancy(double time) {
    double day = std::floor(time);
    // Day 0 of OLE dates (30 December 1899) was a Saturday.
    int weekday = static_cast<int>(std::fmod(day, 7.0));
    if (weekday < 0) weekday += 7;
    if (weekday == 0 || weekday == 1) return 0;
    double hour = (time - day) * 24;
    if (hour < 7 || hour >= 18) return 0;
    double ramp = std::min({1.0, (hour - 7) / 1.5, (18 - hour) / 1.5});
    double lunch = (hour >= 12 && hour < 13) ? 0.6 : 1.0;
    return ramp * lunch;
}

float SimulatedTemperature(const SimChannel& c, double time) {
    double value = 20.5 + DeviceOffset(c.seed, c.device, 1.5) + 2.2 * DailyWave(time) + 1.2 * YearlyWave(time) +
                   0.15 * Noise(c.seed, c.key, SecondOf(time));
    return static_cast<float>(value);
}

float SimulatedHumidity(const SimChannel& c, double time) {
    double value = 47 + DeviceOffset(c.seed, c.device + 7, 6) - 7 * DailyWave(time) - 4 * YearlyWave(time) +
                   0.8 * Noise(c.seed, c.key, SecondOf(time));
    return static_cast<float>(std::clamp(value, 5.0, 98.0));
}

float SimulatedCo2(const SimChannel& c, double time) {
    double value = 420 + 30 * (DeviceOffset(c.seed, c.device, 1) + 1) + 650 * Occupancy(time) +
                   12 * Noise(c.seed, c.key, SecondOf(time));
    return static_cast<float>(std::max(value, 350.0));
}

float SimulatedSignal(const SimChannel& c, double time) {
    static const float kLevels[] = {-48, -57, -66, -75, -86, -97};
    int base = 1 + static_cast<int>((Noise(c.seed, c.key, -2) + 1) * 1.5);  // 1..3
    // A new draw every six hours; one in eight moves a step up or down.
    double draw = Noise(c.seed, c.key, static_cast<int64_t>(std::floor(time * 4)) + (int64_t(1) << 40));
    int level = base + (draw > 0.75 ? 1 : draw < -0.75 ? -1 : 0) + (draw > 0.95 ? 1 : 0);
    return kLevels[std::clamp(level, 0, 5)];
}

float SimulatedValue(long type, const SimChannel& channel, double time) {
    switch (Protocol::Quantity(type)) {
    case Protocol::kHumidity: return SimulatedHumidity(channel, time);
    case Protocol::kCo2: return SimulatedCo2(channel, time);
    default: return SimulatedTemperature(channel, time);
    }
}
