// The grouping nodes: Transform, Group and Anchor. Their children and bounding
// box hint come from X3DGroupingNode.
#pragma once

#include "scene/abstract_nodes.h"

class nTransform : public X3DGroupingNode {
public:
    fSFVec3f center{this, FieldCode::center, Vec3f{0.0f, 0.0f, 0.0f}};
    fSFRotation rotation{this, FieldCode::rotation, Rotation{0.0f, 0.0f, 1.0f, 0.0f}};
    fSFVec3f scale{this, FieldCode::scale, Vec3f{1.0f, 1.0f, 1.0f}};
    fSFRotation scaleOrientation{this, FieldCode::scaleOrientation, Rotation{0.0f, 0.0f, 1.0f, 0.0f}};
    fSFVec3f translation{this, FieldCode::translation, Vec3f{0.0f, 0.0f, 0.0f}};
};

// A grouping node with no fields of its own.
class nGroup : public X3DGroupingNode {};

class nAnchor : public X3DGroupingNode {
public:
    fSFString description{this, FieldCode::description};
    fMFString parameter{this, FieldCode::parameter};
    fMFString url{this, FieldCode::url};
};
