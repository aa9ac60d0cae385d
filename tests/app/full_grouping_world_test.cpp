// The full profile's grouping nodes on screen and under the walk: a Switch
// drawing only its chosen choice, a LOD changing level exactly at its
// ranges as the camera moves, a Billboard turning to face the camera
// wherever it goes, and a Collision whose children navigation walks through
// when "collide" is FALSE (still picked by the stylus) or whose proxy stops
// the walk without being drawn.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/full_world_fixture.h"
#include "app/navigation.h"
#include "base/limits.h"
#include "scene/bindable_nodes.h"
#include "scene/full_grouping_nodes.h"

namespace {

constexpr uint16_t kRed = 0xF800;
constexpr uint16_t kGreen = 0x07E0;
constexpr uint16_t kBlue = 0x001F;
constexpr uint16_t kBlack = 0;
constexpr int32_t kCentreX = 120;
constexpr int32_t kCentreY = 160;

const std::string kThree = squareShape(0, 0, 0, 1, "1 0 0") + " " + squareShape(0, 0, 0, 1, "0 1 0") + " " +
                           squareShape(0, 0, 0, 1, "0 0 1");

using FullGroupingTest = FullWorldTest;

TEST_F(FullGroupingTest, SwitchDrawsOnlyItsChosenChoice) {
    ASSERT_TRUE(load("Viewpoint { position 0 0 10 } DEF S Switch { choice [ " + kThree + " ] }"));
    auto* sw = named<nSwitch>(u"S");
    ASSERT_NE(sw, nullptr);
    EXPECT_EQ(sw->whichChoice.value, -1);
    struct Case {
        int32_t which;
        uint16_t centre;
    };
    const Case cases[] = {{-1, kBlack}, {0, kRed}, {1, kGreen}, {2, kBlue}, {3, kBlack}, {-5, kBlack}, {1, kGreen}};
    for (const Case& c : cases) {
        sw->whichChoice.value = c.which;
        frame();
        EXPECT_EQ(pixel(kCentreX, kCentreY), c.centre) << "whichChoice " << c.which;
        // Only the chosen choice is recorded (picking and navigation see it alone).
        EXPECT_EQ(scene->renderRecords.count, c.centre == kBlack ? 0 : 1) << "whichChoice " << c.which;
    }
}

TEST_F(FullGroupingTest, LodChangesLevelAtItsRangesAsTheCameraMoves) {
    struct Case {
        std::string lod;  // the LOD's own fields
        std::string around;  // the Transform's fields
        float eyeZ;
        uint16_t centre;
    };
    const std::string three = "range [ 15 30 ] level [ " + kThree + " ]";
    const std::vector<Case> cases = {
        {three, "", 10.0f, kRed},
        {three, "", 14.99f, kRed},
        {three, "", 15.0f, kGreen},  // a range value belongs to the farther level
        {three, "", 29.9f, kGreen},
        {three, "", 30.0f, kBlue},
        {three, "", 90.0f, kBlue},
        {three, "", 5.0f, kRed},
        // The distance is taken in the LOD's coordinates: 20 / 2.
        {three, "scale 2 2 2", 20.0f, kRed},
        // ... and from its centre.
        {"center 0 0 -10 " + three, "", 10.0f, kGreen},
        // Fewer levels than ranges + 1: the last level beyond.
        {"range [ 15 30 ] level [ " + squareShape(0, 0, 0, 1, "1 0 0") + " " + squareShape(0, 0, 0, 1, "0 1 0") + " ]",
         "", 40.0f, kGreen},
        // No ranges: the first level.
        {"level [ " + kThree + " ]", "", 50.0f, kRed},
    };
    for (const Case& c : cases) {
        releaseNodeRegistry();
        ASSERT_TRUE(load("DEF V Viewpoint { position 0 0 10 } Transform { " + c.around + " children LOD { " + c.lod +
                         " } }"));
        named<nViewpoint>(u"V")->position.value.z = c.eyeZ;
        frame();
        EXPECT_EQ(pixel(kCentreX, kCentreY), c.centre) << c.lod << " / " << c.around << " at " << c.eyeZ;
    }
}

TEST_F(FullGroupingTest, BillboardFacesTheCameraWhereverItGoes) {
    struct View {
        const char* axis;
        Vec3f eye;
        Rotation orientation;
        bool seen;
    };
    constexpr float kQuarter = 1.5707963f;
    const View views[] = {
        {"0 1 0", {0, 0, 10}, {0, 0, 1, 0}, true},
        {"0 1 0", {10, 0, 0}, {0, 1, 0, kQuarter}, true},    // the camera went round to +X
        {"0 1 0", {-10, 0, 0}, {0, 1, 0, -kQuarter}, true},  // and to -X
        {"0 1 0", {0, 0, -10}, {0, 1, 0, 2 * kQuarter}, true},
        {"0 1 0", {6, 0, 8}, {0, 1, 0, 0.6435011f}, true},
        // Looking straight down: no turn about Y helps, a full turn does.
        {"0 1 0", {0, 10, 0}, {1, 0, 0, -kQuarter}, false},
        {"0 0 0", {0, 10, 0}, {1, 0, 0, -kQuarter}, true},
        {"0 0 0", {10, 0, 0}, {0, 1, 0, kQuarter}, true},
    };
    // The square face-on from 10 away covers about (2 x 28.97)^2 pixels.
    const double faceOn = (2.0 * 28.97) * (2.0 * 28.97) / (kWidth * kHeight);
    for (const View& v : views) {
        releaseNodeRegistry();
        ASSERT_TRUE(load(std::string("DEF V Viewpoint { } Billboard { axisOfRotation ") + v.axis + " children [ " +
                         squareShape(0, 0, 0, 1, "1 0 0") + " ] }"));
        auto* viewpoint = named<nViewpoint>(u"V");
        viewpoint->position.value = v.eye;
        viewpoint->orientation.value = v.orientation;
        frame();
        if (v.seen) {
            EXPECT_EQ(pixel(kCentreX, kCentreY), kRed) << v.axis << " from " << v.eye.x << " " << v.eye.y << " " << v.eye.z;
            EXPECT_NEAR(coverage(), faceOn, faceOn * 0.1) << v.axis << " from " << v.eye.x << " " << v.eye.z;
        } else {
            EXPECT_LT(coverage(), faceOn * 0.05) << v.axis << " from above";
        }
    }

    // The same square in a Group is edge-on (nothing) once the camera has gone
    // round to +X; in a Billboard it turned with the camera.
    releaseNodeRegistry();
    ASSERT_TRUE(load("DEF V Viewpoint { } Group { children [ " + squareShape(0, 0, 0, 1, "1 0 0") + " ] }"));
    named<nViewpoint>(u"V")->position.value = Vec3f{10, 0, 0};
    named<nViewpoint>(u"V")->orientation.value = Rotation{0, 1, 0, kQuarter};
    frame();
    EXPECT_LT(coverage(), faceOn * 0.05);
}

TEST_F(FullGroupingTest, CollisionDecidesWhatStopsTheWalk) {
    struct Case {
        std::string collision;  // the Collision's fields
        bool stopped;           // the walk stops short of the wall
        bool drawn;             // the wall is seen
        bool picked;            // the stylus hits the wall
    };
    const std::string wall = squareShape(0, 0, 0, 5, "1 0 0");
    const std::vector<Case> cases = {
        {"children [ " + wall + " ]", true, true, true},
        {"collide TRUE children [ " + wall + " ]", true, true, true},
        {"collide FALSE children [ " + wall + " ]", false, true, true},
        // A proxy stops the walk but is not drawn nor picked.
        {"proxy " + wall, true, false, false},
        // The children then no longer stop it.
        {"proxy " + squareShape(0, 0, -30, 5, "0 1 0") + " children [ " + wall + " ]", false, true, true},
        // collide FALSE: the proxy is not used either.
        {"collide FALSE proxy " + wall, false, false, false},
    };
    for (const Case& c : cases) {
        releaseNodeRegistry();
        ASSERT_TRUE(load("DEF V Viewpoint { position 0 0 10 } NavigationInfo { speed 10 } Collision { " + c.collision +
                         " }"));
        frame(1.0);
        EXPECT_EQ(pixel(kCentreX, kCentreY), c.drawn ? kRed : kBlack) << c.collision;
        EXPECT_EQ(scene->pick(kCentreX, kCentreY).hitShape != nullptr, c.picked) << c.collision;
        // Twenty steps of one metre towards the wall at z = 0.
        double t = 1.0;
        for (int i = 0; i < 20; ++i) {
            t += 0.1;
            frame(t);
            navigate(*scene, kNavUp);
        }
        const float z = named<nViewpoint>(u"V")->position.value.z;
        if (c.stopped) {
            EXPECT_GT(z, 1.0f) << c.collision;
        } else {
            EXPECT_LT(z, -9.0f) << c.collision;
        }
    }
}

TEST_F(FullGroupingTest, HostileGroupingNodesEndTheFrame) {
    const std::string square = squareShape(0, 0, 0, 1, "1 0 0");
    struct Case {
        std::string world;
        bool selfProxy;   // the Collision DEF'd C is made its own proxy
        uint16_t centre;  // what the frame shows in the middle
    };
    const std::vector<Case> cases = {
        {"Viewpoint { } DEF C Collision { children [ " + square + " ] }", true, kRed},
        {"Viewpoint { } DEF C Collision { collide FALSE children [ " + square + " ] }", true, kRed},
        {"Viewpoint { } Switch { whichChoice 2147483647 choice [ " + square + " ] }", false, kBlack},
        {"Viewpoint { } Switch { whichChoice -2147483648 choice [ " + square + " ] }", false, kBlack},
        {"Viewpoint { } LOD { range [ 1e38 -1e38 0 ] center 1e38 1e38 1e38 level [ " + square + " ] }", false, kRed},
        {"Viewpoint { } LOD { range [ 5 ] level [ NULL " + square + " ] }", false, kRed},
        {"Viewpoint { } Billboard { axisOfRotation 1e38 1e38 1e38 children [ " + square + " ] }", false, kRed},
        // The eye at the Billboard's centre: no turn, nothing in front.
        {"Viewpoint { position 0 0 0 } Billboard { axisOfRotation 0 0 0 children [ " + square + " ] }", false,
         kBlack},
        // Flattened coordinates: nothing to draw, nothing to invert.
        {"Viewpoint { } Transform { scale 0 0 0 children [ LOD { level [ " + square + " ] } Billboard { children [ " +
             square + " ] } ] }",
         false, kBlack},
    };
    for (const Case& c : cases) {
        releaseNodeRegistry();
        ASSERT_TRUE(load(c.world)) << c.world;
        if (c.selfProxy) {
            auto* collision = named<nCollision>(u"C");
            ASSERT_NE(collision, nullptr);
            collision->proxy.value = collision;
        }
        frame();
        frame(0.5);
        EXPECT_EQ(pixel(kCentreX, kCentreY), c.centre) << c.world;
        // A proxy is never drawn: no more squares on the lists than the world has.
        EXPECT_LE(scene->opaqueList.count, c.selfProxy ? 1 : 2) << c.world;
        EXPECT_LE(scene->renderRecords.count, kMaxTraversalVisits) << c.world;
    }
}

TEST_F(FullGroupingTest, InlineIsDrawnLikeAGroup) {
    // The inlined world's nodes are the Inline's children (read from its
    // file elsewhere); here they are moved in from a Group.
    ASSERT_TRUE(load("Viewpoint { } DEF I Inline { } DEF G Group { children [ " + squareShape(0, 0, 0, 1, "0 1 0") +
                     " ] }"));
    auto* inlined = named<X3DGroupingNode>(u"I");
    auto* group = named<X3DGroupingNode>(u"G");
    ASSERT_NE(inlined, nullptr);
    ASSERT_EQ(group->children.value.count, 1);
    inlined->children.value.append(group->children.value[0]);
    group->children.value.clear();
    frame();
    EXPECT_EQ(pixel(kCentreX, kCentreY), kGreen);
    // Its box hint culls it like a Group's.
    inlined->bboxCenter.value = Vec3f{0, 0, 50};
    inlined->bboxSize.value = Vec3f{1, 1, 1};
    frame();
    EXPECT_EQ(pixel(kCentreX, kCentreY), kBlack);
}

}  // namespace
