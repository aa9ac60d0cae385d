// What the frame traversal keeps of every visited shape and light, and what a
// ray cast through them finds.
#pragma once

#include <cstdint>

#include "raster/raster_types.h"
#include "base/values.h"

class X3DNode;
class nShape;

// Which rays a recorded shape stops (RenderRecord::rays, the mask a ray
// cast asks with). Every shape stops both, but under a Collision: with
// "collide" FALSE or a proxy its children stop the pointer's rays only, and
// the proxy's shapes navigation's only.
enum RayKind : uint8_t {
    kPointerRays = 1,     // the stylus pick
    kNavigationRays = 2,  // walking: collision and ground following
    kAllRays = kPointerRays | kNavigationRays,
};

// One visited Shape that has a geometry, in traversal order.
struct RenderRecord {
    Matrix modelView;      // modelling to camera: view matrix and every enclosing Transform
    Matrix normalMatrix;   // the rotations alone, chained the same way
    SurfaceState surface;  // the surface state when the shape was visited
    X3DNode* geometry = nullptr;  // not owned: the shape's "geometry" value
    nShape* shape = nullptr;      // not owned: the shape itself (for picking)
    uint8_t rays = kAllRays;      // RayKind bits: the rays this shape stops
};

// What a ray found: the nearest hit among the shapes of the frame.
struct PickResult {
    Vec3f worldPoint;         // the hit point in world coordinates
    nShape* hitShape = nullptr;  // not owned: the shape hit; null when nothing was
    float distance = 0.0f;    // from the eye to the hit; the far distance without a hit
    Vec3f cameraPoint;        // the hit point in camera coordinates
};

// One directional light of the frame, in camera space.
struct LightRecord {
    float x = 0.0f, y = 0.0f, z = 0.0f;  // direction the light travels; unit unless given as zero
    float intensity = 0.0f;              // the light's "intensity", unclamped
};
