// The edge walker. Pixel centres lie at integer coordinates. An edge from
// (xt, yt) to (xb, yb), in 28.4, covers the scanlines r with
// ceil(yt) <= r < ceil(yb), and on each of them the left edge's column is the
// ceiling of its exact x; a span runs from the left column up to, not
// including, the right column. Top and left boundaries are thus inclusive,
// bottom and right exclusive, and two triangles sharing an edge cover each
// pixel along it exactly once.
//
// The exact x is stepped as column + errorTerm / denominator with integers
// only: denominator is 16 x the edge height in 1/16 pixels, so the fraction
// never drifts, however long the edge.
//
// The walk reads of the right edge only its column, its perspective and (when
// textured) its uPersp and vPersp, so the walker below carries no shade on
// right edges. An edge of one scanline is never stepped into a second one, so
// the walker does not divide out its per-scanline step either.
#include <cstdint>

#include "raster/fixed_point.h"
#include "raster/rasterizer.h"
#include "raster/scan_convert.h"

namespace raster {
namespace {

// First scanline at or below a 28.4 y (the ceiling of y).
inline int32_t ceilRow(int32_t y) { return (y + kSubpixelCeil) >> kSubpixelShift; }

// Floor division by a positive denominator. Within the int32 range (every
// target up to about eight million pixels) the narrower division is used;
// the results are the same.
inline void floorDivide32(int64_t numerator, int64_t denominator, int32_t& quotient, int32_t& remainder) {
    if (numerator >= INT32_MIN && numerator <= INT32_MAX && denominator <= INT32_MAX) {
        const int32_t n = static_cast<int32_t>(numerator), d = static_cast<int32_t>(denominator);
        int32_t q = n / d, r = n % d;
        if (r < 0) {
            q -= 1;
            r += d;
        }
        quotient = q;
        remainder = r;
        return;
    }
    const FloorDivision f = floorDivide(numerator, denominator);
    quotient = static_cast<int32_t>(f.quotient);
    remainder = static_cast<int32_t>(f.remainder);
}

// Starts an edge from top to bottom. kLeft: the edge also keeps the row
// offset and the shade. kSteps: the per-scanline column step is worked out
// even for an edge of one scanline (the public initEdge promises it).
template <bool kLeft, bool kTextured, bool kShaded, bool kSteps>
inline void startEdge(Rasterizer& r, Edge& edge, const SnappedVertex& top, const SnappedVertex& bottom) {
    const int32_t xt = top.x, yt = top.y;
    const int32_t startRow = ceilRow(yt);
    if constexpr (kLeft) edge.rowStart = startRow * r.targetWidth;
    edge.rowsLeft = ceilRow(bottom.y) - startRow;
    if (edge.rowsLeft <= 0) return;

    // 64-bit intermediates: the products reach 256 x width x height.
    const int64_t dX = bottom.x - xt;
    const int64_t dY = bottom.y - yt;
    const int64_t denominator = dY * kSubpixels;
    edge.denominator = static_cast<int32_t>(denominator);
    // x at the first covered scanline, in units of 1/denominator column; the
    // - 1 + denominator turns the floor below into a ceiling.
    const int64_t n = dX * kSubpixels * startRow - dX * yt + dY * xt - 1 + denominator;
    floorDivide32(n, denominator, edge.column, edge.errorTerm);
    if (kSteps || edge.rowsLeft > 1) {
        floorDivide32(dX * kSubpixels, denominator, edge.columnStep, edge.numerator);
    } else {
        // Stepped once, to its end, and never read again.
        edge.columnStep = 0;
        edge.numerator = 0;
    }

    // Move the quantities from the top vertex to the first covered pixel centre.
    const Gradients& g = r.gradients;
    const RasterVertex& t = *top.v;
    const float yPre = static_cast<float>(startRow * kSubpixels - yt) / kSubpixelsF;
    const float xPre = static_cast<float>(edge.column * kSubpixels - xt) / kSubpixelsF;
    const float columnStep = static_cast<float>(edge.columnStep);
    edge.persp = t.perspective + yPre * g.dPerspDy + xPre * g.dPerspDx;
    edge.perspStep = columnStep * g.dPerspDx + g.dPerspDy;
    edge.perspStepExtra = g.dPerspDx;
    if constexpr (kTextured) {
        edge.uPersp = t.uPersp + yPre * g.dUPerspDy + xPre * g.dUPerspDx;
        edge.uPerspStep = columnStep * g.dUPerspDx + g.dUPerspDy;
        edge.uPerspStepExtra = g.dUPerspDx;
        edge.vPersp = t.vPersp + yPre * g.dVPerspDy + xPre * g.dVPerspDx;
        edge.vPerspStep = columnStep * g.dVPerspDx + g.dVPerspDy;
        edge.vPerspStepExtra = g.dVPerspDx;
    }
    if constexpr (kShaded) {
        edge.shade = t.shade + yPre * g.dShadeDy + xPre * g.dShadeDx;
        edge.shadeStep = columnStep * g.dShadeDx + g.dShadeDy;
        edge.shadeStepExtra = g.dShadeDx;
    }
}

template <bool kTextured, bool kShaded>
inline void stepEdge(Edge& e) {
    e.column += e.columnStep;
    e.rowsLeft -= 1;
    e.persp += e.perspStep;
    if constexpr (kTextured) {
        e.uPersp += e.uPerspStep;
        e.vPersp += e.vPerspStep;
    }
    if constexpr (kShaded) e.shade += e.shadeStep;
    e.errorTerm += e.numerator;
    if (e.errorTerm >= e.denominator) {
        e.column += 1;
        e.errorTerm -= e.denominator;
        e.persp += e.perspStepExtra;
        if constexpr (kTextured) {
            e.uPersp += e.uPerspStepExtra;
            e.vPersp += e.vPerspStepExtra;
        }
        if constexpr (kShaded) e.shade += e.shadeStepExtra;
    }
}

template <bool kLeft, bool kSteps>
void startEdgeFor(Rasterizer& r, Edge& edge, const SnappedVertex& top, const SnappedVertex& bottom) {
    const bool textured = r.textureMode != 0, shaded = r.shadeMode != 0;
    if (textured && shaded) startEdge<kLeft, true, true, kSteps>(r, edge, top, bottom);
    else if (textured) startEdge<kLeft, true, false, kSteps>(r, edge, top, bottom);
    else if (shaded) startEdge<kLeft, false, true, kSteps>(r, edge, top, bottom);
    else startEdge<kLeft, false, false, kSteps>(r, edge, top, bottom);
}

}  // namespace

SnappedVertex snapVertex(const RasterVertex& v) { return {&v, snapSubpixel(v.sx), snapSubpixel(v.sy)}; }

template <SpanFiller F>
void scanSnappedTriangle(Rasterizer& r, const SnappedVertex* p, int count) {
    constexpr bool kTextured = fillerTextured(F);
    constexpr bool kShaded = fillerShaded(F);
    int top = 0;
    for (int k = 1; k < count; ++k)
        if (p[k].v->sy < p[top].v->sy) top = k;  // ties: the earliest wins

    // The left side runs forward through the list, the right side backward.
    auto next = [count](int k) { return k + 1 == count ? 0 : k + 1; };
    auto previous = [count](int k) { return k == 0 ? count - 1 : k - 1; };
    Edge& left = r.leftEdge;
    Edge& right = r.rightEdge;
    int leftAt = next(top);
    int rightAt = previous(top);
    startEdge<true, kTextured, kShaded, false>(r, left, p[top], p[leftAt]);
    startEdge<false, kTextured, false, false>(r, right, p[top], p[rightAt]);
    int edgesToStart = count - 1;
    const int32_t width = r.targetWidth;
    const int32_t pixelCount = r.pixelCount;

    for (;;) {
        while (left.rowsLeft > 0 && right.rowsLeft > 0) {
            if (left.rowStart >= pixelCount) return;  // below the target
            fillSpanWith<F>(r);
            stepEdge<kTextured, kShaded>(left);
            left.rowStart += width;
            stepEdge<kTextured, false>(right);
        }
        // Edges of no height are used up here at once.
        if (left.rowsLeft <= 0) {
            if (edgesToStart == 0) return;
            --edgesToStart;
            const int to = next(leftAt);
            startEdge<true, kTextured, kShaded, false>(r, left, p[leftAt], p[to]);
            leftAt = to;
        }
        if (right.rowsLeft <= 0) {
            if (edgesToStart == 0) return;
            --edgesToStart;
            const int to = previous(rightAt);
            startEdge<false, kTextured, false, false>(r, right, p[rightAt], p[to]);
            rightAt = to;
        }
    }
}

template void scanSnappedTriangle<SpanFiller::Flat>(Rasterizer&, const SnappedVertex*, int);
template void scanSnappedTriangle<SpanFiller::FlatBlend>(Rasterizer&, const SnappedVertex*, int);
template void scanSnappedTriangle<SpanFiller::Shaded>(Rasterizer&, const SnappedVertex*, int);
template void scanSnappedTriangle<SpanFiller::ShadedBlend>(Rasterizer&, const SnappedVertex*, int);
template void scanSnappedTriangle<SpanFiller::TexturedFlat>(Rasterizer&, const SnappedVertex*, int);
template void scanSnappedTriangle<SpanFiller::TexturedFlatBlend>(Rasterizer&, const SnappedVertex*, int);
template void scanSnappedTriangle<SpanFiller::TexturedShaded>(Rasterizer&, const SnappedVertex*, int);
template void scanSnappedTriangle<SpanFiller::TexturedShadedBlend>(Rasterizer&, const SnappedVertex*, int);

void scanSnappedPolygon(Rasterizer& r, SpanFiller filler, const SnappedVertex* p, int count) {
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

using raster::SnappedVertex;

void Rasterizer::initEdge(Edge& edge, const RasterVertex& top, const RasterVertex& bottom, bool isLeft) {
    const SnappedVertex t = raster::snapVertex(top), b = raster::snapVertex(bottom);
    if (isLeft) raster::startEdgeFor<true, true>(*this, edge, t, b);
    else raster::startEdgeFor<false, true>(*this, edge, t, b);
}

void Rasterizer::stepEdges() {
    const bool textured = textureMode != 0;
    const bool shaded = shadeMode != 0;
    auto step = [textured, shaded](Edge& e) {
        if (textured && shaded) raster::stepEdge<true, true>(e);
        else if (textured) raster::stepEdge<true, false>(e);
        else if (shaded) raster::stepEdge<false, true>(e);
        else raster::stepEdge<false, false>(e);
    };
    step(leftEdge);
    leftEdge.rowStart += targetWidth;
    step(rightEdge);
}

void Rasterizer::scanTriangle(RasterVertex* const* polygon, int count) {
    if (!targetPixels || !depth || count < 3 || count > kClipListSize) return;
    if (targetWidth > raster::kMaxTargetSide || targetHeight > raster::kMaxTargetSide) return;
    SnappedVertex snapped[kClipListSize];
    const int32_t xLimit = targetWidth * raster::kSubpixels, yLimit = targetHeight * raster::kSubpixels;
    for (int k = 0; k < count; ++k) {
        snapped[k] = raster::snapVertex(*polygon[k]);
        if (snapped[k].x < 0 || snapped[k].y < 0 || snapped[k].x > xLimit || snapped[k].y > yLimit) return;
    }
    raster::scanSnappedPolygon(*this, raster::chooseSpanFiller(*this), snapped, count);
}
