// Per-triangle set-up of the scan converter, internal to raster/: the
// checks every fan triangle of a clipped polygon passes, the screen-space
// gradients of the quantities that are interpolated linearly in screen space
// (perspective, uPersp, vPersp, shade), taken over the 28.4-snapped positions
// so that they agree with the edges that the walker steps exactly, and the
// choice of walk. Inline: it runs for every triangle.
//
// A triangle with no pixel centre between its snapped corners (all of it
// between two scanlines or two columns) stops after the checks; one that
// spans only a few scanlines and columns, the usual triangle of a dense mesh,
// goes to the narrow walk, which fills the same spans without the edge walk's
// divisions.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "raster/edge_walk.h"
#include "raster/fixed_point.h"
#include "raster/hidden_triangle.h"
#include "raster/rasterizer.h"
#include "raster/scan_convert.h"

namespace raster {
namespace gradient_detail {

// Texel coordinates are rounded to the nearest whole texel. An exact half goes
// the way the coordinate grows along the span (0x8000 rounds a half up, 0x7FFF
// down), so a mirrored mapping shows mirrored texels.
constexpr int32_t kRoundUp = 0x8000;
constexpr int32_t kRoundDown = 0x7FFF;

struct Plane {
    float dx;
    float dy;
};

}  // namespace gradient_detail

template <SurfaceMode M>
inline void setupSnappedGradients(Rasterizer& r, const SnappedVertex& s0, const SnappedVertex& s1,
                                  const SnappedVertex& s2) {
    const RasterVertex& v0 = *s0.v;
    const RasterVertex& v1 = *s1.v;
    const RasterVertex& v2 = *s2.v;
    const float dx0 = static_cast<float>(s0.x - s2.x) / kSubpixelsF;
    const float dy0 = static_cast<float>(s0.y - s2.y) / kSubpixelsF;
    const float dx1 = static_cast<float>(s1.x - s2.x) / kSubpixelsF;
    const float dy1 = static_cast<float>(s1.y - s2.y) / kSubpixelsF;
    const float area = dx1 * dy0 - dx0 * dy1;

    Gradients& g = r.gradients;
    g = Gradients{};
    // A degenerate triangle covers no pixel centre; leave it flat.
    if (area == 0.0f) return;
    const float invDx = 1.0f / area;
    const float invDy = -invDx;
    using gradient_detail::Plane;
    auto plane = [&](float q0, float q1, float q2) {
        return Plane{((q1 - q2) * dy0 - (q0 - q2) * dy1) * invDx, ((q1 - q2) * dx0 - (q0 - q2) * dx1) * invDy};
    };

    const Plane persp = plane(v0.perspective, v1.perspective, v2.perspective);
    g.dPerspDx = persp.dx;
    g.dPerspDy = persp.dy;
    g.dPerspDx16 = kBlockPixelsF * g.dPerspDx;
    if constexpr (M.textured) {
        const Plane u = plane(v0.uPersp, v1.uPersp, v2.uPersp);
        const Plane v = plane(v0.vPersp, v1.vPersp, v2.vPersp);
        g.dUPerspDx = u.dx;
        g.dUPerspDy = u.dy;
        g.dVPerspDx = v.dx;
        g.dVPerspDy = v.dy;
        g.dUPerspDx16 = kBlockPixelsF * g.dUPerspDx;
        g.dVPerspDx16 = kBlockPixelsF * g.dVPerspDx;
        // The sign of d(u)/dx (u = uPersp / perspective) at v0, or of d(u)/dy
        // when u does not change along x, picks the rounding side.
        const float uIndicator = g.dUPerspDx * v0.perspective - v0.uPersp * g.dPerspDx;
        const float vIndicator = g.dVPerspDx * v0.perspective - v0.vPersp * g.dPerspDx;
        const bool uUp = uIndicator > 0.0f ||
                         (uIndicator == 0.0f && v0.perspective * g.dUPerspDy - v0.uPersp * g.dPerspDy >= 0.0f);
        const bool vUp = vIndicator > 0.0f ||
                         (vIndicator == 0.0f && v0.perspective * g.dVPerspDy - v0.vPersp * g.dPerspDy >= 0.0f);
        g.uRound = uUp ? gradient_detail::kRoundUp : gradient_detail::kRoundDown;
        g.vRound = vUp ? gradient_detail::kRoundUp : gradient_detail::kRoundDown;
    }
    if constexpr (M.shaded) {
        const Plane s = plane(v0.shade, v1.shade, v2.shade);
        g.dShadeDx = s.dx;
        g.dShadeDy = s.dy;
    }
    if constexpr (M.coloured) {
        const Plane red = plane(v0.red, v1.red, v2.red);
        const Plane green = plane(v0.green, v1.green, v2.green);
        const Plane blue = plane(v0.blue, v1.blue, v2.blue);
        g.dRedDx = red.dx;
        g.dRedDy = red.dy;
        g.dGreenDx = green.dx;
        g.dGreenDy = green.dy;
        g.dBlueDx = blue.dx;
        g.dBlueDy = blue.dy;
    }
}

// The triangles walkNarrowTriangle takes: each edge's column on a scanline
// is found in at most kNarrowColumns compares, and a triangle of more than
// kShortRows scanlines is cheaper to walk.
constexpr int32_t kNarrowColumns = 3;
constexpr int32_t kShortRows = 4;

// True when the vertex can be scan-converted: finite values, positive
// perspective, and a position that snaps inside the target. Infinite screen
// coordinates snap far outside; NaN snaps to 0 and is tested apart.
template <SurfaceMode M>
inline bool screenVertexUsable(const SnappedVertex& s, int32_t xLimit, int32_t yLimit) {
    const RasterVertex& v = *s.v;
    bool usable = s.x >= 0 && s.y >= 0 && s.x <= xLimit && s.y <= yLimit;
    usable &= v.sx == v.sx && v.sy == v.sy;
    usable &= v.perspective > 0.0f && v.perspective <= std::numeric_limits<float>::max();
    if constexpr (M.textured) usable &= std::isfinite(v.uPersp) && std::isfinite(v.vPersp);
    if constexpr (M.shaded) usable &= std::isfinite(v.shade);
    if constexpr (M.coloured) usable &= std::isfinite(v.red) && std::isfinite(v.green) && std::isfinite(v.blue);
    return usable;
}

// Twice the snapped area, in 1/256 pixel units; 0 for a degenerate triangle.
inline int64_t snappedArea(const SnappedVertex* t) {
    const int64_t ax = t[0].x, ay = t[0].y;
    return (t[1].x - ax) * (t[2].y - ay) - (t[2].x - ax) * (t[1].y - ay);
}

// The scanlines and columns whose pixel centres the triangle may cover:
// every covered scanline r has ceil(min y) <= r < ceil(max y), and every
// covered column c lies between the ceilings of two edge positions on that
// scanline, so ceil(min x) <= c < ceil(max x).
struct PixelBounds {
    int32_t firstRow, endRow;
    int32_t firstColumn, endColumn;
};

inline PixelBounds pixelBounds(const SnappedVertex* t) {
    return {ceilPixel(std::min({t[0].y, t[1].y, t[2].y})), ceilPixel(std::max({t[0].y, t[1].y, t[2].y})),
            ceilPixel(std::min({t[0].x, t[1].x, t[2].x})), ceilPixel(std::max({t[0].x, t[1].x, t[2].x}))};
}

// SurfaceFiller::drawPolygon: fans the clipped polygon from its first vertex
// and converts each checked fan triangle by the walk that suits it, one of
// Walks::polygon (walkPolygon), Walks::narrow (walkNarrowTriangle) and
// Walks::scanline (walkNarrowScanline), each with the span filler inlined.
template <SurfaceMode M, class Walks>
inline void scanFan(Rasterizer& r, RasterVertex* const* polygon, int count) {
    const int32_t xLimit = r.targetWidth * kSubpixels, yLimit = r.targetHeight * kSubpixels;
    for (int k = 1; k + 1 < count; ++k) {
        // Snapped afresh for each fan triangle: copying a snapped vertex just
        // made would wait for the store of its parts to complete.
        const SnappedVertex t[3] = {snapVertex(*polygon[0]), snapVertex(*polygon[k]), snapVertex(*polygon[k + 1])};
        if (!(screenVertexUsable<M>(t[0], xLimit, yLimit) && screenVertexUsable<M>(t[1], xLimit, yLimit) &&
              screenVertexUsable<M>(t[2], xLimit, yLimit))) {
            ++r.counters.trianglesInvalid;
            continue;
        }
        const int64_t doubledArea = snappedArea(t);
        if (doubledArea == 0) {
            ++r.counters.trianglesDegenerate;
            continue;
        }
        if constexpr (M.paint != Paint::Nothing) {
            const PixelBounds b = pixelBounds(t);
            if (b.firstRow == b.endRow || b.firstColumn == b.endColumn) continue;  // no pixel centre
            // Wholly above or below a band's rows (never so with one thread).
            if (b.endRow <= r.bandFirstRow || b.firstRow * r.targetWidth >= r.pixelCount) continue;
            setupSnappedGradients<M>(r, t[0], t[1], t[2]);
            const int32_t rows = b.endRow - b.firstRow;
            if (rows > kShortRows || b.endColumn - b.firstColumn > kNarrowColumns) {
                if (!triangleHidden(r, t, b.firstRow, b.endRow, b.firstColumn, b.endColumn, doubledArea))
                    Walks::polygon(r, t, 3);
            } else if (rows == 1)
                Walks::scanline(r, t, b.firstRow, b.firstColumn, b.endColumn);
            else
                Walks::narrow(r, t, b.firstRow, b.endRow, b.firstColumn, b.endColumn);
        }
    }
}

}  // namespace raster
