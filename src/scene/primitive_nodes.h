// The four primitives the full profile builds: Box, Sphere, Cone and
// Cylinder. Each is tessellated into a MeshForm the first time it is drawn
// (and again only after one of its fields changes), so the frame draws,
// culls and picks it like an IndexedFaceSet. The tessellation lives in
// render/primitive_mesh.cpp.
//
// Every primitive is centred on its origin, solid and counter-clockwise seen
// from outside. Curved sides are smooth (one normal per point of the side),
// caps and box faces flat. A size, radius or height that is not finite, or
// not above 0, leaves the form empty: nothing is drawn, culled or picked.
#pragma once

#include <cstdint>

#include "scene/mesh_form.h"

// Segments around the axis of the round primitives, and rings from pole to
// pole of the Sphere. With 32 segments the polygon of a round silhouette lies
// within 1/200 of its radius of the circle (under two pixels for one that
// fills a 720-row view); the Sphere's 16 rings keep its quads near square.
inline constexpr int32_t kRoundSegments = 32;
inline constexpr int32_t kSphereRings = 16;

class nBox : public X3DMeshGeometryNode {
public:
    fSFVec3f size{this, FieldCode::size, Vec3f{2.0f, 2.0f, 2.0f}};

protected:
    // 8 corners, 6 quadrilateral faces with one normal each, and on every
    // face the whole image, upright seen from outside (top and bottom as if
    // tilted towards the viewer at +Z).
    bool buildMesh(MeshForm& mesh) override;
};

class nSphere : public X3DMeshGeometryNode {
public:
    fSFFloat radius{this, FieldCode::radius, 1.0f};

protected:
    // kSphereRings rings of kRoundSegments quads (triangles at the poles).
    // s runs counter-clockwise seen from above, starting at the back (-Z),
    // t from the bottom (-Y) to the top.
    bool buildMesh(MeshForm& mesh) override;
};

class nCone : public X3DMeshGeometryNode {
public:
    fSFFloat bottomRadius{this, FieldCode::bottomRadius, 1.0f};
    fSFFloat height{this, FieldCode::height, 2.0f};
    fSFBool side{this, FieldCode::side, true};
    fSFBool bottom{this, FieldCode::bottom, true};

protected:
    // The apex at y = height / 2, the bottom circle at -height / 2: one
    // triangle per segment on the side (s as on the Sphere, t 0 at the
    // bottom, 1 at the apex) and one flat polygon for the bottom.
    bool buildMesh(MeshForm& mesh) override;
};

class nCylinder : public X3DMeshGeometryNode {
public:
    fSFBool bottom{this, FieldCode::bottom, true};
    fSFFloat height{this, FieldCode::height, 2.0f};
    fSFFloat radius{this, FieldCode::radius, 1.0f};
    fSFBool side{this, FieldCode::side, true};
    fSFBool top{this, FieldCode::top, true};

protected:
    // One quad per segment on the side (s as on the Sphere, t from bottom to
    // top) and a flat polygon for each cap; a cap's image is the square
    // around its circle, upright when the top is tilted towards +Z (the top
    // cap) or towards -Z (the bottom cap).
    bool buildMesh(MeshForm& mesh) override;
};
