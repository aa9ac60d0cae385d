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
// The clipped polygon is fanned from its first vertex. Every fan triangle is
// checked before scan conversion: its vertices must snap inside the target and
// carry finite values (perspective also positive), and its snapped area must
// not be zero. Refused triangles are counted. A triangle with no pixel centre
// between its snapped corners (all of it between two scanlines or two
// columns) stops after the checks; one that spans only a few scanlines and
// columns, the usual triangle of a dense mesh, goes to the narrow walk, which
// fills the same spans without the edge walk's divisions.
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "raster/fixed_point.h"
#include "raster/rasterizer.h"
#include "raster/scan_convert.h"
#include "raster/triangle_setup.h"

namespace {

enum class ClipBoundary { Near, Left, Right, Top, Bottom };

struct ClipContext {
    Rasterizer& r;
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
        if (r.textureMode) {
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
        if (r.textureMode) {
            out.uPersp = lerp(p.uPersp, q.uPersp, s);
            out.vPersp = lerp(p.vPersp, q.vPersp, s);
        }
    }
    if (r.shadeMode) out.shade = lerp(p.shade, q.shade, s);
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

using raster::SnappedVertex;
using raster::SpanFiller;

// True when the vertex can be scan-converted: finite values, positive
// perspective, and a position that snaps inside the target. Infinite screen
// coordinates snap far outside; NaN snaps to 0 and is tested apart.
template <bool kTextured, bool kShaded>
inline bool screenVertexUsable(const SnappedVertex& s, int32_t xLimit, int32_t yLimit) {
    const RasterVertex& v = *s.v;
    bool usable = s.x >= 0 && s.y >= 0 && s.x <= xLimit && s.y <= yLimit;
    usable &= v.sx == v.sx && v.sy == v.sy;
    usable &= v.perspective > 0.0f && v.perspective <= std::numeric_limits<float>::max();
    if constexpr (kTextured) usable &= std::isfinite(v.uPersp) && std::isfinite(v.vPersp);
    if constexpr (kShaded) usable &= std::isfinite(v.shade);
    return usable;
}

template <bool kTextured, bool kShaded>
inline bool triangleUsable(const SnappedVertex* t, int32_t xLimit, int32_t yLimit) {
    return screenVertexUsable<kTextured, kShaded>(t[0], xLimit, yLimit) &&
           screenVertexUsable<kTextured, kShaded>(t[1], xLimit, yLimit) &&
           screenVertexUsable<kTextured, kShaded>(t[2], xLimit, yLimit);
}

// The same test for the modes as they are, when no filler fixes them.
bool triangleUsableInModes(const Rasterizer& r, const SnappedVertex* t, int32_t xLimit, int32_t yLimit) {
    const bool textured = r.textureMode != 0, shaded = r.shadeMode != 0;
    if (textured && shaded) return triangleUsable<true, true>(t, xLimit, yLimit);
    if (textured) return triangleUsable<true, false>(t, xLimit, yLimit);
    if (shaded) return triangleUsable<false, true>(t, xLimit, yLimit);
    return triangleUsable<false, false>(t, xLimit, yLimit);
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
    using raster::ceilPixel;
    return {ceilPixel(std::min({t[0].y, t[1].y, t[2].y})), ceilPixel(std::max({t[0].y, t[1].y, t[2].y})),
            ceilPixel(std::min({t[0].x, t[1].x, t[2].x})), ceilPixel(std::max({t[0].x, t[1].x, t[2].x}))};
}

// Fans the clipped polygon from its first vertex. Each fan triangle is
// checked (usable vertices, non-zero snapped area, refusals counted) and,
// unless it covers no pixel centre, set up and scan-converted with F. With
// F None only the checks run: the counts stay what they would be.
template <SpanFiller F>
void rasterizeFan(Rasterizer& r, RasterVertex* const* polygon, int count) {
    constexpr bool kTextured = raster::fillerTextured(F);
    constexpr bool kShaded = raster::fillerShaded(F);
    const int32_t xLimit = r.targetWidth * raster::kSubpixels, yLimit = r.targetHeight * raster::kSubpixels;
    for (int k = 1; k + 1 < count; ++k) {
        // Snapped afresh for each fan triangle: copying a snapped vertex just
        // made would wait for the store of its parts to complete.
        const SnappedVertex t[3] = {raster::snapVertex(*polygon[0]), raster::snapVertex(*polygon[k]),
                                    raster::snapVertex(*polygon[k + 1])};
        bool usable;
        if constexpr (F == SpanFiller::None) usable = triangleUsableInModes(r, t, xLimit, yLimit);
        else usable = triangleUsable<kTextured, kShaded>(t, xLimit, yLimit);
        if (!usable) {
            ++r.counters.trianglesInvalid;
            continue;
        }
        if (snappedArea(t) == 0) {
            ++r.counters.trianglesDegenerate;
            continue;
        }
        if constexpr (F != SpanFiller::None) {
            const PixelBounds b = pixelBounds(t);
            if (b.firstRow == b.endRow || b.firstColumn == b.endColumn) continue;  // no pixel centre
            raster::setupSnappedGradients<kTextured, kShaded>(r, t[0], t[1], t[2]);
            const int32_t rows = b.endRow - b.firstRow;
            if (rows > raster::kShortRows || b.endColumn - b.firstColumn > raster::kNarrowColumns)
                raster::scanSnappedTriangle<F>(r, t, 3);
            else if (rows == 1)
                raster::scanNarrowScanline<F>(r, t, b.firstRow, b.firstColumn, b.endColumn);
            else
                raster::scanNarrowTriangle<F>(r, t, b.firstRow, b.endRow, b.firstColumn, b.endColumn);
        }
    }
}

void rasterizePolygon(Rasterizer& r, SpanFiller filler, RasterVertex* const* polygon, int count) {
    switch (filler) {
        case SpanFiller::None: return rasterizeFan<SpanFiller::None>(r, polygon, count);
        case SpanFiller::Flat: return rasterizeFan<SpanFiller::Flat>(r, polygon, count);
        case SpanFiller::FlatBlend: return rasterizeFan<SpanFiller::FlatBlend>(r, polygon, count);
        case SpanFiller::Shaded: return rasterizeFan<SpanFiller::Shaded>(r, polygon, count);
        case SpanFiller::ShadedBlend: return rasterizeFan<SpanFiller::ShadedBlend>(r, polygon, count);
        case SpanFiller::TexturedFlat: return rasterizeFan<SpanFiller::TexturedFlat>(r, polygon, count);
        case SpanFiller::TexturedFlatBlend: return rasterizeFan<SpanFiller::TexturedFlatBlend>(r, polygon, count);
        case SpanFiller::TexturedShaded: return rasterizeFan<SpanFiller::TexturedShaded>(r, polygon, count);
        case SpanFiller::TexturedShadedBlend:
            return rasterizeFan<SpanFiller::TexturedShadedBlend>(r, polygon, count);
    }
}

}  // namespace

namespace raster {

void drawTriangleWith(Rasterizer& r, SpanFiller filler, RasterVertex* a, RasterVertex* b, RasterVertex* c) {
    if ((a->outcode & b->outcode & c->outcode) != 0) return;
    if (!r.targetPixels || !r.depth || r.targetWidth > kMaxTargetSide || r.targetHeight > kMaxTargetSide) return;
    r.clipPoolUsed = 0;
    if (r.textureMode) {
        for (RasterVertex* v : {a, b, c}) {
            v->uPersp = v->u * v->perspective * r.texScaleU;
            v->vPersp = v->v * v->perspective * r.texScaleV;
        }
    }

    const int32_t codes = a->outcode | b->outcode | c->outcode;
    if (codes == 0) {
        RasterVertex* const triangle[3] = {a, b, c};
        rasterizePolygon(r, filler, triangle, 3);
        return;
    }

    r.listA[0] = a;
    r.listA[1] = b;
    r.listA[2] = c;
    RasterVertex** polygon = r.listA;
    int count = 3;
    const ClipContext context{r, static_cast<float>(r.targetWidth), static_cast<float>(r.targetHeight)};
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
    rasterizePolygon(r, filler, polygon, count);
}

}  // namespace raster

void Rasterizer::drawTriangle(RasterVertex* a, RasterVertex* b, RasterVertex* c) {
    raster::drawTriangleWith(*this, raster::chooseSpanFiller(*this), a, b, c);
}
