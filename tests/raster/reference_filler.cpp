#include "reference_filler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace raster_test {
namespace {

constexpr int kBlock = 16;
constexpr int64_t kShadeTop = (int64_t{1} << 24) - 1;
constexpr int64_t kShadeReach = int64_t{1} << 29;
constexpr int32_t kTexCoordMask = 0x1FFFFFF;

// Truncation toward zero, where the value fits 32 bits.
int32_t truncate(float value, bool& plain) {
    if (!(std::fabs(value) < 2147483520.0f)) {
        plain = false;
        return 0;
    }
    return static_cast<int32_t>(value);
}

// 16.16 depth: truncation into 0 .. 2^32 - 1.
uint32_t depthOf(float value, bool& plain) {
    if (!(value >= 0.0f && value < 4294967040.0f)) {
        plain = false;
        return 0;
    }
    return static_cast<uint32_t>(static_cast<int64_t>(value));
}

// A 16.16 texel coordinate truncated and kept to 25 bits.
int32_t texCoordOf(float value, bool& plain) { return truncate(value, plain) & kTexCoordMask; }

uint32_t redOf(uint32_t pixel) { return (pixel >> 11) << 3; }
uint32_t greenOf(uint32_t pixel) { return (pixel >> 3) & 0xFC; }
uint32_t blueOf(uint32_t pixel) { return (pixel & 0x1F) << 3; }

uint16_t packed(uint32_t r, uint32_t g, uint32_t b) {
    return static_cast<uint16_t>(((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3));
}

// emissive + (base x shade) >> 16, clamped to 255.
uint32_t litChannel(uint32_t emissive, uint32_t base, int64_t shade16) {
    const int64_t s = std::clamp<int64_t>(shade16, 0, kShadeTop);
    return static_cast<uint32_t>(std::min<int64_t>(emissive + ((base * s) >> 16), 255));
}

// The old channel scaled by its row plus the new one scaled by its row.
uint32_t blendChannel(const Rasterizer& r, uint32_t old, uint32_t fresh) {
    const int64_t value = r.weightTable[r.oldWeightRow + static_cast<int32_t>(old)] +
                          r.weightTable[r.newWeightRow + static_cast<int32_t>(fresh)];
    return static_cast<uint32_t>(std::min<int64_t>(value, 255));
}

}  // namespace

bool referenceSpan(const Rasterizer& r, const Edge& left, const Edge& right, bool textured, uint16_t* pixels,
                   uint32_t* depth) {
    const int32_t n = right.column - left.column;
    if (n < 1) return true;
    // The fillers write only inside the target.
    if (left.column < 0 || right.column > r.targetWidth || left.rowStart < 0 ||
        left.rowStart > r.pixelCount - r.targetWidth)
        return true;
    const bool shaded = r.shadeMode != 0;
    const bool opaque = r.opaqueMode != 0;
    if (!opaque && !r.weightTable) return true;
    if (!opaque && shaded && r.newWeightRow == 0) return true;
    const Bitmap* texture = r.textureBitmap;
    if (textured && !(texture && texture->pixels)) return true;
    const Gradients& g = r.gradients;
    bool plain = true;

    // Shade: 16.16 at the span start, one step per pixel.
    const int64_t shadeStart = shaded ? truncate(left.shade * 65536.0f, plain) : 0;
    const int64_t shadeStep = shaded ? truncate(g.dShadeDx * 65536.0f, plain) : 0;
    if (std::llabs(shadeStart) > kShadeReach || std::llabs(shadeStep) * n > kShadeReach) plain = false;

    // The values at the start of the first block.
    float persp = left.persp, uPersp = left.uPersp, vPersp = left.vPersp;
    float zStart = textured ? 65536.0f / persp : (1.0f / persp) * 65536.0f;
    int32_t uStart = 0, vStart = 0;
    if (textured) {
        uStart = (texCoordOf(uPersp * 65536.0f / persp, plain) + g.uRound) & kTexCoordMask;
        vStart = (texCoordOf(vPersp * 65536.0f / persp, plain) + g.vRound) & kTexCoordMask;
    }

    for (int32_t first = 0; first < n; first += kBlock) {
        const int32_t count = std::min(kBlock, n - first);
        const bool last = first + kBlock >= n;
        uint32_t z = depthOf(zStart, plain), dz = 0;
        int32_t du = 0, dv = 0;
        float zEnd = 0.0f;
        int32_t uEnd = 0, vEnd = 0;
        if (!last) {
            // A full block ends where the next one starts.
            persp += g.dPerspDx16;
            uPersp += g.dUPerspDx16;
            vPersp += g.dVPerspDx16;
            zEnd = 65536.0f / persp;
            if (textured) {
                dz = static_cast<uint32_t>(truncate(zEnd - zStart, plain) >> 4);
                uEnd = (texCoordOf(uPersp * 65536.0f / persp, plain) + g.uRound) & kTexCoordMask;
                vEnd = (texCoordOf(vPersp * 65536.0f / persp, plain) + g.vRound) & kTexCoordMask;
                du = (uEnd - uStart) >> 4;
                dv = (vEnd - vStart) >> 4;
            } else {
                dz = static_cast<uint32_t>(truncate((zEnd - zStart) / 16.0f, plain));
            }
        } else if (count > 1) {
            // The last block ends on the span's last pixel.
            const float perspEnd = right.persp - g.dPerspDx;
            zEnd = 65536.0f / perspEnd;
            if (textured) {
                const float reciprocal = r.reciprocals[count];
                dz = static_cast<uint32_t>(truncate((zEnd - zStart) * reciprocal, plain));
                const float uPerspEnd = right.uPersp - g.dUPerspDx, vPerspEnd = right.vPersp - g.dVPerspDx;
                uEnd = texCoordOf(uPerspEnd * 65536.0f / perspEnd + static_cast<float>(g.uRound), plain);
                vEnd = texCoordOf(vPerspEnd * 65536.0f / perspEnd + static_cast<float>(g.vRound), plain);
                du = truncate(static_cast<float>(uEnd - uStart) * reciprocal, plain);
                dv = truncate(static_cast<float>(vEnd - vStart) * reciprocal, plain);
            } else {
                dz = static_cast<uint32_t>(truncate((zEnd - zStart) / static_cast<float>(count), plain));
            }
        }

        for (int32_t i = 0; i < count; ++i) {
            const int32_t k = first + i;
            const int32_t index = left.rowStart + left.column + k;
            const uint16_t old = pixels[index];
            const uint32_t zi = z + static_cast<uint32_t>(i) * dz;
            uint32_t baseR, baseG, baseB;
            uint16_t texel = 0;
            if (textured) {
                const int32_t u = uStart + i * du, v = vStart + i * dv;
                const int32_t size = texture->width;
                texel = texture->pixels[((u >> 16) & (size - 1)) | ((v & r.texMask) >> r.texRowShift)];
                baseR = redOf(texel);
                baseG = greenOf(texel);
                baseB = blueOf(texel);
            } else if (shaded) {
                baseR = r.diffuseR;
                baseG = r.diffuseG;
                baseB = r.diffuseB;
            } else {
                baseR = r.emissiveR;
                baseG = r.emissiveG;
                baseB = r.emissiveB;
            }
            uint16_t colour;
            if (shaded) {
                const int64_t s = shadeStart + static_cast<int64_t>(k) * shadeStep;
                baseR = litChannel(r.emissiveR, baseR, s);
                baseG = litChannel(r.emissiveG, baseG, s);
                baseB = litChannel(r.emissiveB, baseB, s);
            }
            if (!opaque) {
                colour = packed(blendChannel(r, redOf(old), baseR), blendChannel(r, greenOf(old), baseG),
                                blendChannel(r, blueOf(old), baseB));
            } else if (shaded) {
                colour = packed(baseR, baseG, baseB);
            } else {
                colour = textured ? texel : r.emissivePixel;
            }
            if (zi < depth[index]) {
                pixels[index] = colour;
                if (opaque) depth[index] = zi;
            }
        }
        zStart = zEnd;
        uStart = uEnd;
        vStart = vEnd;
    }
    return plain;
}

bool referenceScan(Rasterizer& r, RasterVertex* const* p, int count, uint16_t* pixels, uint32_t* depth) {
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
            plain &= referenceSpan(r, r.leftEdge, r.rightEdge, r.textureMode != 0, pixels, depth);
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
