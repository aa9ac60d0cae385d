// Framing worlds without a Viewpoint: a part two millimetres across and a
// relief five hundred metres across both fill most of the view from the
// first frame, with navigation scaled to their size, while a world with a
// Viewpoint, or with a NavigationInfo of its own, keeps what it gives.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/full_world_fixture.h"
#include "app/navigation.h"
#include "scene/bindable_nodes.h"

namespace {

// A relief of 500 x 500 m in the plane z = 0, its inside raised up to 20 m
// towards the viewer, as an n x n grid of squares.
std::string relief() {
    constexpr int n = 10;
    std::string points, index;
    for (int j = 0; j <= n; ++j) {
        for (int i = 0; i <= n; ++i) {
            const double x = -250.0 + 500.0 * i / n, y = -250.0 + 500.0 * j / n;
            const double z = 20.0 * std::sin(3.14159265 * i / n) * std::sin(3.14159265 * j / n);
            points += std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z) + ", ";
        }
    }
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const int a = j * (n + 1) + i;
            index += std::to_string(a) + " " + std::to_string(a + 1) + " " + std::to_string(a + n + 2) + " " +
                     std::to_string(a + n + 1) + " -1 ";
        }
    }
    return "Shape { appearance Appearance { material Material { diffuseColor 0 1 0 emissiveColor 0 1 0 } } "
           "geometry IndexedFaceSet { coord Coordinate { point [ " + points + " ] } coordIndex [ " + index + " ] } }";
}

// A 2 mm square away from the origin, inside a Transform that scales it down
// from 2 cm.
const std::string kPart =
    "Transform { translation 0.01 0.02 -0.005 scale 0.1 0.1 0.1 children [ " +
    squareShape(0, 0, 0, 0.01f, "1 0 0") + " ] }";

using FullFramingTest = FullWorldTest;

TEST_F(FullFramingTest, WorldsWithoutViewpointFillTheView) {
    struct Case {
        const char* what;
        std::string world;
        double least, most;  // covered share of the frame
        float speed;         // the navigation speed after framing
        float height;        // the avatar height
        float far;           // the far distance
    };
    // The box's front face spans the 240 pixels of the width: 240 x 240 of
    // 240 x 320 for a flat square.
    const std::vector<Case> cases = {
        {"2 mm part", kPart, 0.72, 0.76, 0.0002f, 0.00032f, 2.0f},
        {"500 m relief", relief(), 0.62, 0.76, 50.0f, 80.0f, 500000.0f},
        // A Viewpoint of its own: the part stays a dot at 10 m.
        {"with Viewpoint", "Viewpoint { } " + kPart, 0.0, 0.001, 1.0f, 1.6f, 100000.0f},
        // A NavigationInfo of its own: framed, but its values kept.
        {"with NavigationInfo", "NavigationInfo { speed 3 } " + relief(), 0.62, 0.76, 3.0f, 1.6f, 100000.0f},
    };
    for (const Case& c : cases) {
        releaseNodeRegistry();
        ASSERT_TRUE(load(c.world)) << c.what;
        frame();
        EXPECT_GE(coverage(), c.least) << c.what;
        EXPECT_LE(coverage(), c.most) << c.what;
        const nNavigationInfo& info = *scene->boundNavigationInfo;
        EXPECT_NEAR(info.speed.value, c.speed, c.speed * 1e-4f) << c.what;
        ASSERT_GE(info.avatarSize.value.count, 2) << c.what;
        EXPECT_NEAR(info.avatarSize.value[1], c.height, c.height * 1e-4f) << c.what;
        EXPECT_NEAR(scene->farDistance, c.far, c.far * 1e-4f) << c.what;
        // The near plane lies in front of everything framed.
        Vec3f centre, size;
        ASSERT_TRUE(scene->worldBounds(centre, size)) << c.what;
        EXPECT_LT(scene->nearDistance, scene->boundViewpoint->position.value.z - (centre.z + size.z * 0.5f)) << c.what;
    }
}

TEST_F(FullFramingTest, TheFramedCameraStandsOnTheBoxAxisLookingDownZ) {
    ASSERT_TRUE(load(kPart));
    const nViewpoint& v = *scene->boundViewpoint;
    EXPECT_EQ(scene->boundViewpoint, scene->defaultViewpoint);
    // Centre (0.01, 0.02, -0.005); half extent 0.001 over tan(0.392699).
    EXPECT_NEAR(v.position.value.x, 0.01f, 1e-7f);
    EXPECT_NEAR(v.position.value.y, 0.02f, 1e-7f);
    EXPECT_NEAR(v.position.value.z, -0.005f + 0.001f / 0.41421356f, 1e-7f);
    EXPECT_EQ(v.orientation.value.angle, 0.0f);
    EXPECT_EQ(v.fieldOfView.value, 0.0f);  // the default angle, 0.785398, is used
    frame();
    EXPECT_NEAR(scene->nearDistance, 0.000025f, 1e-9f);

    // Navigable at its size: one tenth of a second forward walks 0.02 mm.
    const float before = v.position.value.z;
    frame(1.0);
    frame(1.1);
    navigate(*scene, kNavUp);
    EXPECT_NEAR(v.position.value.z, before - 0.00002f, 1e-8f);
}

TEST_F(FullFramingTest, NothingToFrameLeavesTheDefaultCamera) {
    const char* worlds[] = {
        "Group { }",
        // Only a point (no extent) or no geometry at all.
        "Shape { geometry IndexedFaceSet { coord Coordinate { point [ 1 1 1 ] } coordIndex [ 0 0 0 -1 ] } }",
        "Switch { choice [ Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0 ] } "
        "coordIndex [ 0 1 2 -1 ] } } ] }",  // whichChoice -1 draws nothing
    };
    for (const char* world : worlds) {
        releaseNodeRegistry();
        ASSERT_TRUE(load(world)) << world;
        const Vec3f& p = scene->boundViewpoint->position.value;
        EXPECT_EQ(p.x, 0.0f) << world;
        EXPECT_EQ(p.y, 0.0f) << world;
        EXPECT_EQ(p.z, 10.0f) << world;
        EXPECT_EQ(scene->boundNavigationInfo->speed.value, 1.0f) << world;
    }
}

}  // namespace
