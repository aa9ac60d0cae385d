// IndexedLineSet and PointSet, built by the full profile: one-pixel lines and
// points, not lit, drawn in the material's emissive colour or in their Color
// node's colours (render/line_draw.cpp). Picking and navigation do not hit
// them.
#pragma once

#include <cstdint>

#include "scene/abstract_nodes.h"

// What the two share: the "coord" node's points and their box, rebuilt when
// "coord" changes or its Coordinate has received "point" events since the
// box was made (a CoordinateInterpolator may move the points).
class X3DPointGeometryNode : public X3DGeometryNode {
public:
    // The box around the Coordinate's points; false without a Coordinate
    // node or points (the shape is then never culled, and draws nothing).
    bool bounds(Vec3f& centre, Vec3f& size) override;
    void fieldChanged(X3DField* field) override;

    // The points of the Coordinate node in `coord`, or null.
    const SimpleArray<Vec3f>* points() const;

    fSFNode* coordField = nullptr;  // the class's "coord" field
    // working state: the box cache
    Vec3f boundsCenter{0.0f, 0.0f, 0.0f};
    Vec3f boundsSize{-1.0f, -1.0f, -1.0f};
    bool boundsStale = true;
    const X3DNode* pointsSeenOf = nullptr;  // not owned: the Coordinate last measured
    uint32_t pointEventsSeen = 0;           // its pointEvents then

protected:
    X3DPointGeometryNode() = default;
};

class nIndexedLineSet : public X3DPointGeometryNode {
public:
    fSFNode color{this, FieldCode::color};
    fSFNode coord{this, FieldCode::coord};
    fMFInt32 colorIndex{this, FieldCode::colorIndex};
    fSFBool colorPerVertex{this, FieldCode::colorPerVertex, true};
    fMFInt32 coordIndex{this, FieldCode::coordIndex};

    nIndexedLineSet() { coordField = &coord; }
};

class nPointSet : public X3DPointGeometryNode {
public:
    fSFNode color{this, FieldCode::color};
    fSFNode coord{this, FieldCode::coord};

    nPointSet() { coordField = &coord; }
};
