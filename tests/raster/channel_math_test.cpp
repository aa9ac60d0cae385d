// The channel arithmetic behind the span fillers, checked exhaustively where
// the domain allows: the weight identity for all 65536 (channel, weight)
// pairs against the rasterizer's weight table, the eight-lane versions
// against the one-pixel ones for every RGB565 pixel, and the lit channel over
// every base and whole shade with a spread of fractions.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "raster/channel_math.h"
#include "raster/rasterizer.h"

namespace {

using namespace raster;

TEST(RasterChannelMath, WeightIdentityMatchesTheTableForEveryPair) {
    Rasterizer r;
    ASSERT_NE(r.weightTable, nullptr);
    int wrong = 0;
    for (uint32_t k = 0; k < 256; ++k) {
        for (uint32_t j = 0; j < 256; ++j) {
            const uint32_t expected = (j * k) / 255;
            wrong += static_cast<uint32_t>(r.weightTable[k * 256 + j]) != expected;
            wrong += scaleChannel(j, k) != expected;
        }
    }
    EXPECT_EQ(wrong, 0);
    // The edges of the identity: the largest product, and the products just
    // below each multiple of 255.
    EXPECT_EQ(scaleChannel(255, 255), 255u);
    EXPECT_EQ(scaleChannel(254, 255), 254u);
    EXPECT_EQ(scaleChannel(1, 254), 0u);
    EXPECT_EQ(scaleChannel(15, 17), 1u);   // 255
    EXPECT_EQ(scaleChannel(127, 128), 63u);  // 16256 = 63 x 255 + 191
}

#if ORVELLA_RASTER_SSE2

std::vector<uint16_t> lanes(__m128i v) {
    std::vector<uint16_t> out(8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data()), v);
    return out;
}

__m128i fromLanes(const uint16_t* values) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(values)); }

