// The span fillers: one scanline of one triangle, from the left edge's column
// up to, not including, the right edge's (the edge walker's top-left rule
// decides which pixel centres belong to the triangle; here every pixel of the
// span is a candidate). At the end of the file, the one table of fillers:
// every surface mode's stages, with its filler inlined into the walkers.
//
// Formats. Depth is unsigned 16.16: 65536 / perspective, the distance along the
// view axis over the focal length; smaller is nearer, 0xFFFFFFFF is empty.
// Shade is 16.16 intensity. Texture coordinates are 16.16 in texel units,
// scaled by (size - 1) and kept to 25 bits, so wrapping is a mask.
//
// Perspective. perspective, uPersp = u * (size - 1) * perspective and vPersp
// are linear in screen space; depth and u, v are not. The span is cut into
// blocks of 16 pixels. At each block boundary depth and the texel coordinates
// are computed exactly (one division of each by perspective) and inside the
// block they are stepped linearly in integers. Full blocks end where the next
// block starts, so their step is the difference shifted (or divided) by 16.
// The last block, of 1 to 16 pixels, ends on the span's last pixel, taken from
// the right edge minus one pixel's gradient, and its step divides by the
// block's pixel count: a slightly short step, so the last pixel falls a little
// before the exact value rather than past it.
//
// Shade needs no correction and is stepped across the whole span.
//
// Pixels. Each pixel gets its new colour and then the depth test, which keeps
// or replaces it (drawn only when nearer, compared unsigned); opaque pixels
// then store their depth, transparent ones never do, so surfaces drawn later
// behind them still show. The surface mode is a template argument, so the
// pixel loops carry no mode test, no division and no call. On x86-64 a block
// is done eight pixels at a time with SSE2, with exactly the values of the
// scalar loop, which finishes the block (and does all of it for spans under
// eight pixels, the usual ones of small triangles, or when ORVELLA_NO_SSE2
// compiles the eight-lane paths out).
//
// Colour. Channels are 8-bit. A shaded channel is emissive + (diffuse or
// texel) x shade, clamped to 255. A transparent pixel adds the old channel
// scaled by t / 255 and the new one scaled by (255 - t) / 255, both read from
// the weight table (or, eight at a time, computed to the same values as
// channel_math.h shows), clamped to 255. Packing keeps the top 5, 6 and 5
// bits.
//
// Inlining. The table puts every mode's stages into this one file, more
// code than the compiler's inlining budget for a file covers, so the hot
// functions are pinned: each walker, each long-span filler and each fan loop
// is one out-of-line function with everything it calls inlined (flatten);
// the walkers inline the short-span filler and call the long ones. Without
// the pins the pixel helpers stay calls and the fillers lose up to a sixth.
#include <algorithm>
#include <array>
#include <climits>
#include <utility>

#include "raster/channel_math.h"
#include "raster/edge_walk.h"
#include "raster/fixed_point.h"
#include "raster/rasterizer.h"
#include "raster/scan_convert.h"
#include "raster/triangle_setup.h"

