// The full profile's Background bands: the colour at an angle from the keyed
// lists, and the sky and ground painted behind the world under the camera.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "base/rgb565.h"
#include "render/full_world_fixture.h"
#include "render/sky.h"

namespace full_test {
namespace {

TEST(BandColour, KeysBlendAndHold) {
    SimpleArray<Color4f> colours;
    SimpleArray<float> angles;
    for (const Color4f& c : {Color4f{0, 0, 1, 0}, Color4f{1, 0, 0, 0}, Color4f{0, 1, 0, 0}}) ASSERT_TRUE(colours.append(c));
    for (float a : {1.0f, 2.0f}) ASSERT_TRUE(angles.append(a));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float angle;
        Color4f expected;
    };
    const Case cases[] = {
        {0.0f, {0, 0, 1, 0}},       {0.25f, {0.25f, 0, 0.75f, 0}}, {1.0f, {1, 0, 0, 0}},
        {1.5f, {0.5f, 0.5f, 0, 0}}, {2.0f, {0, 1, 0, 0}},           {3.0f, {0, 1, 0, 0}},  // held past the last key
        {-1.0f, {0, 0, 1, 0}},      {nan, {0, 0, 1, 0}},
    };
    for (const Case& c : cases) {
        const Color4f got = bandColour(colours, angles, c.angle);
        EXPECT_FLOAT_EQ(got.r, c.expected.r) << c.angle;
        EXPECT_FLOAT_EQ(got.g, c.expected.g) << c.angle;
        EXPECT_FLOAT_EQ(got.b, c.expected.b) << c.angle;
    }
    // Keys past the shorter list are ignored: two colours, one angle.
    SimpleArray<float> oneAngle;
    ASSERT_TRUE(oneAngle.append(1.0f));
    EXPECT_FLOAT_EQ(bandColour(colours, oneAngle, 5.0f).r, 1.0f);
    // Angles out of order: the key they stand at.
    SimpleArray<float> backwards;
    for (float a : {2.0f, 1.0f}) ASSERT_TRUE(backwards.append(a));
    EXPECT_FLOAT_EQ(bandColour(colours, backwards, 1.5f).r, 0.75f);
    EXPECT_EQ(bandColour(SimpleArray<Color4f>{}, angles, 1.0f).r, 0.0f);
}

class FullSkyTest : public FullWorldFixture {};

int red(uint16_t p) { return (p >> 11) << 3; }
int green(uint16_t p) { return (p >> 3) & 0xFC; }
int blue(uint16_t p) { return (p & 0x1F) << 3; }

TEST_F(FullSkyTest, SkyAndGroundBandsFollowTheCamera) {
    // Blue at the zenith to red at the horizon; green ground below it.
    const std::string background =
        "Background { skyColor [ 0 0 1, 1 0 0 ] skyAngle 1.5708 groundColor 0 1 0 }\n";
    ASSERT_TRUE(load("#VRML V2.0 utf8\n" + background));
    frame();
    // The top row looks up by atan(160 / 289.7), 28.9 degrees: 61.1 degrees
    // from the zenith, 0.68 of the way from blue to red.
    const uint16_t top = pixel(120, 0);
    EXPECT_NEAR(red(top), 173, 8);
    EXPECT_NEAR(blue(top), 82, 8);
    EXPECT_EQ(green(top), 0);
    // Just above the horizon red, below it the ground.
    EXPECT_GE(red(pixel(120, 155)), 240);
    EXPECT_EQ(pixel(120, 170), rgb565FromBytes(0, 255, 0));
    EXPECT_EQ(pixel(0, 319), rgb565FromBytes(0, 255, 0));

    // Looking straight up (turned by +90 degrees about x): the zenith's blue
    // fills the middle of the frame.
    releaseNodeRegistry();
    ASSERT_TRUE(load("#VRML V2.0 utf8\nViewpoint { orientation 1 0 0 1.5708 }\n" + background));
    frame();
    const uint16_t middle = pixel(120, 160);
    EXPECT_GE(blue(middle), 240);
    EXPECT_LE(red(middle), 8);
}

TEST_F(FullSkyTest, OneSkyColourOrNoUsableCameraLeavesTheClear) {
    // One sky colour and no ground: nothing is painted (the frame stays as
    // cleared, black here).
    ASSERT_TRUE(load("#VRML V2.0 utf8\nBackground { skyColor 1 1 0 }\n"));
    frame();
    EXPECT_EQ(pixel(120, 10), 0);
    // A camera without an up direction (a view matrix flattened to nothing)
    // or without a usable focal length paints nothing either.
    releaseNodeRegistry();
    ASSERT_TRUE(load("#VRML V2.0 utf8\nBackground { skyColor [ 0 0 1, 1 0 0 ] skyAngle 1.5708 groundColor 0 1 0 }\n"));
    frame();
    ASSERT_EQ(litPixels(), 240 * 320);
    for (int broken = 0; broken < 2; ++broken) {
        rasterizer->clearColor(0.0f, 0.0f, 0.0f);
        rasterizer->flush();
        const Matrix view = scene->viewMatrix;
        const float focal = scene->focalLength;
        if (broken == 0) scene->viewMatrix.m[3] = scene->viewMatrix.m[4] = scene->viewMatrix.m[5] = 0.0f;
        else scene->focalLength = std::numeric_limits<float>::quiet_NaN();
        paintSky(*scene);
        EXPECT_EQ(litPixels(), 0) << broken;
        scene->viewMatrix = view;
        scene->focalLength = focal;
    }
}

}  // namespace
}  // namespace full_test
