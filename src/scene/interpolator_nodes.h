// The five interpolators. "set_fraction", "key" and the cached segment come
// from X3DInterpolatorNode; each class adds its key values and its output.
#pragma once

#include "scene/abstract_nodes.h"

class nColorInterpolator : public X3DInterpolatorNode {
public:
    fMFColor keyValue{this, FieldCode::keyValue};
    fSFColor value_changed{this, FieldCode::value_changed, Color4f{0.0f, 0.0f, 0.0f, 0.0f}};
};

class nCoordinateInterpolator : public X3DInterpolatorNode {
public:
    fMFVec3f keyValue{this, FieldCode::keyValue};
    fMFVec3f value_changed{this, FieldCode::value_changed};
};

class nOrientationInterpolator : public X3DInterpolatorNode {
public:
    fMFRotation keyValue{this, FieldCode::keyValue};
    fSFRotation value_changed{this, FieldCode::value_changed, Rotation{0.0f, 0.0f, 1.0f, 0.0f}};
};

class nPositionInterpolator : public X3DInterpolatorNode {
public:
    fMFVec3f keyValue{this, FieldCode::keyValue};
    fSFVec3f value_changed{this, FieldCode::value_changed, Vec3f{0.0f, 0.0f, 0.0f}};
};

class nScalarInterpolator : public X3DInterpolatorNode {
public:
    fMFFloat keyValue{this, FieldCode::keyValue};
    fSFFloat value_changed{this, FieldCode::value_changed, 0.0f};
};