namespace raster {
namespace {

constexpr bool isBlended(SurfaceMode m) { return m.paint == Paint::Transparent; }

// 16.16 shade is held to 0 .. 2^24 - 1 (just under 256.0): there every diffuse
// or texel byte of 1 or more already saturates its channel, so larger values
// change nothing, and every product with a byte fits 32 bits. Negative shade
// (rounding at a zero corner) is black, not a wrapped colour.
constexpr int32_t kShadeCeiling = (1 << 24) - 1;

constexpr int32_t kLanes = 8;  // pixels per SSE2 step

#if ORVELLA_RASTER_AVX2
bool processorHasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
const bool kAvx2Offered = processorHasAvx2();
bool wideLanes = kAvx2Offered;
#endif

// Everything the pixel loops read besides the buffers, copied once per span.
struct SpanColours {
    uint32_t emissiveR, emissiveG, emissiveB;
    uint32_t diffuseR, diffuseG, diffuseB;
    uint16_t emissivePixel;
    const int32_t* oldWeights;  // row t of the weight table
    const int32_t* newWeights;  // row 255 - t
    uint32_t flatBlendR, flatBlendG, flatBlendB;  // emissive scaled by the new weight
    // The two weights themselves (t and 255 - t) for the SSE2 blend, which
    // computes the table's entries instead of reading them; -1 when the rows
    // are not whole rows of the table (then every pixel takes the table path).
    int32_t oldWeight, newWeight;
};

// A weight-table row offset as its weight 0..255, or -1.
int32_t weightOfRow(int32_t row) {
    constexpr int32_t kRowStride = 256;
    if (row < 0 || row > 255 * kRowStride || row % kRowStride != 0) return -1;
    return row / kRowStride;
}

template <bool kBlended>
SpanColours spanColours(const Rasterizer& r) {
    SpanColours c{};
    c.emissiveR = r.emissiveR;
    c.emissiveG = r.emissiveG;
    c.emissiveB = r.emissiveB;
    c.diffuseR = r.diffuseR;
    c.diffuseG = r.diffuseG;
    c.diffuseB = r.diffuseB;
    c.emissivePixel = r.emissivePixel;
    c.oldWeight = c.newWeight = -1;
    if (kBlended && r.weightTable) {
        c.oldWeights = r.weightTable + r.oldWeightRow;
        c.newWeights = r.weightTable + r.newWeightRow;
        c.flatBlendR = static_cast<uint32_t>(c.newWeights[c.emissiveR]);
        c.flatBlendG = static_cast<uint32_t>(c.newWeights[c.emissiveG]);
        c.flatBlendB = static_cast<uint32_t>(c.newWeights[c.emissiveB]);
        c.oldWeight = weightOfRow(r.oldWeightRow);
        c.newWeight = weightOfRow(r.newWeightRow);
        if (c.oldWeight < 0 || c.newWeight < 0) c.oldWeight = c.newWeight = -1;
    }
    return c;
}

inline uint32_t shadeFactor(int32_t shade16) {
    return static_cast<uint32_t>(std::clamp<int32_t>(shade16, 0, kShadeCeiling));
}

// emissive + base x shade, clamped; base x shade stays below 2^32 because
// the shade is held under 2^24.
inline uint32_t lit(uint32_t emissive, uint32_t base, uint32_t shade) {
    return std::min(emissive + ((base * shade) >> kFractionBits), kChannelMax);
}

// The old pixel scaled by its weight plus new channels already scaled by theirs.
inline uint16_t blendOver(uint16_t old, uint32_t newR, uint32_t newG, uint32_t newB, const int32_t* oldWeights) {
    const uint32_t r = std::min(static_cast<uint32_t>(oldWeights[redOf(old)]) + newR, kChannelMax);
    const uint32_t g = std::min(static_cast<uint32_t>(oldWeights[greenOf(old)]) + newG, kChannelMax);
    const uint32_t b = std::min(static_cast<uint32_t>(oldWeights[blueOf(old)]) + newB, kChannelMax);
    return pack(r, g, b);
}

// The new colour of one pixel over the old one: from the texel when
// textured, else from the surface's colours; shade16 is the pixel's 16.16
// shade (read when shaded).
template <SurfaceMode M>
inline uint16_t pixelColour(const SpanColours& c, uint16_t old, uint16_t texel, int32_t shade16) {
    if constexpr (!M.shaded && !isBlended(M)) {
        return M.textured ? texel : c.emissivePixel;
    } else if constexpr (!M.shaded && !M.textured) {
        return blendOver(old, c.flatBlendR, c.flatBlendG, c.flatBlendB, c.oldWeights);
    } else {
        uint32_t r = M.textured ? redOf(texel) : c.diffuseR;
        uint32_t g = M.textured ? greenOf(texel) : c.diffuseG;
        uint32_t b = M.textured ? blueOf(texel) : c.diffuseB;
        if constexpr (M.shaded) {
            const uint32_t s = shadeFactor(shade16);
            r = lit(c.emissiveR, r, s);
            g = lit(c.emissiveG, g, s);
            b = lit(c.emissiveB, b, s);
        }
        if constexpr (isBlended(M)) {
            return blendOver(old, static_cast<uint32_t>(c.newWeights[r]), static_cast<uint32_t>(c.newWeights[g]),
                             static_cast<uint32_t>(c.newWeights[b]), c.oldWeights);
        } else {
            return pack(r, g, b);
        }
    }
}

// The depth test of one pixel: it takes the colour when z is nearer than the
// stored depth (unsigned); opaque pixels also store their depth.
template <SurfaceMode M>
inline void depthTest(uint16_t& pixel, uint32_t& stored, uint32_t z, uint16_t colour, uint16_t old) {
    const uint32_t was = stored;
    const bool nearer = z < was;
    if constexpr (!isBlended(M)) stored = nearer ? z : was;
    pixel = nearer ? colour : old;
}

// Linear state of a block: depth (16.16, stepped modulo 2^32) and shade.
struct DepthShade {
    uint32_t z;
    uint32_t dz;
    int32_t shade;
    int32_t dShade;
};

inline bool shadeInRange(int32_t shade) { return shade >= 0 && shade <= kShadeCeiling; }

// True when no pixel of a block of count (1 .. 16) pixels is nearer than
// what is stored: the block changes nothing and is skipped before any
// colour or texel is computed. A surface drawn behind what is already there
// then costs little more than reading its depths. The first pixel is tried
// alone first, so a block that is drawn pays almost nothing for the test.
inline bool blockHidden(const uint32_t* depths, uint32_t z, uint32_t dz, int32_t count) {
    if (z < depths[0]) return false;
    int32_t i = 0;
#if ORVELLA_RASTER_SSE2
    // Four at a time from pixel 0 (tried again, harmlessly), in the same
    // unsigned order as the eight-lane depth test. Adding to the flipped
    // values steps them exactly as unflipped ones: the flip is an addition
    // of 2^31 modulo 2^32.
    const __m128i signBit = _mm_set1_epi32(INT32_MIN);
    __m128i lanes = _mm_xor_si128(_mm_setr_epi32(static_cast<int32_t>(z), static_cast<int32_t>(z + dz),
                                                 static_cast<int32_t>(z + 2 * dz), static_cast<int32_t>(z + 3 * dz)),
                                  signBit);
    const __m128i step = _mm_set1_epi32(static_cast<int32_t>(4 * dz));
    auto nearerAt = [&](int32_t k) {
        const __m128i stored = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(depths + k)), signBit);
        const __m128i nearer = _mm_cmpgt_epi32(stored, lanes);
        lanes = _mm_add_epi32(lanes, step);
        return nearer;
    };
    if (count == kBlockPixels) {
        const __m128i n0 = nearerAt(0), n1 = nearerAt(4), n2 = nearerAt(8), n3 = nearerAt(12);
        return _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(n0, n1), _mm_or_si128(n2, n3))) == 0;
    }
    __m128i nearer = _mm_setzero_si128();
    for (; i + 4 <= count; i += 4) nearer = _mm_or_si128(nearer, nearerAt(i));
    if (_mm_movemask_epi8(nearer) != 0) return false;
#endif
    for (; i < count; ++i) {
        if (z + static_cast<uint32_t>(i) * dz < depths[i]) return false;
    }
    return true;
}

// True when every shade of a block of count pixels lies in 0 .. kShadeCeiling
// (it is linear, so the ends decide): then no pixel needs the clamp.
inline bool blockShadeInRange(const DepthShade& st, int32_t count) {
    return shadeInRange(st.shade) && shadeInRange(st.shade + (count - 1) * st.dShade);
}

#if ORVELLA_RASTER_SSE2

// The SSE2 blend needs whole weight-table rows.
inline bool wholeWeights(const SpanColours& c) { return c.oldWeight >= 0; }

inline __m128i load8(const uint16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Depths of eight pixels at a time, z + i x dz modulo 2^32 as when stepped.
class Depth8 {
public:
    Depth8(uint32_t z, uint32_t dz) {
        low_ = _mm_setr_epi32(static_cast<int32_t>(z), static_cast<int32_t>(z + dz), static_cast<int32_t>(z + 2 * dz),
                              static_cast<int32_t>(z + 3 * dz));
        high_ = _mm_add_epi32(low_, _mm_set1_epi32(static_cast<int32_t>(4 * dz)));
        step_ = _mm_set1_epi32(static_cast<int32_t>(8 * dz));
    }
    // The depth test of the next eight pixels: each takes its colour when
    // nearer than the stored depth (unsigned); kWriteDepth: and stores it.
    template <bool kWriteDepth>
    void select(uint16_t* pixels, uint32_t* depths, __m128i colours, __m128i old) {
        // SSE2 compares signed: flipping the top bit of both sides orders them as unsigned.
        const __m128i signBit = _mm_set1_epi32(INT32_MIN);
        __m128i* depthLanes = reinterpret_cast<__m128i*>(depths);
        const __m128i stored0 = _mm_loadu_si128(depthLanes);
        const __m128i stored1 = _mm_loadu_si128(depthLanes + 1);
        const __m128i nearer0 = _mm_cmpgt_epi32(_mm_xor_si128(stored0, signBit), _mm_xor_si128(low_, signBit));
        const __m128i nearer1 = _mm_cmpgt_epi32(_mm_xor_si128(stored1, signBit), _mm_xor_si128(high_, signBit));
        if constexpr (kWriteDepth) {
            _mm_storeu_si128(depthLanes,
                             _mm_or_si128(_mm_and_si128(nearer0, low_), _mm_andnot_si128(nearer0, stored0)));
            _mm_storeu_si128(depthLanes + 1,
                             _mm_or_si128(_mm_and_si128(nearer1, high_), _mm_andnot_si128(nearer1, stored1)));
        }
        // The all-ones or all-zero masks narrow to 16 bits unchanged.
        const __m128i take = _mm_packs_epi32(nearer0, nearer1);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels),
                         _mm_or_si128(_mm_and_si128(take, colours), _mm_andnot_si128(take, old)));
        low_ = _mm_add_epi32(low_, step_);
        high_ = _mm_add_epi32(high_, step_);
    }

