// Channel arithmetic of the span fillers, internal to raster/: RGB565 pixels
// as 8-bit channels, the lit channel emissive + base x shade, and the
// transparency weights, one pixel at a time and (on x86-64) eight at a time
// with SSE2, which every x86-64 processor has.
//
// Weights. The weight table holds (j x k) / 255 for channel j and weight k,
// both 0..255. The product is at most 65025, and for every x below 2^16
// x / 255 = (x x 0x8081) >> 23 (0x8081 / 2^23 exceeds 1/255 by less than
// 1/(255 x 2^16), too little to reach the next whole number); the tests check
// it for all 65536 pairs. In 16-bit lanes: the low half of j x k, then the
// high half of its product with 0x8081, then 7 more bits down.
//
// Lit channels. With shade s in 16.16 held to 0 .. 2^24 - 1 and split as
// s = hi x 2^16 + lo, (base x s) >> 16 = base x hi + ((base x lo) >> 16)
// exactly; with base <= 255 both terms and their sum with the emissive byte
// stay below 2^16.
#pragma once

#include <algorithm>
#include <cstdint>

#include "base/rgb565.h"

// The eight-lane paths are compiled where SSE2 is, unless ORVELLA_NO_SSE2
// asks for the scalar loops alone (the pixel tests are built both ways, so
// both are held to the same results).
#if defined(__SSE2__) && !defined(ORVELLA_NO_SSE2)
#define ORVELLA_RASTER_SSE2 1
#include <emmintrin.h>
#else
#define ORVELLA_RASTER_SSE2 0
#endif

// Where the compiler can target AVX2 in single functions, the commonest span
// also has a 256-bit path, taken only when the processor reports AVX2.
#if ORVELLA_RASTER_SSE2 && defined(__x86_64__) && defined(__GNUC__) && !defined(ORVELLA_NO_AVX2)
#define ORVELLA_RASTER_AVX2 1
#include <immintrin.h>
#else
#define ORVELLA_RASTER_AVX2 0
#endif

namespace raster {

constexpr uint32_t kChannelMax = 255;
constexpr uint32_t kWeightMagic = 0x8081;  // x / 255 = (x * 0x8081) >> 23 for x < 2^16
constexpr int kWeightShift = 23;

// RGB565 fields as 8-bit channels (low bits zero), and back.
inline uint32_t redOf(uint32_t pixel) { return rgb565Red(pixel); }
inline uint32_t greenOf(uint32_t pixel) { return rgb565Green(pixel); }
inline uint32_t blueOf(uint32_t pixel) { return rgb565Blue(pixel); }
inline uint16_t pack(uint32_t r, uint32_t g, uint32_t b) { return rgb565FromBytes(r, g, b); }

// (value x weight) / 255 for value and weight 0..255, without the table.
inline uint32_t scaleChannel(uint32_t value, uint32_t weight) {
    return (value * weight * kWeightMagic) >> kWeightShift;
}

#if ORVELLA_RASTER_SSE2

// Eight pixels' channels, one 8-bit value per 16-bit lane.
struct Channels8 {
    __m128i r, g, b;
};

inline Channels8 unpack8(__m128i pixels) {
    return {_mm_and_si128(_mm_srli_epi16(pixels, 8), _mm_set1_epi16(0xF8)),
            _mm_and_si128(_mm_srli_epi16(pixels, 3), _mm_set1_epi16(0xFC)),
            _mm_and_si128(_mm_slli_epi16(pixels, 3), _mm_set1_epi16(0xF8))};
}

// Channels 0..255 packed as pack() packs them.
inline __m128i pack8(const Channels8& c) {
    const __m128i r = _mm_slli_epi16(_mm_and_si128(c.r, _mm_set1_epi16(0xF8)), 8);
    const __m128i g = _mm_slli_epi16(_mm_and_si128(c.g, _mm_set1_epi16(0xFC)), 3);
    const __m128i b = _mm_srli_epi16(c.b, 3);
    return _mm_or_si128(_mm_or_si128(r, g), b);
}

// scaleChannel lane by lane: values and weight 0..255.
inline __m128i scale8(__m128i values, __m128i weight) {
    const __m128i product = _mm_mullo_epi16(values, weight);  // at most 65025: exact in 16 unsigned bits
    return _mm_srli_epi16(_mm_mulhi_epu16(product, _mm_set1_epi16(static_cast<int16_t>(kWeightMagic))),
                          kWeightShift - 16);
}

// min(x, 255) for unsigned 16-bit lanes: adding 0xFF00 saturates exactly
// when x >= 255.
inline __m128i clampChannel8(__m128i x) {
    const __m128i bias = _mm_set1_epi16(static_cast<int16_t>(0xFF00));
    return _mm_subs_epu16(_mm_adds_epu16(x, bias), bias);
}

// min(emissive + ((base x shade) >> 16), 255) lane by lane, for base and
// emissive 0..255 and shade = shadeHi x 2^16 + shadeLo below 2^24.
inline __m128i lit8(__m128i base, __m128i shadeHi, __m128i shadeLo, __m128i emissive) {
    const __m128i whole = _mm_mullo_epi16(base, shadeHi);  // at most 65025
    const __m128i fraction = _mm_mulhi_epu16(base, shadeLo);
    return clampChannel8(_mm_adds_epu16(_mm_adds_epu16(whole, fraction), emissive));
}

// The blend of fresh channels over old pixels: each channel of the old pixel
// scaled by oldWeight plus the fresh one already scaled by its weight,
// clamped, packed.
inline __m128i blendOver8(__m128i old, const Channels8& freshScaled, __m128i oldWeight) {
    const Channels8 o = unpack8(old);
    const __m128i top = _mm_set1_epi16(static_cast<int16_t>(kChannelMax));
    return pack8({_mm_min_epi16(_mm_add_epi16(scale8(o.r, oldWeight), freshScaled.r), top),
                  _mm_min_epi16(_mm_add_epi16(scale8(o.g, oldWeight), freshScaled.g), top),
                  _mm_min_epi16(_mm_add_epi16(scale8(o.b, oldWeight), freshScaled.b), top)});
}

inline Channels8 scaleChannels8(const Channels8& c, __m128i weight) {
    return {scale8(c.r, weight), scale8(c.g, weight), scale8(c.b, weight)};
}

#endif

}  // namespace raster
