#include "vrml/decimal_scan.h"

#include <cmath>

namespace {

// Powers 10^1 .. 10^(kPowerCount - 1); every later one is infinite.
constexpr int kPowerCount = 320;

struct PowerTable {
    double powers[kPowerCount] = {};
    PowerTable() {
        double p = 10.0;
        powers[0] = 1.0;
        for (int n = 1; n < kPowerCount; ++n) {
            powers[n] = p;
            if (std::isfinite(p)) p *= 10.0;
        }
    }
};

const PowerTable& table() {
    static const PowerTable powers;
    return powers;
}

}  // namespace

double DecimalScan::largePowerOfTen(int64_t n) {
    if (n >= kPowerCount) return HUGE_VAL;
    return table().powers[n];
}
