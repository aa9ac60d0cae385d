// The camera: Transform matrices, the view of a Viewpoint with the one-second
// change from one Viewpoint to the next, the near and far distances, clip
// codes, box culling and the per-mesh vertex transform.
//
// Camera space has the eye at the origin looking down -z, +x right, +y up. A
// point is in front when z lies below -nearDistance; its screen position is
// sx = halfWidth + x k, sy = halfHeight - y k with k = focalLength / z, which
// is positive in front because focalLength is negative.
//
// Nothing that is not finite leaves this file for the rasterizer: a Transform
// without an inverse is not drawn, a view that cannot be computed is the
// identity, and a mesh with a point that lands at infinity is not drawn.
#include "render/camera.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "base/limits.h"
#include "scene/bindable_nodes.h"
#include "scene/grouping_nodes.h"
#include "scene/node_types.h"
#include "scene/scene.h"

namespace {

// A near distance below this would make the projection blow up.
constexpr float kSmallestNear = 1e-5f;
// Near distance when the NavigationInfo gives no avatar size at all: half of
// the catalogue's default avatar width (0.25), as if it had been given.
constexpr float kNearWithoutAvatar = 0.125f;
// A visibility limit below this means "no limit".
constexpr float kSmallestVisibilityLimit = 1e-5f;
constexpr float kUnlimitedFar = 100000.0f;
// More points than this would make the RasterVertex array's byte count
// overflow 32 bits (48 bytes each).
constexpr int32_t kMaxRasterVertices = 89478485;
// The AND of clip codes starts from every bit set.
constexpr int32_t kAllCodes = -1;
constexpr float kPi = 3.14159265358979f;

bool isDefaultOrientation(const Rotation& r) {
    return r.x == 0.0f && r.y == 0.0f && r.z == 1.0f && r.angle == 0.0f;
}

bool finite3(float x, float y, float z) { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }

// Screen bits of a projected point; the near bit is handled by the callers.
// Left and right (top and bottom) cannot both hold, so testing the second
// only when the first is clear, as the clip-code table has it, is the same
// as testing both.
inline int32_t screenCode(float sx, float sy, float z, float width, float height, float far) {
    return (sx < 0.0f ? kOutLeft : 0) | (sx > width ? kOutRight : 0) | (sy < 0.0f ? kOutTop : 0) |
           (sy > height ? kOutBottom : 0) | (z < -far ? kOutFar : 0);
}

}  // namespace

TransformMatrices transformMatrices(const nTransform& transform) {
    const Vec3f& k = transform.center.value;
    const Vec3f& p = transform.translation.value;
    const Vec3f& s = transform.scale.value;
    const Rotation& so = transform.scaleOrientation.value;

    TransformMatrices out;
    Matrix& m = out.full;
    m.tx = p.x + k.x;
    m.ty = p.y + k.y;
    m.tz = p.z + k.z;
    matrixFromRotation(m, transform.rotation.value);
    out.rotation = m;

    const bool oriented = !isDefaultOrientation(so);
    Matrix q;
    if (oriented) {
        matrixFromRotation(q, so);
        matrixMultiply(m, q, m);
    }
    for (int c = 0; c < 3; ++c) {
        m.m[c] *= s.x;
        m.m[3 + c] *= s.y;
        m.m[6 + c] *= s.z;
    }
    if (oriented) {
        matrixTransposeInverse(q);
        matrixMultiply(m, q, m);
    }
    // The children turn about the centre: take the turned centre back off.
    m.tx = (p.x + k.x) - (k.x * m.m[0] + k.y * m.m[3] + k.z * m.m[6]);
    m.ty = (p.y + k.y) - (k.x * m.m[1] + k.y * m.m[4] + k.z * m.m[7]);
    m.tz = (p.z + k.z) - (k.x * m.m[2] + k.y * m.m[5] + k.z * m.m[8]);
    return out;
}

bool matrixFinite(const Matrix& matrix) {
    for (float v : matrix.m)
        if (!std::isfinite(v)) return false;
    return finite3(matrix.tx, matrix.ty, matrix.tz);
}

