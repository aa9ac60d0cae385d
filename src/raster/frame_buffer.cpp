// The frame-buffer half of the Rasterizer: the render target and its depth
// buffer. A depth entry is 65536 / perspective (distance along the view axis
// over the focal length, in 16.16), compared as unsigned; 0xFFFFFFFF is empty.
#include <cstdlib>

#include "raster/band_renderer.h"
#include "raster/rasterizer.h"

namespace {
constexpr uint32_t kEmptyDepth = 0xFFFFFFFFu;
constexpr float kDefaultFieldOfView = 0.785398f;  // 45 degrees
constexpr float kDefaultNear = 1.0f;
constexpr float kDefaultFar = 32767.0f;
}  // namespace

void Rasterizer::attachTarget(Bitmap* bitmap) {
    flush();
    std::free(depth);
    depth = nullptr;
    target = bitmap;
    targetWidth = bitmap ? bitmap->width : 0;
    targetHeight = bitmap ? bitmap->height : 0;
    targetPixels = bitmap ? bitmap->pixels : nullptr;
    const int64_t count = static_cast<int64_t>(targetWidth) * targetHeight;
    // 0x40000000 entries or more would not fit a 32-bit byte count.
    if (targetPixels && count > 0 && count < 0x40000000) {
        depth = static_cast<uint32_t*>(std::malloc(static_cast<std::size_t>(count) * sizeof(uint32_t)));
    }
    if (!depth) {
        // Without a depth buffer nothing can be drawn: keep no target at all.
        targetWidth = 0;
        targetHeight = 0;
        targetPixels = nullptr;
    }
    pixelCount = targetWidth * targetHeight;
    // Integer halves, as the scene side projects with: on an odd-sized target
    // width * 0.5 would put the vertices made by near-plane clipping half a
    // pixel away from the vertices projected by the scene.
    halfWidth = static_cast<float>(targetWidth >> 1);
    halfHeight = static_cast<float>(targetHeight >> 1);
    setFieldOfView(kDefaultFieldOfView);
    near = kDefaultNear;
    far = kDefaultFar;
    if (bands) bands->retarget(*this);
}

void Rasterizer::clearColor(float r, float g, float b) {
    if (!targetPixels || !target) return;
    if (bands && bands->recording()) {
        bands->recordClear(packRgb565(r, g, b));
        return;
    }
    fillBitmap(target, packRgb565(r, g, b));
}

void Rasterizer::resetDepth() {
    if (!depth) return;
    if (bands && bands->recording()) {
        bands->recordResetDepth();
        return;
    }
    for (int32_t i = 0; i < pixelCount; ++i) depth[i] = kEmptyDepth;
}
