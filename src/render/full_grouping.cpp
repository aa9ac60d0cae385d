// The frame's part of the full profile's grouping nodes. traverseGroup asks
// fullGroupFrame for every grouping node that is not a Transform, Group or
// Anchor, before the box test and the children:
// - Switch: only choice[whichChoice]; nothing for -1 or any other index out
//   of range;
// - LOD: one level, by the distance from the eye to "center" in the LOD's
//   own coordinates (the matrices above it inverted), measured every frame;
// - Billboard: a rotation put in front of its children's matrices each
//   frame, computed in the Billboard's coordinates from where the eye is and
//   which way is up for it;
// - Collision and Inline: a Group.
// After a Collision's children, finishCollision marks their records so that
// navigation's rays pass through them (collide FALSE, or a proxy standing in)
// and records the proxy for navigation alone. Picking, touch sensors and
// anchors keep seeing the children.
#include "render/full_grouping.h"

#include <cmath>

#include "render/camera.h"
#include "render/matrix.h"
#include "scene/full_grouping_nodes.h"
#include "scene/node_types.h"
#include "scene/scene.h"
#include "scene/shape_nodes.h"

namespace {

// Below this length a projected direction has no usable heading.
constexpr float kSmallestLength = 1e-6f;

float dot(const Vec3f& a, const Vec3f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3f cross(const Vec3f& a, const Vec3f& b) {
    return Vec3f{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3f minus(const Vec3f& a, const Vec3f& b) { return Vec3f{a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3f times(const Vec3f& a, float k) { return Vec3f{a.x * k, a.y * k, a.z * k}; }
float length(const Vec3f& v) { return vectorLength(v.x, v.y, v.z); }

// The eye's position in the coordinates `full` maps to camera space (the
// camera's origin mapped back), or false when the matrix has no inverse.
bool eyeIn(const Matrix& full, Vec3f& eye, Matrix* inverse) {
    Matrix back = full;
    if (!matrixInverse(back)) return false;
    eye = Vec3f{back.tx, back.ty, back.tz};
    if (inverse) *inverse = back;
    return std::isfinite(eye.x) && std::isfinite(eye.y) && std::isfinite(eye.z);
}

// The rows X, Y, Z as a linear part: a row vector (1, 0, 0) maps to X.
Matrix fromRows(const Vec3f& x, const Vec3f& y, const Vec3f& z) {
    Matrix m;
    const Vec3f rows[3] = {x, y, z};
    for (int r = 0; r < 3; ++r) {
        m.m[3 * r] = rows[r].x;
        m.m[3 * r + 1] = rows[r].y;
        m.m[3 * r + 2] = rows[r].z;
    }
    return m;
}

}  // namespace

int32_t lodLevel(const SimpleArray<float>& range, float distance, int32_t levels) {
    int32_t level = 0;
    while (level < range.count && distance >= range[level]) ++level;
    if (level >= levels) level = levels - 1;
    return level < 0 ? 0 : level;
}

Matrix billboardRotation(const Vec3f& axisIn, const Vec3f& eye, const Vec3f& up) {
    const Matrix none;
    const float axisLength = length(axisIn);
    if (!(axisLength == axisLength)) return none;
    if (axisLength == 0.0f) {
        // Turned fully: +Z to the eye, +Y as near the eye's up as it can be.
        const float eyeDistance = length(eye);
        if (!(eyeDistance > kSmallestLength)) return none;
        const Vec3f z = times(eye, 1.0f / eyeDistance);
        Vec3f y = minus(up, times(z, dot(up, z)));
        const float yLength = length(y);
        if (!(yLength > kSmallestLength)) return none;
        y = times(y, 1.0f / yLength);
        return fromRows(cross(y, z), y, z);
    }
    const Vec3f axis = times(axisIn, 1.0f / axisLength);
    // +Z and the eye, each without its part along the axis.
    const Vec3f z = minus(Vec3f{0.0f, 0.0f, 1.0f}, times(axis, axis.z));
    const Vec3f toEye = minus(eye, times(axis, dot(eye, axis)));
    if (!(length(z) > kSmallestLength) || !(length(toEye) > kSmallestLength)) return none;
    // The signed angle from z to toEye about the axis, right-handed.
    const float angle = static_cast<float>(
        std::atan2(static_cast<double>(dot(axis, cross(z, toEye))), static_cast<double>(dot(z, toEye))));
    Matrix turn;
    matrixFromRotation(turn, axis.x, axis.y, axis.z, angle);
    return turn;
}

bool Scene::fullGroupFrame(X3DNode& node, Matrix& full, Matrix& rotation, int32_t& first, int32_t& end) {
    switch (node.nodeType) {
    case NodeType::Collision:
    case NodeType::Inline: return true;
    case NodeType::Switch: {
        const auto& group = static_cast<const nSwitch&>(node);
        const int32_t which = group.whichChoice.value;
        if (which < 0 || which >= group.children.value.count) return false;
        first = which;
        end = which + 1;
        return true;
    }
    case NodeType::LOD: {
        const auto& group = static_cast<const nLOD&>(node);
        const int32_t levels = group.children.value.count;
        if (levels == 0) return false;
        Vec3f eye;
        float distance;
        if (eyeIn(full, eye, nullptr)) {
            distance = length(minus(eye, group.center.value));
        } else {
            // Flattened coordinates: the distance in camera space instead.
            const Vec3f c = transformPoint(full, group.center.value);
            distance = length(c);
        }
        first = lodLevel(group.range.value, distance, levels);
        end = first + 1;
        return true;
    }
    case NodeType::Billboard: {
        const auto& group = static_cast<const nBillboard&>(node);
        Vec3f eye;
        Matrix inverse;
        // A Billboard in flattened coordinates stays unturned.
        if (!eyeIn(full, eye, &inverse)) return true;
        Vec3f up{0.0f, 1.0f, 0.0f};
        transformDirection(inverse, up);
        const Matrix turn = billboardRotation(group.axisOfRotation.value, eye, up);
        matrixMultiply(full, turn, full);
        matrixMultiply(rotation, turn, rotation);
        return matrixFinite(full) && matrixFinite(rotation);
    }
    default: return false;
    }
}

void Scene::finishCollision(X3DNode& node, int32_t firstRecord, const Matrix& full, const Matrix& rotation,
                            int32_t depth) {
    auto& collision = static_cast<nCollision&>(node);
    const bool collide = collision.collide.value;
    X3DNode* proxy = collision.proxy.value;
    if (collide && !proxy) return;
    for (int32_t r = firstRecord; r < renderRecords.count; ++r)
        renderRecords[r].rays = static_cast<uint8_t>(renderRecords[r].rays & ~kNavigationRays);
    if (!collide) return;

    // The proxy: recorded like drawn shapes, then taken off the draw lists
    // (and its lights off the light list), so only navigation's rays see it.
    const int32_t proxyFirst = renderRecords.count;
    const int32_t opaqueBefore = opaqueList.count;
    const int32_t transparentBefore = transparentList.count;
    const int32_t lightsBefore = lights.count;
    const int32_t fullLightsBefore = fullLighting.lights.count;
    if (proxy->nodeType == NodeType::Shape) collectShape(static_cast<nShape&>(*proxy), full, rotation);
    else traverseGroup(proxy, full, rotation, depth + 1);
    opaqueList.truncate(opaqueBefore);
    transparentList.truncate(transparentBefore);
    lights.truncate(lightsBefore);
    fullLighting.lights.truncate(fullLightsBefore);
    for (int32_t r = proxyFirst; r < renderRecords.count; ++r) renderRecords[r].rays = kNavigationRays;
}
