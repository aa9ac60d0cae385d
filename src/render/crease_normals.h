// Normals of a MeshForm's faces by the crease-angle rule, for the full
// profile's generated face geometry (ElevationGrid, Extrusion). Internal to
// render/.
#pragma once

#include "scene/mesh_form.h"

namespace render {

// Fills mesh.normals and mesh.normalIndex (one entry per coordIndex entry,
// -1 at the ends of faces) from mesh.points, coordIndex and ccw, each normal
// pointing to the back of its face. A face's own normal is taken around its
// whole outline (so a bent quadrilateral or one with two equal corners still
// gets one). creaseAngle 0 or less: one normal per face (flat). Otherwise
// each corner gets the normalized sum of the normals of the faces around its
// point whose angle to its own face's normal is below creaseAngle, its own
// face included: edges sharper than creaseAngle stay sharp. A face of fewer
// than three corners, or naming a point that does not exist, gets a zero
// normal and smooths nothing. Returns false when storage cannot be had (the
// two lists are then left empty).
bool buildCreaseNormals(MeshForm& mesh, float creaseAngle);

}  // namespace render
