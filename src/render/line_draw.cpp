#include "render/line_draw.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "base/face_walk.h"
#include "raster/rasterizer.h"
#include "render/node_lists.h"
#include "scene/line_nodes.h"
#include "scene/scene.h"

namespace render {

namespace {

uint32_t channel(float c) {
    const float held = std::isfinite(c) ? std::clamp(c, 0.0f, 1.0f) : 0.0f;
    return static_cast<uint32_t>(held * 255.0f);  // truncated, as surface colours are
}

uint32_t rgbOf(const float c[3]) { return (channel(c[0]) << 16) | (channel(c[1]) << 8) | channel(c[2]); }
uint32_t rgbOf(const Color4f& c) { return (channel(c.r) << 16) | (channel(c.g) << 8) | channel(c.b); }

// The colour numbered `index` of the Color node's list, or the fallback.
uint32_t colourOf(const SimpleArray<Color4f>* colours, int32_t index, uint32_t fallback) {
    if (!colours || !indexInRange(index, static_cast<std::size_t>(colours->count))) return fallback;
    return rgbOf((*colours)[index]);
}

void drawLineSet(Scene& scene, nIndexedLineSet& lines, const SimpleArray<Vec3f>& points, uint32_t emissive) {
    Rasterizer& r = *scene.rasterizer;
    const SimpleArray<int32_t>& coordIndex = lines.coordIndex.value;
    const SimpleArray<int32_t>& colorIndex = lines.colorIndex.value;
    const SimpleArray<Color4f>* colours = colorList(lines.color.value);
    const bool perVertex = lines.colorPerVertex.value;
    const RasterVertex* vertices = scene.rasterVertices.get();
    const std::size_t pointCount = static_cast<std::size_t>(points.count);

    int32_t polyline = 0;
    for (int32_t start = 0; start < coordIndex.count; ++polyline) {
        int32_t end = start;
        while (end < coordIndex.count && coordIndex[end] != kFaceEnd) ++end;
        // One colour for the whole polyline, or one per corner.
        const int32_t lineColour = colorIndex.count > 0 ? (polyline < colorIndex.count ? colorIndex[polyline] : -1)
                                                        : polyline;
        auto colourAt = [&](int32_t k) {
            if (!perVertex) return colourOf(colours, lineColour, emissive);
            const int32_t index = colorIndex.count > 0 ? (k < colorIndex.count ? colorIndex[k] : -1) : coordIndex[k];
            return colourOf(colours, index, emissive);
        };
        for (int32_t k = start; k + 1 < end; ++k) {
            const int32_t i0 = coordIndex[k], i1 = coordIndex[k + 1];
            if (!indexInRange(i0, pointCount) || !indexInRange(i1, pointCount)) continue;
            r.drawLine(vertices[i0], vertices[i1], colourAt(k), colourAt(k + 1));
        }
        // A polyline of one point draws that point.
        if (end - start == 1 && indexInRange(coordIndex[start], pointCount))
            r.drawPoint(vertices[coordIndex[start]], colourAt(start));
        start = end + 1;
    }
}

}  // namespace

void drawPointGeometry(Scene& scene, const RenderRecord& record) {
    auto* node = dynamic_cast<X3DPointGeometryNode*>(record.geometry);
    if (!scene.rasterizer || !node) return;
    X3DPointGeometryNode& geometry = *node;
    const SimpleArray<Vec3f>* points = geometry.points();
    if (!points || points->count == 0) return;
    if (!scene.transformVertices(record.modelView, *points)) return;

    // Not lit: the emissive colour (which an unlit material without one
    // takes from its diffuse colour), never a texture.
    SurfaceState surface = record.surface;
    surface.textured = 0;
    surface.texture = nullptr;
    surface.lit = 0;
    scene.rasterizer->beginSurface(surface);
    const uint32_t emissive = rgbOf(surface.emissive);

    if (record.geometry->nodeType == NodeType::IndexedLineSet) {
        drawLineSet(scene, static_cast<nIndexedLineSet&>(geometry), *points, emissive);
        return;
    }
    const auto& set = static_cast<const nPointSet&>(geometry);
    const SimpleArray<Color4f>* colours = colorList(set.color.value);
    const RasterVertex* vertices = scene.rasterVertices.get();
    for (int32_t i = 0; i < points->count; ++i) scene.rasterizer->drawPoint(vertices[i], colourOf(colours, i, emissive));
}

}  // namespace render
