// The public gradient set-up: snaps its vertices and takes its modes from
// the rasterizer. The set-up itself is in triangle_setup.h.
#include "raster/rasterizer.h"
#include "raster/scan_convert.h"
#include "raster/triangle_setup.h"

void Rasterizer::setupGradients(const RasterVertex& v0, const RasterVertex& v1, const RasterVertex& v2) {
    const raster::SnappedVertex s0 = raster::snapVertex(v0), s1 = raster::snapVertex(v1), s2 = raster::snapVertex(v2);
    const bool textured = textureMode != 0, shaded = shadeMode != 0;
    if (textured && shaded) raster::setupSnappedGradients<true, true>(*this, s0, s1, s2);
    else if (textured) raster::setupSnappedGradients<true, false>(*this, s0, s1, s2);
    else if (shaded) raster::setupSnappedGradients<false, true>(*this, s0, s1, s2);
    else raster::setupSnappedGradients<false, false>(*this, s0, s1, s2);
}
