#include <gtest/gtest.h>

#include <limits>

#include "render/matrix.h"
#include "render_fixture.h"

namespace {

using namespace render_test;

using LightingTest = RenderFixture;

SimpleArray<Vec3f> normalsOf(std::initializer_list<Vec3f> list) {
    SimpleArray<Vec3f> normals;
    for (const Vec3f& n : list) normals.append(n);
    return normals;
}

TEST_F(LightingTest, HeadlightOnOneAndTwoSidedFaces) {
    scene->lights.append(LightRecord{0, 0, -1, 1.0f});
    const SimpleArray<Vec3f> normals = normalsOf({{0, 0, -1}, {0, 0, 1}, {0, -0.6f, -0.8f}});
    ASSERT_TRUE(scene->lightNormals(Matrix{}, normals, false));
    EXPECT_FLOAT_EQ(scene->shades[0].intensity, 1.0f);  // turned to the eye
    EXPECT_FLOAT_EQ(scene->shades[1].intensity, 0.0f);  // turned away, solid
    EXPECT_FLOAT_EQ(scene->shades[2].intensity, 0.8f);
    ASSERT_TRUE(scene->lightNormals(Matrix{}, normals, true));
    EXPECT_FLOAT_EQ(scene->shades[0].intensity, 1.0f);
    EXPECT_FLOAT_EQ(scene->shades[1].intensity, 1.0f);  // not solid: both sides lit

    // The normals are turned by the matrix's linear part only, not renormalized.
    Matrix turn;
    matrixFromRotation(turn, 0, 1, 0, 3.14159265f);
    turn.tx = 50.0f;
    ASSERT_TRUE(scene->lightNormals(turn, normals, false));
    EXPECT_NEAR(scene->shades[1].z, -1.0f, 1e-6f);
    EXPECT_NEAR(scene->shades[1].intensity, 1.0f, 1e-6f);
    EXPECT_NEAR(scene->shades[0].intensity, 0.0f, 1e-6f);
}

TEST_F(LightingTest, CollectedLightsAndTheirLimit) {
    scene->defaultNavigationInfo->headlight.value = true;
    auto* off = light({0, 0, -1}, 1.0f);
    off->on.value = false;
    addChild(root, off);  // not counted towards the four
    for (int i = 0; i < 5; ++i) addChild(root, light({0, 0, -1}, 0.1f * static_cast<float>(i + 1)));
    frame();
    ASSERT_EQ(scene->lights.count, 5);
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(scene->lights[i].intensity, 0.1f * static_cast<float>(i + 1));
    // The fifth is dropped; the headlight comes on top.
    EXPECT_FLOAT_EQ(scene->lights[4].intensity, 1.0f);
    EXPECT_FLOAT_EQ(scene->lights[4].z, -1.0f);

    // Zero direction contributes nothing; intensity 2 doubles; a light of
    // infinite strength is left out.
    root->children.value.clear();
    scene->defaultNavigationInfo->headlight.value = false;
    addChild(root, light({0, 0, 0}, 1.0f));
    addChild(root, light({0, 0, -3}, 2.0f));
    addChild(root, light({0, 0, -1}, std::numeric_limits<float>::infinity()));
    frame();
    ASSERT_EQ(scene->lights.count, 2);
    EXPECT_FLOAT_EQ(scene->lights[0].x, 0.0f);
    EXPECT_FLOAT_EQ(scene->lights[0].z, 0.0f);
    EXPECT_FLOAT_EQ(scene->lights[1].z, -1.0f);  // normalized
    const SimpleArray<Vec3f> normals = normalsOf({{0, 0, -1}});
    ASSERT_TRUE(scene->lightNormals(Matrix{}, normals, true));
    EXPECT_FLOAT_EQ(scene->shades[0].intensity, 2.0f);
}

TEST_F(LightingTest, OnlyRotationsTurnALight) {
    scene->defaultNavigationInfo->headlight.value = false;
    auto* stretched = make<nTransform>(NodeType::Transform);
    stretched->scale.value = {1, 5, 1};
    addChild(root, stretched);
    addChild(stretched, light({0, 0.6f, -0.8f}, 1.0f));
    auto* turned = make<nTransform>(NodeType::Transform);
    turned->rotation.value = {0, 1, 0, 3.14159265f / 2};
    turned->scale.value = {3, 3, 3};
    addChild(root, turned);
    addChild(turned, light({0, 0, -1}, 1.0f));
    frame();
    ASSERT_EQ(scene->lights.count, 2);
    EXPECT_NEAR(scene->lights[0].x, 0.0f, 1e-6f);
    EXPECT_NEAR(scene->lights[0].y, 0.6f, 1e-6f);
    EXPECT_NEAR(scene->lights[0].z, -0.8f, 1e-6f);
    EXPECT_NEAR(scene->lights[1].x, -1.0f, 1e-6f);  // a quarter turn about y, unscaled
    EXPECT_NEAR(scene->lights[1].z, 0.0f, 1e-6f);
}

TEST_F(LightingTest, ShadesGrowToExactlyTheNormalCount) {
    EXPECT_EQ(scene->shadeCapacity, Scene::kInitialShadeCapacity);
    SimpleArray<Vec3f> normals;
    for (int i = 0; i < 1234; ++i) normals.append({0, 0, -1});
    ASSERT_TRUE(scene->lightNormals(Matrix{}, normals, false));
    EXPECT_EQ(scene->shadeCapacity, 1234);
    EXPECT_FLOAT_EQ(scene->shades[1233].intensity, 0.0f);  // no lights: dark
    normals.truncate(3);
    ASSERT_TRUE(scene->lightNormals(Matrix{}, normals, false));
    EXPECT_EQ(scene->shadeCapacity, 1234);

    // A count whose byte size would overflow is refused before any read.
    SimpleArray<Vec3f> tooMany;
    Vec3f one{};
    tooMany.items = &one;
    tooMany.count = 268435456;
    EXPECT_FALSE(scene->lightNormals(Matrix{}, tooMany, false));
    EXPECT_EQ(scene->shadeCapacity, 1234);
    tooMany.items = nullptr;
    tooMany.count = 0;
}

TEST_F(LightingTest, TwoLightsSumInTheDrawnPixel) {
    scene->defaultNavigationInfo->headlight.value = false;
    scene->lighting = true;
    addChild(root, light({0, 0, -1}, 0.8f));
    auto* side = make<nGroup>(NodeType::Group);
    addChild(root, side);
    addChild(side, light({0, 0, -1}, 0.8f));  // another branch: lights every shape all the same
    addChild(root, shape(square(0, 0, 0, 2), material({0.5f, 0.5f, 0.5f}, {0, 0, 0})));
    frame();
    ASSERT_EQ(scene->lights.count, 2);
    ASSERT_EQ(scene->opaqueList.count, 1);
    EXPECT_TRUE(scene->renderRecords[0].surface.lit);
    EXPECT_FLOAT_EQ(scene->shades[0].intensity, 1.6f);
    // 127 x 1.6 = 203 per channel; the frame buffer keeps its top 5 / 6 bits.
    const uint16_t p = pixel(120, 160);
    EXPECT_EQ(red5(p), 203 >> 3);
    EXPECT_EQ(green6(p), 203 >> 2);
    EXPECT_EQ(blue5(p), 203 >> 3);

    // Lighting off: unlit, in the diffuse colour since the emissive is black.
    scene->lighting = false;
    frame();
    EXPECT_FALSE(scene->renderRecords[0].surface.lit);
    EXPECT_EQ(pixel(120, 160), packRgb565(0.5f, 0.5f, 0.5f));
}

}  // namespace
