// Tessellation of the four primitives into their MeshForms.
//
// Around the axis, segment edge i (0 .. kRoundSegments) lies at the angle
// a = 2 pi i / kRoundSegments, in the direction (-sin a, -cos a) of (x, z):
// i = 0 is the back (-Z) and the angle runs counter-clockwise seen from
// above, through -X, the front (+Z) and +X, which is how the texture's s
// wraps. Edge kRoundSegments is edge 0 again: the same point, with its own
// texture point (s = 1).
//
// Faces run counter-clockwise seen from outside; normals are written for the
// outside and stored turned to the back of their faces (MeshWriter).
#include <cmath>
#include <cstdint>

#include "render/mesh_writer.h"
#include "scene/primitive_nodes.h"

namespace {

using render::MeshWriter;

constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;

bool usableLength(float v) { return std::isfinite(v) && v > 0.0f; }

// The unit direction (x, z) of segment edge i (a fraction for the middle of
// a segment).
struct Around {
    float x, z;
};
Around around(double i) {
    const double a = kTwoPi * i / kRoundSegments;
    return Around{static_cast<float>(-std::sin(a)), static_cast<float>(-std::cos(a))};
}

float sOf(double i) { return static_cast<float>(i / kRoundSegments); }

// A circle of kRoundSegments points of radius r at height y; returns the
// index of the first.
int32_t writeRing(MeshWriter& w, float r, float y) {
    int32_t first = -1;
    for (int32_t i = 0; i < kRoundSegments; ++i) {
        const Around d = around(i);
        const int32_t p = w.point(Vec3f{r * d.x, y, r * d.z});
        if (i == 0) first = p;
    }
    return first;
}

// A flat cap over the ring starting at ringStart, facing up (+Y) or down.
// Its image is the square around the circle: s along +X; t along -Z on the
// top (upright when the top is tilted towards +Z), along +Z on the bottom.
void writeCap(MeshWriter& w, int32_t ringStart, bool up) {
    const int32_t normal = w.frontNormal(Vec3f{0.0f, up ? 1.0f : -1.0f, 0.0f});
    // Seen from above the ring runs counter-clockwise in increasing i: the
    // top takes it in that order, the bottom in the reverse one.
    int32_t texFirst = -1;
    for (int32_t k = 0; k < kRoundSegments; ++k) {
        const int32_t i = up ? k : (kRoundSegments - k) % kRoundSegments;
        const Around d = around(i);
        const int32_t tex = w.texPoint(0.5f + 0.5f * d.x, up ? 0.5f - 0.5f * d.z : 0.5f + 0.5f * d.z);
        if (k == 0) texFirst = tex;
    }
    for (int32_t k = 0; k < kRoundSegments; ++k) {
        const int32_t i = up ? k : (kRoundSegments - k) % kRoundSegments;
        w.corner(ringStart + i, texFirst + k, normal);
    }
    w.endFace(true, true);
}

}  // namespace

bool nBox::buildMesh(MeshForm& mesh) {
    const Vec3f s = size.value;
    if (!usableLength(s.x) || !usableLength(s.y) || !usableLength(s.z)) return true;  // nothing to draw
    const float hx = s.x * 0.5f, hy = s.y * 0.5f, hz = s.z * 0.5f;
    MeshWriter w(mesh);
    // Corner k has +x when bit 0 is set, +y for bit 1, +z for bit 2.
    for (int32_t k = 0; k < 8; ++k) w.point(Vec3f{(k & 1) ? hx : -hx, (k & 2) ? hy : -hy, (k & 4) ? hz : -hz});
    // The image's corners, bottom left first, counter-clockwise.
    w.texPoint(0.0f, 0.0f);
    w.texPoint(1.0f, 0.0f);
    w.texPoint(1.0f, 1.0f);
    w.texPoint(0.0f, 1.0f);
    // Each face from its lower left corner seen from outside (top: tilted
    // towards +Z; bottom: tilted towards -Z), counter-clockwise.
    struct Face {
        Vec3f normal;
        int32_t corners[4];
    };
    static constexpr Face kFaces[6] = {
        {{0, 0, 1}, {4, 5, 7, 6}},   // front
        {{0, 0, -1}, {1, 0, 2, 3}},  // back
        {{1, 0, 0}, {5, 1, 3, 7}},   // right
        {{-1, 0, 0}, {0, 4, 6, 2}},  // left
        {{0, 1, 0}, {6, 7, 3, 2}},   // top
        {{0, -1, 0}, {0, 1, 5, 4}},  // bottom
    };
    for (const Face& face : kFaces) {
        const int32_t normal = w.frontNormal(face.normal);
        for (int32_t c = 0; c < 4; ++c) w.corner(face.corners[c], c, normal);
        w.endFace(true, true);
    }
    return w.ok();
}

