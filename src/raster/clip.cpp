// Triangle clipping. A triangle whose three outcodes share a bit lies wholly
// beyond one boundary and is dropped before any work. The rest is clipped
// against the near plane first, so the screen stages see projected vertices,
// then against the left, right, top and bottom edges of the target
// (Sutherland-Hodgman, one boundary per stage, ping-ponging between listA and
// listB). Each stage adds at most one vertex to a convex polygon and takes at
// most two records from the pool, so a triangle ends as at most 8 vertices
// using at most 10 pool records; the lists (20) and the pool (21) are checked
// anyway, because NaN or rounding can break convexity.
//
// The clipped polygon is fanned from its first vertex by the surface's
// filler (triangle_setup.h), or recorded for the bands of several threads
// (band_renderer.h). Every fan triangle is checked before scan
// conversion: its vertices must snap inside the target and carry finite
// values (perspective also positive), and its snapped area must not be zero.
// Refused triangles are counted.
#include <utility>

#include "raster/band_renderer.h"
#include "raster/fixed_point.h"
#include "raster/rasterizer.h"
#include "raster/scan_convert.h"

namespace {

enum class ClipBoundary { Near, Left, Right, Top, Bottom };

struct ClipContext {
    Rasterizer& r;
    raster::SurfaceMode mode;
    float width;
    float height;
};

// Signed distance to the boundary; the inside is where it is >= 0 (near:
// where z + near <= 0).
template <ClipBoundary B>
float distance(const ClipContext& c, const RasterVertex& v) {
    if constexpr (B == ClipBoundary::Near) return v.z + c.r.near;
    if constexpr (B == ClipBoundary::Left) return v.sx;
    if constexpr (B == ClipBoundary::Right) return c.width - v.sx;
    if constexpr (B == ClipBoundary::Top) return v.sy;
    if constexpr (B == ClipBoundary::Bottom) return c.height - v.sy;
}

template <ClipBoundary B>
bool inside(float d) {
    if constexpr (B == ClipBoundary::Near) return d <= 0.0f;
    else return d >= 0.0f;
}

float lerp(float from, float to, float s) { return from + s * (to - from); }

// The vertex at parameter s from p toward q on the boundary.
template <ClipBoundary B>
void intersect(const ClipContext& c, const RasterVertex& p, const RasterVertex& q, float s, RasterVertex& out) {
    Rasterizer& r = c.r;
    out = p;
    out.outcode = 0;
    if constexpr (B == ClipBoundary::Near) {
        out.x = lerp(p.x, q.x, s);
        out.y = lerp(p.y, q.y, s);
        out.z = -r.near;
        // Projected exactly as the scene side projects its own vertices.
        out.perspective = r.focal / -r.near;
        out.sx = r.halfWidth + out.x * out.perspective;
        out.sy = r.halfHeight - out.y * out.perspective;
        if (c.mode.textured) {
            out.u = lerp(p.u, q.u, s);
            out.v = lerp(p.v, q.v, s);
            out.uPersp = out.u * r.texScaleU * out.perspective;
            out.vPersp = out.v * r.texScaleV * out.perspective;
        }
    } else {
        if constexpr (B == ClipBoundary::Left || B == ClipBoundary::Right) {
            out.sx = B == ClipBoundary::Left ? 0.0f : c.width;
            out.sy = lerp(p.sy, q.sy, s);
        } else {
            out.sy = B == ClipBoundary::Top ? 0.0f : c.height;
            out.sx = lerp(p.sx, q.sx, s);
        }
        out.perspective = lerp(p.perspective, q.perspective, s);
        if (c.mode.textured) {
            out.uPersp = lerp(p.uPersp, q.uPersp, s);
            out.vPersp = lerp(p.vPersp, q.vPersp, s);
        }
    }
    if (c.mode.shaded) out.shade = lerp(p.shade, q.shade, s);
    if (c.mode.coloured) {
        out.red = lerp(p.red, q.red, s);
        out.green = lerp(p.green, q.green, s);
        out.blue = lerp(p.blue, q.blue, s);
    }
}

// One Sutherland-Hodgman stage from `in` into `out`. Returns the new vertex
// count, or -1 when the lists or the pool would overflow.
template <ClipBoundary B>
int clipStage(const ClipContext& c, RasterVertex* const* in, int inCount, RasterVertex** out) {
    Rasterizer& r = c.r;
    int outCount = 0;
    const RasterVertex* p = in[inCount - 1];
    float dp = distance<B>(c, *p);
    for (int k = 0; k < inCount; ++k) {
        RasterVertex* q = in[k];
        const float dq = distance<B>(c, *q);
        const bool pIn = inside<B>(dp);
        const bool qIn = inside<B>(dq);
        if (pIn != qIn) {
            if (outCount >= Rasterizer::kClipListSize || r.clipPoolUsed >= Rasterizer::kClipPoolSize) return -1;
            RasterVertex& made = r.clipPool[r.clipPoolUsed++];
            intersect<B>(c, *p, *q, dp / (dp - dq), made);
            out[outCount++] = &made;
        }
        if (qIn) {
            if (outCount >= Rasterizer::kClipListSize) return -1;
            out[outCount++] = q;
        }
        p = q;
        dp = dq;
    }
    return outCount;
}

}  // namespace

namespace raster {

void drawTriangleWith(Rasterizer& r, const SurfaceFiller& filler, RasterVertex* a, RasterVertex* b,
                      RasterVertex* c) {
    if ((a->outcode & b->outcode & c->outcode) != 0) return;
    if (!r.targetPixels || !r.depth || r.targetWidth > kMaxTargetSide || r.targetHeight > kMaxTargetSide) return;
    r.clipPoolUsed = 0;
    if (filler.mode.textured) {
        for (RasterVertex* v : {a, b, c}) {
            v->uPersp = v->u * v->perspective * r.texScaleU;
            v->vPersp = v->v * v->perspective * r.texScaleV;
        }
    }

    const int32_t codes = a->outcode | b->outcode | c->outcode;
    if (codes == 0) {
        RasterVertex* const triangle[3] = {a, b, c};
        emitPolygon(r, filler, triangle, 3);
        return;
    }

    r.listA[0] = a;
    r.listA[1] = b;
    r.listA[2] = c;
    RasterVertex** polygon = r.listA;
    int count = 3;
    const ClipContext context{r, filler.mode, static_cast<float>(r.targetWidth),
                              static_cast<float>(r.targetHeight)};
    RasterVertex** spare = r.listB;
    // After a near clip the new vertices carry no outcode: run every screen stage.
    const bool nearClipped = (codes & kOutNear) != 0;
    auto run = [&](auto stage, int32_t bit) {
        if (count < 3 || (!nearClipped && (codes & bit) == 0)) return;
        const int made = stage(context, polygon, count, spare);
        if (made < 0) {
            ++r.counters.clipOverflows;
            count = 0;
            return;
        }
        count = made;
        std::swap(polygon, spare);
    };
    run(clipStage<ClipBoundary::Near>, kOutNear);
    run(clipStage<ClipBoundary::Left>, kOutLeft);
    run(clipStage<ClipBoundary::Right>, kOutRight);
    run(clipStage<ClipBoundary::Top>, kOutTop);
    run(clipStage<ClipBoundary::Bottom>, kOutBottom);
    if (count < 3) return;
    emitPolygon(r, filler, polygon, count);
}

}  // namespace raster

void Rasterizer::drawTriangle(RasterVertex* a, RasterVertex* b, RasterVertex* c) {
    raster::drawTriangleWith(*this, raster::surfaceFiller(*this), a, b, c);
}
