// The public gradient set-up: snaps its vertices and runs the set-up of the
// current surface's mode. The set-up itself is in triangle_setup.h.
#include "raster/rasterizer.h"
#include "raster/scan_convert.h"

void Rasterizer::setupGradients(const RasterVertex& v0, const RasterVertex& v1, const RasterVertex& v2) {
    raster::surfaceFiller(*this).setupGradients(*this, raster::snapVertex(v0), raster::snapVertex(v1),
                                                raster::snapVertex(v2));
}
