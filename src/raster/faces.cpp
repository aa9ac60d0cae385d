// Indexed face sets: faces end at -1 (or at the end of coordIndex), each face
// is drawn as a fan (v0, v1, v2), (v0, v2, v3), ... and every fan triangle is
// culled on its own. A face is checked whole before any of it is drawn: one
// that names a vertex, texture point or shade that does not exist is refused
// and counted, and the faces after it are drawn as usual.
#include <cstddef>
#include <cstdint>
#include <span>

#include "raster/rasterizer.h"
#include "raster/scan_convert.h"

namespace {

constexpr int32_t kFaceEnd = -1;

// The arrays one mesh is drawn from, with the per-corner loading of texture
// coordinates and shades into the shared vertex records. textured and lit are
// the surface mode's, fixed for the mesh.
struct FaceSource {
    bool textured;
    bool lit;
    std::span<RasterVertex> vertices;
    std::span<const ShadeEntry> shades;
    std::span<const int32_t> coordIndex;
    std::span<const Vec2f> texPoints;
    std::span<const int32_t> texCoordIndex;
    std::span<const int32_t> shadeIndex;

    static bool inRange(int32_t index, std::size_t size) {
        return index >= 0 && static_cast<std::size_t>(index) < size;
    }

    // The end of the face starting at `from` (its -1, or the end of the
    // list), and in `valid` whether every corner names an existing vertex
    // and, where used, an existing texture point and shade.
    std::size_t faceEnd(std::size_t from, bool& valid) const {
        const std::size_t count = coordIndex.size();
        bool ok = true;
        std::size_t k = from;
        for (; k < count; ++k) {
            const int32_t index = coordIndex[k];
            if (index == kFaceEnd) break;
            ok &= inRange(index, vertices.size());
        }
        if (textured) {
            ok &= texCoordIndex.size() >= k;
            for (std::size_t j = from; ok && j < k; ++j) ok &= inRange(texCoordIndex[j], texPoints.size());
        }
        if (lit) {
            ok &= shadeIndex.size() >= k;
            for (std::size_t j = from; ok && j < k; ++j) ok &= inRange(shadeIndex[j], shades.size());
        }
        valid = ok;
        return k;
    }

    // The vertex of corner k with this corner's texture coordinate and shade
    // loaded, just before a triangle that uses it is drawn.
    RasterVertex* corner(std::size_t k) const {
        RasterVertex* vertex = &vertices[static_cast<std::size_t>(coordIndex[k])];
        if (textured) {
            const Vec2f& point = texPoints[static_cast<std::size_t>(texCoordIndex[k])];
            vertex->u = point.x;
            vertex->v = 1.0f - point.y;  // image rows run top down, t runs bottom up
        }
        if (lit) vertex->shade = shades[static_cast<std::size_t>(shadeIndex[k])].intensity;
        return vertex;
    }
};

// Orientation of the triangle as seen from the eye: n . v0 with n = (v1 - v0) x (v2 - v0), in
// camera space with the eye at the origin.
float facing(const RasterVertex& v0, const RasterVertex& v1, const RasterVertex& v2) {
    const float ax = v1.x - v0.x, ay = v1.y - v0.y, az = v1.z - v0.z;
    const float bx = v2.x - v0.x, by = v2.y - v0.y, bz = v2.z - v0.z;
    const float nx = ay * bz - az * by;
    const float ny = az * bx - ax * bz;
    const float nz = ax * by - ay * bx;
    return nx * v0.x + ny * v0.y + nz * v0.z;
}

// Walks coordIndex face by face and draws the fans that face the eye (or
// all of them when twoSided), always in counter-clockwise screen order.
void drawFaces(Rasterizer& r, const raster::SurfaceFiller& filler, const FaceSource& source, bool ccw,
               bool twoSided) {
    auto draw = [&r, &filler](RasterVertex* a, RasterVertex* b, RasterVertex* c) {
        raster::drawTriangleWith(r, filler, a, b, c);
    };
    const std::size_t count = source.coordIndex.size();
    std::size_t i = 0;
    while (i < count) {
        bool valid;
        const std::size_t end = source.faceEnd(i, valid);
        // Faces of fewer than three corners draw nothing.
        if (end - i >= 3) {
            if (!valid) {
                ++r.counters.facesRefused;
            } else {
                RasterVertex* v0 = source.corner(i);
                RasterVertex* v1 = source.corner(i + 1);
                RasterVertex* v2 = source.corner(i + 2);
                for (std::size_t j = i + 3;; ++j) {
                    // Positive: the corners run clockwise as seen from the eye.
                    const bool clockwise = facing(*v0, *v1, *v2) > 0.0f;
                    if (twoSided) {
                        // Reverse the clockwise side so the rasterizer always
                        // sees counter-clockwise screen order.
                        if (clockwise) draw(v0, v2, v1);
                        else draw(v0, v1, v2);
                    } else if (clockwise != ccw) {
                        if (ccw) draw(v0, v1, v2);
                        else draw(v0, v2, v1);
                    }
                    if (j >= end) break;
                    v1 = v2;
                    v2 = source.corner(j);
                }
            }
        }
        i = end + 1;
    }
}

}  // namespace

void Rasterizer::drawIndexedFaces(const SurfaceState& surface, std::span<RasterVertex> vertices,
                                  std::span<const ShadeEntry> shades, std::span<const int32_t> coordIndex,
                                  std::span<const Vec2f> texPoints, std::span<const int32_t> texCoordIndex,
                                  std::span<const int32_t> shadeIndex, bool ccw, bool twoSided) {
    SurfaceState state = surface;
    if (texPoints.empty()) state.textured = 0;
    if (state.textured && texCoordIndex.empty()) texCoordIndex = coordIndex;
    if (shades.empty()) state.lit = 0;
    if (state.lit && shadeIndex.empty()) shadeIndex = coordIndex;
    beginSurface(state);

    // beginSurface may turn texturing off (texture of an unusable size); the
    // texture indices then no longer matter. The filler is the same for every
    // triangle of the mesh.
    const raster::SurfaceFiller& filler = raster::surfaceFiller(*this);
    const FaceSource source{filler.mode.textured, filler.mode.shaded, vertices,      shades,
                            coordIndex,           texPoints,          texCoordIndex, shadeIndex};
    drawFaces(*this, filler, source, ccw, twoSided);
}
