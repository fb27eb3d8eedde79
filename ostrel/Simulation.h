// Simulated measurements: a pure function of (seed, channel, time), so that a history and the
// live values that follow it fit together and a run can be repeated.
#pragma once
#include <cstdint>

// A channel is one sensor of the simulation: `device` ties the temperature and humidity of one
// room together, `key` gives every sensor its own noise.
struct SimChannel {
    unsigned seed;
    long device;
    long key;
};

// Temperature in degrees Celsius: a daily cycle that peaks in the afternoon, a yearly one, noise.
float SimulatedTemperature(const SimChannel& channel, double time);
// Relative humidity in percent, moving against the room's temperature.
float SimulatedHumidity(const SimChannel& channel, double time);
// CO2 in ppm: outdoor level plus people in the office on weekdays from 7 to 18 (UTC).
float SimulatedCo2(const SimChannel& channel, double time);
// Signal level in dBm: a level of its own per channel that now and then steps to a neighbour.
float SimulatedSignal(const SimChannel& channel, double time);

// The value for a sensor type code (1..6).
float SimulatedValue(long type, const SimChannel& channel, double time);

// How occupied the office is at `time` (0..1).
double Occupancy(double time);

// Uniform in [-1, 1), the same for the same inputs.
double Noise(unsigned seed, long key, int64_t tick);
