// Small targets and hand-built vertices for the rasterizer tests. Vertices are
// made the way the scene side makes them: perspective = focal / z, screen
// position from the projection, outcode from the clip-code table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "raster/bitmap.h"
#include "raster/rasterizer.h"

namespace raster_test {

constexpr uint16_t kBackground = 0x0841;  // a dark grey no surface below uses
constexpr uint16_t kWhite = 0xFFFF;

// A cleared target of the given size with the rasterizer attached.
struct Canvas {
    OwnedBitmap bitmap;
    Rasterizer r;

    Canvas(int32_t width, int32_t height) : bitmap(newBitmap(width, height, false)) {
        r.attachTarget(bitmap.get());
        clear();
    }
    void clear(uint16_t value = kBackground) {
        fillBitmap(bitmap.get(), value);
        r.resetDepth();
    }
    uint16_t pixel(int32_t x, int32_t y) const { return bitmap->pixels[y * bitmap->width + x]; }
    uint32_t depthAt(int32_t x, int32_t y) const { return r.depth[y * bitmap->width + x]; }
    int32_t width() const { return bitmap->width; }
    int32_t height() const { return bitmap->height; }

    // '#' where the pixel differs from `background`, '.' elsewhere, one string per row.
    std::vector<std::string> picture(uint16_t background = kBackground) const {
        std::vector<std::string> rows;
        for (int32_t y = 0; y < height(); ++y) {
            std::string row;
            for (int32_t x = 0; x < width(); ++x) row += pixel(x, y) == background ? '.' : '#';
            rows.push_back(row);
        }
        return rows;
    }
    int covered(uint16_t background = kBackground) const {
        int n = 0;
        for (int32_t i = 0; i < width() * height(); ++i) n += bitmap->pixels[i] != background;
        return n;
    }
};

inline int32_t outcodeOf(const Rasterizer& r, const RasterVertex& v) {
    if (!(v.z <= -r.near)) return kOutNear;
    int32_t code = 0;
    if (v.sx < 0) code |= kOutLeft;
    else if (v.sx > static_cast<float>(r.targetWidth)) code |= kOutRight;
    if (v.sy < 0) code |= kOutTop;
    else if (v.sy > static_cast<float>(r.targetHeight)) code |= kOutBottom;
    if (v.z < -r.far) code |= kOutFar;
    return code;
}

// A camera-space point projected like the scene side does it.
inline RasterVertex cameraVertex(const Rasterizer& r, float x, float y, float z) {
    RasterVertex v;
    v.x = x;
    v.y = y;
    v.z = z;
    if (z <= -r.near) {
        v.perspective = r.focal / z;
        v.sx = r.halfWidth + x * v.perspective;
        v.sy = r.halfHeight - y * v.perspective;
    }
    v.outcode = outcodeOf(r, v);
    return v;
}

// The point at depth z that projects to screen position (sx, sy).
inline RasterVertex screenVertex(const Rasterizer& r, float sx, float sy, float z = -10.0f) {
    RasterVertex v;
    v.z = z;
    v.perspective = r.focal / z;
    v.x = (sx - r.halfWidth) / v.perspective;
    v.y = (r.halfHeight - sy) / v.perspective;
    v.sx = sx;
    v.sy = sy;
    v.outcode = outcodeOf(r, v);
    return v;
}

// An unlit opaque surface of one colour.
inline SurfaceState flatSurface(float red, float green, float blue) {
    SurfaceState s;
    s.opaque = 1;
    s.emissive[0] = red;
    s.emissive[1] = green;
    s.emissive[2] = blue;
    return s;
}

}  // namespace raster_test

namespace raster_test {

// Independent coverage reference: the pixel centres (integer coordinates)
// inside a triangle given in counter-clockwise screen order, positions snapped
// to 1/16 pixel, with the top-left rule written as edge functions: a centre
// exactly on an edge belongs to the triangle when the edge is a left edge
// (running down the screen) or a top edge (horizontal, running leftward).
inline std::vector<std::string> referenceTriangle(int32_t width, int32_t height, float x0, float y0, float x1,
                                                  float y1, float x2, float y2,
                                                  std::vector<std::string> rows = {}) {
    if (rows.empty()) rows.assign(static_cast<size_t>(height), std::string(static_cast<size_t>(width), '.'));
    const int64_t xs[3] = {static_cast<int64_t>(x0 * 16), static_cast<int64_t>(x1 * 16),
                           static_cast<int64_t>(x2 * 16)};
    const int64_t ys[3] = {static_cast<int64_t>(y0 * 16), static_cast<int64_t>(y1 * 16),
                           static_cast<int64_t>(y2 * 16)};
    for (int32_t py = 0; py < height; ++py) {
        for (int32_t px = 0; px < width; ++px) {
            bool in = true;
            for (int e = 0; e < 3 && in; ++e) {
                const int i = e, j = (e + 1) % 3;
                const int64_t value = (xs[j] - xs[i]) * (py * 16 - ys[i]) - (ys[j] - ys[i]) * (px * 16 - xs[i]);
                const bool leftOrTop = ys[j] > ys[i] || (ys[j] == ys[i] && xs[j] < xs[i]);
                in = value < 0 || (value == 0 && leftOrTop);
            }
            if (in) rows[static_cast<size_t>(py)][static_cast<size_t>(px)] = '#';
        }
    }
    return rows;
}

inline int countMarks(const std::vector<std::string>& rows) {
    int n = 0;
    for (const std::string& row : rows)
        for (char c : row) n += c == '#';
    return n;
}

}  // namespace raster_test
