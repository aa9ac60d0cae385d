// The five interpolators. "set_fraction", "key" and the cached segment come
// from X3DInterpolatorNode; each class adds its key values and its output.
//
// Each reacts to "set_fraction" only: at or below the first key it sends the
// first key value, at or above the last key the last one (copied whole), in
// between the blend of the two key values around the fraction, from
// "value_changed" without calling its own fieldChanged. It sends nothing for
// an empty "key", a "keyValue" shorter than "key" or a NaN fraction. A
// zero-length segment (two equal keys) gives the value at its end.
#pragma once

#include "scene/abstract_nodes.h"

class nColorInterpolator : public X3DInterpolatorNode {
public:
    fMFColor keyValue{this, FieldCode::keyValue};
    fSFColor value_changed{this, FieldCode::value_changed, Color4f{0.0f, 0.0f, 0.0f, 0.0f}};

    void fieldChanged(X3DField* field) override;
};

class nCoordinateInterpolator : public X3DInterpolatorNode {
public:
    fMFVec3f keyValue{this, FieldCode::keyValue};
    fMFVec3f value_changed{this, FieldCode::value_changed};

    // "value_changed" is sized once, at the first event, to m = keyValue / key
    // points; it then holds the m points blended between the key groups
    // keyValue[i*m ..] and keyValue[(i+1)*m ..]. A route to a Coordinate's
    // "point" carries them (see fMFVec3f). Nothing is sent when m is 0.
    void fieldChanged(X3DField* field) override;
};

class nOrientationInterpolator : public X3DInterpolatorNode {
public:
    fMFRotation keyValue{this, FieldCode::keyValue};
    fSFRotation value_changed{this, FieldCode::value_changed, Rotation{0.0f, 0.0f, 1.0f, 0.0f}};

    void fieldChanged(X3DField* field) override;
};

class nPositionInterpolator : public X3DInterpolatorNode {
public:
    fMFVec3f keyValue{this, FieldCode::keyValue};
    fSFVec3f value_changed{this, FieldCode::value_changed, Vec3f{0.0f, 0.0f, 0.0f}};

    void fieldChanged(X3DField* field) override;
};

class nScalarInterpolator : public X3DInterpolatorNode {
public:
    fMFFloat keyValue{this, FieldCode::keyValue};
    fSFFloat value_changed{this, FieldCode::value_changed, 0.0f};

    void fieldChanged(X3DField* field) override;
};
