// The span fillers: one scanline of one triangle, from the left edge's column
// up to, not including, the right edge's (the edge walker's top-left rule
// decides which pixel centres belong to the triangle; here every pixel of the
// span is a candidate).
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
// Cases. Each filler has four surface cases: unshaded or shaded, opaque or
// transparent. The case is chosen once per span and each case is its own
// instantiation of the block code, so the pixel loops carry no mode tests, no
// division and no call. A block is filled in two phases: the new colour of
// each pixel, then the depth test, which keeps or replaces each pixel (drawn
// only when nearer, compared unsigned); opaque pixels then store their depth,
// transparent ones never do, so surfaces drawn later behind them still show.
// Both phases are branch-free loops; on x86-64 the depth test, the shading
// and the blending run eight pixels at a time with SSE2, with exactly the
// values of the scalar loops that finish each block. Spans under eight
// pixels, the usual ones of small triangles, take one pass in which each
// pixel gets its colour and its depth test together.
//
// Colour. Channels are 8-bit. A shaded channel is emissive + (diffuse or
// texel) x shade, clamped to 255. A transparent pixel adds the old channel
// scaled by t / 255 and the new one scaled by (255 - t) / 255, both read from
// the weight table (or, eight at a time, computed to the same values as
// channel_math.h shows), clamped to 255. Packing keeps the top 5, 6 and 5
// bits.
//
// At the end of the file the edge walkers of edge_walk.h are instantiated
// with each filler inlined into their scanline loops.
#include <algorithm>
#include <climits>

#include "raster/channel_math.h"
#include "raster/edge_walk.h"
#include "raster/fixed_point.h"
#include "raster/rasterizer.h"
#include "raster/scan_convert.h"

namespace {

using raster::kBlockPixels;
using raster::kBlockPixelsF;
using raster::kBlockShift;
using raster::kChannelMax;
using raster::kFractionBits;
using raster::kFractionOne;
using raster::kTexCoordMask;
using raster::blueOf;
using raster::greenOf;
using raster::pack;
using raster::redOf;

enum class SpanCase { Flat, FlatBlend, Shaded, ShadedBlend };

constexpr bool isShaded(SpanCase c) { return c == SpanCase::Shaded || c == SpanCase::ShadedBlend; }
constexpr bool isBlended(SpanCase c) { return c == SpanCase::FlatBlend || c == SpanCase::ShadedBlend; }

// 16.16 shade is held to 0 .. 2^24 - 1 (just under 256.0): there every diffuse
// or texel byte of 1 or more already saturates its channel, so larger values
// change nothing, and every product with a byte fits 32 bits. Negative shade
// (rounding at a zero corner) is black, not a wrapped colour.
constexpr int32_t kShadeCeiling = (1 << 24) - 1;

constexpr int32_t kLanes = 8;  // pixels per SSE2 step

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

// The new colours of one block, made for every pixel whether or not it will
// pass the depth test (making them has no side effects).
using BlockColours = uint16_t[kBlockPixels];

// New colours of pixels from .. count - 1 from per-pixel base channels
// (diffuse or texel) for the shaded and the blended cases, one pixel at a
// time through the weight table. Shade i is shade + i x dShade, clamped.
template <SpanCase C, class Base>
inline void blockColours(uint16_t* out, const uint16_t* old, int32_t from, int32_t count, int32_t shade,
                         int32_t dShade, const SpanColours& c, Base base) {
    for (int32_t i = from; i < count; ++i) {
        uint32_t r, g, b;
        base(i, r, g, b);
        if constexpr (isShaded(C)) {
            const uint32_t s = shadeFactor(shade + i * dShade);
            r = lit(c.emissiveR, r, s);
            g = lit(c.emissiveG, g, s);
            b = lit(c.emissiveB, b, s);
        }
        if constexpr (isBlended(C)) {
            out[i] = blendOver(old[i], static_cast<uint32_t>(c.newWeights[r]), static_cast<uint32_t>(c.newWeights[g]),
                               static_cast<uint32_t>(c.newWeights[b]), c.oldWeights);
        } else {
            out[i] = pack(r, g, b);
        }
    }
}

// Depth test of a block: pixel i has depth z + i x dz (modulo 2^32, as when
// stepped) and takes colours[i] when nearer than the stored depth (unsigned).
// Opaque pixels store their depth; transparent ones never do. On x86-64 eight
// pixels are tested at once with SSE2; the scalar loop is the same test and
// finishes the block.
template <bool kWriteDepth>
inline void depthSelect(uint16_t* pixels, uint32_t* depths, int32_t count, uint32_t z, uint32_t dz,
                        const uint16_t* colours) {
    int32_t i = 0;
#if defined(__SSE2__)
    if (count >= kLanes) {
        // SSE2 compares signed: flipping the top bit of both sides orders them as unsigned.
        const __m128i signBit = _mm_set1_epi32(INT32_MIN);
        const __m128i laneSteps = _mm_setr_epi32(0, static_cast<int32_t>(dz), static_cast<int32_t>(2 * dz),
                                                 static_cast<int32_t>(3 * dz));
        const __m128i fourSteps = _mm_set1_epi32(static_cast<int32_t>(4 * dz));
        for (; i + kLanes <= count; i += kLanes) {
            const __m128i z0 = _mm_add_epi32(
                _mm_set1_epi32(static_cast<int32_t>(z + static_cast<uint32_t>(i) * dz)), laneSteps);
            const __m128i z1 = _mm_add_epi32(z0, fourSteps);
            __m128i* depthLanes = reinterpret_cast<__m128i*>(depths + i);
            const __m128i stored0 = _mm_loadu_si128(depthLanes);
            const __m128i stored1 = _mm_loadu_si128(depthLanes + 1);
            const __m128i nearer0 = _mm_cmpgt_epi32(_mm_xor_si128(stored0, signBit), _mm_xor_si128(z0, signBit));
            const __m128i nearer1 = _mm_cmpgt_epi32(_mm_xor_si128(stored1, signBit), _mm_xor_si128(z1, signBit));
            if constexpr (kWriteDepth) {
                _mm_storeu_si128(depthLanes,
                                 _mm_or_si128(_mm_and_si128(nearer0, z0), _mm_andnot_si128(nearer0, stored0)));
                _mm_storeu_si128(depthLanes + 1,
                                 _mm_or_si128(_mm_and_si128(nearer1, z1), _mm_andnot_si128(nearer1, stored1)));
            }
            // The all-ones or all-zero masks narrow to 16 bits unchanged.
            const __m128i take = _mm_packs_epi32(nearer0, nearer1);
            __m128i* pixelLanes = reinterpret_cast<__m128i*>(pixels + i);
            const __m128i old = _mm_loadu_si128(pixelLanes);
            const __m128i fresh = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colours + i));
            _mm_storeu_si128(pixelLanes, _mm_or_si128(_mm_and_si128(take, fresh), _mm_andnot_si128(take, old)));
        }
    }
