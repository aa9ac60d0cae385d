// An ElevationGrid's MeshForm: the grid's points, one quadrilateral per cell
// and the lists its Color, Normal and TextureCoordinate nodes give (or the
// generated ones where they give none, or too few).
#include <cmath>
#include <cstdint>

#include "render/crease_normals.h"
#include "render/node_lists.h"
#include "scene/elevation_grid.h"

namespace {

bool finiteVector(const Vec3f& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Copies coordIndex into `index` (a per-point list: one entry per corner,
// -1 at the ends), or the cell number of every corner (a per-cell list).
bool fillIndex(SimpleArray<int32_t>& index, const SimpleArray<int32_t>& coordIndex, bool perPoint) {
    if (!index.resetReserve(coordIndex.count)) return false;
    int32_t cell = 0;
    for (int32_t k = 0; k < coordIndex.count; ++k) {
        const int32_t v = coordIndex[k];
        index.append(perPoint || v == -1 ? v : cell);
        if (v == -1) ++cell;
    }
    return true;
}

}  // namespace

bool nElevationGrid::buildMesh(MeshForm& mesh) {
    const int32_t nx = xDimension.value, nz = zDimension.value;
    const float dx = xSpacing.value, dz = zSpacing.value;
    if (nx < 2 || nz < 2 || int64_t{nx} * nz > kMaxPoints) return true;  // nothing to draw
    if (!std::isfinite(dx) || !std::isfinite(dz) || !(dx > 0.0f) || !(dz > 0.0f)) return true;
    const int32_t pointCount = nx * nz;
    const int32_t cellCount = (nx - 1) * (nz - 1);
    const SimpleArray<float>& heights = height.value;
    mesh.ccw = ccw.value;
    mesh.solid = solid.value;

    if (!mesh.points.resetReserve(pointCount) || !mesh.coordIndex.resetReserve(cellCount * 5)) return false;
    for (int32_t j = 0; j < nz; ++j) {
        for (int32_t i = 0; i < nx; ++i) {
            const int32_t k = i + j * nx;
            const float y = k < heights.count ? heights[k] : 0.0f;
            const Vec3f p{static_cast<float>(i) * dx, y, static_cast<float>(j) * dz};
            if (!finiteVector(p)) {
                mesh.clear();
                return true;
            }
            mesh.points.append(p);
        }
    }
    // Counter-clockwise seen from above: down the cell's column (+Z), across
    // (+X), back up.
    for (int32_t j = 0; j + 1 < nz; ++j) {
        for (int32_t i = 0; i + 1 < nx; ++i) {
            const int32_t a = i + j * nx;
            for (int32_t v : {a, a + nx, a + nx + 1, a + 1, -1}) mesh.coordIndex.append(v);
        }
    }

    // Texture points, one per grid point (so texCoordIndex stays empty).
    const SimpleArray<Vec2f>* given = render::texPointList(texCoord.value);
    if (given && given->count >= pointCount) {
        if (!mesh.texPoints.resetReserve(pointCount)) return false;
        for (int32_t k = 0; k < pointCount; ++k) mesh.texPoints.append((*given)[k]);
    } else {
        if (!mesh.texPoints.resetReserve(pointCount)) return false;
        for (int32_t j = 0; j < nz; ++j)
            for (int32_t i = 0; i < nx; ++i)
                mesh.texPoints.append(Vec2f{static_cast<float>(i) / static_cast<float>(nx - 1),
                                            static_cast<float>(j) / static_cast<float>(nz - 1)});
    }

    // Normals: the Normal node's vectors (turned to the back of the faces,
    // as stored), per point or per cell, or the crease-angle rule's.
    const SimpleArray<Vec3f>* vectors = render::normalList(normal.value);
    const bool perPointNormals = normalPerVertex.value;
    const int32_t normalsNeeded = perPointNormals ? pointCount : cellCount;
    if (vectors && vectors->count >= normalsNeeded) {
        if (!mesh.normals.resetReserve(normalsNeeded)) return false;
        for (int32_t k = 0; k < normalsNeeded; ++k) {
            Vec3f n = (*vectors)[k];
            const double length = std::sqrt(static_cast<double>(n.x) * n.x + static_cast<double>(n.y) * n.y +
                                            static_cast<double>(n.z) * n.z);
            n = length > 0.0 && std::isfinite(length)
                    ? Vec3f{static_cast<float>(-n.x / length), static_cast<float>(-n.y / length),
                            static_cast<float>(-n.z / length)}
                    : Vec3f{};
            mesh.normals.append(n);
        }
        if (!fillIndex(mesh.normalIndex, mesh.coordIndex, perPointNormals)) return false;
    } else if (!render::buildCreaseNormals(mesh, creaseAngle.value)) {
        return false;
    }

    // Colours, per point or per cell, when the Color node gives enough.
    const SimpleArray<Color4f>* colours = render::colorList(color.value);
    const bool perPointColours = colorPerVertex.value;
    const int32_t coloursNeeded = perPointColours ? pointCount : cellCount;
    if (colours && colours->count >= coloursNeeded) {
        if (!mesh.colors.resetReserve(coloursNeeded)) return false;
        for (int32_t k = 0; k < coloursNeeded; ++k) mesh.colors.append((*colours)[k]);
        if (!fillIndex(mesh.colorIndex, mesh.coordIndex, perPointColours)) return false;
    }
    return true;
}