TEST(RasterChannelMath, EightLaneWeightsMatchTheTableForEveryPair) {
    Rasterizer r;
    ASSERT_NE(r.weightTable, nullptr);
    int wrong = 0;
    for (uint32_t k = 0; k < 256; ++k) {
        const __m128i weight = _mm_set1_epi16(static_cast<int16_t>(k));
        for (uint32_t j = 0; j < 256; j += 8) {
            uint16_t values[8];
            for (uint32_t lane = 0; lane < 8; ++lane) values[lane] = static_cast<uint16_t>(j + lane);
            const std::vector<uint16_t> got = lanes(scale8(fromLanes(values), weight));
            for (uint32_t lane = 0; lane < 8; ++lane)
                wrong += got[lane] != static_cast<uint32_t>(r.weightTable[k * 256 + j + lane]);
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(RasterChannelMath, EightLanePackingMatchesOnePixelPackingForEveryPixel) {
    int wrong = 0;
    for (uint32_t first = 0; first < 65536; first += 8) {
        uint16_t pixels[8];
        for (uint32_t lane = 0; lane < 8; ++lane) pixels[lane] = static_cast<uint16_t>(first + lane);
        const Channels8 c = unpack8(fromLanes(pixels));
        const std::vector<uint16_t> r = lanes(c.r), g = lanes(c.g), b = lanes(c.b);
        for (uint32_t lane = 0; lane < 8; ++lane) {
            wrong += r[lane] != redOf(pixels[lane]) || g[lane] != greenOf(pixels[lane]) ||
                     b[lane] != blueOf(pixels[lane]);
        }
        // Unpacking loses nothing, so packing gives the pixels back.
        wrong += lanes(pack8(c)) != std::vector<uint16_t>(pixels, pixels + 8);
        // Any channel values 0..255 pack as the one-pixel pack does.
        const Channels8 spread{_mm_set1_epi16(static_cast<int16_t>(first >> 8)),
                               _mm_set1_epi16(static_cast<int16_t>((first >> 3) & 0xFF)),
                               _mm_set1_epi16(static_cast<int16_t>(255 - (first >> 8)))};
        wrong += lanes(pack8(spread))[0] != pack(first >> 8, (first >> 3) & 0xFF, 255 - (first >> 8));
    }
    EXPECT_EQ(wrong, 0);

    uint16_t all[8];
    int clampWrong = 0;
    for (uint32_t first = 0; first < 65536; first += 8) {
        for (uint32_t lane = 0; lane < 8; ++lane) all[lane] = static_cast<uint16_t>(first + lane);
        const std::vector<uint16_t> got = lanes(clampChannel8(fromLanes(all)));
        for (uint32_t lane = 0; lane < 8; ++lane) clampWrong += got[lane] != std::min<uint32_t>(first + lane, 255);
    }
    EXPECT_EQ(clampWrong, 0);
}

TEST(RasterChannelMath, EightLaneLitChannelMatchesTheScalarFormula) {
    // Fractions: the ends, the signed boundary, and a spread in between.
    std::vector<uint32_t> fractions = {0, 1, 0x7FFF, 0x8000, 0x8001, 0xFFFE, 0xFFFF};
    for (uint32_t f = 0x0123; f < 0x10000; f += 0x0F31) fractions.push_back(f);
    int wrong = 0;
    for (uint32_t emissive : {0u, 1u, 51u, 200u, 255u}) {
        const __m128i e = _mm_set1_epi16(static_cast<int16_t>(emissive));
        for (uint32_t whole = 0; whole < 256; ++whole) {
            for (uint32_t fraction : fractions) {
                const uint32_t shade = whole << 16 | fraction;
                const __m128i hi = _mm_set1_epi16(static_cast<int16_t>(whole));
                const __m128i lo = _mm_set1_epi16(static_cast<int16_t>(fraction));
                for (uint32_t base = 0; base < 256; base += 8) {
                    uint16_t bases[8];
                    for (uint32_t lane = 0; lane < 8; ++lane) bases[lane] = static_cast<uint16_t>(base + lane);
                    const std::vector<uint16_t> got = lanes(lit8(fromLanes(bases), hi, lo, e));
                    for (uint32_t lane = 0; lane < 8; ++lane) {
                        const uint32_t expected = std::min(emissive + (((base + lane) * shade) >> 16), kChannelMax);
                        wrong += got[lane] != expected;
                    }
                }
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(RasterChannelMath, EightLaneBlendMatchesTheTableForEveryOldPixel) {
    Rasterizer r;
    ASSERT_NE(r.weightTable, nullptr);
    int wrong = 0;
    for (uint32_t t : {0u, 1u, 76u, 127u, 128u, 254u, 255u}) {
        const int32_t* oldRow = r.weightTable + t * 256;
        const int32_t* newRow = r.weightTable + (255 - t) * 256;
        for (uint32_t fresh : {0u, 7u, 128u, 255u}) {
            const Channels8 scaled{_mm_set1_epi16(static_cast<int16_t>(newRow[fresh])),
                                   _mm_set1_epi16(static_cast<int16_t>(newRow[255 - fresh])),
                                   _mm_set1_epi16(static_cast<int16_t>(newRow[fresh / 2]))};
            for (uint32_t first = 0; first < 65536; first += 8) {
                uint16_t old[8];
                for (uint32_t lane = 0; lane < 8; ++lane) old[lane] = static_cast<uint16_t>(first + lane);
                const std::vector<uint16_t> got =
                    lanes(blendOver8(fromLanes(old), scaled, _mm_set1_epi16(static_cast<int16_t>(t))));
                for (uint32_t lane = 0; lane < 8; ++lane) {
                    const uint32_t p = old[lane];
                    const uint32_t red = std::min<uint32_t>(oldRow[redOf(p)] + newRow[fresh], 255);
                    const uint32_t green = std::min<uint32_t>(oldRow[greenOf(p)] + newRow[255 - fresh], 255);
                    const uint32_t blue = std::min<uint32_t>(oldRow[blueOf(p)] + newRow[fresh / 2], 255);
                    wrong += got[lane] != pack(red, green, blue);
                }
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

#endif

}  // namespace
