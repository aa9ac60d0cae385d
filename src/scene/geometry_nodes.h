// Geometry and its point lists: IndexedFaceSet, Coordinate and
// TextureCoordinate.
//
// An IndexedFaceSet keeps two caches derived from its fields, its normals and
// its bounding box; both start stale and a change of "coord" marks them stale
// again, so they are rebuilt the next time they are asked for. Its operations
// are mesh preparation and live with it in render/mesh_prepare.cpp.
//
// Morphing: a CoordinateInterpolator routed to a Coordinate's "point" changes
// the points of every mesh using that Coordinate without any "coord" event.
// So the Coordinate counts the "point" events it receives, and each mesh
// remembers the count it last built from; bounds (which the frame asks before
// drawing) marks both caches stale when the count has moved on.
#pragma once

#include <cstdint>

#include "scene/abstract_nodes.h"

class nCoordinate : public X3DNode {
public:
    fMFVec3f point{this, FieldCode::point};
    // working state
    uint32_t pointEvents = 0;  // "point" events received (wraps)

    nCoordinate() : X3DNode(NodeCategory::Other) {}

    // Counts a "point" event, whether it carried points or only told.
    void fieldChanged(X3DField* field) override;
};

class nTextureCoordinate : public X3DNode {
public:
    fMFVec2f point{this, FieldCode::point};

    nTextureCoordinate() : X3DNode(NodeCategory::Other) {}
};

class nIndexedFaceSet : public X3DGeometryNode {
public:
    fMFInt32 set_coordIndex{this, FieldCode::set_coordIndex};
    fMFInt32 set_texCoordIndex{this, FieldCode::set_texCoordIndex};
    fSFNode coord{this, FieldCode::coord};
    fSFNode texCoord{this, FieldCode::texCoord};
    fSFBool ccw{this, FieldCode::ccw, true};
    fMFInt32 coordIndex{this, FieldCode::coordIndex};
    fSFFloat creaseAngle{this, FieldCode::creaseAngle, 0.0f};
    fSFBool solid{this, FieldCode::solid, true};
    fMFInt32 texCoordIndex{this, FieldCode::texCoordIndex};
    // working state: the mesh caches
    SimpleArray<Vec3f> normals;        // unit normals, per face or per point
    SimpleArray<int32_t> normalIndex;  // per coordIndex entry: the normal it uses
    Vec3f boundsCenter{0.0f, 0.0f, 0.0f};
    Vec3f boundsSize{-1.0f, -1.0f, -1.0f};  // -1 until first computed
    bool boundsStale = true;
    bool normalsStale = true;
    const X3DNode* pointsSeenOf = nullptr;  // not owned: the "coord" node last looked at
    uint32_t pointEventsSeen = 0;           // its pointEvents then

    // A change of this node's "coord" marks the normals and the bounds stale;
    // every other field changes nothing here.
    void fieldChanged(X3DField* field) override;

    // Marks both caches stale when "coord" holds the same Coordinate as at the
    // last look and that Coordinate has received a "point" event since; then
    // remembers the node and its count. A node put into "coord" without an
    // event is only remembered.
    void notePointEvents();

    // The box around the points of "coord" (centre and size), rebuilt first
    // when stale (after notePointEvents). Without a Coordinate node or points the box stays as it was
    // ((-1, -1, -1) until points existed), which the culling treats as "may be
    // seen". Always returns true.
    bool bounds(Vec3f& centre, Vec3f& size) override;

    // Rebuilds normals and normalIndex from "coord", "coordIndex", "ccw" and
    // "creaseAngle": one normal per face (creaseAngle 0 or less) or one per
    // point averaged over its faces, each pointing to the back of its face;
    // normalIndex has one entry per coordIndex entry. A face of fewer than
    // three corners, or naming a point that does not exist, gets a zero normal
    // and keeps its number; only existing points are read. Without a
    // Coordinate node or with an empty coordIndex nothing changes. When memory
    // cannot be had both lists are left empty. Does not touch normalsStale.
    void prepareNormals();
};
