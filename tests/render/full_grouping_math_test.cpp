// The choices and conversions behind the full profile's grouping and texture
// nodes, on exact values: the LOD level against its ranges, the Billboard's
// turn, a TextureTransform's moved coordinates and a PixelTexture's picture.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <tuple>
#include <utility>
#include <vector>

#include "base/rgb565.h"
#include "render/full_grouping.h"
#include "render/full_textures.h"
#include "render/matrix.h"
#include "scene/full_texture_nodes.h"

namespace {

TEST(FullGroupingMath, LodLevelFollowsTheRanges) {
    const float nan = std::nanf("");
    struct Case {
        std::vector<float> range;
        float distance;
        int32_t levels;
        int32_t level;
    };
    const Case cases[] = {
        {{10, 20}, 0.0f, 3, 0},     {{10, 20}, 9.999f, 3, 0}, {{10, 20}, 10.0f, 3, 1},
        {{10, 20}, 19.0f, 3, 1},    {{10, 20}, 20.0f, 3, 2},  {{10, 20}, 1e30f, 3, 2},
        {{10, 20}, 25.0f, 2, 1},    {{10, 20}, 25.0f, 1, 0},  {{10, 20}, 15.0f, 1, 0},
        {{}, 100.0f, 4, 0},         {{10, 20}, nan, 3, 0},    {{10}, 10.0f, 5, 1},
        {{10, 20, 30}, 35.0f, 9, 3},
    };
    for (const Case& c : cases) {
        SimpleArray<float> range;
        for (float v : c.range) range.append(v);
        EXPECT_EQ(lodLevel(range, c.distance, c.levels), c.level) << c.distance << " among " << c.levels;
    }
}

TEST(FullGroupingMath, BillboardTurnsPlusZTowardsTheEye) {
    struct Case {
        Vec3f axis, eye, up;
        Vec3f z;  // where the children's +Z ends up
        Vec3f y;  // and their +Y
    };
    const float r = 0.70710678f;
    const Case cases[] = {
        {{0, 1, 0}, {0, 0, 10}, {0, 1, 0}, {0, 0, 1}, {0, 1, 0}},
        {{0, 1, 0}, {10, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 1, 0}},
        {{0, 1, 0}, {-3, 7, 0}, {0, 1, 0}, {-1, 0, 0}, {0, 1, 0}},  // height does not matter
        {{0, 1, 0}, {0, 0, -4}, {0, 1, 0}, {0, 0, -1}, {0, 1, 0}},
        {{0, 1, 0}, {5, 0, 5}, {0, 1, 0}, {r, 0, r}, {0, 1, 0}},
        {{0, 5, 0}, {5, 0, 5}, {0, 1, 0}, {r, 0, r}, {0, 1, 0}},  // the axis need not be unit
        // About X: +Z turns within the YZ plane.
        {{1, 0, 0}, {0, 10, 0}, {0, 0, -1}, {0, 1, 0}, {0, 0, -1}},
        // On the axis, or about Z itself: no turn.
        {{0, 1, 0}, {0, 10, 0}, {0, 0, -1}, {0, 0, 1}, {0, 1, 0}},
        {{0, 0, 1}, {10, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 1, 0}},
        // Turned fully: +Z at the eye, +Y along the eye's up.
        {{0, 0, 0}, {0, 10, 0}, {0, 0, -1}, {0, 1, 0}, {0, 0, -1}},
        {{0, 0, 0}, {0, 0, 3}, {0, 1, 0}, {0, 0, 1}, {0, 1, 0}},
        {{0, 0, 0}, {4, 0, 0}, {0, 1, 1}, {1, 0, 0}, {0, r, r}},
        // Up along the line to the eye, or the eye at the centre: no turn.
        {{0, 0, 0}, {0, 5, 0}, {0, 1, 0}, {0, 0, 1}, {0, 1, 0}},
        {{0, 0, 0}, {0, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 1, 0}},
        {{std::nanf(""), 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 1, 0}},
    };
    for (const Case& c : cases) {
        const Matrix m = billboardRotation(c.axis, c.eye, c.up);
        Vec3f z{0, 0, 1}, y{0, 1, 0};
        transformDirection(m, z);
        transformDirection(m, y);
        for (const auto& [got, want] : {std::pair{z, c.z}, std::pair{y, c.y}}) {
            EXPECT_NEAR(got.x, want.x, 1e-5f) << "eye " << c.eye.x << " " << c.eye.y << " " << c.eye.z;
            EXPECT_NEAR(got.y, want.y, 1e-5f) << "eye " << c.eye.x << " " << c.eye.y << " " << c.eye.z;
            EXPECT_NEAR(got.z, want.z, 1e-5f) << "eye " << c.eye.x << " " << c.eye.y << " " << c.eye.z;
        }
        // Always a rotation: the third row is the first two's cross product.
        EXPECT_NEAR(m.m[0] * m.m[4] - m.m[1] * m.m[3], m.m[8], 1e-5f);
    }
}

TEST(FullGroupingMath, TextureTransformMovesCoordinates) {
    struct Case {
        Vec2f center, scale, translation;
        float rotation;
        Vec2f in, out;
    };
    const float half = 1.5707963f;
    const Case cases[] = {
        {{0, 0}, {1, 1}, {0, 0}, 0.0f, {0.3f, 0.7f}, {0.3f, 0.7f}},
        {{0, 0}, {2, 3}, {0, 0}, 0.0f, {0.5f, 0.5f}, {1.0f, 1.5f}},
        {{0, 0}, {1, 1}, {0.25f, -1}, 0.0f, {0.5f, 0.5f}, {0.75f, -0.5f}},
        {{0, 0}, {1, 1}, {0, 0}, half, {1, 0}, {0, 1}},
        {{0, 0}, {1, 1}, {0, 0}, half, {0.25f, 0.75f}, {-0.75f, 0.25f}},
        // Translated, moved by the centre, turned, scaled, moved back.
        {{0.5f, 0.5f}, {1, 1}, {0, 0}, 2 * half, {0.25f, 0.25f}, {-1.25f, -1.25f}},
        {{1, 0}, {2, 1}, {0, 0}, 0.0f, {0, 0}, {1, 0}},
        {{0, 0}, {2, 1}, {0.25f, 0}, 0.0f, {0.25f, 0}, {1.0f, 0}},
        {{0.5f, 0}, {2, 1}, {1, 0}, half, {0, 0}, {-0.5f, 1.5f}},
    };
    for (const Case& c : cases) {
        nTextureTransform t;
        t.center.value = c.center;
        t.scale.value = c.scale;
        t.translation.value = c.translation;
        t.rotation.value = c.rotation;
        const Vec2f out = transformTexturePoint(t, c.in);
        EXPECT_NEAR(out.x, c.out.x, 1e-6f) << c.in.x << ", " << c.in.y;
        EXPECT_NEAR(out.y, c.out.y, 1e-6f) << c.in.x << ", " << c.in.y;
    }

    // The whole list goes through the scratch array; the points stay.
    nTextureTransform t;
    t.scale.value = Vec2f{2, 2};
    const Vec2f points[] = {{0, 0}, {1, 0}, {1, 1}};
    SimpleArray<Vec2f> scratch;
    const std::span<const Vec2f> moved = transformTexturePoints(t, points, scratch);
    ASSERT_EQ(moved.size(), 3u);
    EXPECT_EQ(moved.data(), scratch.items);
    EXPECT_EQ(moved[2].x, 2.0f);
    EXPECT_EQ(points[2].x, 1.0f);
    EXPECT_TRUE(transformTexturePoints(t, std::span<const Vec2f>(), scratch).empty());
}

PixelImage image(int32_t width, int32_t height, int32_t components, std::initializer_list<uint32_t> pixels) {
    PixelImage out;
    out.width = width;
    out.height = height;
    out.components = components;
    for (uint32_t p : pixels) out.pixels.append(p);
    return out;
}

TEST(FullGroupingMath, PixelTexturePictures) {
    struct Case {
        PixelImage image;
        int32_t side;  // 0: no picture
        bool alpha;
        // Expected texels: (x, y) from the top left, colour, opacity.
        std::vector<std::tuple<int32_t, int32_t, uint16_t, uint8_t>> texels;
    };
    std::vector<Case> cases;
    // Rows from the bottom: the first pixel is the bottom left one.
    cases.push_back({image(2, 2, 3, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}), 32, false,
                     {{0, 31, 0xF800, 255}, {15, 16, 0xF800, 255}, {16, 31, 0x07E0, 255}, {0, 0, 0x001F, 255},
                      {31, 15, 0xFFFF, 255}}});
    cases.push_back({image(1, 1, 1, {0x80}), 32, false, {{5, 9, rgb565FromBytes(0x80, 0x80, 0x80), 255}}});
    cases.push_back({image(2, 1, 2, {0xFF40, 0x0080}), 32, true, {{0, 0, 0xFFFF, 0x40}, {31, 31, 0x0000, 0x80}}});
    cases.push_back({image(1, 2, 4, {0x11223344, 0xFFFFFF00}), 32, true,
                     {{0, 31, rgb565FromBytes(0x11, 0x22, 0x33), 0x44}, {31, 0, 0xFFFF, 0}}});
    // Only the low bytes count.
    cases.push_back({image(1, 1, 1, {0xABCDEF12}), 32, false, {{0, 0, rgb565FromBytes(0x12, 0x12, 0x12), 255}}});
    // 64 wide, 4 high: 64 x 64, each row repeated 16 times.
    {
        PixelImage wide;
        wide.width = 64;
        wide.height = 4;
        wide.components = 3;
        for (int32_t i = 0; i < 256; ++i) wide.pixels.append(i < 64 ? 0xFF0000u : 0u);
        cases.push_back({std::move(wide), 64, false, {{63, 63, 0xF800, 255}, {63, 47, 0, 255}, {0, 48, 0xF800, 255}}});
    }
    // Not a power of two: resampled, without opacity.
    cases.push_back({image(3, 1, 4, {0xFF0000FF, 0xFF0000FF, 0xFF0000FF}), 32, false, {{10, 10, 0xF800, 255}}});
    // Not whole.
    cases.push_back({image(2, 2, 3, {1, 2, 3}), 0, false, {}});
    cases.push_back({image(0, 0, 0, {}), 0, false, {}});
    cases.push_back({image(1, 1, 5, {1}), 0, false, {}});
    cases.push_back({image(1, 1, 0, {1}), 0, false, {}});
    cases.push_back({image(-1, -1, 3, {1}), 0, false, {}});

    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const OwnedBitmap picture = pixelTextureBitmap(c.image);
        if (c.side == 0) {
            EXPECT_EQ(picture, nullptr) << "case " << i;
            continue;
        }
        ASSERT_NE(picture, nullptr) << "case " << i;
        EXPECT_EQ(picture->width, c.side) << "case " << i;
        EXPECT_EQ(picture->height, c.side) << "case " << i;
        EXPECT_EQ(picture->alpha != nullptr, c.alpha) << "case " << i;
        for (const auto& [x, y, colour, opacity] : c.texels) {
            EXPECT_EQ(picture->pixels[y * c.side + x], colour) << "case " << i << " at " << x << ", " << y;
            if (picture->alpha) {
                EXPECT_EQ(picture->alpha[y * c.side + x], opacity) << "case " << i;
            }
        }
    }
}

}  // namespace
