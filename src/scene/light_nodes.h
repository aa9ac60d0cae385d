// The one light node of the catalogue: DirectionalLight. Its ambient
// intensity, colour, intensity and switch come from X3DLightNode.
#pragma once

#include "scene/abstract_nodes.h"

class nDirectionalLight : public X3DLightNode {
public:
    fSFVec3f direction{this, FieldCode::direction, Vec3f{0.0f, 0.0f, -1.0f}};
};
