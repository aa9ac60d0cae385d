#include "render/sky.h"

#include <algorithm>
#include <cmath>

#include "base/rgb565.h"
#include "raster/rasterizer.h"
#include "scene/full_background.h"
#include "scene/scene.h"

namespace {

constexpr int32_t kSteps = 512;
constexpr float kPi = 3.14159265f;

Color4f blend(const Color4f& a, const Color4f& b, float t) {
    return Color4f{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, 0.0f};
}

// The ground's upper edge, as an angle from the nadir: its last key, or the
// horizon when it gives no angles.
float groundLimit(const nBackgroundFull& background) {
    const int32_t keys = std::min(background.groundColor.value.count, background.groundAngle.value.count + 1);
    if (keys <= 1) return kPi * 0.5f;
    const float last = background.groundAngle.value[keys - 2];
    return std::isfinite(last) ? last : kPi * 0.5f;
}

uint16_t pixelOf(const Color4f& c) {
    auto unit = [](float v) { return std::isfinite(v) ? std::clamp(v, 0.0f, 1.0f) : 0.0f; };
    return packRgb565(unit(c.r), unit(c.g), unit(c.b));
}

}  // namespace

Color4f bandColour(const SimpleArray<Color4f>& colours, const SimpleArray<float>& angles, float angle) {
    if (colours.count == 0) return Color4f{0.0f, 0.0f, 0.0f, 0.0f};
    if (std::isnan(angle)) return colours[0];
    const int32_t keys = std::min(colours.count, angles.count + 1);
    float previous = 0.0f;
    for (int32_t k = 1; k < keys; ++k) {
        const float at = angles[k - 1];
        if (!(angle > at)) {
            const float span = at - previous;
            const float t = span > 0.0f ? (angle - previous) / span : 1.0f;
            return blend(colours[k - 1], colours[k], std::isfinite(t) ? std::clamp(t, 0.0f, 1.0f) : 1.0f);
        }
        previous = at;
    }
    return colours[keys - 1];
}

void paintSky(Scene& scene) {
    if (scene.profile != Profile::Full || !scene.rasterizer) return;
    const auto* background = dynamic_cast<const nBackgroundFull*>(scene.boundBackground);
    if (!background || (background->skyColor.value.count <= 1 && background->groundColor.value.count == 0)) return;
    Rasterizer& r = *scene.rasterizer;
    if (!r.targetPixels || r.targetWidth <= 0 || r.targetHeight <= 0) return;

    // The world's up direction in camera space: the view matrix's second row.
    const float* m = scene.viewMatrix.m;
    const float upLength = std::sqrt(m[3] * m[3] + m[4] * m[4] + m[5] * m[5]);
    const float focal = -scene.focalLength;
    if (!(upLength > 0.0f) || !std::isfinite(upLength) || !(focal > 0.0f) || !std::isfinite(focal)) return;
    const float ux = m[3] / upLength, uy = m[4] / upLength, uz = m[5] / upLength;

    uint16_t table[kSteps];
    const bool ground = background->groundColor.value.count > 0;
    const float limit = groundLimit(*background);
    for (int32_t i = 0; i < kSteps; ++i) {
        const float cosine = -1.0f + (static_cast<float>(i) + 0.5f) * (2.0f / kSteps);
        const float fromZenith = std::acos(cosine);
        const float fromNadir = kPi - fromZenith;
        const Color4f colour = ground && fromNadir <= limit
                                   ? bandColour(background->groundColor.value, background->groundAngle.value, fromNadir)
                                   : bandColour(background->skyColor.value, background->skyAngle.value, fromZenith);
        table[i] = pixelOf(colour);
    }

    // Pixel (px, py) looks along (px - halfWidth, halfHeight - py, -focal)
    // in camera space, the inverse of the projection.
    r.flush();
    const float halfWidth = scene.screenHalfWidth, halfHeight = scene.screenHalfHeight;
    for (int32_t py = 0; py < r.targetHeight; ++py) {
        uint16_t* row = r.targetPixels + static_cast<std::size_t>(py) * static_cast<std::size_t>(r.targetWidth);
        const float y = (halfHeight - static_cast<float>(py)) / focal;
        const float rowDot = y * uy - uz;
        const float rowSquare = y * y + 1.0f;
        for (int32_t px = 0; px < r.targetWidth; ++px) {
            const float x = (static_cast<float>(px) - halfWidth) / focal;
            const float cosine = (x * ux + rowDot) / std::sqrt(x * x + rowSquare);
            const float step = (cosine + 1.0f) * (kSteps * 0.5f);
            const int32_t index = step > 0.0f ? std::min(static_cast<int32_t>(step), kSteps - 1) : 0;
            row[px] = table[index];
        }
    }
}
