// The reference filler: the per-pixel arithmetic of the span fillers written
// out directly, one pixel at a time, with no tables of its own, no blocks
// shared between pixels beyond what the arithmetic itself defines, and no
// SSE2. Slow and plain on purpose: the fast fillers are compared with it.
//
// It follows the rasterizer's documented holds on shade (16.16 shade below 0
// counts as 0, above 2^24 - 1 as 2^24 - 1) and nothing else: inputs whose
// arithmetic would leave the plain integer ranges (a depth outside 0 .. 2^32,
// a texture coordinate beyond 2^31, a shade beyond 2^29 along the span) are
// not modelled, and the functions say so instead of guessing.
#pragma once

#include <cstdint>

#include "raster/rasterizer.h"

namespace raster_test {

// Fills the span between left and right with the rasterizer's current
// surface (with its texture when `textured`) into pixels and depth, laid out
// like the target. Reads the surface, the gradients, the weight table and
// the reciprocals from `r`; writes nothing of `r`. Returns false when the
// span's values leave the plain ranges (what was written is then undefined).
bool referenceSpan(const Rasterizer& r, const Edge& left, const Edge& right, bool textured, uint16_t* pixels,
                   uint32_t* depth);

// scanTriangle written out: the top vertex, the left side forward and the
// right side backward through the list, spans between r.leftEdge and
// r.rightEdge through the public initEdge and stepEdges, each filled by
// referenceSpan (textured when textureMode). Sets up the gradients of
// polygon[0 .. 2] first. Vertices must lie inside the target. Returns false
// as referenceSpan does.
bool referenceScan(Rasterizer& r, RasterVertex* const* polygon, int count, uint16_t* pixels, uint32_t* depth);

}  // namespace raster_test