private:
    __m128i low_, high_, step_;  // depths of pixels 0..3 and 4..7, step of 8 pixels
};

// Untextured shaded channels of eight pixels at a time while the block's
// shade stays in range: diffuse x shade is then itself linear along the block
// and is stepped by addition (modulo 2^32, exact since every true value
// fits). The products' high halves (up to 65280) narrow to 16 bits with
// signed saturation at 32767; that changes nothing, because any value of 255
// or more ends as 255 after the emissive add and the clamp.
class LinearShade8 {
public:
    LinearShade8(const SpanColours& c, int32_t shade, int32_t dShade)
        : red_(c.diffuseR, c.emissiveR, shade, dShade),
          green_(c.diffuseG, c.emissiveG, shade, dShade),
          blue_(c.diffuseB, c.emissiveB, shade, dShade) {}
    // The channels of the next eight pixels.
    Channels8 next() { return {red_.next(), green_.next(), blue_.next()}; }
    // Moves past groups x 8 pixels as that many next() calls would.
    void skip(int32_t groups) {
        for (int32_t k = 0; k < groups; ++k) {
            red_.advance();
            green_.advance();
            blue_.advance();
        }
    }

private:
    class Channel {
    public:
        Channel(uint32_t diffuse, uint32_t emissive, int32_t shade, int32_t dShade) {
            const uint32_t product = diffuse * static_cast<uint32_t>(shade);
            const uint32_t step = diffuse * static_cast<uint32_t>(dShade);
            low_ = _mm_setr_epi32(static_cast<int32_t>(product), static_cast<int32_t>(product + step),
                                  static_cast<int32_t>(product + 2 * step), static_cast<int32_t>(product + 3 * step));
            high_ = _mm_add_epi32(low_, _mm_set1_epi32(static_cast<int32_t>(4 * step)));
            step_ = _mm_set1_epi32(static_cast<int32_t>(8 * step));
            emissive_ = _mm_set1_epi16(static_cast<int16_t>(emissive));
        }
        __m128i next() {
            const __m128i top =
                _mm_packs_epi32(_mm_srli_epi32(low_, kFractionBits), _mm_srli_epi32(high_, kFractionBits));
            low_ = _mm_add_epi32(low_, step_);
            high_ = _mm_add_epi32(high_, step_);
            return _mm_min_epi16(_mm_adds_epi16(top, emissive_), _mm_set1_epi16(static_cast<int16_t>(kChannelMax)));
        }
        void advance() {
            low_ = _mm_add_epi32(low_, step_);
            high_ = _mm_add_epi32(high_, step_);
        }

    private:
        __m128i low_, high_, step_;  // products of pixels 0..3 and 4..7, step of 8 pixels
        __m128i emissive_;
    };
    Channel red_, green_, blue_;
};

// The shade of eight pixels at a time split into its whole and fraction
// halves, 16 bits each, while the block's shade stays in range.
class ShadeHalves8 {
public:
    ShadeHalves8(int32_t shade, int32_t dShade) {
        const uint32_t s = static_cast<uint32_t>(shade), d = static_cast<uint32_t>(dShade);
        low_ = _mm_setr_epi32(static_cast<int32_t>(s), static_cast<int32_t>(s + d), static_cast<int32_t>(s + 2 * d),
                              static_cast<int32_t>(s + 3 * d));
        high_ = _mm_add_epi32(low_, _mm_set1_epi32(static_cast<int32_t>(4 * d)));
        step_ = _mm_set1_epi32(static_cast<int32_t>(8 * d));
    }
    // Whole parts (0..255) and fractions (the low 16 bits, moved into signed
    // range and back so that the signed narrowing keeps their bit patterns).
    void next(__m128i& whole, __m128i& fraction) {
        whole = _mm_packs_epi32(_mm_srli_epi32(low_, kFractionBits), _mm_srli_epi32(high_, kFractionBits));
        fraction = _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(low_, 16), 16),
                                   _mm_srai_epi32(_mm_slli_epi32(high_, 16), 16));
        low_ = _mm_add_epi32(low_, step_);
        high_ = _mm_add_epi32(high_, step_);
    }

private:
    __m128i low_, high_, step_;
};

// Runs colour(i, old) for pixels 0, 8, 16 ... of the block while eight
// remain, then the depth test of those pixels; returns how many it did. Two
// loops, not one: each keeps its own constants in registers, and they
// measured faster than one loop doing both.
template <SurfaceMode M, class Colour>
inline int32_t lanePixels(uint16_t* pixels, uint32_t* depths, int32_t count, const DepthShade& st, Colour colour) {
    const int32_t lanes = count - count % kLanes;
    uint16_t colours[kBlockPixels];
    for (int32_t i = 0; i < lanes; i += kLanes)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(colours + i), colour(i, load8(pixels + i)));
    Depth8 depth(st.z, st.dz);
    for (int32_t i = 0; i < lanes; i += kLanes)
        depth.select<!isBlended(M)>(pixels + i, depths + i, load8(colours + i), load8(pixels + i));
    return lanes;
}

// The first pixels of an untextured block, eight at a time; returns how many
// it did (none when the block is short, its shade leaves the range or the
// weights are not whole rows). spanShade: the shaded channels stepped across
// the whole span, when its shade stays in range end to end; else they are
// set up for the block.
template <SurfaceMode M>
inline int32_t untexturedLanes(uint16_t* pixels, uint32_t* depths, int32_t count, const DepthShade& st,
                               const SpanColours& c, [[maybe_unused]] LinearShade8* spanShade) {
    if (count < kLanes) return 0;
    if constexpr (isBlended(M)) {
        if (!wholeWeights(c)) return 0;
    }
    if constexpr (!M.shaded && !isBlended(M)) {
        const __m128i flat = _mm_set1_epi16(static_cast<int16_t>(c.emissivePixel));
        return lanePixels<M>(pixels, depths, count, st, [flat](int32_t, __m128i) { return flat; });
    } else if constexpr (!M.shaded) {
        const __m128i oldWeight = _mm_set1_epi16(static_cast<int16_t>(c.oldWeight));
        const Channels8 fresh{_mm_set1_epi16(static_cast<int16_t>(c.flatBlendR)),
                              _mm_set1_epi16(static_cast<int16_t>(c.flatBlendG)),
                              _mm_set1_epi16(static_cast<int16_t>(c.flatBlendB))};
        return lanePixels<M>(pixels, depths, count, st,
                             [&](int32_t, __m128i old) { return blendOver8(old, fresh, oldWeight); });
    } else {
        auto run = [&](LinearShade8& shade) {
            const __m128i newWeight = _mm_set1_epi16(static_cast<int16_t>(c.newWeight));
            const __m128i oldWeight = _mm_set1_epi16(static_cast<int16_t>(c.oldWeight));
            return lanePixels<M>(pixels, depths, count, st, [&](int32_t, __m128i old) {
                if constexpr (isBlended(M)) return blendOver8(old, scaleChannels8(shade.next(), newWeight), oldWeight);
                else return pack8(shade.next());
            });
        };
        if (spanShade) return run(*spanShade);
        if (!blockShadeInRange(st, count)) return 0;
        LinearShade8 shade(c, st.shade, st.dShade);
        return run(shade);
    }
}

