// The whole-triangle depth reject, internal to raster/: a large triangle
// lying wholly behind what is already drawn over its bounding rectangle is
// dropped before its edges are walked, so a surface hidden behind a nearer
// one costs a read of the stored depths and nothing per span or block.
//
// The test changes no pixel. Every depth a span computes comes from a
// perspective interpolated at a pixel centre inside the snapped triangle,
// so it lies between the corners' perspectives except for float rounding
// (gradient set-up, stepping down the edges and along the span). The
// triangles tried are held to shapes where that rounding is tiny: not
// slivers (bounding rectangle at most 32 times the area), perspectives
// within 64 times of each other, and depths far from the 16.16 limits,
// where blocks could saturate or wrap. For them every pixel's depth is at
// least 65536 / (1.125 x the largest perspective), minus a few units for the
// truncations; the rounding stays under a thousandth of it. When every
// stored depth under the rectangle is at or nearer than that bound, no
// pixel of the triangle passes the depth test, opaque or transparent.
#pragma once

#include <algorithm>
#include <cstdint>

#include "raster/channel_math.h"
#include "raster/rasterizer.h"
#include "raster/scan_convert.h"

#if ORVELLA_RASTER_SSE2
#include <emmintrin.h>
#endif

namespace raster {

// Triangles whose rectangle (within the rasterizer's rows) covers fewer
// pixels are not tried: the walk rejects their few blocks about as fast.
constexpr int64_t kHiddenTestMinPixels = 1024;

// The nearest depth the triangle's spans can compute, less the margin, or 0
// when its shape or depths fall outside what the bound covers.
inline uint32_t nearestDepthBound(const SnappedVertex* t, int64_t doubledArea) {
    const int64_t width = std::max({t[0].x, t[1].x, t[2].x}) - std::min({t[0].x, t[1].x, t[2].x});
    const int64_t height = std::max({t[0].y, t[1].y, t[2].y}) - std::min({t[0].y, t[1].y, t[2].y});
    const int64_t area = doubledArea < 0 ? -doubledArea : doubledArea;
    if (width * height > 16 * area) return 0;  // a sliver: its gradients carry more rounding
    const float p0 = t[0].v->perspective, p1 = t[1].v->perspective, p2 = t[2].v->perspective;
    const double largest = std::max({p0, p1, p2});
    const double smallest = std::min({p0, p1, p2});
    // Also refuses NaN, which fails every comparison.
    if (!(smallest >= 1.0 / 8192.0) || !(largest <= 64.0 * smallest)) return 0;
    const double bound = 65536.0 / (largest * 1.125) - 4.0;
    return bound >= 1.0 ? static_cast<uint32_t>(bound) : 0;
}

// True when no stored depth in columns c0 .. c1 - 1 of the rows r0 .. r1 - 1
// is farther than bound (compared unsigned).
inline bool depthsAtOrNearer(const Rasterizer& r, int32_t r0, int32_t r1, int32_t c0, int32_t c1, uint32_t bound) {
    for (int32_t row = r0; row < r1; ++row) {
        const uint32_t* depths = r.depth + static_cast<int64_t>(row) * r.targetWidth;
        int32_t c = c0;
#if ORVELLA_RASTER_SSE2
        const __m128i signBit = _mm_set1_epi32(INT32_MIN);
        const __m128i limit = _mm_xor_si128(_mm_set1_epi32(static_cast<int32_t>(bound)), signBit);
        __m128i farther = _mm_setzero_si128();
        for (; c + 4 <= c1; c += 4) {
            const __m128i stored = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(depths + c)), signBit);
            farther = _mm_or_si128(farther, _mm_cmpgt_epi32(stored, limit));
        }
        if (_mm_movemask_epi8(farther) != 0) return false;
#endif
        for (; c < c1; ++c) {
            if (depths[c] > bound) return false;
        }
    }
    return true;
}

// True when the checked triangle t, whose pixel centres lie in rows
// firstRow .. endRow - 1 and columns firstColumn .. endColumn - 1, of doubled
// snapped area doubledArea, can be skipped whole: large enough to be worth
// the test and behind every stored depth of that rectangle in this
// rasterizer's rows.
inline bool triangleHidden(const Rasterizer& r, const SnappedVertex* t, int32_t firstRow, int32_t endRow,
                           int32_t firstColumn, int32_t endColumn, int64_t doubledArea) {
    if (r.targetWidth <= 0) return false;
    const int32_t r0 = std::max(firstRow, r.bandFirstRow);
    const int32_t r1 = std::min(endRow, r.pixelCount / r.targetWidth);
    const int32_t c0 = std::max(firstColumn, 0);
    const int32_t c1 = std::min(endColumn, r.targetWidth);
    if (r1 <= r0 || c1 <= c0) return false;
    if (static_cast<int64_t>(r1 - r0) * (c1 - c0) < kHiddenTestMinPixels) return false;
    const uint32_t bound = nearestDepthBound(t, doubledArea);
    return bound != 0 && depthsAtOrNearer(r, r0, r1, c0, c1, bound);
}

}  // namespace raster