#endif
    for (; i < count; ++i) {
        const uint32_t zi = z + static_cast<uint32_t>(i) * dz;
        const uint32_t stored = depths[i];
        const bool nearer = zi < stored;
        if constexpr (kWriteDepth) depths[i] = nearer ? zi : stored;
        pixels[i] = nearer ? colours[i] : pixels[i];
    }
}

// Linear state of a block: depth (16.16, stepped modulo 2^32) and shade.
struct DepthShade {
    uint32_t z;
    uint32_t dz;
    int32_t shade;
    int32_t dShade;
};

inline bool shadeInRange(int32_t shade) { return shade >= 0 && shade <= kShadeCeiling; }

// True when every shade of a block of count pixels lies in 0 .. kShadeCeiling
// (it is linear, so the ends decide): then no pixel needs the clamp.
inline bool blockShadeInRange(const DepthShade& st, int32_t count) {
    return shadeInRange(st.shade) && shadeInRange(st.shade + (count - 1) * st.dShade);
}

#if defined(__SSE2__)

// The SSE2 blend needs whole weight-table rows.
inline bool wholeWeights(const SpanColours& c) { return c.oldWeight >= 0; }

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
    raster::Channels8 next() { return {red_.next(), green_.next(), blue_.next()}; }

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

// Fresh channels scaled by the new weight and blended over the old pixels.
inline __m128i blendFresh8(const uint16_t* old, const raster::Channels8& fresh, __m128i newWeight,
                           __m128i oldWeight) {
    return raster::blendOver8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(old)),
                              raster::scaleChannels8(fresh, newWeight), oldWeight);
}

inline void store8(uint16_t* out, __m128i pixels) { _mm_storeu_si128(reinterpret_cast<__m128i*>(out), pixels); }

#endif

