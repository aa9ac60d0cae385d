// An Extrusion's MeshForm.
//
// Every spine point i has a cross-section plane (SCP) with axes X_i, Y_i,
// Z_i. Y_i follows the spine: S[i+1] - S[i-1] inside, the first and last
// segments at open ends, S[1] - S[n-2] at both ends of a closed spine. Z_i is
// the cross product (S[i+1] - S[i]) x (S[i-1] - S[i]) of the two segments
// meeting there (of the first and the last segment at the ends of a closed
// spine; an open spine's ends repeat their neighbours'), turned round
// whenever it points against the previous one, so the section does not flip
// at an inflection. Where segments are collinear (Z vanishes) the nearest
// usable Z before, else after, stands in; a wholly straight spine turns the
// plain axes by the rotation that takes +Y onto its direction. A spine point
// that coincides with its neighbours takes the Y of the nearest point where
// the spine moves. Z is then made square to Y and X = Y x Z.
//
// A cross-section point (x, z) at spine point i becomes
// S[i] + X_i p.x + Y_i p.y + Z_i p.z with p the point (scale.x x, 0,
// scale.y z) turned by the orientation of i. Lists of scale or orientation
// shorter than the spine repeat their last value.
#include <cmath>
#include <cstdint>
#include <vector>

#include "render/crease_normals.h"
#include "render/matrix.h"
#include "scene/extrusion.h"

