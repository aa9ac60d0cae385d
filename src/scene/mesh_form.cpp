#include "scene/mesh_form.h"

#include <algorithm>

void MeshForm::clear() {
    points.clear();
    coordIndex.clear();
    texPoints.clear();
    texCoordIndex.clear();
    normals.clear();
    normalIndex.clear();
    colors.clear();
    colorIndex.clear();
    ccw = true;
    solid = true;
    boundsCenter = Vec3f{0.0f, 0.0f, 0.0f};
    boundsSize = Vec3f{-1.0f, -1.0f, -1.0f};
}

void MeshForm::computeBounds() {
    if (points.count == 0) return;
    Vec3f low = points[0];
    Vec3f high = points[0];
    for (int32_t i = 1; i < points.count; ++i) {
        const Vec3f& p = points[i];
        low = Vec3f{std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = Vec3f{std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    boundsCenter = Vec3f{(low.x + high.x) * 0.5f, (low.y + high.y) * 0.5f, (low.z + high.z) * 0.5f};
    boundsSize = Vec3f{high.x - low.x, high.y - low.y, high.z - low.z};
}

const MeshForm& X3DMeshGeometryNode::meshForm() {
    if (meshStale) {
        mesh_.clear();
        if (buildMesh(mesh_)) mesh_.computeBounds();
        else mesh_.clear();
        meshStale = false;
    }
    return mesh_;
}

bool X3DMeshGeometryNode::bounds(Vec3f& centre, Vec3f& size) {
    const MeshForm& mesh = meshForm();
    if (mesh.points.count == 0) return false;
    centre = mesh.boundsCenter;
    size = mesh.boundsSize;
    return true;
}

void X3DMeshGeometryNode::fieldChanged(X3DField*) { meshStale = true; }
