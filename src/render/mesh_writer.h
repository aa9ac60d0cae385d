// Filling a MeshForm one point, texture point, normal and face corner at a
// time, as the full profile's tessellators do. Internal to render/.
//
// Every append may fail for want of memory; the writer remembers the first
// failure (ok turns false) and the tessellator reports it from buildMesh,
// which leaves the form empty.
#pragma once

#include <cstdint>

#include "scene/mesh_form.h"

namespace render {

class MeshWriter {
public:
    explicit MeshWriter(MeshForm& mesh) : mesh_(mesh) {}

    bool ok() const { return ok_; }

    // Each returns the index of what it appended.
    int32_t point(const Vec3f& p) {
        ok_ = mesh_.points.append(p) && ok_;
        return mesh_.points.count - 1;
    }
    int32_t texPoint(float s, float t) {
        ok_ = mesh_.texPoints.append(Vec2f{s, t}) && ok_;
        return mesh_.texPoints.count - 1;
    }
    // The normal of a face's front (outside) side; stored turned round, to
    // the back of the face, as the lighting reads normals.
    int32_t frontNormal(const Vec3f& n) {
        ok_ = mesh_.normals.append(Vec3f{-n.x, -n.y, -n.z}) && ok_;
        return mesh_.normals.count - 1;
    }

    // One corner of the face being written: its point, texture point and
    // normal (each -1 where the form has none of that list).
    void corner(int32_t point, int32_t tex, int32_t normal) {
        ok_ = mesh_.coordIndex.append(point) && ok_;
        if (tex >= 0) ok_ = mesh_.texCoordIndex.append(tex) && ok_;
        if (normal >= 0) ok_ = mesh_.normalIndex.append(normal) && ok_;
    }
    // Ends the face: a -1 in every index list in use, so that the lists stay
    // one entry per coordIndex entry.
    void endFace(bool textured, bool withNormals) {
        ok_ = mesh_.coordIndex.append(-1) && ok_;
        if (textured) ok_ = mesh_.texCoordIndex.append(-1) && ok_;
        if (withNormals) ok_ = mesh_.normalIndex.append(-1) && ok_;
    }

private:
    MeshForm& mesh_;
    bool ok_ = true;
};

}  // namespace render