namespace {

// Cross-sections longer than this keep their caps as one polygon when
// convex is FALSE: ear clipping is quadratic in the outline.
constexpr int32_t kMaxEarClipping = 2048;

Vec3f sub(const Vec3f& a, const Vec3f& b) { return Vec3f{a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3f add(const Vec3f& a, const Vec3f& b) { return Vec3f{a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3f times(const Vec3f& a, float k) { return Vec3f{a.x * k, a.y * k, a.z * k}; }
float dot(const Vec3f& a, const Vec3f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3f cross(const Vec3f& a, const Vec3f& b) {
    return Vec3f{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
bool same(const Vec3f& a, const Vec3f& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
bool finite(const Vec3f& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
bool finite(const Vec2f& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

// The unit vector, or false when v has no usable direction.
bool unitOf(const Vec3f& v, Vec3f& out) {
    const double length = std::sqrt(static_cast<double>(v.x) * v.x + static_cast<double>(v.y) * v.y +
                                    static_cast<double>(v.z) * v.z);
    if (!(length > 1e-12) || !std::isfinite(length)) return false;
    out = Vec3f{static_cast<float>(v.x / length), static_cast<float>(v.y / length), static_cast<float>(v.z / length)};
    return true;
}

struct Frame {
    Vec3f x, y, z;
};

// The frames of the spine's points (see the top of the file).
std::vector<Frame> spineFrames(const SimpleArray<Vec3f>& spine, bool closed) {
    const int32_t n = spine.count;
    std::vector<Vec3f> ys(static_cast<std::size_t>(n)), zs(static_cast<std::size_t>(n));
    std::vector<bool> yOk(static_cast<std::size_t>(n)), zOk(static_cast<std::size_t>(n));
    auto S = [&](int32_t i) { return spine[i]; };
    for (int32_t i = 0; i < n; ++i) {
        Vec3f y;
        if (closed && n > 2 && (i == 0 || i == n - 1)) y = sub(S(1), S(n - 2));
        else if (i == 0) y = sub(S(1), S(0));
        else if (i == n - 1) y = sub(S(n - 1), S(n - 2));
        else y = sub(S(i + 1), S(i - 1));
        yOk[static_cast<std::size_t>(i)] = unitOf(y, ys[static_cast<std::size_t>(i)]);

        Vec3f z{};
        bool has = false;
        if (closed && n > 2 && (i == 0 || i == n - 1)) {
            z = cross(sub(S(1), S(0)), sub(S(n - 2), S(0)));
            has = true;
        } else if (i > 0 && i < n - 1) {
            z = cross(sub(S(i + 1), S(i)), sub(S(i - 1), S(i)));
            has = true;
        }
        zOk[static_cast<std::size_t>(i)] = has && unitOf(z, zs[static_cast<std::size_t>(i)]);
    }
    // A point without a usable vector takes the one before it, or (before
    // the first usable one) the first usable one: coincident spine points
    // take the Y of the nearest point where the spine moves, collinear ones
    // the Z of the nearest bend.
    auto fillBoth = [n](std::vector<Vec3f>& v, const std::vector<bool>& ok) {
        int32_t firstOk = -1;
        for (int32_t i = 0; i < n && firstOk < 0; ++i)
            if (ok[static_cast<std::size_t>(i)]) firstOk = i;
        if (firstOk < 0) return false;
        for (int32_t i = 0; i < firstOk; ++i) v[static_cast<std::size_t>(i)] = v[static_cast<std::size_t>(firstOk)];
        for (int32_t i = firstOk + 1; i < n; ++i)
            if (!ok[static_cast<std::size_t>(i)]) v[static_cast<std::size_t>(i)] = v[static_cast<std::size_t>(i - 1)];
        return true;
    };
    if (!fillBoth(ys, yOk)) {
        for (Vec3f& y : ys) y = Vec3f{0.0f, 1.0f, 0.0f};  // every spine point the same
    }
    const bool bent = fillBoth(zs, zOk);

    std::vector<Frame> frames(static_cast<std::size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        Frame& f = frames[static_cast<std::size_t>(i)];
        f.y = ys[static_cast<std::size_t>(i)];
        if (bent) {
            Vec3f z = zs[static_cast<std::size_t>(i)];
            if (i > 0 && dot(z, zs[static_cast<std::size_t>(i - 1)]) < 0.0f) z = times(z, -1.0f);
            zs[static_cast<std::size_t>(i)] = z;
            // Square to Y (a Z taken from another point may lean).
            Vec3f squared = sub(z, times(f.y, dot(z, f.y)));
            if (unitOf(squared, f.z) && unitOf(cross(f.y, f.z), f.x)) continue;
        }
        // Straight: the plain axes turned by the rotation taking +Y onto Y
        // (half a turn about X when Y points straight down).
        Matrix turn;
        const Vec3f axis{f.y.z, 0.0f, -f.y.x};  // (0, 1, 0) x Y
        const float sine = std::sqrt(axis.x * axis.x + axis.z * axis.z);
        if (sine > 1e-6f) matrixFromRotation(turn, axis.x, 0.0f, axis.z, std::atan2(sine, f.y.y));
        else if (f.y.y < 0.0f) matrixFromRotation(turn, 1.0f, 0.0f, 0.0f, 3.14159265f);
        Vec3f x{1.0f, 0.0f, 0.0f}, z{0.0f, 0.0f, 1.0f};
        transformDirection(turn, x);
        transformDirection(turn, z);
        f.x = x;
        f.z = z;
    }
    return frames;
}

// Cumulative lengths along a list of points, as fractions of the whole (the
// index over the count - 1 when the whole length is 0).
template <class Point, class Length>
std::vector<float> runningFractions(int32_t count, Point point, Length length) {
    std::vector<float> out(static_cast<std::size_t>(count), 0.0f);
    double total = 0.0;
    std::vector<double> at(static_cast<std::size_t>(count), 0.0);
    for (int32_t k = 1; k < count; ++k) {
        total += length(point(k - 1), point(k));
        at[static_cast<std::size_t>(k)] = total;
    }
    for (int32_t k = 0; k < count; ++k)
        out[static_cast<std::size_t>(k)] = total > 0.0 && std::isfinite(total)
                                               ? static_cast<float>(at[static_cast<std::size_t>(k)] / total)
                                               : static_cast<float>(k) / static_cast<float>(count - 1);
    return out;
}

// Cuts the polygon of cross-section points `outline` (indexes into the
// section) into triangles by ear clipping, appending each as three indexes
// in the polygon's own winding. When no ear can be found (an outline that
// crosses itself) what is left is appended as one polygon.
void earClip(const SimpleArray<Vec2f>& section, std::vector<int32_t> outline,
             std::vector<std::vector<int32_t>>& pieces) {
    auto at = [&](int32_t j) { return section[j]; };
    double area = 0.0;
    for (std::size_t k = 0; k < outline.size(); ++k) {
        const Vec2f a = at(outline[k]), b = at(outline[(k + 1) % outline.size()]);
        area += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
    }
    const double sign = area < 0.0 ? -1.0 : 1.0;
    auto turn = [&](const Vec2f& a, const Vec2f& b, const Vec2f& c) {
        return ((static_cast<double>(b.x) - a.x) * (static_cast<double>(c.y) - a.y) -
                (static_cast<double>(b.y) - a.y) * (static_cast<double>(c.x) - a.x)) *
               sign;
    };
    while (outline.size() > 3) {
        bool clipped = false;
        const std::size_t size = outline.size();
        for (std::size_t k = 0; k < size && !clipped; ++k) {
            const int32_t ia = outline[(k + size - 1) % size], ib = outline[k], ic = outline[(k + 1) % size];
            const Vec2f a = at(ia), b = at(ib), c = at(ic);
            if (!(turn(a, b, c) > 0.0)) continue;  // a reflex or flat corner is no ear
            bool empty = true;
            for (std::size_t q = 0; q < size && empty; ++q) {
                const int32_t iq = outline[q];
                if (iq == ia || iq == ib || iq == ic) continue;
                const Vec2f p = at(iq);
                if (turn(a, b, p) >= 0.0 && turn(b, c, p) >= 0.0 && turn(c, a, p) >= 0.0) empty = false;
            }
            if (!empty) continue;
            pieces.push_back({ia, ib, ic});
            outline.erase(outline.begin() + static_cast<std::ptrdiff_t>(k));
            clipped = true;
        }
        if (!clipped) break;
    }
    pieces.push_back(outline);
}

}  // namespace

nExtrusion::nExtrusion() {
    const Vec2f square[5] = {{1, 1}, {1, -1}, {-1, -1}, {-1, 1}, {1, 1}};
    bool ok = crossSection.value.resetReserve(5);
    for (const Vec2f& p : square) ok = ok && crossSection.value.append(p);
    ok = ok && orientation.value.append(Rotation{0.0f, 0.0f, 1.0f, 0.0f});
    ok = ok && scale.value.append(Vec2f{1.0f, 1.0f});
    ok = ok && spine.value.append(Vec3f{0.0f, 0.0f, 0.0f}) && spine.value.append(Vec3f{0.0f, 1.0f, 0.0f});
    if (!ok) throw std::bad_alloc();
}

bool nExtrusion::buildMesh(MeshForm& mesh) {
    const SimpleArray<Vec3f>& path = spine.value;
    const SimpleArray<Vec2f>& section = crossSection.value;
    const int32_t n = path.count, m = section.count;
    if (n < 2 || m < 2 || int64_t{n} * m > kMaxPoints) return true;  // nothing to draw
    for (const Vec3f& p : path)
        if (!finite(p)) return true;
    for (const Vec2f& p : section)
        if (!finite(p)) return true;
    for (const Vec2f& s : scale.value)
        if (!finite(s)) return true;
    for (const Rotation& r : orientation.value)
        if (!std::isfinite(r.x) || !std::isfinite(r.y) || !std::isfinite(r.z) || !std::isfinite(r.angle)) return true;
    mesh.ccw = ccw.value;
    mesh.solid = solid.value;

    const bool closedSpine = same(path[0], path[n - 1]);
    const bool closedSection = section[0].x == section[m - 1].x && section[0].y == section[m - 1].y;

    try {
        const std::vector<Frame> frames = spineFrames(path, closedSpine);
        // Every spine point's ring of section points.
        std::vector<Vec3f> grid(static_cast<std::size_t>(n) * static_cast<std::size_t>(m));
        for (int32_t i = 0; i < n; ++i) {
            const Vec2f sc = scale.value.count > 0 ? scale.value[std::min(i, scale.value.count - 1)] : Vec2f{1, 1};
            Matrix turn;
            if (orientation.value.count > 0)
                matrixFromRotation(turn, orientation.value[std::min(i, orientation.value.count - 1)]);
            const Frame& f = frames[static_cast<std::size_t>(i)];
            for (int32_t j = 0; j < m; ++j) {
                Vec3f p{sc.x * section[j].x, 0.0f, sc.y * section[j].y};
                transformDirection(turn, p);
                const Vec3f placed = add(path[i], add(times(f.x, p.x), add(times(f.y, p.y), times(f.z, p.z))));
                if (!finite(placed)) return true;
                grid[static_cast<std::size_t>(i) * static_cast<std::size_t>(m) + static_cast<std::size_t>(j)] = placed;
            }
        }
        auto gridAt = [&](int32_t i, int32_t j) {
            return grid[static_cast<std::size_t>(i) * static_cast<std::size_t>(m) + static_cast<std::size_t>(j)];
        };

        // Seams share their points (so smoothing crosses them): the last
        // column of a closed section is the first, and the last ring of a
        // closed spine the first when it came out the same.
        const bool shareColumns = closedSection;
        bool shareRings = closedSpine;
        for (int32_t j = 0; j < m && shareRings; ++j) shareRings = same(gridAt(n - 1, j), gridAt(0, j));
        const int32_t columns = shareColumns ? m - 1 : m;
        const int32_t rings = shareRings ? n - 1 : n;
        if (!mesh.points.resetReserve(rings * columns)) return false;
        for (int32_t i = 0; i < rings; ++i)
            for (int32_t j = 0; j < columns; ++j) mesh.points.append(gridAt(i, j));
        auto point = [&](int32_t i, int32_t j) {
            const int32_t ring = shareRings && i == n - 1 ? 0 : i;
            const int32_t column = shareColumns && j == m - 1 ? 0 : j;
            return ring * columns + column;
        };

        // Texture points of the sides: s along the section, t along the
        // spine, both by length.
        const std::vector<float> s = runningFractions(
            m, [&](int32_t j) { return section[j]; },
            [](const Vec2f& a, const Vec2f& b) { return std::hypot(static_cast<double>(b.x) - a.x, static_cast<double>(b.y) - a.y); });
        const std::vector<float> t = runningFractions(
            n, [&](int32_t i) { return path[i]; },
            [](const Vec3f& a, const Vec3f& b) {
                const double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y,
                             dz = static_cast<double>(b.z) - a.z;
                return std::sqrt(dx * dx + dy * dy + dz * dz);
            });
        for (int32_t i = 0; i < n; ++i)
            for (int32_t j = 0; j < m; ++j)
                if (!mesh.texPoints.append(Vec2f{s[static_cast<std::size_t>(j)], t[static_cast<std::size_t>(i)]}))
                    return false;

        auto corner = [&](int32_t p, int32_t tex) {
            return mesh.coordIndex.append(p) && mesh.texCoordIndex.append(tex);
        };
        auto endFace = [&]() { return mesh.coordIndex.append(-1) && mesh.texCoordIndex.append(-1); };
        for (int32_t i = 0; i + 1 < n; ++i) {
            for (int32_t j = 0; j + 1 < m; ++j) {
                const bool ok = corner(point(i, j), i * m + j) && corner(point(i, j + 1), i * m + j + 1) &&
                                corner(point(i + 1, j + 1), (i + 1) * m + j + 1) &&
                                corner(point(i + 1, j), (i + 1) * m + j) && endFace();
                if (!ok) return false;
            }
        }

        // Caps: the section's outline (without its repeated last point) at
        // the first and the last spine point, the begin cap reversed so it
        // faces back along the spine. Its image is the section's box, the
        // larger side spanning 0 .. 1.
        const int32_t outlineCount = closedSection ? m - 1 : m;
        if (outlineCount >= 3 && (beginCap.value || endCap.value)) {
            float lowX = section[0].x, highX = lowX, lowZ = section[0].y, highZ = lowZ;
            for (const Vec2f& p : section) {
                lowX = std::min(lowX, p.x), highX = std::max(highX, p.x);
                lowZ = std::min(lowZ, p.y), highZ = std::max(highZ, p.y);
            }
            const float side = std::max(highX - lowX, highZ - lowZ);
            const float inverse = side > 0.0f && std::isfinite(side) ? 1.0f / side : 0.0f;
            const int32_t capTex = mesh.texPoints.count;
            for (int32_t j = 0; j < outlineCount; ++j)
                if (!mesh.texPoints.append(Vec2f{(section[j].x - lowX) * inverse, (section[j].y - lowZ) * inverse}))
                    return false;

            std::vector<std::vector<int32_t>> pieces;
            std::vector<int32_t> outline(static_cast<std::size_t>(outlineCount));
            for (int32_t j = 0; j < outlineCount; ++j) outline[static_cast<std::size_t>(j)] = j;
            if (!convex.value && outlineCount > 3 && outlineCount <= kMaxEarClipping) earClip(section, outline, pieces);
            else pieces.push_back(outline);

            for (int32_t cap = 0; cap < 2; ++cap) {
                const bool begin = cap == 0;
                if (begin ? !beginCap.value : !endCap.value) continue;
                const int32_t ring = begin ? 0 : n - 1;
                for (const std::vector<int32_t>& piece : pieces) {
                    const int32_t size = static_cast<int32_t>(piece.size());
                    for (int32_t k = 0; k < size; ++k) {
                        const int32_t j = piece[static_cast<std::size_t>(begin ? size - 1 - k : k)];
                        if (!corner(point(ring, j), capTex + j)) return false;
                    }
                    if (!endFace()) return false;
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return render::buildCreaseNormals(mesh, creaseAngle.value);
}
