// Whole frames through the scene side and the rasterizer together: what ends
// up in the frame buffer.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "render_fixture.h"

namespace {

using namespace render_test;

using RenderPixelsTest = RenderFixture;

const uint16_t kRed = packRgb565(1, 0, 0);
const uint16_t kGreen = packRgb565(0, 1, 0);
const uint16_t kWhite = packRgb565(1, 1, 1);

// The first covered pixel of an edge at screen coordinate c: positions are
// truncated to 1/16 pixel, pixel centres lie on integers, top and left edges
// are inclusive.
int firstCovered(float c) { return static_cast<int>(std::ceil(std::floor(c * 16.0f) / 16.0f)); }

TEST_F(RenderPixelsTest, EmissiveSquareCoversThePredictedRectangle) {
    addChild(root, shape(square(0.5f, 0.25f, 0, 1), material({0, 0, 0}, {1, 0, 0})));
    frame();
    // The default view: eye at (0, 0, 10), 45 degrees over the 240 pixels.
    const float focal = static_cast<float>(-120.0 / std::tan(static_cast<double>(0.785398f * 0.5f)));
    const float k = focal / -10.0f;
    const int left = firstCovered(-0.5f * k + 120.0f), right = firstCovered(1.5f * k + 120.0f);
    const int top = firstCovered(160.0f - 1.25f * k), bottom = firstCovered(160.0f - -0.75f * k);
    EXPECT_EQ(right - left, 58);
    EXPECT_EQ(bottom - top, 58);
    int wrong = 0;
    for (int y = 0; y < 320; ++y) {
        for (int x = 0; x < 240; ++x) {
            const bool inside = x >= left && x < right && y >= top && y < bottom;
            if (pixel(x, y) != (inside ? kRed : 0)) ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(RenderPixelsTest, NearerOpaqueSquareWinsInEitherOrder) {
    std::vector<uint16_t> pictures[2];
    for (int order = 0; order < 2; ++order) {
        root->children.value.clear();
        nShape* far = shape(square(0, 0, 0, 2), material({0, 0, 0}, {1, 0, 0}));
        nShape* near = shape(square(0, 0, 1, 1), material({0, 0, 0}, {0, 1, 0}));
        addChild(root, order == 0 ? far : near);
        addChild(root, order == 0 ? near : far);
        frame();
        EXPECT_EQ(pixel(120, 160), kGreen);
        EXPECT_EQ(pixel(120 - 50, 160), kRed);  // outside the small square, inside the large one
        pictures[order] = pixels();
    }
    EXPECT_EQ(pictures[0], pictures[1]);
}

TEST_F(RenderPixelsTest, HalfTransparentSquareBlendsAfterTheOpaqueOnes) {
    // The transparent square comes first in the file and nearer to the eye;
    // it is drawn after the white one all the same.
    addChild(root, shape(square(0, 0, 1, 1), material({1, 0, 0}, {0, 0, 0}, 0.5f)));
    addChild(root, shape(square(0, 0, 0, 2), material({1, 1, 1}, {0, 0, 0})));
    frame();
    // t = 127: the old channel weighs 127/255, the new one 128/255, each
    // weight truncated.
    auto blend = [](int oldChannel, int newChannel) { return oldChannel * 127 / 255 + newChannel * 128 / 255; };
    const int r = blend(248, 255), g = blend(252, 0), b = blend(248, 0);
    const uint16_t expected = static_cast<uint16_t>(((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3));
    EXPECT_EQ(pixel(120, 160), expected);
    EXPECT_EQ(pixel(120, 160), (31 << 11) | (31 << 5) | 15);
    EXPECT_EQ(pixel(120 - 50, 160), kWhite);
}

TEST_F(RenderPixelsTest, LightingSwitchChangesTheShading) {
    // A white square turned 60 degrees away from the eye, lit by the headlight.
    auto* turned = make<nTransform>(NodeType::Transform);
    turned->rotation.value = {0, 1, 0, 1.0471976f};
    addChild(root, turned);
    addChild(turned, shape(square(0, 0, 0, 1), material({1, 1, 1}, {0, 0, 0})));
    frame();
    EXPECT_EQ(pixel(120, 160), kWhite);  // off: the diffuse colour
    scene->lighting = true;
    frame();
    // On: 255 x cos 60 degrees.
    EXPECT_NEAR(green6(pixel(120, 160)), 127 >> 2, 1);
    EXPECT_NEAR(red5(pixel(120, 160)), 127 >> 3, 1);

    // Flat against smooth: a folded strip whose two halves face different
    // ways; flat shading keeps each half uniform, smooth shading blends
    // across the fold.
    root->children.value.clear();
    auto* strip = make<nIndexedFaceSet>(NodeType::IndexedFaceSet);
    strip->coord.value = coordinate({{-2, -1, -1}, {0, -1, 0}, {0, 1, 0}, {-2, 1, -1}, {2, -1, -1}, {2, 1, -1}});
    setIndex(strip->coordIndex, {0, 1, 2, 3, -1, 1, 4, 5, 2, -1});
    addChild(root, shape(strip, material({1, 1, 1}, {0, 0, 0})));
    frame();
    const uint16_t flatLeft = pixel(120 - 40, 160), flatNearFold = pixel(120 - 3, 160);
    EXPECT_EQ(flatLeft, flatNearFold);
    strip->creaseAngle.value = 1.0f;
    strip->normalsStale = true;
    frame();
    EXPECT_NE(pixel(120 - 40, 160), pixel(120 - 3, 160));
}

TEST_F(RenderPixelsTest, MeshCrossingTheNearPlaneIsClipped) {
    // A floor from behind the eye to far ahead.
    auto* floor = make<nIndexedFaceSet>(NodeType::IndexedFaceSet);
    floor->coord.value = coordinate({{-5, -1, 30}, {5, -1, 30}, {5, -1, -30}, {-5, -1, -30}});
    setIndex(floor->coordIndex, {0, 1, 2, 3, -1});
    addChild(root, shape(floor, material({0, 0, 0}, {0, 1, 0})));
    frame();
    ASSERT_EQ(scene->opaqueList.count, 1);
    EXPECT_EQ(pixel(120, 319), kGreen);  // right under the eye
    EXPECT_EQ(pixel(120, 170), kGreen);  // farther ahead
    EXPECT_EQ(pixel(120, 150), 0);       // above the horizon
    EXPECT_EQ(pixel(0, 319), kGreen);    // beyond the screen edge on both sides
    EXPECT_EQ(pixel(239, 319), kGreen);
}

TEST_F(RenderPixelsTest, SameWorldSamePicture) {
    auto build = [this] {
        for (int i = 0; i < 20; ++i) {
            auto* t = make<nTransform>(NodeType::Transform);
            t->translation.value = {static_cast<float>(i % 5) - 2.0f, static_cast<float>(i / 5) - 1.5f,
                                    -static_cast<float>(i) * 0.3f};
            t->rotation.value = {1, 1, 0, 0.3f * static_cast<float>(i)};
            addChild(root, t);
            nIndexedFaceSet* mesh = square(0, 0, 0, 0.7f);
            mesh->solid.value = false;  // both sides drawn and lit
            addChild(t, shape(mesh,
                              material({0.1f * static_cast<float>(i % 10), 0.5f, 0.9f}, {0, 0, 0.1f},
                                       i % 3 == 0 ? 0.4f : 0.0f)));
        }
        scene->lighting = true;
    };
    build();
    frame();
    const std::vector<uint16_t> first = pixels();
    TearDown();
    makeWorld(240, 320);
    build();
    frame();
    EXPECT_EQ(pixels(), first);
    int drawn = 0;
    for (uint16_t p : first) drawn += p != 0;
    EXPECT_GT(drawn, 10000);
}

}  // namespace
