#include "engine/random_source.h"

#include <cstring>

uint32_t RandomSource::advance() {
    seed = seed * 0x08088405u + 1u;
    lastOutput = seed >> 1;
    return lastOutput;
}

double RandomSource::toUnit() const {
    return static_cast<double>(lastOutput) / 2147483648.0;
}

void RandomSource::randomize(long double x) {
    // One rounding, straight from extended to single precision: going through
    // double first could round twice and land on the neighbouring seed.
    float single = static_cast<float>(x);
    std::memcpy(&seed, &single, sizeof seed);
}

long double SecondsSinceMidnight(const TimeOfDay& time) {
    long double ms = static_cast<long double>(time.hour) * 3600000.0L + time.minute * 60000.0L +
                     time.second * 1000.0L + time.millisecond;
    return ms / 1000.0L;
}

void RandomSource::seedFromTimeOfDay(const TimeOfDay& time) {
    randomize(SecondsSinceMidnight(time));
}

int32_t RandomSource::between(int32_t a, int32_t b) {
    int64_t lo = a < b ? a : b;
    int64_t hi = a < b ? b : a;
    uint64_t n = static_cast<uint64_t>(hi - lo) + 1;  // up to 2^32
    uint64_t o = advance();
    // o < 2^31 and n <= 2^32, so the product is exact in 64 bits; the shift
    // is the floor that a floating-point version must also take.
    return static_cast<int32_t>(lo + static_cast<int64_t>((o * n) >> 31));
}

RandomSource& TheRandomSource() {
    static RandomSource source;
    return source;
}
