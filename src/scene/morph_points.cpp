// Morphing meshes: how a CoordinateInterpolator's points reach a mesh.
//
// Point lists normally travel along routes as a notice only: the destination
// keeps its own points and its owner is told. That leaves a world's author no
// way to morph a mesh, which is what a CoordinateInterpolator is written for.
// So exactly one kind of route carries the points: from a
// CoordinateInterpolator's "value_changed" to a Coordinate's "point" (a ROUTE
// naming set_point reaches the same field). Every other point route still
// only tells.
//
// A mesh derives its box and normals from its Coordinate's points and
// rebuilds them only when marked stale, which used to happen only for a
// "coord" event. The Coordinate therefore counts its "point" events, and each
// IndexedFaceSet using it compares that count with the one it built from the
// next time its box is asked for (which the frame does before drawing it).
// The count may wrap: only equality is ever asked.
#include "scene/fields.h"
#include "scene/field_codes.h"
#include "scene/geometry_nodes.h"
#include "scene/node_types.h"

namespace {

bool ownedBy(const X3DField& field, int32_t nodeType, int32_t nameCode) {
    return field.owner && field.owner->nodeType == nodeType && field.nameCode == nameCode;
}

// Copies the points along a morphing route; any other route keeps its points.
void copyMorphPoints(const X3DField& from, X3DField& to) {
    if (!ownedBy(from, NodeType::CoordinateInterpolator, FieldCode::value_changed) ||
        !ownedBy(to, NodeType::Coordinate, FieldCode::point))
        return;
    const SimpleArray<Vec3f>& source = static_cast<const fMFVec3f&>(from).value;
    SimpleArray<Vec3f>& destination = static_cast<fMFVec3f&>(to).value;
    // Same size (every frame of a morph after the first): overwrite in place,
    // no allocation.
    if (destination.count != source.count) {
        if (!destination.resetReserve(source.count)) return;
        for (const Vec3f& p : source) destination.append(p);
        return;
    }
    for (int32_t i = 0; i < source.count; ++i) destination[i] = source[i];
}

}  // namespace

void fMFVec3f::propagate() { deliverAlongRoutes(copyMorphPoints); }

void nCoordinate::fieldChanged(X3DField* field) {
    if (field == &point) ++pointEvents;
}

void nIndexedFaceSet::notePointEvents() {
    const X3DNode* node = coord.value;
    const uint32_t events =
        node && node->nodeType == NodeType::Coordinate ? static_cast<const nCoordinate*>(node)->pointEvents : 0;
    if (node == pointsSeenOf && events != pointEventsSeen) {
        boundsStale = true;
        normalsStale = true;
    }
    pointsSeenOf = node;
    pointEventsSeen = events;
}
