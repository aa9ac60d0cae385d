// The edge walker, internal to raster/. Pixel centres lie at integer
// coordinates. An edge from (xt, yt) to (xb, yb), in 28.4, covers the
// scanlines r with ceil(yt) <= r < ceil(yb), and on each of them the left
// edge's column is the ceiling of its exact x; a span runs from the left
// column up to, not including, the right column. Top and left boundaries are
// thus inclusive, bottom and right exclusive, and two triangles sharing an
// edge cover each pixel along it exactly once.
//
// The exact x is stepped as column + errorTerm / denominator with integers
// only: denominator is 16 x the edge height in 1/16 pixels, so the fraction
// never drifts, however long the edge. Each edge costs one division, which
// gives both its first column and its per-scanline step.
//
// A narrow triangle (a few columns wide, a few scanlines tall: the usual one
// of a dense mesh) is walked without that division: the ceiling of x on a
// scanline is the smallest candidate column c with 16 c >= x, and with x
// multiplied out by the edge height that is a compare per candidate. The
// spans, their prestep and their steps are the ones the general walk makes.
//
// The fillers read of the right edge only its column, its perspective and
// (when textured) its uPersp and vPersp, so no walker carries shade or colour
// on right edges.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>

#include "raster/fixed_point.h"
#include "raster/rasterizer.h"
#include "raster/scan_convert.h"

