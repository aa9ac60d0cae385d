// Indexed face sets: faces end at -1 (or at the end of coordIndex), each face
// is drawn as a fan (v0, v1, v2), (v0, v2, v3), ... and every fan triangle is
// culled on its own. A face is checked whole before any of it is drawn: one
// that names a vertex, texture point or shade that does not exist is refused
// and counted, and the faces after it are drawn as usual.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

#include "base/face_walk.h"
#include "raster/rasterizer.h"
#include "raster/scan_convert.h"

namespace {

// A texture coordinate moved by a multiple of this many repeats addresses
// the same texel: one repeat is size - 1 texels and the coordinates wrap
// every size texels, so 256 repeats are 256 x (size - 1) texels, a multiple
// of every size (32 .. 256).
constexpr float kRepeatSpan = 256.0f;

// The multiple of kRepeatSpan nearer 0 than the coordinate (0 for the
// coordinates of an ordinary world, below 256, and for non-finite ones).
float wholeSpans(float coordinate) {
    const float spans = std::trunc(coordinate / kRepeatSpan) * kRepeatSpan;
    return std::isfinite(spans) ? spans : 0.0f;
}

// The arrays one mesh is drawn from, with the per-corner loading of texture
// coordinates, shades and colours into the shared vertex records. textured,
// lit and coloured are the surface mode's, fixed for the mesh.
struct FaceSource {
    bool textured;
    bool lit;
    std::span<RasterVertex> vertices;
    std::span<const ShadeEntry> shades;
    std::span<const int32_t> coordIndex;
    std::span<const Vec2f> texPoints;
    std::span<const int32_t> texCoordIndex;
    std::span<const int32_t> shadeIndex;
    bool coloured = false;
    std::span<const Color4f> colours = {};
    std::span<const int32_t> colourIndex = {};

    // Whether the face's corners from .. end - 1, whose vertices exist, also
    // name an existing texture point and shade where those are used.
    bool cornersValid(std::size_t from, std::size_t end) const {
        bool ok = true;
        if (textured) {
            ok &= texCoordIndex.size() >= end;
            for (std::size_t j = from; ok && j < end; ++j) ok &= indexInRange(texCoordIndex[j], texPoints.size());
        }
        if (lit) {
            ok &= shadeIndex.size() >= end;
            for (std::size_t j = from; ok && j < end; ++j) ok &= indexInRange(shadeIndex[j], shades.size());
        }
        if (coloured) {
            ok &= colourIndex.size() >= end;
            for (std::size_t j = from; ok && j < end; ++j) ok &= indexInRange(colourIndex[j], colours.size());
        }
        return ok;
    }

    // Whole repeats taken off every texture coordinate of the face starting
    // at `from`: its first corner's coordinates cut to a multiple of
    // kRepeatSpan. Near 0 the shift is 0; far from it, where a float keeps
    // too few bits below the point for the interpolation, the face then
    // shows the texels it names instead of noise.
    Vec2f repeatShift(std::size_t from) const {
        if (textured) {
            const Vec2f& point = texPoints[static_cast<std::size_t>(texCoordIndex[from])];
            return {wholeSpans(point.x), wholeSpans(point.y)};
        }
        return {0.0f, 0.0f};
    }

    // The vertex of corner k with this corner's texture coordinate (less the
    // face's repeat shift) and shade loaded, just before a triangle that uses
    // it is drawn.
    RasterVertex* corner(std::size_t k, const Vec2f& shift) const {
        RasterVertex* vertex = &vertices[static_cast<std::size_t>(coordIndex[k])];
        if (textured) {
            const Vec2f& point = texPoints[static_cast<std::size_t>(texCoordIndex[k])];
            vertex->u = point.x - shift.x;
            vertex->v = 1.0f - (point.y - shift.y);  // image rows run top down, t runs bottom up
        }
        if (lit) vertex->shade = shades[static_cast<std::size_t>(shadeIndex[k])].intensity;
        if (coloured) {
            // Channel units: the filler holds each to 0..255 per pixel.
            const Color4f& c = colours[static_cast<std::size_t>(colourIndex[k])];
            vertex->red = c.r * 255.0f;
            vertex->green = c.g * 255.0f;
            vertex->blue = c.b * 255.0f;
        }
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
    forEachFace(source.coordIndex, source.vertices.size(), [&](std::size_t i, std::size_t end, bool valid) {
        // Faces of fewer than three corners draw nothing.
        if (end - i >= 3) {
            if (!valid || !source.cornersValid(i, end)) {
                ++r.counters.facesRefused;
            } else {
                const Vec2f shift = source.repeatShift(i);
                RasterVertex* v0 = source.corner(i, shift);
                RasterVertex* v1 = source.corner(i + 1, shift);
                RasterVertex* v2 = source.corner(i + 2, shift);
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
                    v2 = source.corner(j, shift);
                }
            }
        }
    });
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

void Rasterizer::drawIndexedFacesColoured(const SurfaceState& surface, std::span<RasterVertex> vertices,
                                          std::span<const Color4f> colours,
                                          std::span<const int32_t> coordIndex, std::span<const Vec2f> texPoints,
                                          std::span<const int32_t> texCoordIndex,
                                          std::span<const int32_t> colourIndex, bool ccw, bool twoSided) {
    SurfaceState state = surface;
    state.lit = 0;  // the colours are final
    if (texPoints.empty()) state.textured = 0;
    if (state.textured && texCoordIndex.empty()) texCoordIndex = coordIndex;
    if (colourIndex.empty()) colourIndex = coordIndex;
    beginSurface(state);
    // A texture (one beginSurface kept) replaces the colours.
    colourMode = !textureMode && !colours.empty();

    const raster::SurfaceFiller& filler = raster::surfaceFiller(*this);
    FaceSource source{filler.mode.textured, false,      vertices,      {},         coordIndex, texPoints,
                      texCoordIndex,        {},         filler.mode.coloured};
    source.colours = colours;
    source.colourIndex = colourIndex;
    drawFaces(*this, filler, source, ccw, twoSided);
    colourMode = 0;
}