// Untextured colours of one block; returns how many pixels (from the first)
// it made, the rest is left to the table path.
template <SpanCase C>
inline int32_t untexturedColours8([[maybe_unused]] uint16_t* out, [[maybe_unused]] const uint16_t* old,
                                  [[maybe_unused]] int32_t count, [[maybe_unused]] const DepthShade& st,
                                  [[maybe_unused]] const SpanColours& c) {
    int32_t i = 0;
#if defined(__SSE2__)
    if (count < kLanes) return 0;
    if constexpr (C == SpanCase::Shaded) {
        LinearShade8 shade(c, st.shade, st.dShade);
        for (; i + kLanes <= count; i += kLanes) store8(out + i, raster::pack8(shade.next()));
    } else if constexpr (C == SpanCase::ShadedBlend) {
        if (!wholeWeights(c)) return 0;
        const __m128i newWeight = _mm_set1_epi16(static_cast<int16_t>(c.newWeight));
        const __m128i oldWeight = _mm_set1_epi16(static_cast<int16_t>(c.oldWeight));
        LinearShade8 shade(c, st.shade, st.dShade);
        for (; i + kLanes <= count; i += kLanes)
            store8(out + i, blendFresh8(old + i, shade.next(), newWeight, oldWeight));
    } else if constexpr (C == SpanCase::FlatBlend) {
        if (!wholeWeights(c)) return 0;
        const __m128i oldWeight = _mm_set1_epi16(static_cast<int16_t>(c.oldWeight));
        const raster::Channels8 fresh{_mm_set1_epi16(static_cast<int16_t>(c.flatBlendR)),
                                     _mm_set1_epi16(static_cast<int16_t>(c.flatBlendG)),
                                     _mm_set1_epi16(static_cast<int16_t>(c.flatBlendB))};
        for (; i + kLanes <= count; i += kLanes)
            store8(out + i, raster::blendOver8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(old + i)), fresh,
                                               oldWeight));
    }
#endif
    return i;
}

template <SpanCase C>
inline void untexturedPixels(uint16_t* pixels, uint32_t* depths, int32_t count, DepthShade& st,
                             const SpanColours& c, BlockColours& colours) {
    auto diffuse = [&c](int32_t, uint32_t& r, uint32_t& g, uint32_t& b) {
        r = c.diffuseR;
        g = c.diffuseG;
        b = c.diffuseB;
    };
    if constexpr (C == SpanCase::FlatBlend) {
        const int32_t done = untexturedColours8<C>(colours, pixels, count, st, c);
        for (int32_t i = done; i < count; ++i)
            colours[i] = blendOver(pixels[i], c.flatBlendR, c.flatBlendG, c.flatBlendB, c.oldWeights);
    } else if constexpr (isShaded(C)) {
        const int32_t done = blockShadeInRange(st, count) ? untexturedColours8<C>(colours, pixels, count, st, c) : 0;
        blockColours<C>(colours, pixels, done, count, st.shade, st.dShade, c, diffuse);
    }
    // Flat colours were laid out once for the whole span.
    depthSelect<!isBlended(C)>(pixels, depths, count, st.z, st.dz, colours);
    if constexpr (isShaded(C)) st.shade += count * st.dShade;
}

struct Texels {
    const uint16_t* pixels;
    int32_t columnMask;  // size - 1
    int32_t rowMask;     // (size - 1) << 16
    int32_t rowShift;    // 16 - log2(size)
};

// Textured colours of one block from its texels; returns how many pixels
// (from the first) it made, the rest is left to the table path.
template <SpanCase C>
inline int32_t texturedColours8([[maybe_unused]] uint16_t* out, [[maybe_unused]] const uint16_t* old,
                                [[maybe_unused]] const uint16_t* texels, [[maybe_unused]] int32_t count,
                                [[maybe_unused]] const DepthShade& st, [[maybe_unused]] const SpanColours& c) {
    int32_t i = 0;
#if defined(__SSE2__)
    if (count < kLanes) return 0;
    if constexpr (isBlended(C)) {
        if (!wholeWeights(c)) return 0;
    }
    const __m128i newWeight = _mm_set1_epi16(static_cast<int16_t>(c.newWeight));
    const __m128i oldWeight = _mm_set1_epi16(static_cast<int16_t>(c.oldWeight));
    const __m128i emissiveR = _mm_set1_epi16(static_cast<int16_t>(c.emissiveR));
    const __m128i emissiveG = _mm_set1_epi16(static_cast<int16_t>(c.emissiveG));
    const __m128i emissiveB = _mm_set1_epi16(static_cast<int16_t>(c.emissiveB));
    ShadeHalves8 shade(st.shade, st.dShade);
    for (; i + kLanes <= count; i += kLanes) {
        raster::Channels8 fresh = raster::unpack8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(texels + i)));
        if constexpr (isShaded(C)) {
            __m128i whole, fraction;
            shade.next(whole, fraction);
            fresh = {raster::lit8(fresh.r, whole, fraction, emissiveR),
                     raster::lit8(fresh.g, whole, fraction, emissiveG),
                     raster::lit8(fresh.b, whole, fraction, emissiveB)};
        }
        if constexpr (isBlended(C)) store8(out + i, blendFresh8(old + i, fresh, newWeight, oldWeight));
        else store8(out + i, raster::pack8(fresh));
    }
