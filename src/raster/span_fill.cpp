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
// instantiation of the pixel loop, so the loops carry no mode tests, no
// division and no call. Every pixel is first depth-tested (drawn only when
// nearer, compared unsigned); opaque pixels then store their depth,
// transparent ones never do, so surfaces drawn later behind them still show.
//
// Colour. Channels are 8-bit. A shaded channel is emissive + (diffuse or
// texel) x shade, clamped to 255. A transparent pixel adds the old channel
// scaled by t / 255 and the new one scaled by (255 - t) / 255, both read from
// the weight table, clamped to 255. Packing keeps the top 5, 6 and 5 bits.
#include <algorithm>

#include "raster/fixed_point.h"
#include "raster/rasterizer.h"

namespace {

using raster::kBlockPixels;
using raster::kBlockPixelsF;
using raster::kBlockShift;
using raster::kFractionBits;
using raster::kFractionOne;
using raster::kTexCoordMask;

enum class SpanCase { Flat, FlatBlend, Shaded, ShadedBlend };

constexpr bool isShaded(SpanCase c) { return c == SpanCase::Shaded || c == SpanCase::ShadedBlend; }
constexpr bool isBlended(SpanCase c) { return c == SpanCase::FlatBlend || c == SpanCase::ShadedBlend; }

constexpr uint32_t kChannelMax = 255;
// 16.16 shade is held to 0 .. 256.0: at 256 every diffuse or texel byte of 1
// or more already saturates its channel, so larger values change nothing,
// and 255 x 2^24 still fits 32 bits. Negative shade (rounding at a zero
// corner) is black, not a wrapped colour.
constexpr int64_t kShadeCeiling = int64_t{1} << 24;

// RGB565 fields as 8-bit channels (low bits zero).
constexpr int kRedShift = 11;
inline uint32_t redOf(uint32_t pixel) { return (pixel >> kRedShift) << 3; }
inline uint32_t greenOf(uint32_t pixel) { return (pixel >> 3) & 0xFC; }
inline uint32_t blueOf(uint32_t pixel) { return (pixel & 0x1F) << 3; }

inline uint16_t pack(uint32_t r, uint32_t g, uint32_t b) {
    return static_cast<uint16_t>(((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3));
}

// Everything the pixel loops read besides the buffers, copied once per span.
struct SpanColours {
    uint32_t emissiveR, emissiveG, emissiveB;
    uint32_t diffuseR, diffuseG, diffuseB;
    uint16_t emissivePixel;
    const int32_t* oldWeights;  // row t of the weight table
    const int32_t* newWeights;  // row 255 - t
    uint32_t flatBlendR, flatBlendG, flatBlendB;  // emissive scaled by the new weight
};

SpanColours spanColours(const Rasterizer& r) {
    SpanColours c{};
    c.emissiveR = r.emissiveR;
    c.emissiveG = r.emissiveG;
    c.emissiveB = r.emissiveB;
    c.diffuseR = r.diffuseR;
    c.diffuseG = r.diffuseG;
    c.diffuseB = r.diffuseB;
    c.emissivePixel = r.emissivePixel;
    if (r.weightTable) {
        c.oldWeights = r.weightTable + r.oldWeightRow;
        c.newWeights = r.weightTable + r.newWeightRow;
        c.flatBlendR = static_cast<uint32_t>(c.newWeights[c.emissiveR]);
        c.flatBlendG = static_cast<uint32_t>(c.newWeights[c.emissiveG]);
        c.flatBlendB = static_cast<uint32_t>(c.newWeights[c.emissiveB]);
    }
    return c;
}

inline uint32_t shadeFactor(int64_t shade16) {
    return static_cast<uint32_t>(std::clamp<int64_t>(shade16, 0, kShadeCeiling));
}

// emissive + base x shade, clamped.
inline uint32_t lit(uint32_t emissive, uint32_t base, uint32_t shade) {
    return std::min(emissive + ((base * shade) >> kFractionBits), kChannelMax);
}

// The old pixel scaled by its weight plus new channels already scaled by theirs.
inline uint16_t blendOver(uint16_t old, uint32_t newR, uint32_t newG, uint32_t newB, const SpanColours& c) {
    const uint32_t r = std::min(static_cast<uint32_t>(c.oldWeights[redOf(old)]) + newR, kChannelMax);
    const uint32_t g = std::min(static_cast<uint32_t>(c.oldWeights[greenOf(old)]) + newG, kChannelMax);
    const uint32_t b = std::min(static_cast<uint32_t>(c.oldWeights[blueOf(old)]) + newB, kChannelMax);
    return pack(r, g, b);
}

// The colour of one pixel from its base channels (diffuse or texel), shade
// and the old pixel, for one surface case.
template <SpanCase C>
inline uint16_t shadePixel(uint32_t baseR, uint32_t baseG, uint32_t baseB, uint32_t shade, uint16_t old,
                           const SpanColours& c) {
    if constexpr (C == SpanCase::Shaded) {
        return pack(lit(c.emissiveR, baseR, shade), lit(c.emissiveG, baseG, shade), lit(c.emissiveB, baseB, shade));
    } else {
        static_assert(C == SpanCase::ShadedBlend);
        const uint32_t r = lit(c.emissiveR, baseR, shade);
        const uint32_t g = lit(c.emissiveG, baseG, shade);
        const uint32_t b = lit(c.emissiveB, baseB, shade);
        return blendOver(old, static_cast<uint32_t>(c.newWeights[r]), static_cast<uint32_t>(c.newWeights[g]),
                         static_cast<uint32_t>(c.newWeights[b]), c);
    }
}

// Linear state of a block: depth (16.16, stepped modulo 2^32), and shade.
struct DepthShade {
    uint32_t z;
    uint32_t dz;
    int64_t shade;
    int64_t dShade;
};

template <SpanCase C>
inline void untexturedPixels(uint16_t* pixels, uint32_t* depths, int32_t count, DepthShade& st,
                             const SpanColours& c) {
    uint32_t z = st.z;
    int64_t shade = st.shade;
    for (int32_t i = 0; i < count; ++i) {
        if (z < depths[i]) {
            if constexpr (C == SpanCase::Flat) {
                pixels[i] = c.emissivePixel;
            } else if constexpr (C == SpanCase::FlatBlend) {
                pixels[i] = blendOver(pixels[i], c.flatBlendR, c.flatBlendG, c.flatBlendB, c);
            } else {
                pixels[i] = shadePixel<C>(c.diffuseR, c.diffuseG, c.diffuseB, shadeFactor(shade), pixels[i], c);
            }
            if constexpr (!isBlended(C)) depths[i] = z;
        }
        z += st.dz;
        if constexpr (isShaded(C)) shade += st.dShade;
    }
    st.shade = shade;
}

struct Texels {
    const uint16_t* pixels;
    int32_t columnMask;  // size - 1
    int32_t rowMask;     // (size - 1) << 16
    int32_t rowShift;    // 16 - log2(size)
};

template <SpanCase C>
inline void texturedPixels(uint16_t* pixels, uint32_t* depths, int32_t count, DepthShade& st, int32_t u,
                           int32_t du, int32_t v, int32_t dv, const Texels& t, const SpanColours& c) {
    uint32_t z = st.z;
    int64_t shade = st.shade;
    for (int32_t i = 0; i < count; ++i) {
        if (z < depths[i]) {
            const uint32_t texel = t.pixels[((u >> kFractionBits) & t.columnMask) | ((v & t.rowMask) >> t.rowShift)];
            if constexpr (C == SpanCase::Flat) {
                pixels[i] = static_cast<uint16_t>(texel);
            } else if constexpr (C == SpanCase::FlatBlend) {
                pixels[i] = blendOver(pixels[i], static_cast<uint32_t>(c.newWeights[redOf(texel)]),
                                      static_cast<uint32_t>(c.newWeights[greenOf(texel)]),
                                      static_cast<uint32_t>(c.newWeights[blueOf(texel)]), c);
            } else {
                pixels[i] = shadePixel<C>(redOf(texel), greenOf(texel), blueOf(texel), shadeFactor(shade), pixels[i], c);
            }
            if constexpr (!isBlended(C)) depths[i] = z;
        }
        z += st.dz;
        u += du;
        v += dv;
        if constexpr (isShaded(C)) shade += st.dShade;
    }
    st.shade = shade;
}

// The span of the current scanline, or an empty one. The walker only hands
// over spans inside the target; the bounds are checked once more here because
// this is the last place before memory is written.
struct SpanExtent {
    int32_t first;  // pixel index of the first pixel
    int32_t count;
};

SpanExtent spanExtent(const Rasterizer& r) {
    const Edge& left = r.leftEdge;
    const Edge& right = r.rightEdge;
    const int32_t count = right.column - left.column;
    if (count < 1 || left.column < 0 || right.column > r.targetWidth) return {0, 0};
    if (left.rowStart < 0 || left.rowStart > r.pixelCount - r.targetWidth) return {0, 0};
    return {left.rowStart + left.column, count};
}

// Shade at the span start and its per-pixel step, 16.16.
void startShade(const Rasterizer& r, DepthShade& st) {
    st.shade = raster::truncSaturated(r.leftEdge.shade * kFractionOne);
    st.dShade = raster::truncSaturated(r.gradients.dShadeDx * kFractionOne);
}

template <SpanCase C>
void fillUntextured(Rasterizer& r, SpanExtent span) {
    const Gradients& g = r.gradients;
    const SpanColours colours = spanColours(r);
    uint16_t* pixels = r.targetPixels + span.first;
    uint32_t* depths = r.depth + span.first;
    DepthShade st{};
    if constexpr (isShaded(C)) startShade(r, st);

    float persp = r.leftEdge.persp;
    float zStart = (1.0f / persp) * kFractionOne;
    int32_t remaining = span.count;
    while (remaining > kBlockPixels) {
        const float zEnd = kFractionOne / (persp + g.dPerspDx16);
        st.z = raster::truncDepth(zStart);
        st.dz = static_cast<uint32_t>(raster::truncSaturated((zEnd - zStart) / kBlockPixelsF));
        untexturedPixels<C>(pixels, depths, kBlockPixels, st, colours);
        pixels += kBlockPixels;
        depths += kBlockPixels;
        remaining -= kBlockPixels;
        persp += g.dPerspDx16;
        zStart = zEnd;
    }
    const float zEnd = kFractionOne / (r.rightEdge.persp - g.dPerspDx);
    st.z = raster::truncDepth(zStart);
    st.dz = static_cast<uint32_t>(raster::truncSaturated((zEnd - zStart) / static_cast<float>(remaining)));
    untexturedPixels<C>(pixels, depths, remaining, st, colours);
}

template <SpanCase C>
void fillTextured(Rasterizer& r, SpanExtent span) {
    const Gradients& g = r.gradients;
    const SpanColours colours = spanColours(r);
    const Bitmap& texture = *r.textureBitmap;
    const Texels texels{texture.pixels, texture.width - 1, r.texMask, r.texRowShift};
    uint16_t* pixels = r.targetPixels + span.first;
    uint32_t* depths = r.depth + span.first;
    DepthShade st{};
    if constexpr (isShaded(C)) startShade(r, st);

    float persp = r.leftEdge.persp;
    float uPersp = r.leftEdge.uPersp;
    float vPersp = r.leftEdge.vPersp;
    float zStart = kFractionOne / persp;
    int32_t u = (raster::truncTexCoord(uPersp * kFractionOne / persp) + g.uRound) & kTexCoordMask;
    int32_t v = (raster::truncTexCoord(vPersp * kFractionOne / persp) + g.vRound) & kTexCoordMask;
    int32_t remaining = span.count;
    while (remaining > kBlockPixels) {
        persp += g.dPerspDx16;
        uPersp += g.dUPerspDx16;
        vPersp += g.dVPerspDx16;
        const float zEnd = kFractionOne / persp;
        const int32_t uEnd = (raster::truncTexCoord(uPersp * kFractionOne / persp) + g.uRound) & kTexCoordMask;
        const int32_t vEnd = (raster::truncTexCoord(vPersp * kFractionOne / persp) + g.vRound) & kTexCoordMask;
        st.z = raster::truncDepth(zStart);
        st.dz = static_cast<uint32_t>(raster::truncSaturated(zEnd - zStart) >> kBlockShift);
        texturedPixels<C>(pixels, depths, kBlockPixels, st, u, (uEnd - u) >> kBlockShift, v,
                          (vEnd - v) >> kBlockShift, texels, colours);
        pixels += kBlockPixels;
        depths += kBlockPixels;
        remaining -= kBlockPixels;
        zStart = zEnd;
        u = uEnd;
        v = vEnd;
    }
    const float perspEnd = r.rightEdge.persp - g.dPerspDx;
    const float uPerspEnd = r.rightEdge.uPersp - g.dUPerspDx;
    const float vPerspEnd = r.rightEdge.vPersp - g.dVPerspDx;
    const float zEnd = kFractionOne / perspEnd;
    // Here the rounding term joins before the truncation.
    const int32_t uEnd = raster::truncTexCoord(uPerspEnd * kFractionOne / perspEnd + static_cast<float>(g.uRound));
    const int32_t vEnd = raster::truncTexCoord(vPerspEnd * kFractionOne / perspEnd + static_cast<float>(g.vRound));
    const float reciprocal = r.reciprocals[remaining];
    st.z = raster::truncDepth(zStart);
    st.dz = static_cast<uint32_t>(raster::truncSaturated((zEnd - zStart) * reciprocal));
    const int32_t du = raster::truncSaturated(static_cast<float>(uEnd - u) * reciprocal);
    const int32_t dv = raster::truncSaturated(static_cast<float>(vEnd - v) * reciprocal);
    texturedPixels<C>(pixels, depths, remaining, st, u, du, v, dv, texels, colours);
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

void Rasterizer::fillSpan() {
    SpanCase c;
    if (!spanCase(*this, c)) return;
    const SpanExtent span = spanExtent(*this);
    if (span.count < 1) return;
    switch (c) {
        case SpanCase::Flat: return fillUntextured<SpanCase::Flat>(*this, span);
        case SpanCase::FlatBlend: return fillUntextured<SpanCase::FlatBlend>(*this, span);
        case SpanCase::Shaded: return fillUntextured<SpanCase::Shaded>(*this, span);
        case SpanCase::ShadedBlend: return fillUntextured<SpanCase::ShadedBlend>(*this, span);
    }
}

void Rasterizer::fillSpanTextured() {
    SpanCase c;
    if (!textureBitmap || !textureBitmap->pixels || !spanCase(*this, c)) return;
    const SpanExtent span = spanExtent(*this);
    if (span.count < 1) return;
    switch (c) {
        case SpanCase::Flat: return fillTextured<SpanCase::Flat>(*this, span);
        case SpanCase::FlatBlend: return fillTextured<SpanCase::FlatBlend>(*this, span);
        case SpanCase::Shaded: return fillTextured<SpanCase::Shaded>(*this, span);
        case SpanCase::ShadedBlend: return fillTextured<SpanCase::ShadedBlend>(*this, span);
    }
}
