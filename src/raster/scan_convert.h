// The per-triangle path between the clipper and the span fillers, internal to
// raster/. The public stages of the Rasterizer (setupGradients, scanTriangle,
// initEdge, fillSpan) snap their vertices and pick their surface case on
// every call; the clipper instead snaps each triangle's vertices once, picks
// the span filler once per mesh, and runs one instantiation of the walker per
// filler, so that nothing on the way from a triangle to its pixels re-derives
// what is already known.
#pragma once

#include <cstdint>

#include "raster/fixed_point.h"
#include "raster/rasterizer.h"

namespace raster {

// The span filler of the current surface: textured or not, and one of the
// four surface cases. None when no span of the surface can change a pixel
// (transparency 1, no weight table, a textured mode without texels).
enum class SpanFiller : uint8_t {
    None,
    Flat,
    FlatBlend,
    Shaded,
    ShadedBlend,
    TexturedFlat,
    TexturedFlatBlend,
    TexturedShaded,
    TexturedShadedBlend,
};

constexpr bool fillerTextured(SpanFiller f) {
    return f == SpanFiller::TexturedFlat || f == SpanFiller::TexturedFlatBlend || f == SpanFiller::TexturedShaded ||
           f == SpanFiller::TexturedShadedBlend;
}
constexpr bool fillerShaded(SpanFiller f) {
    return f == SpanFiller::Shaded || f == SpanFiller::ShadedBlend || f == SpanFiller::TexturedShaded ||
           f == SpanFiller::TexturedShadedBlend;
}

// The filler that fillSpan (or fillSpanTextured when textureMode) would run
// for the rasterizer's current modes, target and tables.
SpanFiller chooseSpanFiller(const Rasterizer& r);

// drawTriangle with the filler already chosen (once per mesh by
// drawIndexedFaces).
void drawTriangleWith(Rasterizer& r, SpanFiller filler, RasterVertex* a, RasterVertex* b, RasterVertex* c);

// The triangles scanNarrowTriangle takes: each edge's column on a scanline
// is found in at most kNarrowColumns compares, and a triangle of more than
// kShortRows scanlines is cheaper to walk.
constexpr int32_t kNarrowColumns = 3;
constexpr int32_t kShortRows = 4;

// A vertex of the triangle being converted with its 28.4 position.
struct SnappedVertex {
    const RasterVertex* v;
    int32_t x, y;
};

// The vertex with its position snapped once.
inline SnappedVertex snapVertex(const RasterVertex& v) { return {&v, snapSubpixel(v.sx), snapSubpixel(v.sy)}; }

// scanTriangle for a polygon of `count` (3 .. 20) checked vertices (each
// snaps inside the target) whose gradients are set, filling every span with
// F, which is not None.
template <SpanFiller F>
void scanSnappedTriangle(Rasterizer& r, const SnappedVertex* polygon, int count);
// The same for a triangle whose pixel centres, if any, lie on scanlines
// firstRow .. endRow - 1 (at most kShortRows of them) and in columns
// c0 .. c1 (at most kNarrowColumns + 1 of them): the same spans, found
// without the edge walk's divisions.
template <SpanFiller F>
void scanNarrowTriangle(Rasterizer& r, const SnappedVertex* triangle, int32_t firstRow, int32_t endRow, int32_t c0,
                        int32_t c1);
// scanNarrowTriangle for a triangle of the one scanline `row`.
template <SpanFiller F>
void scanNarrowScanline(Rasterizer& r, const SnappedVertex* triangle, int32_t row, int32_t c0, int32_t c1);
// scanSnappedTriangle with the filler chosen at run time; None draws nothing.
void walkSnappedPolygon(Rasterizer& r, SpanFiller filler, const SnappedVertex* polygon, int count);

}  // namespace raster
