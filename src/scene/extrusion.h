// Extrusion: a 2D cross-section swept along a 3D spine, scaled and turned at
// every spine point, with optional caps; built by the full profile. It is
// turned into a MeshForm the first time it is drawn and again only after one
// of its fields changes (render/extrusion_mesh.cpp).
#pragma once

#include <cstdint>

#include "scene/mesh_form.h"

class nExtrusion : public X3DMeshGeometryNode {
public:
    // More points (cross-section times spine) than this draw nothing.
    static constexpr int64_t kMaxPoints = int64_t{1} << 24;

    fSFBool beginCap{this, FieldCode::beginCap, true};
    fSFBool ccw{this, FieldCode::ccw, true};
    fSFBool convex{this, FieldCode::convex, true};
    fSFFloat creaseAngle{this, FieldCode::creaseAngle, 0.0f};
    fMFVec2f crossSection{this, FieldCode::crossSection};
    fSFBool endCap{this, FieldCode::endCap, true};
    fMFRotation orientation{this, FieldCode::orientation};
    fMFVec2f scale{this, FieldCode::scale};
    fSFBool solid{this, FieldCode::solid, true};
    fMFVec3f spine{this, FieldCode::spine};

    // The defaults of the three lists: a square of side 2 (five points, the
    // first repeated), no turn, scale 1, and the spine from (0, 0, 0) to
    // (0, 1, 0). A file's value replaces them.
    nExtrusion();

protected:
    // At every spine point the cross-section (x, z) is scaled, turned by the
    // orientation, and placed in that point's cross-section plane: Y along
    // the spine's tangent, Z along the cross product of the two adjacent
    // segments (its sign kept from one point to the next), X = Y x Z; a
    // straight spine keeps the plane of the rotation that takes +Y onto it.
    // A closed spine (first point = last) and a closed cross-section share
    // their end points so creaseAngle smooths across the seam. Sides are
    // quadrilaterals; caps are polygons (cut into triangles by ear clipping
    // when convex is FALSE). Texture s runs along the cross-section and t
    // along the spine, both by length; caps map the cross-section's box.
    // Fewer than 2 spine points or cross-section points, a value that is not
    // finite, or too many points: an empty form.
    bool buildMesh(MeshForm& mesh) override;
};
