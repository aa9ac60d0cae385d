// The reference of the colour-interpolating filler: its per-pixel arithmetic
// written out one pixel at a time, no blocks skipped, no tables of its own.
// Slow and plain on purpose; the fast filler is compared with it. It follows
// the filler's documented holds on the 16.16 channels (the start within
// 2^29, the step within 2^29 over the span) and nothing else.
#pragma once

#include <cstdint>

#include "raster/rasterizer.h"

namespace raster_test {

// Fills the span between left and right with the corner colours the edges
// and gradients carry (red, green, blue in channel units), with the depth,
// transparency and blending of the rasterizer's current surface, into pixels
// and depth laid out like the target. Writes nothing of `r`. Returns false
// when the span's values leave the plain ranges (a value beyond 2^31 in
// 16.16, a depth outside 0 .. 2^32).
bool referenceColourSpan(const Rasterizer& r, const Edge& left, const Edge& right, uint16_t* pixels,
                         uint32_t* depth);

// scanTriangle written out through the public initEdge and stepEdges, each
// span filled by referenceColourSpan; sets up the gradients of polygon[0 .. 2]
// first. Expects r.colourMode set and no texture.
bool referenceColourScan(Rasterizer& r, RasterVertex* const* polygon, int count, uint16_t* pixels, uint32_t* depth);

}  // namespace raster_test