namespace raster {

// Floor division by a positive divisor: the quotient rounded toward minus
// infinity and a remainder in 0 .. divisor - 1, in 32 bits, where edge widths
// and heights in 1/16 pixels fit for every target the walker accepts.
inline void floorDivide32(int32_t numerator, int32_t divisor, int32_t& quotient, int32_t& remainder) {
    int32_t q = numerator / divisor, r = numerator % divisor;
    if (r < 0) {
        q -= 1;
        r += divisor;
    }
    quotient = q;
    remainder = r;
}

// The mode a right edge is walked in: the fillers read no shade or colour
// from it.
constexpr SurfaceMode rightEdgeMode(SurfaceMode m) {
    m.shaded = false;
    m.coloured = false;
    return m;
}

// Moves the interpolated quantities from the edge's top vertex to its first
// covered pixel centre, (edge.column, startRow).
template <SurfaceMode M>
inline void prestepEdge(const Rasterizer& r, Edge& edge, const SnappedVertex& top, int32_t startRow) {
    const Gradients& g = r.gradients;
    const RasterVertex& t = *top.v;
    const float yPre = static_cast<float>(startRow * kSubpixels - top.y) / kSubpixelsF;
    const float xPre = static_cast<float>(edge.column * kSubpixels - top.x) / kSubpixelsF;
    edge.persp = t.perspective + yPre * g.dPerspDy + xPre * g.dPerspDx;
    if constexpr (M.textured) {
        edge.uPersp = t.uPersp + yPre * g.dUPerspDy + xPre * g.dUPerspDx;
        edge.vPersp = t.vPersp + yPre * g.dVPerspDy + xPre * g.dVPerspDx;
    }
    if constexpr (M.shaded) edge.shade = t.shade + yPre * g.dShadeDy + xPre * g.dShadeDx;
    if constexpr (M.coloured) {
        edge.red = t.red + yPre * g.dRedDy + xPre * g.dRedDx;
        edge.green = t.green + yPre * g.dGreenDy + xPre * g.dGreenDx;
        edge.blue = t.blue + yPre * g.dBlueDy + xPre * g.dBlueDx;
    }
}

// Starts an edge from top to bottom. kLeft: the edge also keeps the row
// offset.
template <SurfaceMode M, bool kLeft>
inline void startEdge(Rasterizer& r, Edge& edge, const SnappedVertex& top, const SnappedVertex& bottom) {
    const int32_t xt = top.x, yt = top.y;
    const int32_t startRow = ceilPixel(yt);
    if constexpr (kLeft) edge.rowStart = startRow * r.targetWidth;
    edge.rowsLeft = ceilPixel(bottom.y) - startRow;
    if (edge.rowsLeft <= 0) return;

    // x on the first covered scanline is xt + dX (16 startRow - yt) / dY in
    // 1/16 pixels; its ceiling in pixels is floor(n / denominator) with
    // n = dX (16 startRow - yt) + dY (xt + 16) - 1 and denominator = 16 dY.
    // One division gives it together with the per-scanline step: with
    // dX = q dY + rem (floor division) and a = 16 startRow - yt (0..15),
    // n = dY m' + rem a - 1 where m' = q a + xt + 16. Splitting
    // m' = 16 m + mu (mu 0..15) leaves n = denominator m + rest with
    // rest = dY mu + rem a - 1 in -1 .. 30 dY - 16, so the column is m, m - 1
    // or m + 1 and the error term is what remains. 64-bit intermediates: the
    // products reach 256 x width x height.
    const int64_t dX = bottom.x - xt;
    const int64_t dY = bottom.y - yt;
    const int64_t denominator = dY * kSubpixels;
    edge.denominator = static_cast<int32_t>(denominator);
    int64_t quotient, rem;
    if (dX >= INT32_MIN && dX <= INT32_MAX && dY <= INT32_MAX) {
        int32_t q, m;
        floorDivide32(static_cast<int32_t>(dX), static_cast<int32_t>(dY), q, m);
        quotient = q;
        rem = m;
    } else {
        // Only vertices far outside any target (a caller of the public
        // initEdge that broke its contract) get here.
        const FloorDivision f = floorDivide(dX, dY);
        quotient = f.quotient;
        rem = f.remainder;
    }
    const int64_t a = startRow * kSubpixels - yt;
    const int64_t whole = quotient * a + xt + kSubpixels;
    const int64_t m = whole >> kSubpixelShift;
    const int64_t rest = dY * (whole & kSubpixelCeil) + rem * a - 1;
    // Branch-free: which of the three it is depends on the edge's slope.
    const int64_t carry = static_cast<int64_t>(rest >= denominator) - static_cast<int64_t>(rest < 0);
    edge.column = static_cast<int32_t>(m + carry);
    edge.errorTerm = static_cast<int32_t>(rest - carry * denominator);
    // (columnStep, numerator) = floor division of 16 dX by 16 dY.
    edge.columnStep = static_cast<int32_t>(quotient);
    edge.numerator = static_cast<int32_t>(rem * kSubpixels);

    prestepEdge<M>(r, edge, top, startRow);
    const Gradients& g = r.gradients;
    const float columnStep = static_cast<float>(edge.columnStep);
    edge.perspStep = columnStep * g.dPerspDx + g.dPerspDy;
    edge.perspStepExtra = g.dPerspDx;
    if constexpr (M.textured) {
        edge.uPerspStep = columnStep * g.dUPerspDx + g.dUPerspDy;
        edge.uPerspStepExtra = g.dUPerspDx;
        edge.vPerspStep = columnStep * g.dVPerspDx + g.dVPerspDy;
        edge.vPerspStepExtra = g.dVPerspDx;
    }
    if constexpr (M.shaded) {
        edge.shadeStep = columnStep * g.dShadeDx + g.dShadeDy;
        edge.shadeStepExtra = g.dShadeDx;
    }
    if constexpr (M.coloured) {
        edge.redStep = columnStep * g.dRedDx + g.dRedDy;
        edge.redStepExtra = g.dRedDx;
        edge.greenStep = columnStep * g.dGreenDx + g.dGreenDy;
        edge.greenStepExtra = g.dGreenDx;
        edge.blueStep = columnStep * g.dBlueDx + g.dBlueDy;
        edge.blueStepExtra = g.dBlueDx;
    }
}

template <SurfaceMode M>
inline void stepEdge(Edge& e) {
    e.column += e.columnStep;
    e.rowsLeft -= 1;
    e.persp += e.perspStep;
    if constexpr (M.textured) {
        e.uPersp += e.uPerspStep;
        e.vPersp += e.vPerspStep;
    }
    if constexpr (M.shaded) e.shade += e.shadeStep;
    if constexpr (M.coloured) {
        e.red += e.redStep;
        e.green += e.greenStep;
        e.blue += e.blueStep;
    }
    e.errorTerm += e.numerator;
    if (e.errorTerm >= e.denominator) {
        e.column += 1;
        e.errorTerm -= e.denominator;
        e.persp += e.perspStepExtra;
        if constexpr (M.textured) {
            e.uPersp += e.uPerspStepExtra;
            e.vPersp += e.vPerspStepExtra;
        }
        if constexpr (M.shaded) e.shade += e.shadeStepExtra;
        if constexpr (M.coloured) {
            e.red += e.redStepExtra;
            e.green += e.greenStepExtra;
            e.blue += e.blueStepExtra;
        }
    }
}

// The column of edge (a, b) on scanline `row` (one the edge covers), known to
// lie in c0 .. c1: the smallest c with 16 c >= x(row), x(row) = a.x +
// dX (16 row - a.y) / dY in 1/16 pixels, compared multiplied out by dY > 0.
// The same ceiling as the walker's division.
inline int32_t columnOnRow(const SnappedVertex& a, const SnappedVertex& b, int32_t row, int32_t c0, int32_t c1) {
    const int64_t dX = b.x - a.x, dY = b.y - a.y;
    const int64_t scaledX = static_cast<int64_t>(a.x) * dY + dX * (static_cast<int64_t>(row) * kSubpixels - a.y);
    int32_t c = c0;
    while (c < c1 && static_cast<int64_t>(c) * kSubpixels * dY < scaledX) ++c;
    return c;
}

// Walks the polygon's edges from its top vertex, the left side forward
// through the list and the right side backward, and calls fill(left, right)
// once per covered scanline with both edges on it. The edges are stepped in
// locals, where no store to the target can touch them; r.leftEdge and
// r.rightEdge stay the slots of the public initEdge and stepEdges.
template <SurfaceMode M, class Fill>
inline void walkPolygon(Rasterizer& r, const SnappedVertex* p, int count, Fill fill) {
    int top = 0;
    for (int k = 1; k < count; ++k)
        if (p[k].v->sy < p[top].v->sy) top = k;  // ties: the earliest wins

    // The left side runs forward through the list, the right side backward.
    auto next = [count](int k) { return k + 1 == count ? 0 : k + 1; };
    auto previous = [count](int k) { return k == 0 ? count - 1 : k - 1; };
    Edge left, right;
    int leftAt = next(top);
    int rightAt = previous(top);
    constexpr SurfaceMode kRight = rightEdgeMode(M);
    startEdge<M, true>(r, left, p[top], p[leftAt]);
    startEdge<kRight, false>(r, right, p[top], p[rightAt]);
    int edgesToStart = count - 1;
    const int32_t width = r.targetWidth;
    const int32_t pixelCount = r.pixelCount;
    // A band's rasterizer steps the edges through the rows above its band
    // without filling them, so that they reach its rows with the values one
    // thread has there.
    const int32_t firstFilled = r.bandFirstRow * width;

    for (;;) {
        while (left.rowsLeft > 0 && right.rowsLeft > 0) {
            if (left.rowStart >= pixelCount) return;  // below the target
            if (left.rowStart >= firstFilled) fill(left, right);
            stepEdge<M>(left);
            left.rowStart += width;
            stepEdge<kRight>(right);
        }
        // Edges of no height are used up here at once.
        if (left.rowsLeft <= 0) {
            if (edgesToStart == 0) return;
            --edgesToStart;
            const int to = next(leftAt);
            startEdge<M, true>(r, left, p[leftAt], p[to]);
            leftAt = to;
        }
        if (right.rowsLeft <= 0) {
            if (edgesToStart == 0) return;
            --edgesToStart;
            const int to = previous(rightAt);
            startEdge<kRight, false>(r, right, p[rightAt], p[to]);
            rightAt = to;
        }
    }
}

// One scanline down a narrow triangle's edge (a, b), to the column that
// columnOnRow found there: the walker's step, with its whole-column part
// floor(dX / dY) told from the columns actually advanced (that part, or one
// more when the error term carries) by one compare instead of a division.
template <SurfaceMode M>
inline void stepNarrowEdge(const Rasterizer& r, Edge& edge, const SnappedVertex& a, const SnappedVertex& b,
                           int32_t column) {
    const int32_t advance = column - edge.column;
    const int64_t dX = b.x - a.x, dY = b.y - a.y;
    const int32_t wholeStep = static_cast<int64_t>(advance) * dY <= dX ? advance : advance - 1;
    const Gradients& g = r.gradients;
    const float columnStep = static_cast<float>(wholeStep);
    edge.persp += columnStep * g.dPerspDx + g.dPerspDy;
    if constexpr (M.textured) {
        edge.uPersp += columnStep * g.dUPerspDx + g.dUPerspDy;
        edge.vPersp += columnStep * g.dVPerspDx + g.dVPerspDy;
    }
    if constexpr (M.shaded) edge.shade += columnStep * g.dShadeDx + g.dShadeDy;
    if constexpr (M.coloured) {
        edge.red += columnStep * g.dRedDx + g.dRedDy;
        edge.green += columnStep * g.dGreenDx + g.dGreenDy;
        edge.blue += columnStep * g.dBlueDx + g.dBlueDy;
    }
    if (wholeStep != advance) {
        edge.persp += g.dPerspDx;
        if constexpr (M.textured) {
            edge.uPersp += g.dUPerspDx;
            edge.vPersp += g.dVPerspDx;
        }
        if constexpr (M.shaded) edge.shade += g.dShadeDx;
        if constexpr (M.coloured) {
            edge.red += g.dRedDx;
            edge.green += g.dGreenDx;
            edge.blue += g.dBlueDx;
        }
    }
    edge.column = column;
}

// The usual triangle of a dense mesh: its pixel centres, if any, on the
// scanlines firstRow .. endRow - 1 and in columns c0 .. c1 (at most
// kNarrowColumns + 1 of them). Fills the spans walkPolygon would fill, on
// each scanline from the edges it would use there (on the left top -> next
// until next's scanline, then next -> previous; the right side likewise
// backward), started with the same prestep and stepped with the same
// arithmetic, but every column comes from a compare or a few instead of the
// walk's divisions.
template <SurfaceMode M, class Fill>
inline void walkNarrowTriangle(Rasterizer& r, const SnappedVertex* p, int32_t firstRow, int32_t endRow, int32_t c0,
                               int32_t c1, Fill fill) {
    int top = 0;
    if (p[1].v->sy < p[top].v->sy) top = 1;  // ties: the earliest wins
    if (p[2].v->sy < p[top].v->sy) top = 2;
    const SnappedVertex& t = p[top];
    const SnappedVertex& n = p[top == 2 ? 0 : top + 1];
    const SnappedVertex& v = p[top == 0 ? 2 : top - 1];
    const int32_t nextRow = ceilPixel(n.y), previousRow = ceilPixel(v.y);
    constexpr SurfaceMode kRight = rightEdgeMode(M);
    Edge left, right;
    int leftOn = -1, rightOn = -1;  // which edge of each side the last scanline used
    for (int32_t row = firstRow; row < endRow; ++row) {
        const int leftNow = row < nextRow ? 0 : 1;
        const SnappedVertex& leftTop = leftNow == 0 ? t : n;
        const SnappedVertex& leftBottom = leftNow == 0 ? n : v;
        const int32_t leftColumn = columnOnRow(leftTop, leftBottom, row, c0, c1);
        if (leftNow == leftOn) {
            stepNarrowEdge<M>(r, left, leftTop, leftBottom, leftColumn);
        } else {
            left.column = leftColumn;
            prestepEdge<M>(r, left, leftTop, row);
            leftOn = leftNow;
        }
        const int rightNow = row < previousRow ? 0 : 1;
        const SnappedVertex& rightTop = rightNow == 0 ? t : v;
        const SnappedVertex& rightBottom = rightNow == 0 ? v : n;
        const int32_t rightColumn = columnOnRow(rightTop, rightBottom, row, c0, c1);
        if (rightNow == rightOn) {
            stepNarrowEdge<kRight>(r, right, rightTop, rightBottom, rightColumn);
        } else {
            right.column = rightColumn;
            prestepEdge<kRight>(r, right, rightTop, row);
            rightOn = rightNow;
        }
        left.rowStart = row * r.targetWidth;
        if (left.rowStart >= r.pixelCount) return;  // below the target
        if (row >= r.bandFirstRow) fill(left, right);  // rows above a band are only stepped
    }
}

// walkNarrowTriangle for a triangle of the one scanline `row`, most often
// with no pixel centre on it: both columns first, and the prestep only for a
// span that is there.
template <SurfaceMode M, class Fill>
inline void walkNarrowScanline(Rasterizer& r, const SnappedVertex* p, int32_t row, int32_t c0, int32_t c1,
                               Fill fill) {
    int top = 0;
    if (p[1].v->sy < p[top].v->sy) top = 1;  // ties: the earliest wins
    if (p[2].v->sy < p[top].v->sy) top = 2;
    const SnappedVertex& t = p[top];
    const SnappedVertex& n = p[top == 2 ? 0 : top + 1];
    const SnappedVertex& v = p[top == 0 ? 2 : top - 1];
    const bool nextCovers = ceilPixel(n.y) > row, previousCovers = ceilPixel(v.y) > row;
    const SnappedVertex& leftTop = nextCovers ? t : n;
    const SnappedVertex& leftBottom = nextCovers ? n : v;
    const SnappedVertex& rightTop = previousCovers ? t : v;
    const SnappedVertex& rightBottom = previousCovers ? v : n;
    Edge left, right;
    left.column = columnOnRow(leftTop, leftBottom, row, c0, c1);
    right.column = columnOnRow(rightTop, rightBottom, row, c0, c1);
    left.rowStart = row * r.targetWidth;
    if (right.column <= left.column || left.rowStart >= r.pixelCount) return;  // no pixel centre
    if (row < r.bandFirstRow) return;  // above a band's rows
    prestepEdge<M>(r, left, leftTop, row);
    prestepEdge<rightEdgeMode(M)>(r, right, rightTop, row);
    fill(left, right);
}

}  // namespace raster