#endif
    return i;
}

template <SpanCase C>
inline void texturedPixels(uint16_t* pixels, uint32_t* depths, int32_t count, DepthShade& st, int32_t u,
                           int32_t du, int32_t v, int32_t dv, const Texels& t, const SpanColours& c) {
    BlockColours texels;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t ui = u + i * du;
        const int32_t vi = v + i * dv;
        texels[i] = t.pixels[((ui >> kFractionBits) & t.columnMask) | ((vi & t.rowMask) >> t.rowShift)];
    }
    if constexpr (C == SpanCase::Flat) {
        depthSelect<true>(pixels, depths, count, st.z, st.dz, texels);
    } else {
        BlockColours colours;
        int32_t done = 0;
        if (!isShaded(C) || blockShadeInRange(st, count))
            done = texturedColours8<C>(colours, pixels, texels, count, st, c);
        blockColours<C>(colours, pixels, done, count, st.shade, st.dShade, c,
                        [&texels](int32_t i, uint32_t& r, uint32_t& g, uint32_t& b) {
                            r = redOf(texels[i]);
                            g = greenOf(texels[i]);
                            b = blueOf(texels[i]);
                        });
        depthSelect<!isBlended(C)>(pixels, depths, count, st.z, st.dz, colours);
    }
    if constexpr (isShaded(C)) st.shade += count * st.dShade;
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
    const int64_t shade = raster::truncSaturated(left.shade * kFractionOne);
    const int64_t step = raster::truncSaturated(r.gradients.dShadeDx * kFractionOne);
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

// Cuts the untextured span into its blocks and calls block(pixels, depths,
// count) for each, with st.z and st.dz set to the block's depth and step.
template <class Block>
inline void forEachDepthBlock(const Rasterizer& r, const Edge& left, const Edge& right, SpanExtent span,
                              DepthShade& st, Block block) {
    const Gradients& g = r.gradients;
    uint16_t* pixels = r.targetPixels + span.first;
    uint32_t* depths = r.depth + span.first;
    float persp = left.persp;
    float zStart = (1.0f / persp) * kFractionOne;
    int32_t remaining = span.count;
    if (remaining > kBlockPixels) {
        float zEnd = kFractionOne / (persp + g.dPerspDx16);
        while (remaining > kBlockPixels) {
            // The next block's division starts now and overlaps this block's
            // pixels; its value is the one the next pass would compute.
            persp += g.dPerspDx16;
            const float zNextEnd = kFractionOne / (persp + g.dPerspDx16);
            st.z = raster::truncDepth(zStart);
            st.dz = static_cast<uint32_t>(raster::truncSaturated((zEnd - zStart) / kBlockPixelsF));
            block(pixels, depths, kBlockPixels);
            pixels += kBlockPixels;
            depths += kBlockPixels;
            remaining -= kBlockPixels;
            zStart = zEnd;
            zEnd = zNextEnd;
        }
    }
    st.z = raster::truncDepth(zStart);
    // A last block of one pixel uses only its start depth.
    st.dz = 0;
    if (remaining > 1) {
        const float zEnd = kFractionOne / (right.persp - g.dPerspDx);
        st.dz = static_cast<uint32_t>(raster::truncSaturated((zEnd - zStart) / static_cast<float>(remaining)));
    }
    block(pixels, depths, remaining);
}

