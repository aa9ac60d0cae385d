// Drawing a MeshForm: the IndexedFaceSet path of the frame, with the form's
// own normals, texture points and indexes in place of the node's caches.
#include <span>

#include "raster/rasterizer.h"
#include "render/full_lighting.h"
#include "scene/mesh_form.h"
#include "scene/scene.h"

namespace {

template <class T>
std::span<const T> spanOf(const SimpleArray<T>& array) {
    return std::span<const T>(array.items, static_cast<std::size_t>(array.count));
}

}  // namespace

void Scene::drawMeshForm(const RenderRecord& record, const MeshForm& mesh) {
    if (!rasterizer || mesh.points.count == 0) return;
    if (profile == Profile::Full) {
        FullFaces faces;
        faces.points = &mesh.points;
        faces.coordIndex = spanOf(mesh.coordIndex);
        faces.texPoints = shapeTexturePoints(record, spanOf(mesh.texPoints));
        faces.texCoordIndex = spanOf(mesh.texCoordIndex);
        faces.normals = spanOf(mesh.normals);
        faces.normalIndex = spanOf(mesh.normalIndex);
        faces.colours = spanOf(mesh.colors);
        faces.colourIndex = spanOf(mesh.colorIndex);
        faces.ccw = mesh.ccw;
        faces.solid = mesh.solid;
        drawFullFaces(*this, record, faces);
        return;
    }
    if (!transformVertices(record.modelView, mesh.points)) return;

    SurfaceState surface = record.surface;
    std::span<const ShadeEntry> shadeSpan;
    if (surface.lit && mesh.normals.count != 0) {
        if (!lightNormals(record.normalMatrix, mesh.normals, !mesh.solid)) return;
        shadeSpan = std::span<const ShadeEntry>(shades.get(), static_cast<std::size_t>(mesh.normals.count));
    } else if (surface.lit) {
        // As an unlit material: its emissive colour, or its diffuse colour
        // when it gives none.
        surface.lit = 0;
        const bool black = surface.emissive[0] == 0.0f && surface.emissive[1] == 0.0f && surface.emissive[2] == 0.0f;
        if (black)
            for (int c = 0; c < 3; ++c) surface.emissive[c] = surface.diffuse[c];
    }

    rasterizer->drawIndexedFaces(surface,
                                 std::span<RasterVertex>(rasterVertices.get(), static_cast<std::size_t>(mesh.points.count)),
                                 shadeSpan, spanOf(mesh.coordIndex), shapeTexturePoints(record, spanOf(mesh.texPoints)),
                                 spanOf(mesh.texCoordIndex), spanOf(mesh.normalIndex), mesh.ccw, !mesh.solid);
}