bool nSphere::buildMesh(MeshForm& mesh) {
    const float r = radius.value;
    if (!usableLength(r)) return true;
    MeshWriter w(mesh);
    // Points: the bottom pole, rings 1 .. kSphereRings - 1 of kRoundSegments
    // points from the bottom up, the top pole. Normals one per point.
    auto ringPoint = [](int32_t ring, int32_t i) {
        if (ring == 0) return int32_t{0};
        if (ring == kSphereRings) return 1 + (kSphereRings - 1) * kRoundSegments;
        return 1 + (ring - 1) * kRoundSegments + i % kRoundSegments;
    };
    auto addPoint = [&](const Vec3f& unit) {
        w.point(Vec3f{unit.x * r, unit.y * r, unit.z * r});
        w.frontNormal(unit);
    };
    addPoint(Vec3f{0.0f, -1.0f, 0.0f});
    for (int32_t ring = 1; ring < kSphereRings; ++ring) {
        const double polar = kPi * ring / kSphereRings;
        const float y = static_cast<float>(-std::cos(polar));
        const float rho = static_cast<float>(std::sin(polar));
        for (int32_t i = 0; i < kRoundSegments; ++i) {
            const Around d = around(i);
            addPoint(Vec3f{rho * d.x, y, rho * d.z});
        }
    }
    addPoint(Vec3f{0.0f, 1.0f, 0.0f});

    // Texture points: a grid of (kRoundSegments + 1) x (kSphereRings + 1),
    // the poles' rows with s at the middle of each segment.
    auto texPoint = [](int32_t ring, int32_t i) { return ring * (kRoundSegments + 1) + i; };
    for (int32_t ring = 0; ring <= kSphereRings; ++ring) {
        const bool pole = ring == 0 || ring == kSphereRings;
        for (int32_t i = 0; i <= kRoundSegments; ++i)
            w.texPoint(sOf(pole ? i + 0.5 : i), static_cast<float>(static_cast<double>(ring) / kSphereRings));
    }

    for (int32_t ring = 0; ring < kSphereRings; ++ring) {
        for (int32_t i = 0; i < kRoundSegments; ++i) {
            // Counter-clockwise seen from outside: along the lower ring
            // towards increasing i, then back along the upper one.
            const int32_t corners[4][2] = {{ring, i}, {ring, i + 1}, {ring + 1, i + 1}, {ring + 1, i}};
            for (const auto& c : corners) {
                // A pole is one corner of its triangle, not two (the one
                // whose texture point lies over the segment's middle).
                if ((c[0] == 0 || c[0] == kSphereRings) && c[1] == i + 1) continue;
                const int32_t p = ringPoint(c[0], c[1]);
                w.corner(p, texPoint(c[0], c[1]), p);
            }
            w.endFace(true, true);
        }
    }
    return w.ok();
}

bool nCone::buildMesh(MeshForm& mesh) {
    const float r = bottomRadius.value, h = height.value;
    if (!usableLength(r) || !usableLength(h)) return true;
    MeshWriter w(mesh);
    const float half = h * 0.5f;
    const int32_t ring = writeRing(w, r, -half);
    const int32_t apex = w.point(Vec3f{0.0f, half, 0.0f});
    if (side.value) {
        // The side's outward normal leans up by the cone's slope: (h d, r)
        // normalized, d the direction around. At the apex each triangle
        // takes the normal of its middle.
        const float length = std::sqrt(h * h + r * r);
        const float across = h / length, up = r / length;
        const int32_t normals = w.frontNormal(Vec3f{across * around(0).x, up, across * around(0).z});
        for (int32_t i = 1; i < kRoundSegments; ++i) {
            const Around d = around(i);
            w.frontNormal(Vec3f{across * d.x, up, across * d.z});
        }
        const int32_t apexNormals = w.frontNormal(Vec3f{across * around(0.5).x, up, across * around(0.5).z});
        for (int32_t i = 1; i < kRoundSegments; ++i) {
            const Around d = around(i + 0.5);
            w.frontNormal(Vec3f{across * d.x, up, across * d.z});
        }
        const int32_t tex = w.texPoint(0.0f, 0.0f);
        for (int32_t i = 1; i <= kRoundSegments; ++i) w.texPoint(sOf(i), 0.0f);
        const int32_t apexTex = w.texPoint(sOf(0.5), 1.0f);
        for (int32_t i = 1; i < kRoundSegments; ++i) w.texPoint(sOf(i + 0.5), 1.0f);
        for (int32_t i = 0; i < kRoundSegments; ++i) {
            const int32_t next = (i + 1) % kRoundSegments;
            w.corner(ring + i, tex + i, normals + i);
            w.corner(ring + next, tex + i + 1, normals + next);
            w.corner(apex, apexTex + i, apexNormals + i);
            w.endFace(true, true);
        }
    }
    if (bottom.value) writeCap(w, ring, false);
    return w.ok();
}

bool nCylinder::buildMesh(MeshForm& mesh) {
    const float r = radius.value, h = height.value;
    if (!usableLength(r) || !usableLength(h)) return true;
    MeshWriter w(mesh);
    const float half = h * 0.5f;
    const int32_t lower = writeRing(w, r, -half);
    const int32_t upper = writeRing(w, r, half);
    if (side.value) {
        const int32_t normals = w.frontNormal(Vec3f{around(0).x, 0.0f, around(0).z});
        for (int32_t i = 1; i < kRoundSegments; ++i) {
            const Around d = around(i);
            w.frontNormal(Vec3f{d.x, 0.0f, d.z});
        }
        const int32_t texLower = w.texPoint(0.0f, 0.0f);
        for (int32_t i = 1; i <= kRoundSegments; ++i) w.texPoint(sOf(i), 0.0f);
        const int32_t texUpper = w.texPoint(0.0f, 1.0f);
        for (int32_t i = 1; i <= kRoundSegments; ++i) w.texPoint(sOf(i), 1.0f);
        for (int32_t i = 0; i < kRoundSegments; ++i) {
            const int32_t next = (i + 1) % kRoundSegments;
            w.corner(lower + i, texLower + i, normals + i);
            w.corner(lower + next, texLower + i + 1, normals + next);
            w.corner(upper + next, texUpper + i + 1, normals + next);
            w.corner(upper + i, texUpper + i, normals + i);
            w.endFace(true, true);
        }
    }
    if (top.value) writeCap(w, upper, true);
    if (bottom.value) writeCap(w, lower, false);
    return w.ok();
}
