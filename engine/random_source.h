#pragma once
// The one pseudo-random generator behind every draw: a 32-bit linear
// congruential generator seeded from the local time of day at each Start.
#include <cstdint>

struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

struct RandomSource {
    uint32_t seed = 0;
    uint32_t lastOutput = 0;  // upper 31 bits of the state after the latest step

    uint32_t advance();
    double toUnit() const;
    void randomize(long double x);
    void seedFromTimeOfDay(const TimeOfDay& time);
    int32_t between(int32_t a, int32_t b);
};

// Seconds since local midnight, as the seed takes them.
long double SecondsSinceMidnight(const TimeOfDay& time);

// The process-wide instance; only the single running roller uses it.
RandomSource& TheRandomSource();
