// The surface mode and the stages of the scan converter that depend on it,
// internal to raster/.
//
// A surface's mode says what a triangle interpolates (uPersp and vPersp when
// textured, shade when shaded) and how its spans paint. It is decided in one
// place, surfaceMode, from the rasterizer's per-shape state; fillerFor maps
// it to the stages compiled for it, each one template instantiation per mode,
// so that no per-pixel or per-scanline loop tests a mode. The public stages
// of the Rasterizer (setupGradients, initEdge, stepEdges, scanTriangle,
// fillSpan) and the clipper's fan (once per mesh, through drawIndexedFaces)
// all run the same instantiations.
#pragma once

#include <cstdint>

#include "raster/fixed_point.h"
#include "raster/rasterizer.h"

namespace raster {

// How a span changes its pixels.
enum class Paint : uint8_t {
    Opaque,       // the new colour replaces a nearer pixel, and its depth is stored
    Transparent,  // blended over a nearer pixel through the weight table; depth never stored
    Nothing,      // no span can change a pixel: transparency 1, no weight table, or no texels
};

struct SurfaceMode {
    bool textured = false;  // texels; uPersp and vPersp interpolated
    bool shaded = false;    // per-vertex shade interpolated and applied
    Paint paint = Paint::Opaque;
    // Per-vertex red, green and blue interpolated and painted (never with
    // textured or shaded); its stages are raster/colour_fill.cpp's.
    bool coloured = false;
};

// The coloured modes, one per paint, have a table of their own.
constexpr int kColouredModes = 3;

// The modes that are not coloured as indices 0 .. kSurfaceModes - 1, for the
// table of fillers.
constexpr int kPaints = 3;
constexpr int kSurfaceModes = 2 * 2 * kPaints;
constexpr int modeIndex(SurfaceMode m) {
    return (m.textured ? 2 * kPaints : 0) + (m.shaded ? kPaints : 0) + static_cast<int>(m.paint);
}
constexpr SurfaceMode modeAt(int index) {
    return {index >= 2 * kPaints, index % (2 * kPaints) >= kPaints, static_cast<Paint>(index % kPaints)};
}

// A vertex of the triangle being converted with its 28.4 position.
struct SnappedVertex {
    const RasterVertex* v;
    int32_t x, y;
};

// The vertex with its position snapped once.
inline SnappedVertex snapVertex(const RasterVertex& v) { return {&v, snapSubpixel(v.sx), snapSubpixel(v.sy)}; }

// The stages compiled for one mode.
struct SurfaceFiller {
    SurfaceMode mode;
    // Fans a clipped polygon of 3 .. 20 vertices from its first vertex,
    // checks each fan triangle (usable vertices, non-zero snapped area; the
    // refusals are counted) and scan-converts it. With Paint::Nothing only
    // the checks run, so the counts are the same as when drawing.
    void (*drawPolygon)(Rasterizer& r, RasterVertex* const* polygon, int count);
    // setupGradients over snapped vertices.
    void (*setupGradients)(Rasterizer& r, const SnappedVertex& v0, const SnappedVertex& v1,
                           const SnappedVertex& v2);
    // initEdge over snapped vertices.
    void (*startEdge)(Rasterizer& r, Edge& edge, const SnappedVertex& top, const SnappedVertex& bottom,
                      bool leftEdge);
    // One scanline down one edge (the left edge's rowStart is the caller's).
    void (*stepEdge)(Edge& edge);
    // scanTriangle over checked vertices (each snaps inside the target) whose
    // gradients are set.
    void (*scanPolygon)(Rasterizer& r, const SnappedVertex* polygon, int count);
    // Fills the scanline span between the two edges (nothing when empty or
    // outside the target).
    void (*fillSpan)(Rasterizer& r, const Edge& left, const Edge& right);
};

// The mode of the rasterizer's current surface, painted with its texture
// when `textured` (scanTriangle: when textureMode) or without. The one place
// that decides: coloured (and then not shaded) when colourMode and not
// textured; shaded from shadeMode; opaque from opaqueMode; a transparent
// surface paints nothing without its weight table (allocation failed) or at
// transparency 1, whose spans would leave every pixel as it was; a textured
// one paints nothing without texels.
SurfaceMode surfaceMode(const Rasterizer& r, bool textured);

// Whether the processor offers the fillers' 256-bit lanes, and whether they
// are used (from the start, when offered). Both paths give the same pixels;
// tests switch between them to hold them to it. Asking for lanes that are not
// offered changes nothing; returns whether they are now used.
bool wideLanesOffered();
bool useWideLanes(bool on);

// The stages compiled for the mode.
const SurfaceFiller& fillerFor(SurfaceMode mode);

// The stages of a coloured mode (raster/colour_fill.cpp); fillerFor hands
// coloured modes here.
const SurfaceFiller& colouredFillerFor(SurfaceMode mode);

// The stages of the rasterizer's current surface.
inline const SurfaceFiller& surfaceFiller(const Rasterizer& r) {
    return fillerFor(surfaceMode(r, r.textureMode != 0));
}

// drawTriangle with the filler already chosen (once per mesh by
// drawIndexedFaces).
void drawTriangleWith(Rasterizer& r, const SurfaceFiller& filler, RasterVertex* a, RasterVertex* b, RasterVertex* c);

}  // namespace raster