// The same for a textured block from its fetched texels.
template <SurfaceMode M>
inline int32_t texturedLanes(uint16_t* pixels, uint32_t* depths, const uint16_t* texels, int32_t count,
                             const DepthShade& st, const SpanColours& c) {
    if (count < kLanes) return 0;
    if constexpr (isBlended(M)) {
        if (!wholeWeights(c)) return 0;
    }
    if constexpr (M.shaded) {
        if (!blockShadeInRange(st, count)) return 0;
    }
    const __m128i newWeight = _mm_set1_epi16(static_cast<int16_t>(c.newWeight));
    const __m128i oldWeight = _mm_set1_epi16(static_cast<int16_t>(c.oldWeight));
    const __m128i emissiveR = _mm_set1_epi16(static_cast<int16_t>(c.emissiveR));
    const __m128i emissiveG = _mm_set1_epi16(static_cast<int16_t>(c.emissiveG));
    const __m128i emissiveB = _mm_set1_epi16(static_cast<int16_t>(c.emissiveB));
    ShadeHalves8 shade(st.shade, st.dShade);
    return lanePixels<M>(pixels, depths, count, st, [&](int32_t i, __m128i old) {
        const __m128i texel = load8(texels + i);
        if constexpr (!M.shaded && !isBlended(M)) return texel;
        Channels8 fresh = unpack8(texel);
        if constexpr (M.shaded) {
            __m128i whole, fraction;
            shade.next(whole, fraction);
            fresh = {lit8(fresh.r, whole, fraction, emissiveR), lit8(fresh.g, whole, fraction, emissiveG),
                     lit8(fresh.b, whole, fraction, emissiveB)};
        }
        if constexpr (isBlended(M)) return blendOver8(old, scaleChannels8(fresh, newWeight), oldWeight);
        else return pack8(fresh);
    });
}

#endif

#if ORVELLA_RASTER_AVX2

// Opaque shaded untextured spans, the surfaces of most lit worlds, in 256-bit
// lanes where the processor has AVX2: eight pixels' depths and each
// channel's eight products in one register instead of two, and the three
// channels packed in 32 bits and narrowed once. The values are those of the
// eight-lane SSE2 code: a channel min(emissive + (product >> 16), 255) equals
// its saturating 16-bit chain, since either clamps every sum of 255 or more.
// Chosen per span, so no pixel loop tests for it.
// z + i x dz modulo 2^32 for i = 0..7, as when stepped.
[[gnu::target("avx2")]] inline __m256i ramp8(uint32_t start, uint32_t step) {
    return _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(start)),
                            _mm256_mullo_epi32(_mm256_set1_epi32(static_cast<int32_t>(step)),
                                               _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)));
}

// Channels 0..255 in 32-bit lanes packed as pack() packs them.
[[gnu::target("avx2")]] inline __m256i pack565x8(__m256i r, __m256i g, __m256i b) {
    return _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(_mm256_srli_epi32(r, 3), 11),
                                           _mm256_slli_epi32(_mm256_srli_epi32(g, 2), 5)),
                           _mm256_srli_epi32(b, 3));
}

// The opaque depth test of eight pixels with their colours in 32-bit lanes:
// the new depth is the nearer (unsigned) of the two, and a pixel keeps its
// old colour exactly where that is the stored one.
[[gnu::target("avx2")]] inline void opaqueSelect8(uint16_t* pixels, uint32_t* depths, __m256i z, __m256i colours) {
    __m256i* depthLanes = reinterpret_cast<__m256i*>(depths);
    const __m256i stored = _mm256_loadu_si256(depthLanes);
    const __m256i nearest = _mm256_min_epu32(stored, z);
    _mm256_storeu_si256(depthLanes, nearest);
    const __m256i keep = _mm256_cmpeq_epi32(nearest, stored);
    __m128i* pixelLanes = reinterpret_cast<__m128i*>(pixels);
    const __m256i chosen = _mm256_blendv_epi8(colours, _mm256_cvtepu16_epi32(_mm_loadu_si128(pixelLanes)), keep);
    // Narrowed to 16 bits, pixels 0..3 and 4..7 land in the first and third
    // quarters, which the permute joins.
    _mm_storeu_si128(pixelLanes,
                     _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packus_epi32(chosen, chosen), 0x08)));
}

class WideShade {
public:
    [[gnu::target("avx2")]] WideShade(const SpanColours& c, int32_t shade, int32_t dShade) {
        const uint32_t base[3] = {c.diffuseR, c.diffuseG, c.diffuseB};
        const uint32_t emissive[3] = {c.emissiveR, c.emissiveG, c.emissiveB};
        for (int k = 0; k < 3; ++k) {
            const uint32_t product = base[k] * static_cast<uint32_t>(shade);
            const uint32_t step = base[k] * static_cast<uint32_t>(dShade);
            products_[k] = ramp8(product, step);
            steps_[k] = _mm256_set1_epi32(static_cast<int32_t>(8 * step));
            emissive_[k] = _mm256_set1_epi32(static_cast<int32_t>(emissive[k]));
        }
    }
    // The packed RGB565 colours of the next eight pixels, one per 32-bit lane.
    [[gnu::target("avx2")]] __m256i next() {
        const __m256i max = _mm256_set1_epi32(static_cast<int32_t>(kChannelMax));
        __m256i channel[3];
        for (int k = 0; k < 3; ++k) {
            channel[k] = _mm256_min_epu32(_mm256_add_epi32(_mm256_srli_epi32(products_[k], kFractionBits), emissive_[k]), max);
            products_[k] = _mm256_add_epi32(products_[k], steps_[k]);
        }
        return pack565x8(channel[0], channel[1], channel[2]);
    }
    [[gnu::target("avx2")]] void skip(int32_t groups) {
        for (int32_t g = 0; g < groups; ++g)
            for (int k = 0; k < 3; ++k) products_[k] = _mm256_add_epi32(products_[k], steps_[k]);
    }

private:
    __m256i products_[3], steps_[3], emissive_[3];
};

