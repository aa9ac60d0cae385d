// Ray picking among the records of the last frame: the stylus ray through a
// pixel and world-space rays, nearest hit, edges, back faces, bad meshes.
#include <gtest/gtest.h>

#include <limits>

#include "render_fixture.h"

using namespace render_test;

namespace {

class PickTest : public RenderFixture {};

TEST_F(PickTest, StylusRayFindsTheNearestShapeWhateverTheOrder) {
    // Default view from (0, 0, 10) looking down -z: a far square first in the
    // file, a nearer one after it, both covering the centre pixel.
    nShape* far = shape(square(0, 0, -5, 2), material({1, 0, 0}, {0, 0, 0}));
    nShape* near = shape(square(0, 0, 2, 1), material({0, 1, 0}, {0, 0, 0}));
    addChild(root, far);
    addChild(root, near);
    frame();
    PickResult hit = scene->pick(120, 160);
    EXPECT_EQ(hit.hitShape, near);
    EXPECT_NEAR(hit.distance, 8.0f, 1e-4f);
    EXPECT_NEAR(hit.worldPoint.z, 2.0f, 1e-4f);
    EXPECT_NEAR(hit.cameraPoint.z, -8.0f, 1e-4f);

    // The other order gives the same winner.
    root->children.value.clear();
    addChild(root, near);
    addChild(root, far);
    frame();
    EXPECT_EQ(scene->pick(120, 160).hitShape, near);

    // Outside the frame buffer: nothing is cast, the far distance stands.
    for (const auto& [x, y] : {std::pair{-1, 160}, {240, 160}, {120, -1}, {120, 320}}) {
        hit = scene->pick(x, y);
        EXPECT_EQ(hit.hitShape, nullptr);
        EXPECT_EQ(hit.distance, scene->farDistance);
    }
    // Beside both squares: no hit, the far distance.
    hit = scene->pick(5, 5);
    EXPECT_EQ(hit.hitShape, nullptr);
    EXPECT_EQ(hit.distance, scene->farDistance);
}

TEST_F(PickTest, EdgesAndBackFacesCountOtherGeometryNever) {
    // A square whose face points away (clockwise from the eye) is hit from
    // behind; a ray exactly along its edge x = 1 counts.
    auto* mesh = square(0, 0, 0, 1);
    setIndex(mesh->coordIndex, {0, 3, 2, 1, -1});
    nShape* back = shape(mesh, material({1, 1, 1}, {0, 0, 0}));
    addChild(root, back);
    // A shape whose geometry is not an IndexedFaceSet: recorded, never hit.
    nShape* other = shape(make<nCoordinate>(NodeType::Coordinate));
    addChild(root, other);
    frame();
    ASSERT_EQ(scene->renderRecords.count, 2);
    EXPECT_EQ(scene->rayCast({0, 0, 10}, {0, 0, -1}, true).hitShape, back);
    EXPECT_EQ(scene->rayCast({1, 0.5f, 10}, {0, 0, -1}, true).hitShape, back);   // on the edge
    EXPECT_EQ(scene->rayCast({1, 1, 10}, {0, 0, -1}, true).hitShape, back);      // on a corner
    EXPECT_EQ(scene->rayCast({1.001f, 0, 10}, {0, 0, -1}, true).hitShape, nullptr);
    // Pointing away from the square: nothing behind the origin counts.
    EXPECT_EQ(scene->rayCast({0, 0, 10}, {0, 0, 1}, true).hitShape, nullptr);
    // A camera-space ray: the eye looks down -z at the square 10 away.
    const PickResult camera = scene->rayCast({0, 0, 0}, {0, 0, -3}, false);
    EXPECT_EQ(camera.hitShape, back);
    EXPECT_FLOAT_EQ(camera.distance, 10.0f);
}

TEST_F(PickTest, ShapesOffScreenAndBadMeshes) {
    // A floor far below the view is not drawn but stops a downward ray.
    auto* floorMesh = make<nIndexedFaceSet>(NodeType::IndexedFaceSet);
    floorMesh->coord.value = coordinate({{-50, -20, -50}, {50, -20, -50}, {50, -20, 50}, {-50, -20, 50}});
    setIndex(floorMesh->coordIndex, {0, 1, 2, 3, -1});
    nShape* floor = shape(floorMesh, material({1, 1, 1}, {0, 0, 0}));
    addChild(root, floor);
    // Faces naming points that do not exist are skipped, the rest are hit.
    auto* broken = square(5, 0, 0, 1);
    setIndex(broken->coordIndex, {0, 1, 99, -1, 0, -7, 2, -1, 0, 1, 2, 3});
    nShape* partly = shape(broken, material({1, 1, 1}, {0, 0, 0}));
    addChild(root, partly);
    // A mesh with a point that is not finite is never hit.
    auto* poisoned = square(-5, 0, 0, 1);
    static_cast<nCoordinate*>(poisoned->coord.value)->point.value.append(
        Vec3f{std::numeric_limits<float>::quiet_NaN(), 0, 0});
    addChild(root, shape(poisoned, material({1, 1, 1}, {0, 0, 0})));
    frame();

    const PickResult down = scene->rayCast({0, 0, 10}, {0, -1, 0}, true);
    EXPECT_EQ(down.hitShape, floor);
    EXPECT_NEAR(down.distance, 20.0f, 1e-4f);
    EXPECT_NEAR(down.worldPoint.y, -20.0f, 1e-4f);
    EXPECT_EQ(scene->rayCast({5, 0, 10}, {0, 0, -1}, true).hitShape, partly);
    EXPECT_EQ(scene->rayCast({-5, 0, 10}, {0, 0, -1}, true).hitShape, nullptr);
}

TEST_F(PickTest, WorldPointsThroughATransformedViewpoint) {
    // A viewpoint inside a Transform that scales by 2: the view is not rigid,
    // and the world point still comes out in world coordinates.
    auto* scaled = make<nTransform>(NodeType::Transform);
    scaled->scale.value = {2, 2, 2};
    auto* viewpoint = make<nViewpoint>(NodeType::Viewpoint);
    viewpoint->position.value = {0, 0, 5};  // (0, 0, 10) in the world
    addChild(scaled, viewpoint);
    addChild(root, scaled);
    scene->boundViewpoint = scene->previousViewpoint = viewpoint;
    nShape* target = shape(square(0, 0, 0, 1), material({1, 1, 1}, {0, 0, 0}));
    addChild(root, target);
    frame();
    const PickResult hit = scene->pick(120, 160);
    ASSERT_EQ(hit.hitShape, target);
    EXPECT_NEAR(hit.worldPoint.x, 0.0f, 1e-4f);
    EXPECT_NEAR(hit.worldPoint.z, 0.0f, 1e-4f);
}

}  // namespace
