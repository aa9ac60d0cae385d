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
#include "raster/fixed_point.h"
#include "raster/rasterizer.h"

namespace {

bool snapsInside(const Rasterizer& r, const RasterVertex& v) {
    const int32_t x = raster::snapSubpixel(v.sx);
    const int32_t y = raster::snapSubpixel(v.sy);
    return x >= 0 && y >= 0 && x <= r.targetWidth * raster::kSubpixels && y <= r.targetHeight * raster::kSubpixels;
}

}  // namespace

void Rasterizer::initEdge(Edge& edge, const RasterVertex& top, const RasterVertex& bottom, bool leftEdge) {
    const int32_t xt = raster::snapSubpixel(top.sx), yt = raster::snapSubpixel(top.sy);
    const int32_t xb = raster::snapSubpixel(bottom.sx), yb = raster::snapSubpixel(bottom.sy);
    const int32_t startRow = (yt + raster::kSubpixelCeil) >> raster::kSubpixelShift;
    if (leftEdge) edge.rowStart = startRow * targetWidth;
    edge.rowsLeft = ((yb + raster::kSubpixelCeil) >> raster::kSubpixelShift) - startRow;
    if (edge.rowsLeft <= 0) return;

    // 64-bit intermediates: the products reach 256 x width x height.
    const int64_t dX = xb - xt;
    const int64_t dY = yb - yt;
    const int64_t denominator = dY * raster::kSubpixels;
    edge.denominator = static_cast<int32_t>(denominator);
    // x at the first covered scanline, in units of 1/denominator column; the
    // - 1 + denominator turns the floor below into a ceiling.
    const int64_t n = dX * raster::kSubpixels * startRow - dX * yt + dY * xt - 1 + denominator;
    const raster::FloorDivision start = raster::floorDivide(n, denominator);
    edge.column = static_cast<int32_t>(start.quotient);
    edge.errorTerm = static_cast<int32_t>(start.remainder);
    const raster::FloorDivision step = raster::floorDivide(dX * raster::kSubpixels, denominator);
    edge.columnStep = static_cast<int32_t>(step.quotient);
    edge.numerator = static_cast<int32_t>(step.remainder);

    // Move the quantities from the top vertex to the first covered pixel centre.
    const Gradients& g = gradients;
    const float yPre = static_cast<float>(startRow * raster::kSubpixels - yt) / raster::kSubpixelsF;
    const float xPre = static_cast<float>(edge.column * raster::kSubpixels - xt) / raster::kSubpixelsF;
    const float columnStep = static_cast<float>(edge.columnStep);
    edge.persp = top.perspective + yPre * g.dPerspDy + xPre * g.dPerspDx;
    edge.perspStep = columnStep * g.dPerspDx + g.dPerspDy;
    edge.perspStepExtra = g.dPerspDx;
    if (textureMode) {
        edge.uPersp = top.uPersp + yPre * g.dUPerspDy + xPre * g.dUPerspDx;
        edge.uPerspStep = columnStep * g.dUPerspDx + g.dUPerspDy;
        edge.uPerspStepExtra = g.dUPerspDx;
        edge.vPersp = top.vPersp + yPre * g.dVPerspDy + xPre * g.dVPerspDx;
        edge.vPerspStep = columnStep * g.dVPerspDx + g.dVPerspDy;
        edge.vPerspStepExtra = g.dVPerspDx;
    }
    if (shadeMode) {
        edge.shade = top.shade + yPre * g.dShadeDy + xPre * g.dShadeDx;
        edge.shadeStep = columnStep * g.dShadeDx + g.dShadeDy;
        edge.shadeStepExtra = g.dShadeDx;
    }
}

void Rasterizer::stepEdges() {
    const bool textured = textureMode != 0;
    const bool shaded = shadeMode != 0;
    auto step = [textured, shaded](Edge& e) {
        e.column += e.columnStep;
        e.rowsLeft -= 1;
        e.persp += e.perspStep;
        if (textured) {
            e.uPersp += e.uPerspStep;
            e.vPersp += e.vPerspStep;
        }
        if (shaded) e.shade += e.shadeStep;
        e.errorTerm += e.numerator;
        if (e.errorTerm >= e.denominator) {
            e.column += 1;
            e.errorTerm -= e.denominator;
            e.persp += e.perspStepExtra;
            if (textured) {
                e.uPersp += e.uPerspStepExtra;
                e.vPersp += e.vPerspStepExtra;
            }
            if (shaded) e.shade += e.shadeStepExtra;
        }
    };
    step(leftEdge);
    leftEdge.rowStart += targetWidth;
    step(rightEdge);
}

void Rasterizer::scanTriangle(RasterVertex* const* polygon, int count) {
    if (!targetPixels || !depth || count < 3 || count > kClipListSize) return;
    if (targetWidth > raster::kMaxTargetSide || targetHeight > raster::kMaxTargetSide) return;
    int top = 0;
    for (int k = 0; k < count; ++k) {
        if (!snapsInside(*this, *polygon[k])) return;
        if (polygon[k]->sy < polygon[top]->sy) top = k;  // ties: the earliest wins
    }

    // The left side runs forward through the list, the right side backward.
    auto next = [count](int k) { return k + 1 == count ? 0 : k + 1; };
    auto previous = [count](int k) { return k == 0 ? count - 1 : k - 1; };
    int leftAt = next(top);
    int rightAt = previous(top);
    initEdge(leftEdge, *polygon[top], *polygon[leftAt], true);
    initEdge(rightEdge, *polygon[top], *polygon[rightAt], false);
    int edgesToStart = count - 1;

    for (;;) {
        while (leftEdge.rowsLeft > 0 && rightEdge.rowsLeft > 0) {
            if (leftEdge.rowStart >= pixelCount) return;  // below the target
            if (textureMode) fillSpanTextured();
            else fillSpan();
            stepEdges();
        }
        // Edges of no height are used up here at once.
        if (leftEdge.rowsLeft <= 0) {
            if (edgesToStart == 0) return;
            --edgesToStart;
            const int to = next(leftAt);
            initEdge(leftEdge, *polygon[leftAt], *polygon[to], true);
            leftAt = to;
        }
        if (rightEdge.rowsLeft <= 0) {
            if (edgesToStart == 0) return;
            --edgesToStart;
            const int to = previous(rightAt);
            initEdge(rightEdge, *polygon[rightAt], *polygon[to], false);
            rightAt = to;
        }
    }
}