template <SpanCase C>
void fillUntextured(Rasterizer& r, const Edge& left, const Edge& right, SpanExtent span) {
    const SpanColours palette = spanColours<isBlended(C)>(r);
    DepthShade st{};
    if constexpr (isShaded(C)) startShade(r, left, span.count, st);
    BlockColours colours;
    if constexpr (C == SpanCase::Flat) std::fill(colours, colours + kBlockPixels, palette.emissivePixel);
#if defined(__SSE2__)
    // A span whose shade stays in range end to end steps its shaded channels
    // through all its blocks, set up once.
    if constexpr (isShaded(C)) {
        if (span.count >= kLanes && blockShadeInRange(st, span.count) &&
            (C == SpanCase::Shaded || wholeWeights(palette))) {
            LinearShade8 shade(palette, st.shade, st.dShade);
            const __m128i newWeight = _mm_set1_epi16(static_cast<int16_t>(palette.newWeight));
            const __m128i oldWeight = _mm_set1_epi16(static_cast<int16_t>(palette.oldWeight));
            auto diffuse = [&palette](int32_t, uint32_t& red, uint32_t& green, uint32_t& blue) {
                red = palette.diffuseR;
                green = palette.diffuseG;
                blue = palette.diffuseB;
            };
            forEachDepthBlock(r, left, right, span, st, [&](uint16_t* pixels, uint32_t* depths, int32_t count) {
                int32_t i = 0;
                for (; i + kLanes <= count; i += kLanes) {
                    if constexpr (C == SpanCase::Shaded) store8(colours + i, raster::pack8(shade.next()));
                    else store8(colours + i, blendFresh8(pixels + i, shade.next(), newWeight, oldWeight));
                }
                blockColours<C>(colours, pixels, i, count, st.shade, st.dShade, palette, diffuse);
                depthSelect<!isBlended(C)>(pixels, depths, count, st.z, st.dz, colours);
                st.shade += count * st.dShade;
            });
            return;
        }
    }
#endif
    forEachDepthBlock(r, left, right, span, st, [&](uint16_t* pixels, uint32_t* depths, int32_t count) {
        untexturedPixels<C>(pixels, depths, count, st, palette, colours);
    });
}

// Spans shorter than one SSE2 step, the usual ones of small triangles: one
// pass, each pixel's colour and depth test together, with the arithmetic of
// the block path (a single last block, the table path for every colour).
template <SpanCase C>
inline void fillShortUntextured(Rasterizer& r, const Edge& left, const Edge& right, SpanExtent span) {
    const Gradients& g = r.gradients;
    const SpanColours c = spanColours<isBlended(C)>(r);
    uint16_t* pixels = r.targetPixels + span.first;
    uint32_t* depths = r.depth + span.first;
    const int32_t count = span.count;
    DepthShade st{};
    if constexpr (isShaded(C)) startShade(r, left, count, st);
    const float zStart = (1.0f / left.persp) * kFractionOne;
    st.z = raster::truncDepth(zStart);
    if (count > 1) {
        const float zEnd = kFractionOne / (right.persp - g.dPerspDx);
        st.dz = static_cast<uint32_t>(raster::truncSaturated((zEnd - zStart) / static_cast<float>(count)));
    }
    for (int32_t i = 0; i < count; ++i) {
        const uint16_t old = pixels[i];
        uint16_t colour;
        if constexpr (C == SpanCase::Flat) {
            colour = c.emissivePixel;
        } else if constexpr (C == SpanCase::FlatBlend) {
            colour = blendOver(old, c.flatBlendR, c.flatBlendG, c.flatBlendB, c.oldWeights);
        } else {
            const uint32_t s = shadeFactor(st.shade + i * st.dShade);
            const uint32_t red = lit(c.emissiveR, c.diffuseR, s);
            const uint32_t green = lit(c.emissiveG, c.diffuseG, s);
            const uint32_t blue = lit(c.emissiveB, c.diffuseB, s);
            if constexpr (C == SpanCase::ShadedBlend) {
                colour = blendOver(old, static_cast<uint32_t>(c.newWeights[red]),
                                   static_cast<uint32_t>(c.newWeights[green]),
                                   static_cast<uint32_t>(c.newWeights[blue]), c.oldWeights);
            } else {
                colour = pack(red, green, blue);
            }
        }
        const uint32_t zi = st.z + static_cast<uint32_t>(i) * st.dz;
        const uint32_t stored = depths[i];
        const bool nearer = zi < stored;
        if constexpr (!isBlended(C)) depths[i] = nearer ? zi : stored;
        pixels[i] = nearer ? colour : old;
    }
}

