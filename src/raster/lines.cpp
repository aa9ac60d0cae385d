// One-pixel lines and points. A line is cut at the near plane in camera
// space (where z + near <= 0 is in front, as for triangles), its cut end
// projected as the scene side projects, then cut to the target's pixel
// centres (Liang-Barsky) and walked pixel by pixel along its major axis with
// an integer error term. Perspective is linear in screen space: it steps in
// 32.32 fixed point and every pixel's depth (65536 / perspective) is one
// integer division, so a line receding to the horizon keeps exact depths
// where a span's 16-pixel steps would bend them; colours step in 16.16.
//
// Lines are drawn straight into the target: with bands, what is recorded is
// drawn first (flush), so every pixel sees the same order as on one thread.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "raster/fixed_point.h"
#include "raster/rasterizer.h"

namespace {

using raster::kFractionBits;
using raster::kFractionOne;
using raster::truncDepth;

// One end of a line on screen: position, perspective and colour channels
// (0 .. 255, as floats so a cut end can lie between).
struct LineEnd {
    float sx, sy, persp;
    float c[3];
};

void channels(uint32_t rgb, float out[3]) {
    out[0] = static_cast<float>((rgb >> 16) & 0xFF);
    out[1] = static_cast<float>((rgb >> 8) & 0xFF);
    out[2] = static_cast<float>(rgb & 0xFF);
}

bool finite(float v) { return std::isfinite(v); }

bool usable(const LineEnd& e) { return finite(e.sx) && finite(e.sy) && finite(e.persp) && e.persp > 0.0f; }

float lerp(float from, float to, float s) { return from + s * (to - from); }

LineEnd between(const LineEnd& p, const LineEnd& q, float s) {
    return LineEnd{lerp(p.sx, q.sx, s), lerp(p.sy, q.sy, s), lerp(p.persp, q.persp, s),
                   {lerp(p.c[0], q.c[0], s), lerp(p.c[1], q.c[1], s), lerp(p.c[2], q.c[2], s)}};
}

// Cuts p-q to the box [low, high] of x and y; false when nothing is left.
bool clipToBox(LineEnd& p, LineEnd& q, float lowX, float lowY, float highX, float highY) {
    const float dx = q.sx - p.sx, dy = q.sy - p.sy;
    float t0 = 0.0f, t1 = 1.0f;
    // Each boundary as (denominator, numerator): inside where
    // numerator - t * denominator >= 0.
    const float tests[4][2] = {{-dx, p.sx - lowX}, {dx, highX - p.sx}, {-dy, p.sy - lowY}, {dy, highY - p.sy}};
    for (const auto& test : tests) {
        const float den = test[0], num = test[1];
        if (den == 0.0f) {
            if (num < 0.0f) return false;
            continue;
        }
        const float t = num / den;
        if (den < 0.0f) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
    }
    const LineEnd from = p, to = q;
    if (t0 > 0.0f) p = between(from, to, t0);
    if (t1 < 1.0f) q = between(from, to, t1);
    return usable(p) && usable(q);
}

// The pixel whose centre is nearest (centres lie on integers), held to
// 0 .. limit - 1.
int32_t pixelOf(float c, int32_t limit) {
    const float rounded = std::floor(c + 0.5f);
    return static_cast<int32_t>(std::clamp(rounded, 0.0f, static_cast<float>(limit - 1)));
}

// 2^48: 65536 / perspective in 16.16 with perspective in 32.32.
constexpr int64_t kDepthNumerator = int64_t{1} << 48;

// Perspective in 32.32 fixed point, held below 2^30 (far nearer than any
// near plane puts a vertex).
int64_t perspectiveFixed(float persp) {
    const double held = std::clamp(static_cast<double>(persp), 0.0, 1073741824.0);
    return static_cast<int64_t>(held * 4294967296.0);
}

int32_t channelFixed(float c) { return static_cast<int32_t>(std::clamp(c, 0.0f, 255.0f) * kFractionOne); }

uint16_t packChannels(int32_t r, int32_t g, int32_t b) {
    return static_cast<uint16_t>(((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3));
}

// One pixel of a line or a point: the depth test, then the colour stored
// (opaque, with its depth) or blended (transparent).
void plotPixel(Rasterizer& r, int32_t index, uint32_t depthValue, int32_t red, int32_t green, int32_t blue) {
    if (!(depthValue < r.depth[index])) return;
    if (r.opaqueMode) {
        r.targetPixels[index] = packChannels(red, green, blue);
        r.depth[index] = depthValue;
        return;
    }
    if (r.newWeightRow == 0) return;  // fully transparent
    const uint16_t old = r.targetPixels[index];
    const int32_t oldC[3] = {(old >> 11) << 3, (old >> 3) & 0xFC, (old & 0x1F) << 3};
    const int32_t newC[3] = {red, green, blue};
    int32_t out[3];
    for (int c = 0; c < 3; ++c)
        out[c] = std::min(255, r.weightTable[r.oldWeightRow + oldC[c]] + r.weightTable[r.newWeightRow + newC[c]]);
    r.targetPixels[index] = packChannels(out[0], out[1], out[2]);
}

}  // namespace

void Rasterizer::drawLine(const RasterVertex& a, const RasterVertex& b, uint32_t rgbA, uint32_t rgbB) {
    if (!targetPixels || !depth || !weightTable || targetWidth <= 0 || targetHeight <= 0) return;
    if ((a.outcode & b.outcode) != 0) return;
    if (!finite(a.x) || !finite(a.y) || !finite(a.z) || !finite(b.x) || !finite(b.y) || !finite(b.z)) return;
    flush();

    LineEnd p{a.sx, a.sy, a.perspective, {}};
    LineEnd q{b.sx, b.sy, b.perspective, {}};
    channels(rgbA, p.c);
    channels(rgbB, q.c);
    // The near plane, in camera space: an end behind it moves to where the
    // line crosses it, projected like the vertices the scene side made.
    const float da = a.z + near, db = b.z + near;
    if (da > 0.0f || db > 0.0f) {
        if (da > 0.0f && db > 0.0f) return;
        const float s = da / (da - db);  // from a towards b
        const float x = lerp(a.x, b.x, s), y = lerp(a.y, b.y, s);
        LineEnd cut;
        cut.persp = focal / -near;
        cut.sx = halfWidth + x * cut.persp;
        cut.sy = halfHeight - y * cut.persp;
        for (int c = 0; c < 3; ++c) cut.c[c] = lerp(p.c[c], q.c[c], s);
        if (da > 0.0f) p = cut;
        else q = cut;
    }
    if (!usable(p) || !usable(q)) return;
    // Pixel centres run from 0 to width - 1: keep what rounds onto them.
    const float w = static_cast<float>(targetWidth), h = static_cast<float>(targetHeight);
    if (!clipToBox(p, q, -0.5f, -0.5f, w - 0.5f, h - 0.5f)) return;

    int32_t x = pixelOf(p.sx, targetWidth), y = pixelOf(p.sy, targetHeight);
    const int32_t x1 = pixelOf(q.sx, targetWidth), y1 = pixelOf(q.sy, targetHeight);
    const int32_t dx = x1 - x, dy = y1 - y;
    const int32_t ax = std::abs(dx), ay = std::abs(dy);
    const bool xMajor = ax >= ay;
    const int32_t steps = xMajor ? ax : ay;  // pixels after the first
    const int32_t minorSteps = xMajor ? ay : ax;
    const int32_t stepX = dx < 0 ? -1 : 1, stepY = dy < 0 ? -1 : 1;

    int32_t colour[3], colourStep[3];
    for (int c = 0; c < 3; ++c) {
        colour[c] = channelFixed(p.c[c]) + (1 << (kFractionBits - 1));
        colourStep[c] = steps > 0 ? (channelFixed(q.c[c]) - channelFixed(p.c[c])) / steps : 0;
    }
    // Perspective in 32.32 fixed point, stepped per pixel; depth is
    // 2^48 / perspective (65536 / perspective in 16.16), an integer
    // division per pixel: exact however fast the line recedes.
    const int64_t perspFrom = perspectiveFixed(p.persp), perspTo = perspectiveFixed(q.persp);
    const int64_t perspStep = steps > 0 ? (perspTo - perspFrom) / steps : 0;
    int64_t persp = perspFrom;

    int32_t error = 0;
    for (int32_t k = 0; k <= steps; ++k) {
        const uint32_t depthValue =
            persp > 0 ? static_cast<uint32_t>(std::min<int64_t>(kDepthNumerator / persp, 0xFFFFFFFFll)) : 0xFFFFFFFFu;
        plotPixel(*this, y * targetWidth + x, depthValue, colour[0] >> kFractionBits, colour[1] >> kFractionBits,
                  colour[2] >> kFractionBits);
        persp += perspStep;
        for (int c = 0; c < 3; ++c) colour[c] += colourStep[c];
        // Along the major axis every step; along the minor one when the
        // error passes half a pixel.
        error += 2 * minorSteps;
        if (error > steps) {
            if (xMajor) y += stepY;
            else x += stepX;
            error -= 2 * steps;
        }
        if (xMajor) x += stepX;
        else y += stepY;
    }
}

void Rasterizer::drawPoint(const RasterVertex& v, uint32_t rgb) {
    if (!targetPixels || !depth || !weightTable || targetWidth <= 0 || targetHeight <= 0) return;
    if ((v.outcode & (kOutNear | kOutFar)) != 0) return;
    if (!finite(v.sx) || !finite(v.sy) || !finite(v.perspective) || !(v.perspective > 0.0f)) return;
    const float w = static_cast<float>(targetWidth), h = static_cast<float>(targetHeight);
    if (!(v.sx >= -0.5f && v.sx < w - 0.5f && v.sy >= -0.5f && v.sy < h - 0.5f)) return;
    flush();
    const int32_t x = pixelOf(v.sx, targetWidth), y = pixelOf(v.sy, targetHeight);
    plotPixel(*this, y * targetWidth + x, truncDepth(kFractionOne / v.perspective),
              static_cast<int32_t>((rgb >> 16) & 0xFF), static_cast<int32_t>((rgb >> 8) & 0xFF),
              static_cast<int32_t>(rgb & 0xFF));
}
