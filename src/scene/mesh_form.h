// MeshForm: geometry reduced to the indexed faces the pipeline draws. The
// full profile's face geometry (the primitives, ElevationGrid, Extrusion, and
// an IndexedFaceSet with Normal or Color nodes) is turned into one when it is
// first drawn and again only after one of its fields changes, never per
// frame. The frame draws, culls and picks a MeshForm like an IndexedFaceSet.
#pragma once

#include <cstdint>

#include "base/simple_array.h"
#include "base/values.h"
#include "scene/abstract_nodes.h"

struct MeshForm {
    SimpleArray<Vec3f> points;
    SimpleArray<int32_t> coordIndex;     // faces of point indexes, each ended by -1
    SimpleArray<Vec2f> texPoints;        // (s, t) pairs; empty: untextured
    SimpleArray<int32_t> texCoordIndex;  // one per coordIndex entry; empty: coordIndex
    // Unit normals pointing to the back of their faces (the side opposite to
    // the one that "ccw" makes the front), and per coordIndex entry the
    // normal it uses. Both empty: the mesh is drawn unlit.
    SimpleArray<Vec3f> normals;
    SimpleArray<int32_t> normalIndex;
    // Per-corner colours (r, g, b in 0..1, the fourth component 0) and per
    // coordIndex entry the colour it uses; both empty: the material's colour.
    SimpleArray<Color4f> colors;
    SimpleArray<int32_t> colorIndex;
    bool ccw = true;
    bool solid = true;
    // The box around points; size (-1, -1, -1) while there are none.
    Vec3f boundsCenter{0.0f, 0.0f, 0.0f};
    Vec3f boundsSize{-1.0f, -1.0f, -1.0f};

    // Empties every list and resets the flags and the box.
    void clear();
    // Sets the box around points (left as (-1, -1, -1) without points).
    void computeBounds();
};

// Geometry drawn through a MeshForm. A change of any field marks the form
// stale; meshForm() rebuilds it first when stale.
class X3DMeshGeometryNode : public X3DGeometryNode {
public:
    // The form, rebuilt (buildMesh, then its box) when stale. When memory
    // runs out while building, the form is left empty and nothing is drawn.
    const MeshForm& meshForm();
    // The form's box; false while the form has no points.
    bool bounds(Vec3f& centre, Vec3f& size) override;
    void fieldChanged(X3DField* field) override;

    bool meshStale = true;

protected:
    X3DMeshGeometryNode() = default;
    // Fills `mesh` (cleared beforehand) from the node's fields. Returns false
    // when storage could not be had; the form is then emptied.
    virtual bool buildMesh(MeshForm& mesh) = 0;

private:
    MeshForm mesh_;
};
