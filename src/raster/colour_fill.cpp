// The colour-interpolating span filler: faces whose corners carry their own
// red, green and blue (per-vertex colours, or per-vertex lighting in colour)
// instead of one surface colour scaled by a shade. Beside the fillers of
// span_fill.cpp, in the same manner, with a table of its own (one entry per
// paint) that fillerFor hands coloured modes to.
//
// Formats. Each channel is interpolated in channel units (0..255) like shade:
// screen-space gradients once per triangle, the edge walker carrying the
// left edge's values, and in the span a 16.16 start value stepped by a 16.16
// step per pixel, no division. A pixel's channel is its 16.16 value's whole
// part held to 0..255 (below 0 is black, above 255 saturates), so an
// overshoot at a corner from rounding never wraps.
//
// Depth is the untextured filler's: exact at every 16-pixel block boundary
// (one division per block) and stepped in 16.16 inside the block, the last
// block ending on the span's last pixel. Opaque pixels store their depth,
// transparent ones blend through the weight table and never do. A block no
// pixel of which is nearer than what is stored is skipped whole.
//
// There is no textured variant: a texture replaces the corner colours (the
// lit intensity then modulates the texel through the shade filler).
#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "raster/channel_math.h"
#include "raster/edge_walk.h"
#include "raster/fixed_point.h"
#include "raster/rasterizer.h"
#include "raster/scan_convert.h"
#include "raster/triangle_setup.h"

namespace raster {
namespace {

// 16.16 channel values along a span stay within 2^30 in magnitude (start and
// step are each held to 2^29 over the span), so stepping in int32 cannot
// overflow; only absurd colours (thousands of times white) are affected, and
// they saturate anyway.
constexpr int64_t kChannelReach = int64_t{1} << 29;
// The largest 16.16 channel value whose whole part is a channel (255.99...).
constexpr int32_t kChannelCeiling = (static_cast<int32_t>(kChannelMax) << kFractionBits) | 0xFFFF;

// One channel along the span: 16.16 channel units at the first pixel and per
// pixel.
struct ChannelRamp {
    int32_t start;
    int32_t step;
};

ChannelRamp channelRamp(float atLeft, float perPixel, int32_t count) {
    const int64_t start = truncSaturated(atLeft * kFractionOne);
    const int64_t step = truncSaturated(perPixel * kFractionOne);
    ChannelRamp ramp{static_cast<int32_t>(std::clamp(start, -kChannelReach, kChannelReach)), 0};
    const int64_t spanCount = std::max<int64_t>(count, 1);
    const int64_t magnitude = step < 0 ? -step : step;
    if (magnitude * spanCount <= kChannelReach) {
        ramp.step = static_cast<int32_t>(step);
    } else {
        const int64_t stepLimit = kChannelReach / spanCount;
        ramp.step = static_cast<int32_t>(step < 0 ? -stepLimit : stepLimit);
    }
    return ramp;
}

// A 16.16 channel value as a channel 0..255.
inline uint32_t channelOf(int32_t value16) {
    return static_cast<uint32_t>(std::clamp(value16, 0, kChannelCeiling) >> kFractionBits);
}

// The span of the current scanline, or none (count 0). The walker only hands
// over spans inside the target; the bounds are checked once more here because
// this is the last place before memory is written.
struct Extent {
    int32_t first;
    int32_t count;
};

Extent extentOf(const Rasterizer& r, const Edge& left, const Edge& right) {
    const int32_t count = right.column - left.column;
    if (count < 1 || left.column < 0 || right.column > r.targetWidth) return {0, 0};
    if (left.rowStart < 0 || left.rowStart > r.pixelCount - r.targetWidth) return {0, 0};
    return {left.rowStart + left.column, count};
}

// True when no pixel of the block is nearer than what is stored.
inline bool hidden(const uint32_t* depths, uint32_t z, uint32_t dz, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        if (z + static_cast<uint32_t>(i) * dz < depths[i]) return false;
    }
    return true;
}

// The pixels of one block of count (1 .. 16) pixels from depth z (step dz)
// and the channels' 16.16 values at its first pixel.
template <Paint P>
inline void colourBlock(uint16_t* pixels, uint32_t* depths, int32_t count, uint32_t z, uint32_t dz, int32_t red,
                        int32_t green, int32_t blue, const ChannelRamp* ramps, const int32_t* oldWeights,
                        const int32_t* newWeights) {
    const int32_t dRed = ramps[0].step, dGreen = ramps[1].step, dBlue = ramps[2].step;
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t r = channelOf(red + i * dRed);
        const uint32_t g = channelOf(green + i * dGreen);
        const uint32_t b = channelOf(blue + i * dBlue);
        const uint16_t old = pixels[i];
        const uint32_t zi = z + static_cast<uint32_t>(i) * dz;
        const uint32_t stored = depths[i];
        const bool nearer = zi < stored;
        uint16_t colour;
        if constexpr (P == Paint::Transparent) {
            colour = pack(std::min(static_cast<uint32_t>(oldWeights[redOf(old)] + newWeights[r]), kChannelMax),
                          std::min(static_cast<uint32_t>(oldWeights[greenOf(old)] + newWeights[g]), kChannelMax),
                          std::min(static_cast<uint32_t>(oldWeights[blueOf(old)] + newWeights[b]), kChannelMax));
        } else {
            colour = pack(r, g, b);
            depths[i] = nearer ? zi : stored;
        }
        pixels[i] = nearer ? colour : old;
    }
}