Matrix viewFromViewpoint(const nViewpoint& viewpoint) {
    const Vec3f& p = viewpoint.position.value;
    const Rotation& o = viewpoint.orientation.value;
    Matrix view;
    matrixFromRotation(view, o.x, o.y, o.z, -o.angle);
    const float* l = view.m;
    view.tx = -(p.x * l[0] + p.y * l[3] + p.z * l[6]);
    view.ty = -(p.x * l[1] + p.y * l[4] + p.z * l[7]);
    view.tz = -(p.x * l[2] + p.y * l[5] + p.z * l[8]);

    const X3DNode* ancestor = viewpoint.parent;
    for (int32_t level = 0; ancestor && level < kMaxGraphDepth; ++level, ancestor = ancestor->parent) {
        if (ancestor->nodeType != NodeType::Transform) continue;
        Matrix inverse = transformMatrices(static_cast<const nTransform&>(*ancestor)).full;
        // A Transform that collapses its children has no inverse; the
        // viewpoint below it keeps the view of the Transforms that have one.
        if (!matrixInverse(inverse)) continue;
        matrixMultiply(view, inverse, view);
    }
    if (!matrixFinite(view)) return Matrix{};
    return view;
}

float usableFieldOfView(float angle) {
    // tan(angle / 2) must be positive and finite.
    if (!(angle > 0.0f && angle < kPi)) return kDefaultFieldOfView;
    return angle;
}

float focalLengthFor(float halfWidth, float halfHeight, float fieldOfView) {
    const double half = static_cast<double>(std::min(halfWidth, halfHeight));
    const float halfAngle = usableFieldOfView(fieldOfView) * 0.5f;
    return static_cast<float>(-half / std::tan(static_cast<double>(halfAngle)));
}

void Scene::setNearFar() {
    const nNavigationInfo* info = boundNavigationInfo ? boundNavigationInfo : defaultNavigationInfo;
    if (!info) {
        nearDistance = kNearWithoutAvatar;
        farDistance = kUnlimitedFar;
        return;
    }
    const float limit = info->visibilityLimit.value;
    farDistance = limit >= kSmallestVisibilityLimit ? limit : kUnlimitedFar;  // NaN: no limit
    const SimpleArray<float>& avatar = info->avatarSize.value;
    if (avatar.count == 0) {
        nearDistance = kNearWithoutAvatar;
        return;
    }
    const float near = avatar[0] * 0.5f;
    nearDistance = near >= kSmallestNear ? near : kSmallestNear;  // NaN: the smallest
}

void Scene::setupView() {
    const nViewpoint* cur = boundViewpoint ? boundViewpoint : defaultViewpoint;
    if (!cur) {
        viewMatrix = Matrix{};
        focalLength = focalLengthFor(screenHalfWidth, screenHalfHeight, kDefaultFieldOfView);
        return;
    }
    const nViewpoint* prev = previousViewpoint;
    if (bindJump || !prev || prev == cur) {
        focalLength = focalLengthFor(screenHalfWidth, screenHalfHeight, cur->fieldOfView.value);
        viewMatrix = viewFromViewpoint(*cur);
        return;
    }

    // The change from prev to cur: one second of world time, interpolating
    // the two view matrices (rotation on the great arc, translation on the
    // straight line in camera space) and the field of view.
    const Matrix a = viewFromViewpoint(*prev);
    const Matrix b = viewFromViewpoint(*cur);
    const Rotation ra = matrixToRotation(a);
    const Rotation rb = matrixToRotation(b);
    float f = static_cast<float>(frameClock.now - transitionStart);
    if (f > 1.0f) f = 1.0f;
    if (!(f >= 0.0f)) f = 0.0f;  // a clock set back before the binding: the start view

    const float fovA = usableFieldOfView(prev->fieldOfView.value);
    const float fovB = usableFieldOfView(cur->fieldOfView.value);
    focalLength = focalLengthFor(screenHalfWidth, screenHalfHeight, fovA + (fovB - fovA) * f);

    Matrix view;
    matrixFromRotation(view, slerpRotation(ra, rb, f));
    const Vec3f t = lerpVector(Vec3f{a.tx, a.ty, a.tz}, Vec3f{b.tx, b.ty, b.tz}, f);
    view.tx = t.x;
    view.ty = t.y;
    view.tz = t.z;
    viewMatrix = view;
}

