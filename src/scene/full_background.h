// The Background of the full profile: the sky as bands of colour from the
// zenith down ("skyColor" at the angles of "skyAngle") and the ground from
// the nadir up ("groundColor" at "groundAngle"), painted behind the world
// every frame (render/sky.cpp). Its picture fields stay out.
#pragma once

#include "scene/bindable_nodes.h"

class nBackgroundFull : public nBackground {
public:
    fMFFloat groundAngle{this, FieldCode::groundAngle};
    fMFColor groundColor{this, FieldCode::groundColor};
    fMFFloat skyAngle{this, FieldCode::skyAngle};
};
