// Walking and turning with the direction keys: the worked step, turns,
// walls that shorten or cancel a step, ground following in "walk" mode, and a
// Viewpoint inside Transforms.
#include <gtest/gtest.h>

#include <cmath>

#include "app/navigation.h"
#include "render/render_fixture.h"

using namespace render_test;

namespace {

class NavigationTest : public RenderFixture {
protected:
    // Two frames 0.1 s apart, then one navigation step with the keys.
    void step(int32_t keys, double start = 1.0) {
        frame(start);
        frame(start + 0.1);
        navigate(*scene, keys);
    }
    nNavigationInfo& info() { return *scene->boundNavigationInfo; }
    nViewpoint& viewpoint() { return *scene->boundViewpoint; }

    // A wall facing the viewer at (0, 0, 10), covering the collision ray from
    // half the avatar height below the eye, so that the hit lies `distance`
    // from the eye (distances are measured from the eye, not from the ray's
    // start).
    void wall(float distance) {
        const float z = 10.0f - std::sqrt(distance * distance - 0.8f * 0.8f);
        addChild(root, shape(square(0, -0.8f, z, 2), material({1, 1, 1}, {0, 0, 0})));
    }
    // A floor at height y under the whole view.
    void floorAt(float y) {
        auto* mesh = make<nIndexedFaceSet>(NodeType::IndexedFaceSet);
        mesh->coord.value = coordinate({{-50, y, -50}, {50, y, -50}, {50, y, 50}, {-50, y, 50}});
        setIndex(mesh->coordIndex, {0, 1, 2, 3, -1});
        addChild(root, shape(mesh, material({1, 1, 1}, {0, 0, 0})));
    }
};

TEST_F(NavigationTest, StepsAndTurnsFollowTheFrameTime) {
    // Speed 1, 0.1 s, up, default orientation: (0, 0, -0.1).
    step(kNavUp);
    EXPECT_FLOAT_EQ(viewpoint().position.value.x, 0.0f);
    EXPECT_FLOAT_EQ(viewpoint().position.value.y, 0.0f);
    EXPECT_FLOAT_EQ(viewpoint().position.value.z, 9.9f);
    // Down walks back at twice the speed.
    info().speed.value = 2.0f;
    step(kNavDown, 2.0);
    EXPECT_NEAR(viewpoint().position.value.z, 10.1f, 1e-5f);

    // Left turns by exactly dt about the viewer's own vertical axis; the
    // position stays.
    step(kNavLeft, 3.0);
    const Rotation& o = viewpoint().orientation.value;
    EXPECT_NEAR(o.angle, 0.1f, 1e-6f);
    EXPECT_NEAR(o.y, 1.0f, 1e-5f);
    EXPECT_NEAR(viewpoint().position.value.z, 10.1f, 1e-5f);
    step(kNavRight, 4.0);
    EXPECT_NEAR(viewpoint().orientation.value.angle, 0.0f, 1e-6f);

    // No key: nothing at all, even in walk mode over a floor.
    floorAt(-3);
    info().type.value.clear();
    info().type.value.append(u"walk");
    const Vec3f before = viewpoint().position.value;
    step(0, 5.0);
    EXPECT_EQ(viewpoint().position.value.y, before.y);
    EXPECT_EQ(viewpoint().position.value.z, before.z);
}

TEST_F(NavigationTest, WallsShortenOrCancelTheStep) {
    // Height 1.6; the wall 1.0 away: no step at all.
    wall(1.0f);
    info().speed.value = 5.0f;  // a step of 0.5
    step(kNavUp);
    EXPECT_FLOAT_EQ(viewpoint().position.value.z, 10.0f);

    // 2.0 away: the 0.5 step is shortened to 0.4.
    root->children.value.clear();
    wall(2.0f);
    step(kNavUp, 2.0);
    EXPECT_NEAR(viewpoint().position.value.z, 9.6f, 1e-4f);

    // Walking back, away from the wall, is not stopped.
    step(kNavDown, 3.0);
    EXPECT_NEAR(viewpoint().position.value.z, 10.1f, 1e-4f);
}

TEST_F(NavigationTest, GroundFollowingOnlyInWalkModeWithAHeight) {
    floorAt(-3);
    auto setType = [&](const char16_t* type) {
        info().type.value.clear();
        if (type) info().type.value.append(type);
    };
    for (const char16_t* type : {u"Walk", u"FLY", static_cast<const char16_t*>(nullptr)}) {
        setType(type);
        viewpoint().position.value = {0, 0, 10};
        step(kNavLeft);
        EXPECT_EQ(viewpoint().position.value.y, 0.0f);
    }
    for (const char16_t* type : {u"walk", u"WALK"}) {
        setType(type);
        viewpoint().position.value = {0, 0, 10};
        step(kNavLeft);
        EXPECT_NEAR(viewpoint().position.value.y, -1.4f, 1e-5f);  // the floor plus 1.6
    }
    // A height of 0 (or none given) turns it off.
    info().avatarSize.value.clear();
    info().avatarSize.value.append(0.25f);
    viewpoint().position.value = {0, 0, 10};
    step(kNavLeft);
    EXPECT_EQ(viewpoint().position.value.y, 0.0f);
}

TEST_F(NavigationTest, ViewpointInsideATransformCastsFromWhereItStands) {
    // The viewpoint stands at (100, 0, 10) in the world; the wall before it
    // is 1.0 from the ray's start there (and nowhere near (0, 0, 10)).
    auto* moved = make<nTransform>(NodeType::Transform);
    moved->translation.value = {100, 0, 0};
    auto* inner = make<nViewpoint>(NodeType::Viewpoint);
    addChild(moved, inner);
    addChild(root, moved);
    scene->boundViewpoint = scene->previousViewpoint = inner;
    addChild(root, shape(square(100, -0.8f, 9, 2), material({1, 1, 1}, {0, 0, 0})));
    step(kNavUp);
    EXPECT_FLOAT_EQ(inner->position.value.z, 10.0f);
    // Without the wall it walks, in its own coordinates.
    root->children.value.clear();
    addChild(root, moved);
    step(kNavUp, 2.0);
    EXPECT_FLOAT_EQ(inner->position.value.x, 0.0f);
    EXPECT_FLOAT_EQ(inner->position.value.z, 9.9f);

    // Without a bound NavigationInfo there is nothing to move.
    scene->boundNavigationInfo = nullptr;
    step(kNavUp, 3.0);
    EXPECT_FLOAT_EQ(inner->position.value.z, 9.9f);
}

}  // namespace