int32_t Scene::pointOutcode(const Matrix& matrix, const Vec3f& point) const {
    const Vec3f q = transformPoint(matrix, point);
    if (!(q.z < -nearDistance)) return kOutNear;
    const float k = focalLength / q.z;
    const float sx = q.x * k + screenHalfWidth;
    const float sy = screenHalfHeight - q.y * k;
    return screenCode(sx, sy, q.z, screenWidth, screenHeight, farDistance);
}

bool Scene::boxVisible(const Matrix& matrix, const Vec3f& centre, const Vec3f& size) const {
    if (size.x == -1.0f && size.y == -1.0f && size.z == -1.0f) return true;
    const Vec3f h{size.x * 0.5f, size.y * 0.5f, size.z * 0.5f};
    const float xs[2] = {centre.x - h.x, centre.x + h.x};
    const float ys[2] = {centre.y - h.y, centre.y + h.y};
    const float zs[2] = {centre.z - h.z, centre.z + h.z};
    int32_t common = kAllCodes;
    // Corner order (-,-,-), (-,-,+), (-,+,-), ... : z changes fastest.
    for (int corner = 0; corner < 8; ++corner) {
        const Vec3f p{xs[(corner >> 2) & 1], ys[(corner >> 1) & 1], zs[corner & 1]};
        common &= pointOutcode(matrix, p);
        if (common == 0) return true;
    }
    return false;
}

bool Scene::transformVertices(const Matrix& matrix, const SimpleArray<Vec3f>& points) {
    const int32_t count = points.count;
    if (count <= 0) return false;
    if (count > rasterVertexCapacity) {
        if (count > kMaxRasterVertices) return false;
        std::unique_ptr<RasterVertex[]> fresh(new (std::nothrow) RasterVertex[count]);
        if (!fresh) return false;  // the old array stays for the next mesh
        rasterVertices = std::move(fresh);
        rasterVertexCapacity = count;
    }

    // The loop reads only locals.
    const Matrix m = matrix;
    const float near = nearDistance, far = farDistance, focal = focalLength;
    const float halfWidth = screenHalfWidth, halfHeight = screenHalfHeight;
    const float width = screenWidth, height = screenHeight;
    const Vec3f* in = points.items;
    RasterVertex* out = rasterVertices.get();
    int32_t common = kAllCodes;
    // x - x is 0 for every finite x and NaN otherwise; the sum of those
    // differences tells at the end whether any value was not finite.
    float poison = 0.0f;
    for (int32_t i = 0; i < count; ++i) {
        const Vec3f p = in[i];
        RasterVertex& v = out[i];
        const float x = p.x * m.m[0] + p.y * m.m[3] + p.z * m.m[6] + m.tx;
        const float y = p.x * m.m[1] + p.y * m.m[4] + p.z * m.m[7] + m.ty;
        const float z = p.x * m.m[2] + p.y * m.m[5] + p.z * m.m[8] + m.tz;
        v.x = x;
        v.y = y;
        v.z = z;
        poison += (x - x) + (y - y) + (z - z);
        int32_t code = kOutNear;
        if (z <= -near) {
            const float perspective = focal / z;
            const float sx = x * perspective + halfWidth;
            const float sy = halfHeight - y * perspective;
            v.perspective = perspective;
            v.sx = sx;
            v.sy = sy;
            poison += (sx - sx) + (sy - sy) + (perspective - perspective);
            code = screenCode(sx, sy, z, width, height, far);
        }
        v.outcode = code;
        common &= code;
    }
    // A point at infinity (or an overflow on the way) has no place on the
    // screen; the mesh is not drawn rather than drawn with holes or spikes.
    const bool finite = poison == 0.0f;
    return common == 0 && finite;
}