template <SpanCase C>
void fillTextured(Rasterizer& r, const Edge& left, const Edge& right, SpanExtent span) {
    const Gradients& g = r.gradients;
    const SpanColours palette = spanColours<isBlended(C)>(r);
    const Bitmap& texture = *r.textureBitmap;
    const Texels texels{texture.pixels, texture.width - 1, r.texMask, r.texRowShift};
    uint16_t* pixels = r.targetPixels + span.first;
    uint32_t* depths = r.depth + span.first;
    DepthShade st{};
    if constexpr (isShaded(C)) startShade(r, left, span.count, st);

    float persp = left.persp;
    float uPersp = left.uPersp;
    float vPersp = left.vPersp;
    float zStart = kFractionOne / persp;
    int32_t u = (raster::truncTexCoord(uPersp * kFractionOne / persp) + g.uRound) & kTexCoordMask;
    int32_t v = (raster::truncTexCoord(vPersp * kFractionOne / persp) + g.vRound) & kTexCoordMask;
    // Exact values at the end of a full block, where the next one starts.
    struct Boundary {
        float z;
        int32_t u, v;
    };
    auto boundary = [&g](float p, float up, float vp) {
        return Boundary{kFractionOne / p, (raster::truncTexCoord(up * kFractionOne / p) + g.uRound) & kTexCoordMask,
                        (raster::truncTexCoord(vp * kFractionOne / p) + g.vRound) & kTexCoordMask};
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
            st.z = raster::truncDepth(zStart);
            st.dz = static_cast<uint32_t>(raster::truncSaturated(end.z - zStart) >> kBlockShift);
            texturedPixels<C>(pixels, depths, kBlockPixels, st, u, (end.u - u) >> kBlockShift, v,
                              (end.v - v) >> kBlockShift, texels, palette);
            pixels += kBlockPixels;
            depths += kBlockPixels;
            remaining -= kBlockPixels;
            zStart = end.z;
            u = end.u;
            v = end.v;
            end = next;
        }
    }
    st.z = raster::truncDepth(zStart);
    // A last block of one pixel uses only its start values.
    st.dz = 0;
    int32_t du = 0, dv = 0;
    if (remaining > 1) {
        const float perspEnd = right.persp - g.dPerspDx;
        const float uPerspEnd = right.uPersp - g.dUPerspDx;
        const float vPerspEnd = right.vPersp - g.dVPerspDx;
        const float zEnd = kFractionOne / perspEnd;
        // Here the rounding term joins before the truncation.
        const int32_t uEnd =
            raster::truncTexCoord(uPerspEnd * kFractionOne / perspEnd + static_cast<float>(g.uRound));
        const int32_t vEnd =
            raster::truncTexCoord(vPerspEnd * kFractionOne / perspEnd + static_cast<float>(g.vRound));
        const float reciprocal = r.reciprocals[remaining];
        st.dz = static_cast<uint32_t>(raster::truncSaturated((zEnd - zStart) * reciprocal));
        du = raster::truncSaturated(static_cast<float>(uEnd - u) * reciprocal);
        dv = raster::truncSaturated(static_cast<float>(vEnd - v) * reciprocal);
    }
    texturedPixels<C>(pixels, depths, remaining, st, u, du, v, dv, texels, palette);
}

// Which of the four cases the current surface needs, or none: a transparent
// surface without its weight table (allocation failed) is skipped, and so is
// one of transparency 1, whose spans would leave every pixel as it was.
bool spanCase(const Rasterizer& r, SpanCase& out) {
    if (r.opaqueMode) {
        out = r.shadeMode ? SpanCase::Shaded : SpanCase::Flat;
        return true;
    }
    if (!r.weightTable || r.newWeightRow == 0) return false;
    out = r.shadeMode ? SpanCase::ShadedBlend : SpanCase::FlatBlend;
    return true;
}

}  // namespace