// Fills the span between the edges with the interpolated corner colours.
template <Paint P>
[[gnu::noinline]] void fillColourSpan(const Rasterizer& r, const Edge& left, const Edge& right) {
    static_assert(P != Paint::Nothing);
    const Extent span = extentOf(r, left, right);
    if (span.count < 1) return;
    const int32_t* oldWeights = nullptr;
    const int32_t* newWeights = nullptr;
    if constexpr (P == Paint::Transparent) {
        if (!r.weightTable) return;
        oldWeights = r.weightTable + r.oldWeightRow;
        newWeights = r.weightTable + r.newWeightRow;
    }
    const Gradients& g = r.gradients;
    const ChannelRamp ramps[3] = {channelRamp(left.red, g.dRedDx, span.count),
                                  channelRamp(left.green, g.dGreenDx, span.count),
                                  channelRamp(left.blue, g.dBlueDx, span.count)};
    int32_t red = ramps[0].start, green = ramps[1].start, blue = ramps[2].start;
    uint16_t* pixels = r.targetPixels + span.first;
    uint32_t* depths = r.depth + span.first;

    // Depth at block boundaries, as the untextured filler takes it.
    float persp = left.persp;
    float zStart = (1.0f / persp) * kFractionOne;
    int32_t remaining = span.count;
    auto block = [&](int32_t count, uint32_t z, uint32_t dz) {
        if (!hidden(depths, z, dz, count))
            colourBlock<P>(pixels, depths, count, z, dz, red, green, blue, ramps, oldWeights, newWeights);
        pixels += count;
        depths += count;
        red += count * ramps[0].step;
        green += count * ramps[1].step;
        blue += count * ramps[2].step;
    };
    while (remaining > kBlockPixels) {
        persp += g.dPerspDx16;
        const float zEnd = kFractionOne / persp;
        block(kBlockPixels, truncDepth(zStart), static_cast<uint32_t>(truncSaturated((zEnd - zStart) / kBlockPixelsF)));
        remaining -= kBlockPixels;
        zStart = zEnd;
    }
    // The last block ends on the span's last pixel; one of one pixel uses
    // only its start depth.
    uint32_t dz = 0;
    if (remaining > 1) {
        const float zEnd = kFractionOne / (right.persp - g.dPerspDx);
        dz = static_cast<uint32_t>(truncSaturated((zEnd - zStart) / static_cast<float>(remaining)));
    }
    block(remaining, truncDepth(zStart), dz);
}

template <SurfaceMode M>
struct ColourFill {
    const Rasterizer& r;
    void operator()(const Edge& left, const Edge& right) const { fillColourSpan<M.paint>(r, left, right); }
};

template <SurfaceMode M>
struct ColourWalks {
    [[gnu::noinline, gnu::flatten]] static void polygon(Rasterizer& r, const SnappedVertex* p, int count) {
        walkPolygon<M>(r, p, count, ColourFill<M>{r});
    }
    [[gnu::noinline, gnu::flatten]] static void narrow(Rasterizer& r, const SnappedVertex* t, int32_t firstRow,
                                                       int32_t endRow, int32_t c0, int32_t c1) {
        walkNarrowTriangle<M>(r, t, firstRow, endRow, c0, c1, ColourFill<M>{r});
    }
    [[gnu::noinline, gnu::flatten]] static void scanline(Rasterizer& r, const SnappedVertex* t, int32_t row,
                                                         int32_t c0, int32_t c1) {
        walkNarrowScanline<M>(r, t, row, c0, c1, ColourFill<M>{r});
    }
};

template <SurfaceMode M>
void drawColourPolygon(Rasterizer& r, RasterVertex* const* polygon, int count) {
    scanFan<M, ColourWalks<M>>(r, polygon, count);
}

constexpr SurfaceMode colouredMode(int index) { return {false, false, static_cast<Paint>(index), true}; }

template <SurfaceMode M>
constexpr SurfaceFiller colourFillerOf() {
    constexpr bool kPaints = M.paint != Paint::Nothing;
    return {
        M,
        drawColourPolygon<M>,
        [](Rasterizer& r, const SnappedVertex& v0, const SnappedVertex& v1, const SnappedVertex& v2) {
            setupSnappedGradients<M>(r, v0, v1, v2);
        },
        [](Rasterizer& r, Edge& edge, const SnappedVertex& top, const SnappedVertex& bottom, bool leftEdge) {
            if (leftEdge) startEdge<M, true>(r, edge, top, bottom);
            else startEdge<rightEdgeMode(M), false>(r, edge, top, bottom);
        },
        [](Edge& edge) { stepEdge<M>(edge); },
        [](Rasterizer& r, const SnappedVertex* polygon, int count) {
            if constexpr (kPaints) ColourWalks<M>::polygon(r, polygon, count);
        },
        [](Rasterizer& r, const Edge& left, const Edge& right) {
            if constexpr (kPaints) fillColourSpan<M.paint>(r, left, right);
        },
    };
}

template <int... I>
constexpr std::array<SurfaceFiller, kColouredModes> colourFillerTable(std::integer_sequence<int, I...>) {
    return {colourFillerOf<colouredMode(I)>()...};
}

constexpr std::array<SurfaceFiller, kColouredModes> kColourFillers =
    colourFillerTable(std::make_integer_sequence<int, kColouredModes>{});

}  // namespace

const SurfaceFiller& colouredFillerFor(SurfaceMode mode) {
    return kColourFillers[static_cast<size_t>(mode.paint)];
}

}  // namespace raster