// One block of the span: the eight-pixel groups in wide lanes, the rest one
// pixel at a time as everywhere else.
struct WideShadedBlock {
    WideShade* shade;
    DepthShade* st;
    const SpanColours* colours;

    [[gnu::target("avx2")]] void operator()(uint16_t* pixels, uint32_t* depths, int32_t count) const {
        constexpr SurfaceMode kMode{false, true, Paint::Opaque};
        const uint32_t z = st->z, dz = st->dz;
        if (blockHidden(depths, z, dz, count)) {
            shade->skip(count / kLanes);
        } else {
            const int32_t lanes = count - count % kLanes;
            __m256i zLanes = ramp8(z, dz);
            const __m256i zStep = _mm256_set1_epi32(static_cast<int32_t>(8 * dz));
            for (int32_t i = 0; i < lanes; i += kLanes) {
                opaqueSelect8(pixels + i, depths + i, zLanes, shade->next());
                zLanes = _mm256_add_epi32(zLanes, zStep);
            }
            for (int32_t i = lanes; i < count; ++i) {
                const uint16_t old = pixels[i];
                const uint16_t colour = pixelColour<kMode>(*colours, old, 0, st->shade + i * st->dShade);
                depthTest<kMode>(pixels[i], depths[i], z + static_cast<uint32_t>(i) * dz, colour, old);
            }
        }
        st->shade += count * st->dShade;
    }
};

#endif

// What the eight-lane code of a span carries from block to block.
struct SpanLanes {
#if ORVELLA_RASTER_SSE2
    LinearShade8* shade = nullptr;  // untextured shaded channels stepped across the span, or null
#endif
};

// One block of count (1 .. 16) pixels: the eight-lane part where it applies
// (kLanes: compiled in at all), then one pixel at a time. texels: the
// block's texels (textured only).
template <SurfaceMode M, bool kLanes>
inline void blockPixels(uint16_t* pixels, uint32_t* depths, [[maybe_unused]] const uint16_t* texels, int32_t count,
                        const DepthShade& st, const SpanColours& c, [[maybe_unused]] SpanLanes lanes) {
    int32_t i = 0;
#if ORVELLA_RASTER_SSE2
    if constexpr (kLanes && M.textured) i = texturedLanes<M>(pixels, depths, texels, count, st, c);
    else if constexpr (kLanes) i = untexturedLanes<M>(pixels, depths, count, st, c, lanes.shade);
#endif
    for (; i < count; ++i) {
        const uint16_t old = pixels[i];
        const uint16_t texel = M.textured ? texels[i] : 0;
        const uint16_t colour = pixelColour<M>(c, old, texel, st.shade + i * st.dShade);
        depthTest<M>(pixels[i], depths[i], st.z + static_cast<uint32_t>(i) * st.dz, colour, old);
    }
}

// The span of the current scanline, or an empty one. The walker only hands
// over spans inside the target; the bounds are checked once more here because
// this is the last place before memory is written.
struct SpanExtent {
    int32_t first;  // pixel index of the first pixel
    int32_t count;
};

SpanExtent spanExtent(const Rasterizer& r, const Edge& left, const Edge& right) {
    const int32_t count = right.column - left.column;
    if (count < 1 || left.column < 0 || right.column > r.targetWidth) return {0, 0};
    if (left.rowStart < 0 || left.rowStart > r.pixelCount - r.targetWidth) return {0, 0};
    return {left.rowStart + left.column, count};
}

// Shade at the span start and its per-pixel step, 16.16. Every value along
// the span is kept within 2^30 so that stepping in int32 cannot overflow;
// only absurd shades (thousands) are affected, and they saturate anyway.
inline void startShade(const Rasterizer& r, const Edge& left, int32_t count, DepthShade& st) {
    constexpr int64_t kLimit = int64_t{1} << 29;
    const int64_t shade = truncSaturated(left.shade * kFractionOne);
    const int64_t step = truncSaturated(r.gradients.dShadeDx * kFractionOne);
    st.shade = static_cast<int32_t>(std::clamp(shade, -kLimit, kLimit));
    // |step| x count <= kLimit is exactly |step| <= kLimit / count (rounded
    // down), the step limit; only a step beyond it needs the division.
    const int64_t spanCount = std::max<int64_t>(count, 1);
    const int64_t magnitude = step < 0 ? -step : step;
    if (magnitude * spanCount <= kLimit) {
        st.dShade = static_cast<int32_t>(step);
    } else {
        const int64_t stepLimit = kLimit / spanCount;
        st.dShade = static_cast<int32_t>(step < 0 ? -stepLimit : stepLimit);
    }
}

// Cuts an untextured span into its blocks and calls block(pixels, depths,
// count) for each, with st.z and st.dz set to the block's depth and step.
// !kLong: the span is under eight pixels, one last block.
template <bool kLong, class Block>
inline void forEachDepthBlock(const Rasterizer& r, const Edge& left, const Edge& right, SpanExtent span,
                              DepthShade& st, Block block) {
    const Gradients& g = r.gradients;
    uint16_t* pixels = r.targetPixels + span.first;
    uint32_t* depths = r.depth + span.first;
    float persp = left.persp;
    float zStart = (1.0f / persp) * kFractionOne;
    int32_t remaining = span.count;
    if (kLong && remaining > kBlockPixels) {
        float zEnd = kFractionOne / (persp + g.dPerspDx16);
        while (remaining > kBlockPixels) {
            // The next block's division starts now and overlaps this block's
            // pixels; its value is the one the next pass would compute.
            persp += g.dPerspDx16;
            const float zNextEnd = kFractionOne / (persp + g.dPerspDx16);
            st.z = truncDepth(zStart);
            st.dz = static_cast<uint32_t>(truncSaturated((zEnd - zStart) / kBlockPixelsF));
            block(pixels, depths, kBlockPixels);
            pixels += kBlockPixels;
            depths += kBlockPixels;
            remaining -= kBlockPixels;
            zStart = zEnd;
            zEnd = zNextEnd;
        }
    }
    st.z = truncDepth(zStart);
    // A last block of one pixel uses only its start depth.
    st.dz = 0;
    if (remaining > 1) {
        const float zEnd = kFractionOne / (right.persp - g.dPerspDx);
        st.dz = static_cast<uint32_t>(truncSaturated((zEnd - zStart) / static_cast<float>(remaining)));
    }
    block(pixels, depths, remaining);
}

#if ORVELLA_RASTER_AVX2
void wideShadedSpan(const Rasterizer& r, const Edge& left, const Edge& right, SpanExtent span, DepthShade& st,
                    const SpanColours& c);
#endif