namespace raster {

SpanFiller chooseSpanFiller(const Rasterizer& r) {
    SpanCase c;
    if (!spanCase(r, c)) return SpanFiller::None;
    const bool textured = r.textureMode != 0;
    if (textured && (!r.textureBitmap || !r.textureBitmap->pixels)) return SpanFiller::None;
    switch (c) {
        case SpanCase::Flat: return textured ? SpanFiller::TexturedFlat : SpanFiller::Flat;
        case SpanCase::FlatBlend: return textured ? SpanFiller::TexturedFlatBlend : SpanFiller::FlatBlend;
        case SpanCase::Shaded: return textured ? SpanFiller::TexturedShaded : SpanFiller::Shaded;
        case SpanCase::ShadedBlend: return textured ? SpanFiller::TexturedShadedBlend : SpanFiller::ShadedBlend;
    }
    return SpanFiller::None;
}

namespace {

constexpr SpanCase caseOf(SpanFiller f) {
    switch (f) {
        case SpanFiller::FlatBlend:
        case SpanFiller::TexturedFlatBlend: return SpanCase::FlatBlend;
        case SpanFiller::Shaded:
        case SpanFiller::TexturedShaded: return SpanCase::Shaded;
        case SpanFiller::ShadedBlend:
        case SpanFiller::TexturedShadedBlend: return SpanCase::ShadedBlend;
        default: return SpanCase::Flat;
    }
}

}  // namespace

// Fills the span between the current edges with the filler F.
template <SpanFiller F>
inline void fillSpanWith(Rasterizer& r, const Edge& left, const Edge& right) {
    const SpanExtent span = spanExtent(r, left, right);
    if (span.count < 1) return;
    if constexpr (fillerTextured(F)) fillTextured<caseOf(F)>(r, left, right, span);
    else if (span.count < kLanes) fillShortUntextured<caseOf(F)>(r, left, right, span);
    else fillUntextured<caseOf(F)>(r, left, right, span);
}

// The walker with the filler inlined into its scanline loop.
template <SpanFiller F>
void scanSnappedTriangle(Rasterizer& r, const SnappedVertex* polygon, int count) {
    walkPolygon<fillerTextured(F), fillerShaded(F)>(
        r, polygon, count, [&r](const Edge& left, const Edge& right) { fillSpanWith<F>(r, left, right); });
}

template <SpanFiller F>
void scanNarrowTriangle(Rasterizer& r, const SnappedVertex* triangle, int32_t firstRow, int32_t endRow, int32_t c0,
                        int32_t c1) {
    walkNarrowTriangle<fillerTextured(F), fillerShaded(F)>(r, triangle, firstRow, endRow, c0, c1,
                                                           [&r](const Edge& left, const Edge& right) {
                                                               fillSpanWith<F>(r, left, right);
                                                           });
}

template <SpanFiller F>
void scanNarrowScanline(Rasterizer& r, const SnappedVertex* triangle, int32_t row, int32_t c0, int32_t c1) {
    walkNarrowScanline<fillerTextured(F), fillerShaded(F)>(
        r, triangle, row, c0, c1, [&r](const Edge& left, const Edge& right) { fillSpanWith<F>(r, left, right); });
}

template void scanSnappedTriangle<SpanFiller::Flat>(Rasterizer&, const SnappedVertex*, int);
template void scanSnappedTriangle<SpanFiller::FlatBlend>(Rasterizer&, const SnappedVertex*, int);
template void scanSnappedTriangle<SpanFiller::Shaded>(Rasterizer&, const SnappedVertex*, int);
template void scanSnappedTriangle<SpanFiller::ShadedBlend>(Rasterizer&, const SnappedVertex*, int);
template void scanSnappedTriangle<SpanFiller::TexturedFlat>(Rasterizer&, const SnappedVertex*, int);
template void scanSnappedTriangle<SpanFiller::TexturedFlatBlend>(Rasterizer&, const SnappedVertex*, int);
template void scanSnappedTriangle<SpanFiller::TexturedShaded>(Rasterizer&, const SnappedVertex*, int);
template void scanSnappedTriangle<SpanFiller::TexturedShadedBlend>(Rasterizer&, const SnappedVertex*, int);
template void scanNarrowTriangle<SpanFiller::Flat>(Rasterizer&, const SnappedVertex*, int32_t, int32_t,
                                                   int32_t, int32_t);
template void scanNarrowTriangle<SpanFiller::FlatBlend>(Rasterizer&, const SnappedVertex*, int32_t, int32_t,
                                                        int32_t, int32_t);
template void scanNarrowTriangle<SpanFiller::Shaded>(Rasterizer&, const SnappedVertex*, int32_t, int32_t,
                                                     int32_t, int32_t);
template void scanNarrowTriangle<SpanFiller::ShadedBlend>(Rasterizer&, const SnappedVertex*, int32_t, int32_t,
                                                          int32_t, int32_t);
template void scanNarrowTriangle<SpanFiller::TexturedFlat>(Rasterizer&, const SnappedVertex*, int32_t, int32_t,
                                                           int32_t, int32_t);
template void scanNarrowTriangle<SpanFiller::TexturedFlatBlend>(Rasterizer&, const SnappedVertex*, int32_t, int32_t,
                                                                int32_t, int32_t);
template void scanNarrowTriangle<SpanFiller::TexturedShaded>(Rasterizer&, const SnappedVertex*, int32_t, int32_t,
                                                             int32_t, int32_t);
template void scanNarrowTriangle<SpanFiller::TexturedShadedBlend>(Rasterizer&, const SnappedVertex*, int32_t, int32_t,
                                                                  int32_t, int32_t);
template void scanNarrowScanline<SpanFiller::Flat>(Rasterizer&, const SnappedVertex*, int32_t, int32_t, int32_t);
template void scanNarrowScanline<SpanFiller::FlatBlend>(Rasterizer&, const SnappedVertex*, int32_t, int32_t, int32_t);
template void scanNarrowScanline<SpanFiller::Shaded>(Rasterizer&, const SnappedVertex*, int32_t, int32_t, int32_t);
template void scanNarrowScanline<SpanFiller::ShadedBlend>(Rasterizer&, const SnappedVertex*, int32_t, int32_t, int32_t);
template void scanNarrowScanline<SpanFiller::TexturedFlat>(Rasterizer&, const SnappedVertex*,
                                                           int32_t, int32_t, int32_t);
template void scanNarrowScanline<SpanFiller::TexturedFlatBlend>(Rasterizer&, const SnappedVertex*,
                                                                int32_t, int32_t, int32_t);
template void scanNarrowScanline<SpanFiller::TexturedShaded>(Rasterizer&, const SnappedVertex*,
                                                             int32_t, int32_t, int32_t);
template void scanNarrowScanline<SpanFiller::TexturedShadedBlend>(Rasterizer&, const SnappedVertex*,
                                                                  int32_t, int32_t, int32_t);

void walkSnappedPolygon(Rasterizer& r, SpanFiller filler, const SnappedVertex* p, int count) {
    switch (filler) {
        case SpanFiller::None: return;
        case SpanFiller::Flat: return scanSnappedTriangle<SpanFiller::Flat>(r, p, count);
        case SpanFiller::FlatBlend: return scanSnappedTriangle<SpanFiller::FlatBlend>(r, p, count);
        case SpanFiller::Shaded: return scanSnappedTriangle<SpanFiller::Shaded>(r, p, count);
        case SpanFiller::ShadedBlend: return scanSnappedTriangle<SpanFiller::ShadedBlend>(r, p, count);
        case SpanFiller::TexturedFlat: return scanSnappedTriangle<SpanFiller::TexturedFlat>(r, p, count);
        case SpanFiller::TexturedFlatBlend: return scanSnappedTriangle<SpanFiller::TexturedFlatBlend>(r, p, count);
        case SpanFiller::TexturedShaded: return scanSnappedTriangle<SpanFiller::TexturedShaded>(r, p, count);
        case SpanFiller::TexturedShadedBlend:
            return scanSnappedTriangle<SpanFiller::TexturedShadedBlend>(r, p, count);
    }
}

}  // namespace raster

