// Per-triangle set-up of the scan converter, internal to raster/:
// screen-space gradients of the quantities that are interpolated linearly in
// screen space (perspective, uPersp, vPersp, shade), taken over the
// 28.4-snapped positions so that they agree with the edges that the walker
// steps exactly. Inline: the clipper's fan loop runs it for every triangle.
#pragma once

#include <cstdint>

#include "raster/fixed_point.h"
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

template <bool kTextured, bool kShaded>
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
    if constexpr (kTextured) {
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
    if constexpr (kShaded) {
        const Plane s = plane(v0.shade, v1.shade, v2.shade);
        g.dShadeDx = s.dx;
        g.dShadeDy = s.dy;
    }
}

}  // namespace raster
