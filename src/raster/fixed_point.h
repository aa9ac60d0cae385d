// Fixed-point formats and the float-to-integer conversions of the scan
// converter. Internal to raster/.
//
// Formats: vertex positions are 28.4 (pixels times 16, truncated toward zero);
// depth, shade and texture coordinates are 16.16 in the span. Every conversion
// here saturates instead of overflowing, so hostile floats (NaN, infinities,
// 1e30, and the infinities a zero perspective divides into) give defined,
// in-range integers; for values that fit, each one is the plain truncation
// toward zero.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace raster {

constexpr int kSubpixelShift = 4;                      // 28.4 vertex positions
constexpr int32_t kSubpixels = 1 << kSubpixelShift;    // 16 steps per pixel
constexpr float kSubpixelsF = 16.0f;
constexpr int32_t kSubpixelCeil = kSubpixels - 1;      // added before >> 4 to round up

// The first pixel centre at or after a 28.4 coordinate (its ceiling).
constexpr int32_t ceilPixel(int32_t subpixels) { return (subpixels + kSubpixelCeil) >> kSubpixelShift; }

constexpr int kFractionBits = 16;                      // 16.16 depth, shade, texel units
constexpr float kFractionOne = 65536.0f;

constexpr int kBlockShift = 4;                         // spans are cut into 16-pixel blocks
constexpr int32_t kBlockPixels = 1 << kBlockShift;
constexpr float kBlockPixelsF = 16.0f;

// Texture coordinates keep 25 bits: 2^25 in 16.16 is 512 texels, a multiple of
// every texture size, so the mask never changes which texel is addressed.
constexpr int32_t kTexCoordMask = 0x1FFFFFF;
constexpr float kTexCoordModulus = 33554432.0f;       // 2^25

// Largest vertex coordinate the snap accepts, far beyond any target (the
// scan converter refuses targets taller or wider than kMaxTargetSide).
constexpr float kSnapLimit = 67108864.0f;              // 2^26 pixels
constexpr int32_t kMaxTargetSide = 1 << 22;            // keeps 16 x 16 x height inside int32

// Truncation toward zero into int32, held to the int32 range (the largest
// float below 2^31 is 2^31 - 128); NaN gives 0. Branch-free: it runs once per
// 16-pixel block.
inline int32_t truncSaturated(float value) {
    const float number = value == value ? value : 0.0f;
    return static_cast<int32_t>(std::min(std::max(number, -2147483648.0f), 2147483520.0f));
}

// 28.4 snap of a screen coordinate: truncate(value * 16), saturating.
inline int32_t snapSubpixel(float value) {
    if (!(value > -kSnapLimit)) return value == value ? -(1 << 30) : 0;
    if (!(value < kSnapLimit)) return 1 << 30;
    return static_cast<int32_t>(value * kSubpixelsF);
}

// 16.16 depth: truncation into 0 .. 0xFFFFFFFF. Values past either end (and
// NaN) are held at the far end or at 0: a surface whose depth cannot be
// represented is either beyond everything or in front of it.
inline uint32_t truncDepth(float value) {
    if (!(value < 4294967040.0f)) return 0xFFFFFFFFu;  // also NaN
    if (!(value > 0.0f)) return 0;
    return static_cast<uint32_t>(static_cast<int64_t>(value));
}

// 16.16 texel coordinate kept to 25 bits: truncate then mask, computed modulo
// 2^25 for values beyond the int32 range so that far repetitions still wrap
// exactly as near ones do. NaN and infinities give 0.
inline int32_t truncTexCoord(float value) {
    if (value > -2147483520.0f && value < 2147483520.0f)
        return static_cast<int32_t>(value) & kTexCoordMask;
    if (!std::isfinite(value)) return 0;
    // Floats this large are whole numbers; fmod is exact.
    return static_cast<int32_t>(std::fmod(value, kTexCoordModulus)) & kTexCoordMask;
}

// Floor division for a positive divisor: quotient rounded toward minus
// infinity and a remainder in 0 .. divisor - 1, also for negative numerators.
struct FloorDivision {
    int64_t quotient;
    int64_t remainder;
};
inline FloorDivision floorDivide(int64_t numerator, int64_t divisor) {
    int64_t q = numerator / divisor;
    int64_t r = numerator % divisor;
    if (r < 0) {
        q -= 1;
        r += divisor;
    }
    return {q, r};
}

}  // namespace raster
