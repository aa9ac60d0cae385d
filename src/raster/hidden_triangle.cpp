// The whole-triangle depth reject: the bound and the scan of the stored
// depths under a triangle's rectangle.
#include "raster/hidden_triangle.h"

#include <algorithm>

#include "raster/channel_math.h"

#if ORVELLA_RASTER_SSE2
#include <emmintrin.h>
#endif

namespace raster {

uint32_t nearestDepthBound(const SnappedVertex* t, int64_t doubledArea) {
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

bool depthsAtOrNearer(const Rasterizer& r, int32_t r0, int32_t r1, int32_t c0, int32_t c1, uint32_t bound) {
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

bool triangleHidden(const Rasterizer& r, const SnappedVertex* t, int32_t firstRow, int32_t endRow,
                    int32_t firstColumn, int32_t endColumn, int64_t doubledArea) {
    if (static_cast<int64_t>(endRow - firstRow) * (endColumn - firstColumn) < kHiddenTestMinPixels) return false;
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