// An untextured span. kLong: any length; else under eight pixels, which
// is one last block done one pixel at a time: that instantiation leaves out
// the block loop and the eight-lane code, and so is small enough to inline
// into the walkers, where it serves the usual spans of small triangles.
template <SurfaceMode M, bool kLong>
inline void untexturedSpan(const Rasterizer& r, const Edge& left, const Edge& right, SpanExtent span) {
    const SpanColours palette = spanColours<isBlended(M)>(r);
    DepthShade st{};
    if constexpr (M.shaded) startShade(r, left, span.count, st);
    auto blocks = [&](SpanLanes lanes) {
        forEachDepthBlock<kLong>(r, left, right, span, st, [&](uint16_t* pixels, uint32_t* depths, int32_t count) {
            if (!kLong || !blockHidden(depths, st.z, st.dz, count)) {
                blockPixels<M, kLong>(pixels, depths, nullptr, count, st, palette, lanes);
            } else {
#if ORVELLA_RASTER_SSE2
                // The span's shaded channels move on past the lanes the block
                // would have used.
                if (lanes.shade) lanes.shade->skip(count / kLanes);
#endif
            }
            if constexpr (M.shaded) st.shade += count * st.dShade;
        });
    };
#if ORVELLA_RASTER_SSE2
    // A span whose shade stays in range end to end steps its shaded
    // channels through all its blocks, set up once.
    if constexpr (kLong && M.shaded) {
        if (blockShadeInRange(st, span.count)) {
#if ORVELLA_RASTER_AVX2
            if constexpr (!isBlended(M)) {
                if (wideLanes) {
                    wideShadedSpan(r, left, right, span, st, palette);
                    return;
                }
            }
#endif
            LinearShade8 shade(palette, st.shade, st.dShade);
            blocks(SpanLanes{&shade});
            return;
        }
    }
#endif
    blocks(SpanLanes{});
}

#if ORVELLA_RASTER_AVX2
[[gnu::target("avx2"), gnu::noinline, gnu::flatten]] void wideShadedSpan(const Rasterizer& r, const Edge& left,
                                                                        const Edge& right, SpanExtent span,
                                                                        DepthShade& st, const SpanColours& c) {
    WideShade shade(c, st.shade, st.dShade);
    forEachDepthBlock<true>(r, left, right, span, st, WideShadedBlock{&shade, &st, &c});
}
#endif

template <SurfaceMode M>
[[gnu::noinline, gnu::flatten]] void fillUntextured(const Rasterizer& r, const Edge& left, const Edge& right,
                                                    SpanExtent span) {
    untexturedSpan<M, true>(r, left, right, span);
}

struct Texels {
    const uint16_t* pixels;
    int32_t columnMask;  // size - 1
    int32_t rowMask;     // (size - 1) << 16
    int32_t rowShift;    // 16 - log2(size)
};

// A textured block: its texels fetched at u + i du, v + i dv, then its pixels.
template <SurfaceMode M>
inline void texturedBlock(uint16_t* pixels, uint32_t* depths, int32_t count, const DepthShade& st, int32_t u,
                          int32_t du, int32_t v, int32_t dv, const Texels& t, const SpanColours& c) {
    if (blockHidden(depths, st.z, st.dz, count)) return;
    uint16_t texels[kBlockPixels];
    for (int32_t i = 0; i < count; ++i) {
        const int32_t ui = u + i * du;
        const int32_t vi = v + i * dv;
        texels[i] = t.pixels[((ui >> kFractionBits) & t.columnMask) | ((vi & t.rowMask) >> t.rowShift)];
    }
    blockPixels<M, true>(pixels, depths, texels, count, st, c, SpanLanes{});
}

// Cuts a textured span into its blocks and calls block(pixels, depths, count,
// u, du, v, dv) for each, with st.z and st.dz set to the block's depth and
// step and u, v its first texel coordinates and their per-pixel steps.
template <class Block>
inline void forEachTexturedBlock(const Rasterizer& r, const Edge& left, const Edge& right, SpanExtent span,
                                 DepthShade& st, Block block) {
    const Gradients& g = r.gradients;
    uint16_t* pixels = r.targetPixels + span.first;
    uint32_t* depths = r.depth + span.first;
    float persp = left.persp;
    float uPersp = left.uPersp;
    float vPersp = left.vPersp;
    float zStart = kFractionOne / persp;
    int32_t u = (truncTexCoord(uPersp * kFractionOne / persp) + g.uRound) & kTexCoordMask;
    int32_t v = (truncTexCoord(vPersp * kFractionOne / persp) + g.vRound) & kTexCoordMask;
    // Exact values at the end of a full block, where the next one starts.
    struct Boundary {
        float z;
        int32_t u, v;
    };
    auto boundary = [&g](float p, float up, float vp) {
        return Boundary{kFractionOne / p, (truncTexCoord(up * kFractionOne / p) + g.uRound) & kTexCoordMask,
                        (truncTexCoord(vp * kFractionOne / p) + g.vRound) & kTexCoordMask};
    };
    int32_t remaining = span.count;
    if (remaining > kBlockPixels) {
        persp += g.dPerspDx16;
        uPersp += g.dUPerspDx16;
        vPersp += g.dVPerspDx16;
        Boundary end = boundary(persp, uPersp, vPersp);
        while (remaining > kBlockPixels) {
            // The next block's divisions start now and overlap this block's
            // pixels; their values are the ones the next pass would compute.
            persp += g.dPerspDx16;
            uPersp += g.dUPerspDx16;
            vPersp += g.dVPerspDx16;
            const Boundary next = boundary(persp, uPersp, vPersp);
            st.z = truncDepth(zStart);
            st.dz = static_cast<uint32_t>(truncSaturated(end.z - zStart) >> kBlockShift);
            block(pixels, depths, kBlockPixels, u, (end.u - u) >> kBlockShift, v, (end.v - v) >> kBlockShift);
            pixels += kBlockPixels;
            depths += kBlockPixels;
            remaining -= kBlockPixels;
            zStart = end.z;
            u = end.u;
            v = end.v;
            end = next;
        }
    }
    st.z = truncDepth(zStart);
    // A last block of one pixel uses only its start values.
    st.dz = 0;
    int32_t du = 0, dv = 0;
    if (remaining > 1) {
        const float perspEnd = right.persp - g.dPerspDx;
        const float uPerspEnd = right.uPersp - g.dUPerspDx;
        const float vPerspEnd = right.vPersp - g.dVPerspDx;
        const float zEnd = kFractionOne / perspEnd;
        // Here the rounding term joins before the truncation.
        const int32_t uEnd = truncTexCoord(uPerspEnd * kFractionOne / perspEnd + static_cast<float>(g.uRound));
        const int32_t vEnd = truncTexCoord(vPerspEnd * kFractionOne / perspEnd + static_cast<float>(g.vRound));
        const float reciprocal = r.reciprocals[remaining];
        st.dz = static_cast<uint32_t>(truncSaturated((zEnd - zStart) * reciprocal));
        du = truncSaturated(static_cast<float>(uEnd - u) * reciprocal);
        dv = truncSaturated(static_cast<float>(vEnd - v) * reciprocal);
    }
    block(pixels, depths, remaining, u, du, v, dv);
}

