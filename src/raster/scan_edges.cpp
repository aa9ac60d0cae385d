// The public stages of the edge walker (initEdge, stepEdges, scanTriangle):
// each call snaps its own vertices and runs the stages of the current
// surface's mode. The walker itself is in edge_walk.h.
#include <cstdint>

#include "raster/band_renderer.h"
#include "raster/fixed_point.h"
#include "raster/rasterizer.h"
#include "raster/scan_convert.h"

using raster::SnappedVertex;

void Rasterizer::initEdge(Edge& edge, const RasterVertex& top, const RasterVertex& bottom, bool isLeft) {
    flush();
    raster::surfaceFiller(*this).startEdge(*this, edge, raster::snapVertex(top), raster::snapVertex(bottom), isLeft);
}

void Rasterizer::stepEdges() {
    const raster::SurfaceFiller& filler = raster::surfaceFiller(*this);
    filler.stepEdge(leftEdge);
    leftEdge.rowStart += targetWidth;
    filler.stepEdge(rightEdge);
}

void Rasterizer::scanTriangle(RasterVertex* const* polygon, int count) {
    flush();
    if (!targetPixels || !depth || count < 3 || count > kClipListSize) return;
    if (targetWidth > raster::kMaxTargetSide || targetHeight > raster::kMaxTargetSide) return;
    SnappedVertex snapped[kClipListSize];
    const int32_t xLimit = targetWidth * raster::kSubpixels, yLimit = targetHeight * raster::kSubpixels;
    for (int k = 0; k < count; ++k) {
        snapped[k] = raster::snapVertex(*polygon[k]);
        if (snapped[k].x < 0 || snapped[k].y < 0 || snapped[k].x > xLimit || snapped[k].y > yLimit) return;
    }
    raster::surfaceFiller(*this).scanPolygon(*this, snapped, count);
}
