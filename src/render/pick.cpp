// Ray picking among the shapes of the last frame, in camera space.
//
// A ray is tested against every IndexedFaceSet record the traversal made (and
// every record of the full profile's face geometry, through its MeshForm), on
// screen or not (a floor below the eye must stop a downward ray). A shape's
// box, turned into camera space, is tested first as twelve triangles; only a
// shape whose box the ray meets has its points transformed and its faces
// walked like the pipeline walks them. The nearest hit wins; an equal
// distance keeps the earlier shape.
//
// The ray-triangle test works on the plane of the triangle: t along the ray
// from the plane's normal, then the two barycentric coordinates, each from a
// coordinate plane in which its edge does not vanish. Every comparison lets
// the boundary through, so edges and corners are hits.
#include <cmath>
#include <cstddef>
#include <memory>
#include <new>
#include <span>

#include "base/face_walk.h"
#include "render/matrix.h"
#include "scene/geometry_nodes.h"
#include "scene/mesh_form.h"
#include "scene/node_types.h"
#include "scene/scene.h"

namespace {

// More points than this would make the RasterVertex array's byte count
// overflow 32 bits (48 bytes each).
constexpr int32_t kMaxPickVertices = 89478485;
// Below this departure from a unit, orthogonal linear part the view counts as
// rigid and its transpose as its inverse.
constexpr float kRigidTolerance = 1e-4f;

Vec3f sub(const Vec3f& a, const Vec3f& b) { return Vec3f{a.x - b.x, a.y - b.y, a.z - b.z}; }
float dot(const Vec3f& a, const Vec3f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3f cross(const Vec3f& a, const Vec3f& b) {
    return Vec3f{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
bool finite(const Vec3f& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Where the ray from o along d meets the triangle, both sides counting.
bool rayTriangle(const Vec3f& o, const Vec3f& d, const Vec3f& p0, const Vec3f& p1, const Vec3f& p2, Vec3f& hit) {
    const Vec3f e1 = sub(p1, p0);
    const Vec3f e2 = sub(p2, p0);
    const Vec3f n = cross(e1, e2);
    const float h = dot(n, d);
    if (h == 0.0f) return false;
    const float t = dot(sub(p0, o), n) / h;
    if (t < 0.0f) return false;
    const Vec3f point{o.x + t * d.x, o.y + t * d.y, o.z + t * d.z};
    const Vec3f q = sub(point, p0);

    // b2 in the coordinate plane the normal points out of most plainly.
    float b2;
    if (n.z != 0.0f) b2 = (q.y * e1.x - q.x * e1.y) / n.z;
    else if (n.y != 0.0f) b2 = (q.z * e1.x - q.x * e1.z) / (-n.y);
    else b2 = (q.z * e1.y - q.y * e1.z) / n.x;
    if (b2 < 0.0f || b2 > 1.0f) return false;

    // b1 from a component in which e1 does not vanish.
    float b1;
    if (e1.x != 0.0f) b1 = (q.x - b2 * e2.x) / e1.x;
    else if (e1.y != 0.0f) b1 = (q.y - b2 * e2.y) / e1.y;
    else b1 = (q.z - b2 * e2.z) / e1.z;
    if (b1 < 0.0f || b1 > 1.0f || b1 + b2 > 1.0f) return false;
    hit = point;
    return true;
}

// Whether the ray meets the box (centre, size) of a mesh once it is turned
// into camera space: its eight corners, two triangles to each side.
bool rayHitsBox(const Vec3f& o, const Vec3f& d, const Matrix& modelView, const Vec3f& centre, const Vec3f& size) {
    Vec3f corner[8];
    for (int i = 0; i < 8; ++i) {
        const Vec3f local{centre.x + ((i & 1) ? 0.5f : -0.5f) * size.x, centre.y + ((i & 2) ? 0.5f : -0.5f) * size.y,
                          centre.z + ((i & 4) ? 0.5f : -0.5f) * size.z};
        corner[i] = transformPoint(modelView, local);
        if (!finite(corner[i])) return false;
    }
    // Each side as four corners in order around it (bit 0 x, bit 1 y, bit 2 z).
    static constexpr int kSides[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                         {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
    Vec3f hit;
    for (const auto& side : kSides) {
        if (rayTriangle(o, d, corner[side[0]], corner[side[1]], corner[side[2]], hit)) return true;
        if (rayTriangle(o, d, corner[side[0]], corner[side[2]], corner[side[3]], hit)) return true;
    }
    return false;
}

// The world point of a camera point: the transpose of a rigid view (what a
// viewpoint outside Transforms gives), the exact inverse of any other.
Vec3f worldFromCamera(const Matrix& view, const Vec3f& c) {
    const float* m = view.m;
    bool rigid = true;
    for (int r = 0; r < 3 && rigid; ++r) {
        for (int k = 0; k < 3; ++k) {
            const float product = m[3 * r] * m[3 * k] + m[3 * r + 1] * m[3 * k + 1] + m[3 * r + 2] * m[3 * k + 2];
            if (std::fabs(product - (r == k ? 1.0f : 0.0f)) > kRigidTolerance) rigid = false;
        }
    }
    if (!rigid) {
        Matrix inverse = view;
        if (matrixInverse(inverse)) return transformPoint(inverse, c);
    }
    const Vec3f v{c.x - view.tx, c.y - view.ty, c.z - view.tz};
    return Vec3f{v.x * m[0] + v.y * m[1] + v.z * m[2], v.x * m[3] + v.y * m[4] + v.z * m[5],
                 v.x * m[6] + v.y * m[7] + v.z * m[8]};
}

}  // namespace

PickResult Scene::pick(int32_t x, int32_t y) {
    PickResult none;
    none.distance = farDistance;
    if (x < 0 || static_cast<float>(x) >= screenWidth || y < 0 || static_cast<float>(y) >= screenHeight) return none;
    const float px = static_cast<float>(x) - screenHalfWidth;
    const float py = static_cast<float>(y) - screenHalfHeight;
    const float focal = focalLength, near = nearDistance, far = farDistance;
    // Both points project back onto the pixel: the ray runs from the near
    // plane to the far plane through it.
    const Vec3f nearPoint{px * near / -focal, py * near / focal, -near};
    const Vec3f farPoint{px * far / -focal, py * far / focal, -far};
    return rayCast(nearPoint, sub(farPoint, nearPoint), false, kPointerRays);
}

PickResult Scene::rayCast(const Vec3f& originIn, const Vec3f& directionIn, bool inWorld, uint8_t rays) {
    Vec3f origin = originIn;
    Vec3f direction = directionIn;
    if (inWorld) {
        origin = transformPoint(viewMatrix, origin);
        normalizeVector(direction);
        transformDirection(viewMatrix, direction);
    }
    normalizeVector(direction);

    PickResult result;
    result.distance = farDistance;
    if (!finite(origin) || !finite(direction)) return result;

    for (int32_t r = 0; r < renderRecords.count; ++r) {
        const RenderRecord& record = renderRecords[r];
        if ((record.rays & rays) == 0) continue;
        if (!record.geometry) continue;
        // The faces: an IndexedFaceSet's own, or the MeshForm of the full
        // profile's face geometry (lines and points are never hit).
        const SimpleArray<int32_t>* indexList = nullptr;
        const SimpleArray<Vec3f>* pointList = nullptr;
        Vec3f centre, size;
        bool boxed = false;
        if (record.geometry->nodeType == NodeType::IndexedFaceSet) {
            auto& mesh = static_cast<nIndexedFaceSet&>(*record.geometry);
            const X3DNode* coordNode = mesh.coord.value;
            if (!coordNode || coordNode->nodeType != NodeType::Coordinate) continue;
            indexList = &mesh.coordIndex.value;
            pointList = &static_cast<const nCoordinate&>(*coordNode).point.value;
            boxed = mesh.bounds(centre, size);
        } else if (auto* form = dynamic_cast<X3DMeshGeometryNode*>(record.geometry)) {
            const MeshForm& mesh = form->meshForm();
            indexList = &mesh.coordIndex;
            pointList = &mesh.points;
            boxed = form->bounds(centre, size);
        } else {
            continue;
        }
        const SimpleArray<int32_t>& coordIndex = *indexList;
        const SimpleArray<Vec3f>& points = *pointList;
        if (coordIndex.count == 0 || points.count == 0) continue;
        if (boxed && !rayHitsBox(origin, direction, record.modelView, centre, size)) continue;

        // The points in camera space, in the frame's vertex array (grown to
        // exactly the count when too small).
        const int32_t count = points.count;
        if (count > rasterVertexCapacity) {
            if (count > kMaxPickVertices) continue;
            std::unique_ptr<RasterVertex[]> fresh(new (std::nothrow) RasterVertex[count]);
            if (!fresh) continue;
            rasterVertices = std::move(fresh);
            rasterVertexCapacity = count;
        }
        RasterVertex* camera = rasterVertices.get();
        bool usable = true;
        for (int32_t i = 0; i < count; ++i) {
            const Vec3f p = transformPoint(record.modelView, points[i]);
            camera[i].x = p.x;
            camera[i].y = p.y;
            camera[i].z = p.z;
            usable = usable && finite(p);
        }
        if (!usable) continue;

        auto corner = [camera, &coordIndex](std::size_t k) {
            const RasterVertex& v = camera[coordIndex[static_cast<int32_t>(k)]];
            return Vec3f{v.x, v.y, v.z};
        };
        const std::span<const int32_t> indices(coordIndex.items, static_cast<std::size_t>(coordIndex.count));
        forEachFace(indices, static_cast<std::size_t>(count), [&](std::size_t from, std::size_t end, bool valid) {
            if (!valid || end - from < 3) return;
            const Vec3f p0 = corner(from);
            for (std::size_t k = from + 1; k + 1 < end; ++k) {
                Vec3f hit;
                if (!rayTriangle(origin, direction, p0, corner(k), corner(k + 1), hit)) continue;
                const float d = vectorLength(hit.x, hit.y, hit.z);
                if (d >= 0.0f && d < result.distance) {
                    result.distance = d;
                    result.cameraPoint = hit;
                    result.hitShape = record.shape;
                }
            }
        });
    }
    if (result.hitShape) result.worldPoint = worldFromCamera(viewMatrix, result.cameraPoint);
    return result;
}