#if ORVELLA_RASTER_AVX2

// Opaque textured blocks in 256-bit lanes: the texel addresses of eight
// pixels at a time (the same masks and shifts, modulo 2^32 like the scalar
// steps), the texels fetched one by one, and for lit surfaces each channel
// min(emissive + (texel channel x shade) >> 16, 255) in 32-bit lanes, the
// scalar lit() itself, where the block's shade needs no clamp.
// The texels at eight addresses. The addresses leave the vector register
// in pairs and the texels enter it one by one: storing either to memory and
// reading it back in another width stalls on store forwarding.
[[gnu::target("avx2")]] inline __m128i fetch8(const uint16_t* texels, __m256i address) {
    const __m128i low = _mm256_castsi256_si128(address), high = _mm256_extracti128_si256(address, 1);
    const uint64_t pairs[4] = {static_cast<uint64_t>(_mm_cvtsi128_si64(low)),
                               static_cast<uint64_t>(_mm_extract_epi64(low, 1)),
                               static_cast<uint64_t>(_mm_cvtsi128_si64(high)),
                               static_cast<uint64_t>(_mm_extract_epi64(high, 1))};
    __m128i out = _mm_cvtsi32_si128(texels[static_cast<uint32_t>(pairs[0])]);
    out = _mm_insert_epi16(out, texels[pairs[0] >> 32], 1);
    out = _mm_insert_epi16(out, texels[static_cast<uint32_t>(pairs[1])], 2);
    out = _mm_insert_epi16(out, texels[pairs[1] >> 32], 3);
    out = _mm_insert_epi16(out, texels[static_cast<uint32_t>(pairs[2])], 4);
    out = _mm_insert_epi16(out, texels[pairs[2] >> 32], 5);
    out = _mm_insert_epi16(out, texels[static_cast<uint32_t>(pairs[3])], 6);
    return _mm_insert_epi16(out, texels[pairs[3] >> 32], 7);
}

// lit() in 32-bit lanes: min(emissive + (base x shade) >> 16, 255), exact
// while base x shade stays below 2^32 (shade under 2^24).
[[gnu::target("avx2")]] inline __m256i litChannel8(__m256i base, __m256i shade, uint32_t emissive) {
    const __m256i product = _mm256_srli_epi32(_mm256_mullo_epi32(base, shade), kFractionBits);
    return _mm256_min_epu32(_mm256_add_epi32(product, _mm256_set1_epi32(static_cast<int32_t>(emissive))),
                            _mm256_set1_epi32(static_cast<int32_t>(kChannelMax)));
}

template <bool kShaded>
struct WideTexturedBlock {
    DepthShade* st;
    const SpanColours* colours;
    const Texels* texels;

    [[gnu::target("avx2")]] void operator()(uint16_t* pixels, uint32_t* depths, int32_t count, int32_t u, int32_t du,
                                            int32_t v, int32_t dv) const {
        constexpr SurfaceMode kMode{true, kShaded, Paint::Opaque};
        const uint32_t z = st->z, dz = st->dz;
        if (!blockHidden(depths, z, dz, count)) {
            int32_t lanes = count - count % kLanes;
            if (kShaded && !blockShadeInRange(*st, count)) lanes = 0;
            __m256i zLanes = ramp8(z, dz), uLanes = ramp8(static_cast<uint32_t>(u), static_cast<uint32_t>(du)),
                    vLanes = ramp8(static_cast<uint32_t>(v), static_cast<uint32_t>(dv)),
                    sLanes = ramp8(static_cast<uint32_t>(st->shade), static_cast<uint32_t>(st->dShade));
            const __m256i zStep = _mm256_set1_epi32(static_cast<int32_t>(8 * dz));
            const __m256i uStep = _mm256_set1_epi32(static_cast<int32_t>(8 * static_cast<uint32_t>(du)));
            const __m256i vStep = _mm256_set1_epi32(static_cast<int32_t>(8 * static_cast<uint32_t>(dv)));
            const __m256i sStep = _mm256_set1_epi32(static_cast<int32_t>(8 * static_cast<uint32_t>(st->dShade)));
            const __m256i columnMask = _mm256_set1_epi32(texels->columnMask);
            const __m256i rowMask = _mm256_set1_epi32(texels->rowMask);
            const __m128i rowShift = _mm_cvtsi32_si128(texels->rowShift);
            for (int32_t i = 0; i < lanes; i += kLanes) {
                const __m256i address =
                    _mm256_or_si256(_mm256_and_si256(_mm256_srai_epi32(uLanes, kFractionBits), columnMask),
                                    _mm256_srl_epi32(_mm256_and_si256(vLanes, rowMask), rowShift));
                const __m256i texel = _mm256_cvtepu16_epi32(fetch8(texels->pixels, address));
                __m256i colour = texel;
                if constexpr (kShaded) {
                    colour = pack565x8(
                        litChannel8(_mm256_and_si256(_mm256_srli_epi32(texel, 8), _mm256_set1_epi32(0xF8)), sLanes,
                                    colours->emissiveR),
                        litChannel8(_mm256_and_si256(_mm256_srli_epi32(texel, 3), _mm256_set1_epi32(0xFC)), sLanes,
                                    colours->emissiveG),
                        litChannel8(_mm256_and_si256(_mm256_slli_epi32(texel, 3), _mm256_set1_epi32(0xF8)), sLanes,
                                    colours->emissiveB));
                    sLanes = _mm256_add_epi32(sLanes, sStep);
                }
                opaqueSelect8(pixels + i, depths + i, zLanes, colour);
                zLanes = _mm256_add_epi32(zLanes, zStep);
                uLanes = _mm256_add_epi32(uLanes, uStep);
                vLanes = _mm256_add_epi32(vLanes, vStep);
            }
            for (int32_t i = lanes; i < count; ++i) {
                const int32_t ui = u + i * du;
                const int32_t vi = v + i * dv;
                const uint16_t texel = texels->pixels[((ui >> kFractionBits) & texels->columnMask) |
                                                      ((vi & texels->rowMask) >> texels->rowShift)];
                const uint16_t old = pixels[i];
                const uint16_t colour = pixelColour<kMode>(*colours, old, texel, st->shade + i * st->dShade);
                depthTest<kMode>(pixels[i], depths[i], z + static_cast<uint32_t>(i) * dz, colour, old);
            }
        }
        if constexpr (kShaded) st->shade += count * st->dShade;
    }
};