void Rasterizer::fillSpan() {
    SpanCase c;
    if (!spanCase(*this, c)) return;
    const SpanExtent span = spanExtent(*this, leftEdge, rightEdge);
    if (span.count < 1) return;
    switch (c) {
        case SpanCase::Flat: return fillUntextured<SpanCase::Flat>(*this, leftEdge, rightEdge, span);
        case SpanCase::FlatBlend: return fillUntextured<SpanCase::FlatBlend>(*this, leftEdge, rightEdge, span);
        case SpanCase::Shaded: return fillUntextured<SpanCase::Shaded>(*this, leftEdge, rightEdge, span);
        case SpanCase::ShadedBlend: return fillUntextured<SpanCase::ShadedBlend>(*this, leftEdge, rightEdge, span);
    }
}

void Rasterizer::fillSpanTextured() {
    SpanCase c;
    if (!textureBitmap || !textureBitmap->pixels || !spanCase(*this, c)) return;
    const SpanExtent span = spanExtent(*this, leftEdge, rightEdge);
    if (span.count < 1) return;
    switch (c) {
        case SpanCase::Flat: return fillTextured<SpanCase::Flat>(*this, leftEdge, rightEdge, span);
        case SpanCase::FlatBlend: return fillTextured<SpanCase::FlatBlend>(*this, leftEdge, rightEdge, span);
        case SpanCase::Shaded: return fillTextured<SpanCase::Shaded>(*this, leftEdge, rightEdge, span);
        case SpanCase::ShadedBlend: return fillTextured<SpanCase::ShadedBlend>(*this, leftEdge, rightEdge, span);
    }
}
