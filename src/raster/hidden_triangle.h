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

#include <cstdint>

#include "raster/rasterizer.h"
#include "raster/scan_convert.h"

namespace raster {

// Triangles whose rectangle (within the rasterizer's rows) covers fewer
// pixels are not tried: the walk rejects their few blocks about as fast.
constexpr int64_t kHiddenTestMinPixels = 1024;

// The nearest depth the triangle's spans can compute, less the margin, or 0
// when its shape or depths fall outside what the bound covers.
uint32_t nearestDepthBound(const SnappedVertex* t, int64_t doubledArea);

// True when no stored depth in columns c0 .. c1 - 1 of the rows r0 .. r1 - 1
// is farther than bound (compared unsigned).
bool depthsAtOrNearer(const Rasterizer& r, int32_t r0, int32_t r1, int32_t c0, int32_t c1, uint32_t bound);

// True when the checked triangle t, whose pixel centres lie in rows
// firstRow .. endRow - 1 and columns firstColumn .. endColumn - 1, of doubled
// snapped area doubledArea, can be skipped whole: large enough to be worth
// the test and behind every stored depth of that rectangle in this
// rasterizer's rows. Out of line: only triangles bound for the edge walk
// ask, and the fan loop that the small ones take stays small.
bool triangleHidden(const Rasterizer& r, const SnappedVertex* t, int32_t firstRow, int32_t endRow,
                    int32_t firstColumn, int32_t endColumn, int64_t doubledArea);

}  // namespace raster
