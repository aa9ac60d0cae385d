// Mesh preparation: the two caches an IndexedFaceSet derives from its fields,
// its bounding box and its normals.
//
// Faces are walked as everywhere (base/face_walk.h). A face normal is
// (Pb - Pa) x (Pc - Pa) of its first three corners, normalized and turned to
// point to the back of the face (the side opposite to the one "ccw" makes the
// front): lighting is written for that sign. Flat meshes (creaseAngle 0 or
// less) keep one normal per face, smooth ones one per point, the average of
// the normals of every face around it.
//
// A file may name points that do not exist, or give faces of one or two
// corners. Such a face gets a zero normal, keeps its number (so the faces
// after it keep theirs) and adds nothing to the smooth averages; no index is
// ever used before it has been checked against the point array.
#include <cmath>
#include <cstddef>
#include <memory>
#include <new>
#include <span>

#include "base/face_walk.h"

#include "render/matrix.h"
#include "scene/geometry_nodes.h"
#include "scene/node_types.h"

namespace {

// The Coordinate node's points, or null when the field holds no Coordinate.
const SimpleArray<Vec3f>* coordinatePoints(const fSFNode& coord) {
    const X3DNode* node = coord.value;
    if (!node || node->nodeType != NodeType::Coordinate) return nullptr;
    return &static_cast<const nCoordinate*>(node)->point.value;
}

// Empties the array and makes room for exactly n entries unless it already
// has room; false when that room cannot be had.
template <class T>
bool makeRoom(SimpleArray<T>& array, int32_t n) {
    if (array.capacity >= n) {
        array.clear();
        return true;
    }
    return array.resetReserve(n);
}

// The unit normal of a face through points a, b, c, times sign. A degenerate
// face gives zero; so does one so large that its normal overflows.
Vec3f faceNormal(const Vec3f& a, const Vec3f& b, const Vec3f& c, float sign) {
    const float e1x = b.x - a.x, e1y = b.y - a.y, e1z = b.z - a.z;
    const float e2x = c.x - a.x, e2y = c.y - a.y, e2z = c.z - a.z;
    Vec3f n{e1y * e2z - e1z * e2y, e1z * e2x - e1x * e2z, e1x * e2y - e1y * e2x};
    normalizeVector(n);
    n = Vec3f{n.x * sign, n.y * sign, n.z * sign};
    if (!std::isfinite(n.x) || !std::isfinite(n.y) || !std::isfinite(n.z)) return Vec3f{};
    return n;
}

}  // namespace

void nIndexedFaceSet::fieldChanged(X3DField* field) {
    if (field != &coord) return;
    boundsStale = true;
    normalsStale = true;
}

bool nIndexedFaceSet::bounds(Vec3f& centre, Vec3f& size) {
    notePointEvents();
    if (boundsStale) {
        boundsStale = false;
        const SimpleArray<Vec3f>* points = coordinatePoints(coord);
        if (points && points->count > 0) {
            Vec3f lo = (*points)[0];
            Vec3f hi = lo;
            for (const Vec3f& p : *points) {
                lo = Vec3f{std::fmin(lo.x, p.x), std::fmin(lo.y, p.y), std::fmin(lo.z, p.z)};
                hi = Vec3f{std::fmax(hi.x, p.x), std::fmax(hi.y, p.y), std::fmax(hi.z, p.z)};
            }
            boundsCenter = Vec3f{(lo.x + hi.x) * 0.5f, (lo.y + hi.y) * 0.5f, (lo.z + hi.z) * 0.5f};
            boundsSize = Vec3f{hi.x - lo.x, hi.y - lo.y, hi.z - lo.z};
        }
    }
    centre = boundsCenter;
    size = boundsSize;
    return true;
}

void nIndexedFaceSet::prepareNormals() {
    const SimpleArray<Vec3f>* pointArray = coordinatePoints(coord);
    const SimpleArray<int32_t>& indexArray = coordIndex.value;
    if (!pointArray || indexArray.count == 0) return;

    const bool smooth = creaseAngle.value > 0.0f;
    const int32_t indexCount = indexArray.count;
    const int32_t pointCount = pointArray->count;
    const int32_t* index = indexArray.items;
    const Vec3f* points = pointArray->items;

    int32_t faceCount = index[indexCount - 1] != kFaceEnd ? 1 : 0;
    for (int32_t k = 0; k < indexCount; ++k)
        if (index[k] == kFaceEnd) ++faceCount;
    const float sign = ccw.value ? -1.0f : 1.0f;

    // Working storage: the face normals (flat), or a sum and a face count per
    // point (smooth).
    const int32_t normalCount = smooth ? pointCount : faceCount;
    std::unique_ptr<Vec3f[]> sums(new (std::nothrow) Vec3f[static_cast<std::size_t>(normalCount) + 1]);
    std::unique_ptr<int32_t[]> faces;
    if (smooth) faces.reset(new (std::nothrow) int32_t[static_cast<std::size_t>(pointCount) + 1]());
    if (!sums || (smooth && !faces) || !makeRoom(normals, normalCount) || !makeRoom(normalIndex, indexCount)) {
        normals.clear();
        normalIndex.clear();
        return;
    }

    int32_t face = 0;
    const std::span<const int32_t> indexSpan(index, static_cast<std::size_t>(indexCount));
    forEachFace(indexSpan, static_cast<std::size_t>(pointCount), [&](std::size_t from, std::size_t to, bool valid) {
        const auto start = static_cast<int32_t>(from);
        const auto end = static_cast<int32_t>(to);
        const bool usable = end - start >= 3 && valid;
        const Vec3f n = usable ? faceNormal(points[index[start]], points[index[start + 1]],
                                            points[index[start + 2]], sign)
                               : Vec3f{};
        if (!smooth) {
            sums[face] = n;
            // The entry at the closing -1 is never read; it repeats the face.
            for (int32_t k = start; k <= end && k < indexCount; ++k) normalIndex.append(face);
        } else if (usable) {
            for (int32_t k = start; k < end; ++k) {
                Vec3f& sum = sums[index[k]];
                sum = Vec3f{sum.x + n.x, sum.y + n.y, sum.z + n.z};
                ++faces[index[k]];
            }
        }
        ++face;
    });

    if (!smooth) {
        for (int32_t f = 0; f < faceCount; ++f) normals.append(sums[f]);
        return;
    }
    for (int32_t k = 0; k < indexCount; ++k) normalIndex.append(index[k]);
    for (int32_t p = 0; p < pointCount; ++p) {
        Vec3f n = sums[p];
        if (faces[p] != 0) {
            const float divisor = static_cast<float>(faces[p]);
            n = Vec3f{n.x / divisor, n.y / divisor, n.z / divisor};
        }
        normalizeVector(n);
        if (!std::isfinite(n.x) || !std::isfinite(n.y) || !std::isfinite(n.z)) n = Vec3f{};
        normals.append(n);
    }
}
