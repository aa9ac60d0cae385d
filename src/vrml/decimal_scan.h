// DecimalScan: the digit arithmetic of number tokens, over bytes in memory.
//
// A number is its digits and at most one ".": each digit d makes the value
// value * 10 + d in doubles, counting as a decimal place after the point, and
// k decimal places end in one division by 10^k, the power built by
// multiplying 10 by itself k - 1 times. Past kDigitLimit further digits only
// scale the integer part or are dropped, so that a hostile digit run never
// reaches inf / inf.
//
// The same doubles come out faster: while the value is below 2^53 every step
// of value * 10 + d is exact in a double, so the digits are gathered in a
// 64-bit integer first and turned into a double (exactly) only when they
// would pass that bound; the powers of ten are built once into a table, by
// the same multiplications. A scan can stop at the end of a block and go on
// with the next one, so a number split across two reads converts the same.
#pragma once

#include <cstdint>

class DecimalScan {
public:
    // Values past this only scale (integer digits) or lose digits (fraction).
    static constexpr double kDigitLimit = 1e300;

    // Consumes the digits and the first "." of [p, end) that belong to the
    // number and returns where it stopped: at the first byte that ends the
    // number (a second "." or any other non-digit, not consumed; ended() is
    // then true) or at end, when the next block may continue it.
    const uint8_t* scan(const uint8_t* p, const uint8_t* end) {
        for (; p < end; ++p) {
            const unsigned digit = static_cast<unsigned>(*p) - '0';
            if (digit < 10) {
                if (!wide_ && digits_ <= kExactLimit) {
                    digits_ = digits_ * 10 + digit;
                    decimals_ += seenPoint_ ? 1 : 0;
                    continue;
                }
                widen();
                if (value_ < kDigitLimit) {
                    value_ = value_ * 10.0 + digit;
                    decimals_ += seenPoint_ ? 1 : 0;
                } else if (!seenPoint_) {
                    value_ *= 10.0;
                }
            } else if (*p == '.' && !seenPoint_) {
                seenPoint_ = true;
            } else {
                ended_ = true;
                return p;
            }
        }
        return p;
    }

    // The byte after the number has been seen (it was not consumed).
    bool ended() const { return ended_; }

    // The value of the digits scanned so far, divided by 10^k for k decimal
    // places and negated when asked (a lone "." gives 0, "-." gives -0).
    double result(bool negative) const {
        double value = wide_ ? value_ : static_cast<double>(digits_);
        if (decimals_ > 0) value /= powerOfTen(decimals_);
        return negative ? -value : value;
    }

    // 10^n for n >= 1 as repeated multiplication gives it: exact up to 10^22,
    // infinite from 10^309 on.
    static double powerOfTen(int64_t n) { return n < kExactPowerCount ? kExactPowers[n] : largePowerOfTen(n); }

private:
    // Up to 10^22 every product of the repeated multiplication is exact, so
    // these literals are what it gives.
    static constexpr int kExactPowerCount = 23;
    static constexpr double kExactPowers[kExactPowerCount] = {
        1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    static double largePowerOfTen(int64_t n);

    // Largest d for which d * 10 + 9 stays below 2^53.
    static constexpr uint64_t kExactLimit = ((uint64_t{1} << 53) - 10) / 10;

    void widen() {
        if (wide_) return;
        value_ = static_cast<double>(digits_);
        wide_ = true;
    }

    uint64_t digits_ = 0;
    double value_ = 0.0;
    int64_t decimals_ = 0;
    bool wide_ = false;
    bool seenPoint_ = false;
    bool ended_ = false;
};