template <bool kShaded>
[[gnu::target("avx2"), gnu::noinline, gnu::flatten]] void wideTexturedSpan(const Rasterizer& r, const Edge& left,
                                                                          const Edge& right, SpanExtent span,
                                                                          DepthShade& st, const SpanColours& c,
                                                                          const Texels& t) {
    forEachTexturedBlock(r, left, right, span, st, WideTexturedBlock<kShaded>{&st, &c, &t});
}

#endif

template <SurfaceMode M>
[[gnu::noinline, gnu::flatten]] void fillTextured(const Rasterizer& r, const Edge& left, const Edge& right,
                                                  SpanExtent span) {
    const SpanColours palette = spanColours<isBlended(M)>(r);
    const Bitmap& texture = *r.textureBitmap;
    const Texels texels{texture.pixels, texture.width - 1, r.texMask, r.texRowShift};
    DepthShade st{};
    if constexpr (M.shaded) startShade(r, left, span.count, st);
#if ORVELLA_RASTER_AVX2
    if constexpr (!isBlended(M)) {
        if (wideLanes) {
            wideTexturedSpan<M.shaded>(r, left, right, span, st, palette, texels);
            return;
        }
    }
#endif
    forEachTexturedBlock(r, left, right, span, st,
                         [&](uint16_t* pixels, uint32_t* depths, int32_t count, int32_t u, int32_t du, int32_t v,
                             int32_t dv) {
                             texturedBlock<M>(pixels, depths, count, st, u, du, v, dv, texels, palette);
                             if constexpr (M.shaded) st.shade += count * st.dShade;
                         });
}

// Fills the span between the edges in the painting mode M.
template <SurfaceMode M>
inline void fillSpanWith(const Rasterizer& r, const Edge& left, const Edge& right) {
    static_assert(M.paint != Paint::Nothing);
    const SpanExtent span = spanExtent(r, left, right);
    if (span.count < 1) return;
    if constexpr (M.textured) fillTextured<M>(r, left, right, span);
    else if (span.count < kLanes) untexturedSpan<M, false>(r, left, right, span);
    else fillUntextured<M>(r, left, right, span);
}

// The span filler as the walkers call it, once per covered scanline.
template <SurfaceMode M>
struct SpanFill {
    const Rasterizer& r;
    void operator()(const Edge& left, const Edge& right) const { fillSpanWith<M>(r, left, right); }
};

// The walkers of scanFan, each with the span filler inlined into its
// scanline loop (the long-span fillers stay calls). Out of line, so that the
// fan loop stays small.
template <SurfaceMode M>
struct FilledWalks {
    [[gnu::noinline, gnu::flatten]] static void polygon(Rasterizer& r, const SnappedVertex* p, int count) {
        walkPolygon<M>(r, p, count, SpanFill<M>{r});
    }
    [[gnu::noinline, gnu::flatten]] static void narrow(Rasterizer& r, const SnappedVertex* t, int32_t firstRow,
                                                       int32_t endRow, int32_t c0, int32_t c1) {
        walkNarrowTriangle<M>(r, t, firstRow, endRow, c0, c1, SpanFill<M>{r});
    }
    [[gnu::noinline, gnu::flatten]] static void scanline(Rasterizer& r, const SnappedVertex* t, int32_t row,
                                                         int32_t c0, int32_t c1) {
        walkNarrowScanline<M>(r, t, row, c0, c1, SpanFill<M>{r});
    }
};

template <SurfaceMode M>
[[gnu::flatten]] void drawPolygon(Rasterizer& r, RasterVertex* const* polygon, int count) {
    scanFan<M, FilledWalks<M>>(r, polygon, count);
}

// The stages of mode M, each with M's span filler inlined.
template <SurfaceMode M>
constexpr SurfaceFiller fillerOf() {
    constexpr bool kPaints = M.paint != Paint::Nothing;
    return {
        M,
        drawPolygon<M>,
        [](Rasterizer& r, const SnappedVertex& v0, const SnappedVertex& v1, const SnappedVertex& v2) {
            setupSnappedGradients<M>(r, v0, v1, v2);
        },
        [](Rasterizer& r, Edge& edge, const SnappedVertex& top, const SnappedVertex& bottom, bool leftEdge) {
            if (leftEdge) startEdge<M, true>(r, edge, top, bottom);
            else startEdge<M, false>(r, edge, top, bottom);
        },
        [](Edge& edge) { stepEdge<M>(edge); },
        [](Rasterizer& r, const SnappedVertex* polygon, int count) {
            if constexpr (kPaints) FilledWalks<M>::polygon(r, polygon, count);
        },
        [](Rasterizer& r, const Edge& left, const Edge& right) {
            if constexpr (kPaints) fillSpanWith<M>(r, left, right);
        },
    };
}

template <int... I>
constexpr std::array<SurfaceFiller, kSurfaceModes> fillerTable(std::integer_sequence<int, I...>) {
    return {fillerOf<modeAt(I)>()...};
}

constexpr std::array<SurfaceFiller, kSurfaceModes> kFillers =
    fillerTable(std::make_integer_sequence<int, kSurfaceModes>{});

constexpr bool tableInModeOrder() {
    for (int i = 0; i < kSurfaceModes; ++i) {
        if (modeIndex(modeAt(i)) != i || modeIndex(kFillers[static_cast<size_t>(i)].mode) != i) return false;
    }
    return true;
}
static_assert(tableInModeOrder());

}  // namespace

SurfaceMode surfaceMode(const Rasterizer& r, bool textured) {
    SurfaceMode mode{textured, r.shadeMode != 0, Paint::Opaque};
    if (r.colourMode && !textured) {
        mode.coloured = true;
        mode.shaded = false;
    }
    if (!r.opaqueMode) mode.paint = r.weightTable && r.newWeightRow != 0 ? Paint::Transparent : Paint::Nothing;
    if (textured && !(r.textureBitmap && r.textureBitmap->pixels)) mode.paint = Paint::Nothing;
    return mode;
}

bool wideLanesOffered() {
#if ORVELLA_RASTER_AVX2
    return kAvx2Offered;
#else
    return false;
#endif
}

bool useWideLanes([[maybe_unused]] bool on) {
#if ORVELLA_RASTER_AVX2
    wideLanes = on && kAvx2Offered;
    return wideLanes;
#else
    return false;
#endif
}

const SurfaceFiller& fillerFor(SurfaceMode mode) {
    if (mode.coloured) return colouredFillerFor(mode);
    return kFillers[static_cast<size_t>(modeIndex(mode))];
}

}  // namespace raster

void Rasterizer::fillSpan() {
    raster::fillerFor(raster::surfaceMode(*this, false)).fillSpan(*this, leftEdge, rightEdge);
}

void Rasterizer::fillSpanTextured() {
    raster::fillerFor(raster::surfaceMode(*this, true)).fillSpan(*this, leftEdge, rightEdge);
}
