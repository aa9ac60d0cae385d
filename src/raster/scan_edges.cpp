// The public stages of the edge walker (initEdge, stepEdges, scanTriangle):
// each call snaps its own vertices and takes its modes from the rasterizer.
// The walker itself is in edge_walk.h.
#include <cstdint>

#include "raster/edge_walk.h"
#include "raster/fixed_point.h"
#include "raster/rasterizer.h"
#include "raster/scan_convert.h"

namespace raster {
namespace {

template <bool kLeft>
void startEdgeFor(Rasterizer& r, Edge& edge, const SnappedVertex& top, const SnappedVertex& bottom) {
    const bool textured = r.textureMode != 0, shaded = r.shadeMode != 0;
    if (textured && shaded) startEdge<kLeft, true, true>(r, edge, top, bottom);
    else if (textured) startEdge<kLeft, true, false>(r, edge, top, bottom);
    else if (shaded) startEdge<kLeft, false, true>(r, edge, top, bottom);
    else startEdge<kLeft, false, false>(r, edge, top, bottom);
}

}  // namespace

}  // namespace raster

using raster::SnappedVertex;

void Rasterizer::initEdge(Edge& edge, const RasterVertex& top, const RasterVertex& bottom, bool isLeft) {
    const SnappedVertex t = raster::snapVertex(top), b = raster::snapVertex(bottom);
    if (isLeft) raster::startEdgeFor<true>(*this, edge, t, b);
    else raster::startEdgeFor<false>(*this, edge, t, b);
}

void Rasterizer::stepEdges() {
    const bool textured = textureMode != 0;
    const bool shaded = shadeMode != 0;
    auto step = [textured, shaded](Edge& e) {
        if (textured && shaded) raster::stepEdge<true, true>(e);
        else if (textured) raster::stepEdge<true, false>(e);
        else if (shaded) raster::stepEdge<false, true>(e);
        else raster::stepEdge<false, false>(e);
    };
    step(leftEdge);
    leftEdge.rowStart += targetWidth;
    step(rightEdge);
}

void Rasterizer::scanTriangle(RasterVertex* const* polygon, int count) {
    if (!targetPixels || !depth || count < 3 || count > kClipListSize) return;
    if (targetWidth > raster::kMaxTargetSide || targetHeight > raster::kMaxTargetSide) return;
    SnappedVertex snapped[kClipListSize];
    const int32_t xLimit = targetWidth * raster::kSubpixels, yLimit = targetHeight * raster::kSubpixels;
    for (int k = 0; k < count; ++k) {
        snapped[k] = raster::snapVertex(*polygon[k]);
        if (snapped[k].x < 0 || snapped[k].y < 0 || snapped[k].x > xLimit || snapped[k].y > yLimit) return;
    }
    raster::walkSnappedPolygon(*this, raster::chooseSpanFiller(*this), snapped, count);
}
