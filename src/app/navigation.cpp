// The order of one step: ground following first (it moves the eye up or
// down before the collision ray is cast from the new height), then the turn,
// the walking direction from the turned orientation projected on the ground,
// the collision ray along the step (shortening or cancelling it), and last
// the new orientation and position.
//
// A Viewpoint at the top level is moved exactly by these rules in its own
// (the world's) coordinates. One inside Transforms has its position and its
// step taken through the matrix of those Transforms: the rays start where the
// eye really is, and the world step is turned back into the Viewpoint's
// coordinates before it is added.
#include "app/navigation.h"

#include <cmath>
#include <string>

#include "base/limits.h"
#include "render/camera.h"
#include "render/matrix.h"
#include "scene/bindable_nodes.h"
#include "scene/grouping_nodes.h"
#include "scene/node_types.h"
#include "scene/scene.h"

namespace {

// The two spellings of the one navigation type that follows the ground.
bool followsGround(const nNavigationInfo& info) {
    if (info.type.value.count == 0) return false;
    const std::u16string& first = info.type.value[0];
    return first == u"walk" || first == u"WALK";
}

// The avatar height: the second avatarSize value; 0 (no ground following)
// when the list has none.
float avatarHeight(const nNavigationInfo& info) {
    return info.avatarSize.value.count > 1 ? info.avatarSize.value[1] : 0.0f;
}

// The matrix from the Viewpoint's coordinates to the world's: its Transforms
// from the nearest outward, those without an inverse left out. False when
// there is none to apply (the Viewpoint stands at the top level).
bool viewpointToWorld(const nViewpoint& viewpoint, Matrix& toWorld, Matrix& toLocal) {
    bool nested = false;
    toWorld = Matrix{};
    const X3DNode* ancestor = viewpoint.parent;
    for (int32_t level = 0; ancestor && level < kMaxGraphDepth; ++level, ancestor = ancestor->parent) {
        if (ancestor->nodeType != NodeType::Transform) continue;
        const Matrix local = transformMatrices(static_cast<const nTransform&>(*ancestor)).full;
        Matrix inverse = local;
        if (!matrixInverse(inverse)) continue;
        matrixMultiply(toWorld, toWorld, local);
        nested = true;
    }
    if (!nested) return false;
    toLocal = toWorld;
    if (!matrixInverse(toLocal) || !matrixFinite(toWorld)) return false;
    return true;
}

}  // namespace

void navigate(Scene& scene, int32_t keyState) {
    if (keyState == 0) return;
    nViewpoint* viewpoint = scene.boundViewpoint;
    const nNavigationInfo* info = scene.boundNavigationInfo;
    if (!viewpoint || !info) return;

    const double dt = scene.frameClock.now - scene.frameClock.lastFrameTime;
    float turn = 0.0f;
    if (keyState & kNavLeft) turn = static_cast<float>(dt);
    else if (keyState & kNavRight) turn = static_cast<float>(-dt);
    float step = 0.0f;
    if (keyState & kNavUp) step = static_cast<float>(-static_cast<double>(info->speed.value) * dt);
    else if (keyState & kNavDown) step = static_cast<float>(static_cast<double>(info->speed.value) * dt);
    const float height = avatarHeight(*info);

    Matrix toWorld, toLocal;
    const bool nested = viewpointToWorld(*viewpoint, toWorld, toLocal);
    Vec3f& position = viewpoint->position.value;
    Vec3f eye = nested ? transformPoint(toWorld, position) : position;

    // Ground following: the eye snaps to the avatar height above the floor
    // below it, upwards as well as downwards.
    if (followsGround(*info) && height > 0.0f) {
        const PickResult below = scene.rayCast(eye, Vec3f{0.0f, -1.0f, 0.0f}, true, kNavigationRays);
        if (below.hitShape && below.distance != height) {
            eye.y = below.worldPoint.y + height;
            if (nested) position = transformPoint(toLocal, eye);
            else position.y = eye.y;
        }
    }

    // The turn about the viewer's own vertical axis, applied first.
    Matrix orientation;
    matrixFromRotation(orientation, viewpoint->orientation.value);
    Matrix turning;
    matrixRotationY(turning, turn);
    Matrix turned;
    matrixMultiply(turned, turning, orientation);

    // The viewer's local Z on the ground plane; looking straight up or down
    // leaves no direction to walk in.
    float hx = turned.m[6];
    float hz = turned.m[8];
    const float length = static_cast<float>(std::sqrt(static_cast<double>(hx * hx + hz * hz)));
    if (length > 0.0f) {
        hx /= length;
        hz /= length;
    }
    Vec3f move{hx * step, 0.0f, hz * step};
    if (nested) transformDirection(toWorld, move);

    // Stop short of what lies along the step, an avatar height away.
    const Vec3f from{eye.x, eye.y - height * 0.5f, eye.z};
    const PickResult ahead = scene.rayCast(from, Vec3f{move.x, 0.0f, move.z}, true, kNavigationRays);
    if (ahead.hitShape) {
        if (ahead.distance > height) {
            const float allowed = ahead.distance - height;
            const float stepLength = static_cast<float>(std::sqrt(static_cast<double>(move.x * move.x + move.z * move.z)));
            if (stepLength > allowed) {
                move.x *= allowed / stepLength;
                move.z *= allowed / stepLength;
            }
        } else {
            move.x = 0.0f;
            move.z = 0.0f;
        }
    }

    viewpoint->orientation.value = matrixToRotation(turned);
    if (nested) {
        Vec3f localMove{move.x, 0.0f, move.z};
        transformDirection(toLocal, localMove);
        position = Vec3f{position.x + localMove.x, position.y + localMove.y, position.z + localMove.z};
    } else {
        position.x += move.x;
        position.z += move.z;
    }
}
