#include "reference_colour_filler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace raster_test {
namespace {

constexpr int kBlock = 16;
constexpr int64_t kReach = int64_t{1} << 29;

int32_t truncate(float value, bool& plain) {
    if (!(std::fabs(value) < 2147483520.0f)) {
        plain = false;
        return 0;
    }
    return static_cast<int32_t>(value);
}

uint32_t depthOf(float value, bool& plain) {
    if (!(value >= 0.0f && value < 4294967040.0f)) {
        plain = false;
        return 0;
    }
    return static_cast<uint32_t>(static_cast<int64_t>(value));
}

// The whole part of a 16.16 channel, held to 0..255.
uint32_t channel(int64_t value16) { return static_cast<uint32_t>(std::clamp<int64_t>(value16 >> 16, 0, 255)); }

uint32_t redOf(uint32_t pixel) { return (pixel >> 11) << 3; }
uint32_t greenOf(uint32_t pixel) { return (pixel >> 3) & 0xFC; }
uint32_t blueOf(uint32_t pixel) { return (pixel & 0x1F) << 3; }

uint16_t packed(uint32_t r, uint32_t g, uint32_t b) {
    return static_cast<uint16_t>(((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3));
}

uint32_t blendChannel(const Rasterizer& r, uint32_t old, uint32_t fresh) {
    const int64_t value = r.weightTable[r.oldWeightRow + static_cast<int32_t>(old)] +
                          r.weightTable[r.newWeightRow + static_cast<int32_t>(fresh)];
    return static_cast<uint32_t>(std::min<int64_t>(value, 255));
}

}  // namespace

bool referenceColourSpan(const Rasterizer& r, const Edge& left, const Edge& right, uint16_t* pixels,
                         uint32_t* depth) {
    const int32_t n = right.column - left.column;
    if (n < 1) return true;
    if (left.column < 0 || right.column > r.targetWidth || left.rowStart < 0 ||
        left.rowStart > r.pixelCount - r.targetWidth)
        return true;
    const bool opaque = r.opaqueMode != 0;
    if (!opaque && (!r.weightTable || r.newWeightRow == 0)) return true;
    const Gradients& g = r.gradients;
    bool plain = true;
    const float starts[3] = {left.red, left.green, left.blue};
    const float steps[3] = {g.dRedDx, g.dGreenDx, g.dBlueDx};
    int64_t start16[3], step16[3];
    for (int c = 0; c < 3; ++c) {
        // The filler's documented holds: the start within 2^29, the step so
        // that the whole span stays within 2^29 of it.
        start16[c] = std::clamp<int64_t>(truncate(starts[c] * 65536.0f, plain), -kReach, kReach);
        step16[c] = std::clamp<int64_t>(truncate(steps[c] * 65536.0f, plain), -(kReach / n), kReach / n);
    }

    float persp = left.persp;
    float zStart = (1.0f / persp) * 65536.0f;
    for (int32_t first = 0; first < n; first += kBlock) {
        const int32_t count = std::min(kBlock, n - first);
        const bool last = first + kBlock >= n;
        const uint32_t z = depthOf(zStart, plain);
        uint32_t dz = 0;
        float zEnd = 0.0f;
        if (!last) {
            persp += g.dPerspDx16;
            zEnd = 65536.0f / persp;
            dz = static_cast<uint32_t>(truncate((zEnd - zStart) / 16.0f, plain));
        } else if (count > 1) {
            zEnd = 65536.0f / (right.persp - g.dPerspDx);
            dz = static_cast<uint32_t>(truncate((zEnd - zStart) / static_cast<float>(count), plain));
        }
        for (int32_t i = 0; i < count; ++i) {
            const int32_t k = first + i;
            const int32_t index = left.rowStart + left.column + k;
            uint32_t rgb[3];
            for (int c = 0; c < 3; ++c) rgb[c] = channel(start16[c] + k * step16[c]);
            const uint16_t old = pixels[index];
            const uint16_t colour =
                opaque ? packed(rgb[0], rgb[1], rgb[2])
                       : packed(blendChannel(r, redOf(old), rgb[0]), blendChannel(r, greenOf(old), rgb[1]),
                                blendChannel(r, blueOf(old), rgb[2]));
            const uint32_t zi = z + static_cast<uint32_t>(i) * dz;
            if (zi < depth[index]) {
                pixels[index] = colour;
                if (opaque) depth[index] = zi;
            }
        }
        zStart = zEnd;
    }
    return plain;
}

bool referenceColourScan(Rasterizer& r, RasterVertex* const* p, int count, uint16_t* pixels, uint32_t* depth) {
    r.setupGradients(*p[0], *p[1], *p[2]);
    int top = 0;
    for (int k = 1; k < count; ++k)
        if (p[k]->sy < p[top]->sy) top = k;  // ties: the earliest wins
    auto next = [count](int k) { return (k + 1) % count; };
    auto previous = [count](int k) { return (k + count - 1) % count; };
    int leftAt = next(top), rightAt = previous(top);
    r.initEdge(r.leftEdge, *p[top], *p[leftAt], true);
    r.initEdge(r.rightEdge, *p[top], *p[rightAt], false);
    int edgesToStart = count - 1;
    bool plain = true;
    for (;;) {
        while (r.leftEdge.rowsLeft > 0 && r.rightEdge.rowsLeft > 0) {
            if (r.leftEdge.rowStart >= r.pixelCount) return plain;
            plain &= referenceColourSpan(r, r.leftEdge, r.rightEdge, pixels, depth);
            r.stepEdges();
        }
        if (r.leftEdge.rowsLeft <= 0) {
            if (edgesToStart == 0) return plain;
            --edgesToStart;
            r.initEdge(r.leftEdge, *p[leftAt], *p[next(leftAt)], true);
            leftAt = next(leftAt);
        }
        if (r.rightEdge.rowsLeft <= 0) {
            if (edgesToStart == 0) return plain;
            --edgesToStart;
            r.initEdge(r.rightEdge, *p[rightAt], *p[previous(rightAt)], false);
            rightAt = previous(rightAt);
        }
    }
}

}  // namespace raster_test
