// Framing a world that brings no Viewpoint: many real files are one model,
// a few millimetres or a few hundred metres across, that a camera at
// (0, 0, 10) shows as nothing or from inside. The camera keeps its
// orientation (down -Z) and field of view; it is centred on the world's box
// and moved back along +Z until the box's front face spans the smaller
// extent of the screen.
//
// The box is that of the geometry the first frame draws, walked here
// without a camera: Transforms applied, a Switch's chosen choice, a LOD's
// first level (the level seen from close by; the camera's distance is what
// is being decided), a Billboard unturned (a camera on its +Z side, as the
// framed camera mostly is, sees it so), no Collision proxy.
//
// Scale. The default NavigationInfo's values are those of a person in a
// room some ten metres across. With k = (largest side of the box) / 10 a
// world without its own NavigationInfo gets them times k: speed k (ten
// seconds to cross the world), avatar height 1.6 k (how near walls stop the
// walk), visibility limit 10000 k (far plane, a thousand world sizes), and a
// near plane of 0.125 k, but never more than half the distance to the box's
// front face, so nothing of the framed world is clipped.
#include <algorithm>
#include <cmath>

#include "base/limits.h"
#include "render/camera.h"
#include "render/matrix.h"
#include "scene/bindable_nodes.h"
#include "scene/full_grouping_nodes.h"
#include "scene/grouping_nodes.h"
#include "scene/node_types.h"
#include "scene/scene.h"
#include "scene/shape_nodes.h"

namespace {

// One person in a room, the size the default navigation values suit.
constexpr float kDefaultWorldSize = 10.0f;
constexpr float kAvatarWidth = 0.25f;
constexpr float kAvatarHeight = 1.6f;
constexpr float kAvatarStep = 0.75f;
constexpr float kFarPerScale = 10000.0f;

struct BoxWalk {
    Vec3f low{0.0f, 0.0f, 0.0f};
    Vec3f high{0.0f, 0.0f, 0.0f};
    bool any = false;
    int32_t budget = kMaxTraversalVisits;
};

void addPoint(BoxWalk& walk, const Vec3f& p) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return;
    if (!walk.any) {
        walk.low = walk.high = p;
        walk.any = true;
        return;
    }
    walk.low = Vec3f{std::min(walk.low.x, p.x), std::min(walk.low.y, p.y), std::min(walk.low.z, p.z)};
    walk.high = Vec3f{std::max(walk.high.x, p.x), std::max(walk.high.y, p.y), std::max(walk.high.z, p.z)};
}

void addShape(BoxWalk& walk, const nShape& shape, const Matrix& full) {
    X3DNode* geometry = shape.geometry.value;
    if (!geometry || geometry->category != NodeCategory::Geometry) return;
    Vec3f c, s;
    if (!static_cast<X3DGeometryNode&>(*geometry).bounds(c, s)) return;
    if (s.x < 0.0f || s.y < 0.0f || s.z < 0.0f) return;  // (-1, -1, -1): no box
    for (int corner = 0; corner < 8; ++corner) {
        const Vec3f p{c.x + ((corner & 1) ? 0.5f : -0.5f) * s.x, c.y + ((corner & 2) ? 0.5f : -0.5f) * s.y,
                      c.z + ((corner & 4) ? 0.5f : -0.5f) * s.z};
        addPoint(walk, transformPoint(full, p));
    }
}

void walkGroup(BoxWalk& walk, X3DNode* node, const Matrix& outer, int32_t depth) {
    if (!node || node->category != NodeCategory::Grouping || depth > kMaxGraphDepth) return;
    Matrix full = outer;
    const auto& group = static_cast<const X3DGroupingNode&>(*node);
    int32_t first = 0, end = group.children.value.count;
    switch (node->nodeType) {
    case NodeType::Transform: {
        const TransformMatrices local = transformMatrices(static_cast<const nTransform&>(*node));
        matrixMultiply(full, local.full, outer);
        if (!matrixFinite(full)) return;
        break;
    }
    case NodeType::Switch: {
        const int32_t which = static_cast<const nSwitch&>(*node).whichChoice.value;
        if (which < 0 || which >= end) return;
        first = which;
        end = which + 1;
        break;
    }
    case NodeType::LOD: end = std::min(end, 1); break;
    default: break;
    }
    const SimpleArray<X3DNode*>& children = group.children.value;
    for (int32_t i = first; i < end && i < children.count; ++i) {
        X3DNode* child = children[i];
        if (!child) continue;
        if (--walk.budget < 0) return;
        if (child->nodeType == NodeType::Shape) addShape(walk, static_cast<const nShape&>(*child), full);
        else walkGroup(walk, child, full, depth + 1);
    }
}

}  // namespace

bool Scene::worldBounds(Vec3f& centre, Vec3f& size) {
    BoxWalk walk;
    walkGroup(walk, root, Matrix{}, 0);
    if (!walk.any) return false;
    centre = Vec3f{(walk.low.x + walk.high.x) * 0.5f, (walk.low.y + walk.high.y) * 0.5f,
                   (walk.low.z + walk.high.z) * 0.5f};
    size = Vec3f{walk.high.x - walk.low.x, walk.high.y - walk.low.y, walk.high.z - walk.low.z};
    return std::isfinite(size.x) && std::isfinite(size.y) && std::isfinite(size.z);
}

void Scene::frameWorld() {
    if (!defaultViewpoint || (boundViewpoint && boundViewpoint != defaultViewpoint)) return;
    Vec3f c, s;
    if (!worldBounds(c, s)) return;
    const float largest = std::max({s.x, s.y, s.z});
    if (!(largest > 0.0f)) return;  // a point shows nothing wherever the camera is

    // The front face's half extent across the view; a box seen end-on (no
    // width, no height) is framed by its depth instead.
    float half = std::max(s.x, s.y) * 0.5f;
    if (!(half > 0.0f)) half = s.z * 0.5f;
    const double halfAngle = static_cast<double>(usableFieldOfView(defaultViewpoint->fieldOfView.value)) * 0.5;
    const float distance = static_cast<float>(static_cast<double>(half) / std::tan(halfAngle));
    const Vec3f position{c.x, c.y, c.z + s.z * 0.5f + distance};
    if (!std::isfinite(position.z)) return;
    defaultViewpoint->position.value = position;
    defaultViewpoint->orientation.value = Rotation{0.0f, 0.0f, 1.0f, 0.0f};

    if (boundNavigationInfo && boundNavigationInfo != defaultNavigationInfo) return;
    nNavigationInfo* info = defaultNavigationInfo;
    if (!info) return;
    const float k = largest / kDefaultWorldSize;
    SimpleArray<float>& avatar = info->avatarSize.value;
    // The near plane (half the avatar width) stays in front of the box.
    const float width = std::min(kAvatarWidth * k, distance);
    const float values[3] = {width, kAvatarHeight * k, kAvatarStep * k};
    avatar.clear();
    for (float v : values) avatar.append(v);
    info->speed.value = k;
    info->visibilityLimit.value = kFarPerScale * k;
}
