// The six abstract node bases. Each sets the family code and constructs the
// fields its family shares, base fields first, so every derived node registers
// them ahead of its own. Their constructors are protected: only the concrete
// node classes are made.
#pragma once

#include <cstdint>

#include "scene/field_codes.h"
#include "scene/fields.h"
#include "scene/node.h"
#include "scene/node_types.h"
#include "base/values.h"

struct FrameClock;

class X3DBindableNode : public X3DNode {
public:
    fSFBool set_bind{this, FieldCode::set_bind, false};
    fSFTime bindTime{this, FieldCode::bindTime, -1.0};
    fSFBool isBound{this, FieldCode::isBound, false};

protected:
    X3DBindableNode() : X3DNode(NodeCategory::Bindable) {}
};

class X3DGeometryNode : public X3DNode {
public:
    // The node's bounding box: fills centre and size and returns true, or
    // returns false when the node has no box. The base has none.
    virtual bool bounds(Vec3f& centre, Vec3f& size);

protected:
    X3DGeometryNode() : X3DNode(NodeCategory::Geometry) {}
};

class X3DGroupingNode : public X3DNode {
public:
    fMFNode children{this, FieldCode::children};
    fSFVec3f bboxCenter{this, FieldCode::bboxCenter, Vec3f{0.0f, 0.0f, 0.0f}};
    fSFVec3f bboxSize{this, FieldCode::bboxSize, Vec3f{-1.0f, -1.0f, -1.0f}};

protected:
    X3DGroupingNode() : X3DNode(NodeCategory::Grouping) {}
};

class X3DInterpolatorNode : public X3DNode {
public:
    fSFFloat set_fraction{this, FieldCode::set_fraction, 0.0f};
    fMFFloat key{this, FieldCode::key};
    // working state
    int32_t lastSegment = 0;  // index of the key segment found last

    // The index i of the key segment [key[i], key[i+1]] holding f, for
    // key[0] < f < key[n-1]: the cached segment or the next one when they
    // hold it, else a binary search (the result is cached). Always within
    // 0 .. n-2; reads no key outside the list even when lastSegment is stale.
    int32_t findSegment(float f);

protected:
    X3DInterpolatorNode() : X3DNode(NodeCategory::Interpolator) {}
};

class X3DSensorNode : public X3DNode {
public:
    fSFBool enabled{this, FieldCode::enabled, true};
    fSFBool isActive{this, FieldCode::isActive, false};

    // Called once for every sensor when the world's clock starts. Does nothing
    // here.
    virtual void start(FrameClock* clock);
    // Called for every sensor in each frame. Does nothing here.
    virtual void tick(FrameClock* clock);

protected:
    X3DSensorNode() : X3DNode(NodeCategory::Sensor) {}
};

class X3DLightNode : public X3DNode {
public:
    fSFFloat ambientIntensity{this, FieldCode::ambientIntensity, 0.0f};
    fSFColor color{this, FieldCode::color, Color4f{1.0f, 1.0f, 1.0f, 0.0f}};
    fSFFloat intensity{this, FieldCode::intensity, 1.0f};
    fSFBool on{this, FieldCode::on, true};

protected:
    X3DLightNode() : X3DNode(NodeCategory::Light) {}
};
