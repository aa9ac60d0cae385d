// splitmix64: the same sequence on every machine, unlike the standard
// distributions, for the seeded random scenes of the pixel tests.
#pragma once

#include <cstdint>

namespace raster_test {

class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 24 random bits scaled into [lo, hi).
    float uniform(float lo, float hi) {
        const float unit = static_cast<float>(next() >> 40) * (1.0f / 16777216.0f);
        return lo + (hi - lo) * unit;
    }
    int32_t below(int32_t n) { return static_cast<int32_t>(next() % static_cast<uint64_t>(n)); }
    bool chance(int32_t percent) { return below(100) < percent; }

private:
    uint64_t state_;
};

}  // namespace raster_test
