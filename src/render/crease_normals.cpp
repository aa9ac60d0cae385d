// The crease-angle rule: each corner of a face averages the normals of the
// faces around its point that meet its own face at less than the crease
// angle. Faces around a point are found through a table of the faces of
// every point (counted, then filled), so the work is linear in the corners
// times the faces at a point.
#include "render/crease_normals.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <vector>

#include "base/face_walk.h"

namespace render {

namespace {

bool finiteVector(const Vec3f& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

Vec3f unit(const Vec3f& v) {
    const double length = std::sqrt(static_cast<double>(v.x) * v.x + static_cast<double>(v.y) * v.y +
                                    static_cast<double>(v.z) * v.z);
    if (!(length > 0.0) || !std::isfinite(length)) return Vec3f{};
    const Vec3f n{static_cast<float>(v.x / length), static_cast<float>(v.y / length),
                  static_cast<float>(v.z / length)};
    return finiteVector(n) ? n : Vec3f{};
}

// The normal of the outline coordIndex[from .. end - 1] by Newell's sum over
// its edges, for the counter-clockwise front.
Vec3f outlineNormal(const MeshForm& mesh, std::size_t from, std::size_t end) {
    double nx = 0.0, ny = 0.0, nz = 0.0;
    for (std::size_t k = from; k < end; ++k) {
        const Vec3f& a = mesh.points[mesh.coordIndex[static_cast<int32_t>(k)]];
        const Vec3f& b = mesh.points[mesh.coordIndex[static_cast<int32_t>(k + 1 < end ? k + 1 : from)]];
        nx += (static_cast<double>(a.y) - b.y) * (static_cast<double>(a.z) + b.z);
        ny += (static_cast<double>(a.z) - b.z) * (static_cast<double>(a.x) + b.x);
        nz += (static_cast<double>(a.x) - b.x) * (static_cast<double>(a.y) + b.y);
    }
    return unit(Vec3f{static_cast<float>(nx), static_cast<float>(ny), static_cast<float>(nz)});
}

}  // namespace

bool buildCreaseNormals(MeshForm& mesh, float creaseAngle) {
    mesh.normals.clear();
    mesh.normalIndex.clear();
    const std::span<const int32_t> indices(mesh.coordIndex.items, static_cast<std::size_t>(mesh.coordIndex.count));
    const std::size_t pointCount = static_cast<std::size_t>(mesh.points.count);
    const float sign = mesh.ccw ? -1.0f : 1.0f;  // stored for the back of the face

    try {
        // Faces: their first corner, end and back normal.
        struct Face {
            std::size_t from, end;
            Vec3f normal;
            bool usable;
        };
        std::vector<Face> faces;
        forEachFace(indices, pointCount, [&](std::size_t from, std::size_t end, bool valid) {
            const bool usable = valid && end - from >= 3;
            Vec3f n = usable ? outlineNormal(mesh, from, end) : Vec3f{};
            n = Vec3f{n.x * sign, n.y * sign, n.z * sign};
            faces.push_back(Face{from, end, n, usable});
        });

        auto appendIndex = [&](int32_t v) {
            if (!mesh.normalIndex.append(v)) throw std::bad_alloc();
        };
        auto appendNormal = [&](const Vec3f& n) {
            if (!mesh.normals.append(n)) throw std::bad_alloc();
        };

        if (!(creaseAngle > 0.0f)) {
            int32_t f = 0;
            for (const Face& face : faces) {
                appendNormal(face.normal);
                for (std::size_t k = face.from; k < face.end; ++k) appendIndex(f);
                if (face.end < indices.size()) appendIndex(-1);
                ++f;
            }
            return true;
        }

        // The faces of every point, as one table of runs.
        std::vector<int32_t> runStart(pointCount + 1, 0);
        for (const Face& face : faces)
            if (face.usable)
                for (std::size_t k = face.from; k < face.end; ++k) ++runStart[static_cast<std::size_t>(indices[k]) + 1];
        for (std::size_t p = 0; p < pointCount; ++p) runStart[p + 1] += runStart[p];
        std::vector<int32_t> pointFaces(static_cast<std::size_t>(runStart[pointCount]));
        std::vector<int32_t> filled(runStart.begin(), runStart.end() - 1);
        for (std::size_t f = 0; f < faces.size(); ++f)
            if (faces[f].usable)
                for (std::size_t k = faces[f].from; k < faces[f].end; ++k)
                    pointFaces[static_cast<std::size_t>(filled[static_cast<std::size_t>(indices[k])]++)] =
                        static_cast<int32_t>(f);

        // Below the crease angle: a cosine above the crease's (every face
        // at a point smooths with every other from pi on).
        const double limit = creaseAngle >= 3.14159265f ? -2.0 : std::cos(static_cast<double>(creaseAngle));
        for (const Face& face : faces) {
            for (std::size_t k = face.from; k < face.end; ++k) {
                if (!face.usable) {
                    appendIndex(mesh.normals.count);
                    appendNormal(Vec3f{});
                    continue;
                }
                const std::size_t p = static_cast<std::size_t>(indices[k]);
                double sx = 0.0, sy = 0.0, sz = 0.0;
                for (int32_t r = runStart[p]; r < runStart[p + 1]; ++r) {
                    const Vec3f& n = faces[static_cast<std::size_t>(pointFaces[static_cast<std::size_t>(r)])].normal;
                    const double d = static_cast<double>(n.x) * face.normal.x +
                                     static_cast<double>(n.y) * face.normal.y +
                                     static_cast<double>(n.z) * face.normal.z;
                    if (&n == &face.normal || d > limit) sx += n.x, sy += n.y, sz += n.z;
                }
                Vec3f n = unit(Vec3f{static_cast<float>(sx), static_cast<float>(sy), static_cast<float>(sz)});
                if (n.x == 0.0f && n.y == 0.0f && n.z == 0.0f) n = face.normal;
                appendIndex(mesh.normals.count);
                appendNormal(n);
            }
            if (face.end < indices.size()) appendIndex(-1);
        }
        return true;
    } catch (const std::bad_alloc&) {
        mesh.normals.clear();
        mesh.normalIndex.clear();
        return false;
    }
}

}  // namespace render
