// The bindable nodes: Background, NavigationInfo and Viewpoint. One of each
// kind is bound at a time; the binding fields come from X3DBindableNode.
#pragma once

#include "scene/abstract_nodes.h"

class nBackground : public X3DBindableNode {
public:
    fMFColor skyColor{this, FieldCode::skyColor};

    // skyColor holds one colour, black. Throws std::bad_alloc when that colour
    // cannot be stored (the factory turns it into a null node).
    nBackground();
};

class nNavigationInfo : public X3DBindableNode {
public:
    fMFFloat avatarSize{this, FieldCode::avatarSize};
    fSFBool headlight{this, FieldCode::headlight, true};
    fSFFloat speed{this, FieldCode::speed, 1.0f};
    fMFString type{this, FieldCode::type};
    fSFFloat visibilityLimit{this, FieldCode::visibilityLimit, 0.0f};

    // avatarSize holds 0.25 1.6 0.75. Throws std::bad_alloc when those values
    // cannot be stored (the factory turns it into a null node).
    nNavigationInfo();
};

class nViewpoint : public X3DBindableNode {
public:
    fSFString description{this, FieldCode::description};
    // 0 in the catalogue, not a usable angle; the camera decides what 0 means.
    fSFFloat fieldOfView{this, FieldCode::fieldOfView, 0.0f};
    fSFBool jump{this, FieldCode::jump, false};
    fSFRotation orientation{this, FieldCode::orientation, Rotation{0.0f, 0.0f, 1.0f, 0.0f}};
    fSFVec3f position{this, FieldCode::position, Vec3f{0.0f, 0.0f, 10.0f}};
    // working state
    Scene* ownerScene = nullptr;  // not owned: the world recorded by prepare

    // Records the world that "set_bind" events bind this Viewpoint in.
    void prepare(Scene* scene) override;
    // "set_bind" (whatever its value) binds this Viewpoint in ownerScene;
    // nothing happens before prepare. Other fields: nothing.
    void fieldChanged(X3DField* field) override;
};
