#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "render/camera.h"
#include "render_fixture.h"

namespace {

using namespace render_test;

constexpr float kPi = 3.14159265358979f;
constexpr float kInf = std::numeric_limits<float>::infinity();

void expectVec(const Vec3f& v, float x, float y, float z, float tolerance = 1e-5f) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

void expectSameMatrix(const Matrix& a, const Matrix& b, float tolerance) {
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(a.m[i], b.m[i], tolerance) << "m" << i;
    EXPECT_NEAR(a.tx, b.tx, tolerance);
    EXPECT_NEAR(a.ty, b.ty, tolerance);
    EXPECT_NEAR(a.tz, b.tz, tolerance);
}

using CameraTest = RenderFixture;

TEST_F(CameraTest, TransformMatricesFollowTheTransformFields) {
    auto* t = make<nTransform>(NodeType::Transform);
    TransformMatrices local = transformMatrices(*t);
    expectSameMatrix(local.full, Matrix{}, 0.0f);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(local.rotation.m[i], Matrix{}.m[i]);

    // A quarter turn about z around the centre (1, 0, 0).
    t->center.value = {1, 0, 0};
    t->rotation.value = {0, 0, 1, kPi / 2};
    local = transformMatrices(*t);
    expectVec(transformPoint(local.full, {2, 0, 0}), 1, 1, 0);
    expectVec(transformPoint(local.full, {1, 0, 0}), 1, 0, 0);

    // Scale along a direction turned by 45 degrees; the rotation-only matrix
    // carries no scale.
    auto* s = make<nTransform>(NodeType::Transform);
    s->scale.value = {2, 1, 1};
    s->scaleOrientation.value = {0, 0, 1, kPi / 4};
    local = transformMatrices(*s);
    expectVec(transformPoint(local.full, {1, 0, 0}), 1.5f, 0.5f, 0);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(local.rotation.m[i], Matrix{}.m[i]) << i;

    // Translation and rotation together: rotate first, then move.
    auto* r = make<nTransform>(NodeType::Transform);
    r->rotation.value = {0, 1, 0, kPi / 2};
    r->translation.value = {0, 0, -5};
    local = transformMatrices(*r);
    expectVec(transformPoint(local.full, {1, 0, 0}), 0, 0, -6);
    Vec3f n{1, 0, 0};
    transformDirection(local.rotation, n);
    expectVec(n, 0, 0, -1);

    // A scale of 0 stays finite (and is drawn); an infinite value is not.
    s->scale.value = {0, 1, 1};
    EXPECT_TRUE(matrixFinite(transformMatrices(*s).full));
    r->translation.value = {kInf, 0, 0};
    EXPECT_FALSE(matrixFinite(transformMatrices(*r).full));
}

TEST_F(CameraTest, ViewpointViewWalksEveryTransformAbove) {
    nViewpoint* v = scene->defaultViewpoint;
    expectVec(transformPoint(viewFromViewpoint(*v), {0, 0, 0}), 0, 0, -10);

    // Turned a quarter to the left: a point on -x lies straight ahead.
    v->orientation.value = {0, 1, 0, kPi / 2};
    v->position.value = {0, 0, 0};
    expectVec(transformPoint(viewFromViewpoint(*v), {-5, 0, 0}), 0, 0, -5);

    // Under Group > Transform(translation 0 0 5) > Group > Transform(rotation):
    // the inner Transform applies first.
    auto* viewpoint = make<nViewpoint>(NodeType::Viewpoint);
    auto* outer = make<nTransform>(NodeType::Transform);
    auto* middle = make<nGroup>(NodeType::Group);
    auto* inner = make<nTransform>(NodeType::Transform);
    outer->translation.value = {0, 0, 5};
    inner->rotation.value = {0, 1, 0, kPi};
    addChild(root, outer);
    addChild(outer, middle);
    addChild(middle, inner);
    addChild(inner, viewpoint);
    // The viewpoint at (0, 0, 10) turned half round sits at world (0, 0, -5)
    // looking along +z.
    expectVec(transformPoint(viewFromViewpoint(*viewpoint), {0, 0, 5}), 0, 0, -10, 1e-4f);

    // A Transform without an inverse in the chain is left out: the view stays
    // finite and equals the view without it.
    const Matrix before = viewFromViewpoint(*viewpoint);
    auto* collapsed = make<nTransform>(NodeType::Transform);
    collapsed->scale.value = {0, 0, 0};
    inner->children.value.clear();
    addChild(inner, collapsed);
    addChild(collapsed, viewpoint);
    const Matrix after = viewFromViewpoint(*viewpoint);
    EXPECT_TRUE(matrixFinite(after));
    expectSameMatrix(after, before, 1e-5f);

    // A viewpoint at infinity gives a finite (identity) view.
    viewpoint->position.value = {kInf, 0, 0};
    EXPECT_TRUE(matrixFinite(viewFromViewpoint(*viewpoint)));

    // A parent chain that loops back on itself ends.
    auto* loopA = make<nGroup>(NodeType::Group);
    auto* loopB = make<nTransform>(NodeType::Transform);
    loopA->parent = loopB;
    loopB->parent = loopA;
    auto* lost = make<nViewpoint>(NodeType::Viewpoint);
    lost->parent = loopA;
    EXPECT_TRUE(matrixFinite(viewFromViewpoint(*lost)));
}

TEST_F(CameraTest, ProjectionOfTheDefaultViewpoint) {
    scene->defaultViewpoint->fieldOfView.value = 0.785398f;
    scene->setNearFar();
    scene->setupView();
    const float focal = static_cast<float>(-120.0 / std::tan(0.392699));
    EXPECT_NEAR(scene->focalLength, -289.7f, 0.05f);
    EXPECT_FLOAT_EQ(scene->focalLength, focal);

    // Camera point (1, 0, -10) is world (1, 0, 0).
    SimpleArray<Vec3f> points;
    points.append({1, 0, 0});
    points.append({0, 0, 0});
    ASSERT_TRUE(scene->transformVertices(scene->viewMatrix, points));
    const RasterVertex& v = scene->rasterVertices[0];
    EXPECT_NEAR(v.z, -10.0f, 1e-5f);
    EXPECT_NEAR(v.sx, 148.97f, 0.01f);
    EXPECT_FLOAT_EQ(v.sy, 160.0f);
    EXPECT_FLOAT_EQ(v.perspective, focal / -10.0f);
    EXPECT_EQ(v.outcode, 0);
    EXPECT_FLOAT_EQ(scene->rasterVertices[1].sx, 120.0f);

    // Angles that are no field of view fall back to 0.785398.
    for (float angle : {0.0f, -1.0f, kPi, 4.0f, kInf, std::numeric_limits<float>::quiet_NaN()}) {
        scene->defaultViewpoint->fieldOfView.value = angle;
        scene->setupView();
        EXPECT_FLOAT_EQ(scene->focalLength, focal) << angle;
    }
    scene->defaultViewpoint->fieldOfView.value = kPi / 2;
    scene->setupView();
    EXPECT_NEAR(scene->focalLength, -120.0f, 1e-3f);
    EXPECT_FLOAT_EQ(usableFieldOfView(1.0f), 1.0f);
}

TEST_F(CameraTest, NearAndFarFromNavigationInfo) {
    nNavigationInfo* info = scene->defaultNavigationInfo;
    struct Case {
        std::vector<float> avatar;
        float limit;
        float nearDistance;
        float farDistance;
    };
    const Case cases[] = {
        {{0.25f, 1.6f, 0.75f}, 0.0f, 0.125f, 100000.0f},
        {{0.0f}, 50.0f, 0.00001f, 50.0f},
        {{}, 0.0f, 0.125f, 100000.0f},
        {{2.0f}, 0.000001f, 1.0f, 100000.0f},
        {{-3.0f}, 7.5f, 0.00001f, 7.5f},
        {{std::numeric_limits<float>::quiet_NaN()}, std::numeric_limits<float>::quiet_NaN(), 0.00001f, 100000.0f},
    };
    for (const Case& c : cases) {
        info->avatarSize.value.clear();
        for (float a : c.avatar) info->avatarSize.value.append(a);
        info->visibilityLimit.value = c.limit;
        scene->setNearFar();
        EXPECT_FLOAT_EQ(scene->nearDistance, c.nearDistance) << c.avatar.size();
        EXPECT_FLOAT_EQ(scene->farDistance, c.farDistance) << c.limit;
    }
}

TEST_F(CameraTest, ClipCodesAndBoxVisibility) {
    scene->setNearFar();  // near 0.125, far 100000
    scene->setupView();
    const Matrix& view = scene->viewMatrix;
    EXPECT_EQ(scene->pointOutcode(view, {0, 0, 0}), 0);
    EXPECT_EQ(scene->pointOutcode(view, {-100, 0, 0}), kOutLeft);
    EXPECT_EQ(scene->pointOutcode(view, {100, 0, 0}), kOutRight);
    EXPECT_EQ(scene->pointOutcode(view, {0, 100, 0}), kOutTop);
    EXPECT_EQ(scene->pointOutcode(view, {0, -100, 0}), kOutBottom);
    EXPECT_EQ(scene->pointOutcode(view, {-100, 100, 0}), kOutLeft | kOutTop);
    EXPECT_EQ(scene->pointOutcode(view, {0, 0, -200000}), kOutFar);
    EXPECT_EQ(scene->pointOutcode(view, {-1e9f, 0, -200000}), kOutFar | kOutLeft);
    EXPECT_EQ(scene->pointOutcode(view, {-100, 100, 20}), kOutNear);  // behind: the code is exactly 16
    EXPECT_EQ(scene->pointOutcode(view, {0, 0, 9.875f}), kOutNear);    // on the near plane: not in front

    EXPECT_TRUE(scene->boxVisible(view, {0, 0, 100}, {-1, -1, -1}));  // not given: always
    EXPECT_FALSE(scene->boxVisible(view, {0, 0, 20}, {2, 2, 2}));     // wholly behind the eye
    EXPECT_TRUE(scene->boxVisible(view, {0, 0, 10}, {2, 2, 2}));      // straddles the near plane
    EXPECT_TRUE(scene->boxVisible(view, {0, 0, 0}, {2, 2, 2}));
    EXPECT_FALSE(scene->boxVisible(view, {-100, 0, 0}, {2, 2, 2}));   // all left
    EXPECT_TRUE(scene->boxVisible(view, {0, 0, 0}, {400, 2, 2}));     // left and right corners
    EXPECT_FALSE(scene->boxVisible(view, {0, 0, -300000}, {2, 2, 2}));  // beyond far
    EXPECT_FALSE(scene->boxVisible(view, {std::numeric_limits<float>::quiet_NaN(), 0, 0}, {2, 2, 2}));
}

TEST_F(CameraTest, TransformVerticesGrowsAndRefuses) {
    scene->setNearFar();
    scene->setupView();
    SimpleArray<Vec3f> points;
    EXPECT_FALSE(scene->transformVertices(scene->viewMatrix, points));  // nothing to draw

    // Grows to exactly the point count, never shrinks.
    for (int i = 0; i < 1500; ++i) points.append({static_cast<float>(i % 3), 0, 0});
    EXPECT_TRUE(scene->transformVertices(scene->viewMatrix, points));
    EXPECT_EQ(scene->rasterVertexCapacity, 1500);
    points.truncate(10);
    EXPECT_TRUE(scene->transformVertices(scene->viewMatrix, points));
    EXPECT_EQ(scene->rasterVertexCapacity, 1500);

    // All behind the eye, or all beyond one edge: false. One in view: true.
    SimpleArray<Vec3f> behind;
    behind.append({0, 0, 20});
    behind.append({5, 5, 30});
    EXPECT_FALSE(scene->transformVertices(scene->viewMatrix, behind));
    EXPECT_EQ(scene->rasterVertices[0].outcode, kOutNear);
    SimpleArray<Vec3f> left;
    left.append({-100, 0, 0});
    left.append({-100, 100, 0});
    EXPECT_FALSE(scene->transformVertices(scene->viewMatrix, left));
    left.append({100, 0, 0});  // left and right: the AND is 0
    EXPECT_TRUE(scene->transformVertices(scene->viewMatrix, left));

    // A point at infinity keeps the whole mesh from the rasterizer.
    SimpleArray<Vec3f> infinite;
    infinite.append({0, 0, 0});
    infinite.append({kInf, 0, 0});
    EXPECT_FALSE(scene->transformVertices(scene->viewMatrix, infinite));
    SimpleArray<Vec3f> huge;  // finite, but its projection overflows
    huge.append({0, 0, 0});
    huge.append({3e38f, 0, 9.8f});
    EXPECT_FALSE(scene->transformVertices(scene->viewMatrix, huge));

    // More points than the array's byte count allows: refused before any read.
    SimpleArray<Vec3f> tooMany;
    Vec3f one{};
    tooMany.items = &one;
    tooMany.count = 89478486;
    EXPECT_FALSE(scene->transformVertices(scene->viewMatrix, tooMany));
    EXPECT_EQ(scene->rasterVertexCapacity, 1500);
    tooMany.items = nullptr;
    tooMany.count = 0;
}

TEST_F(CameraTest, ViewpointTransitionTakesOneSecond) {
    rasterizer->driver = nullptr;
    nViewpoint* from = scene->defaultViewpoint;
    auto* to = make<nViewpoint>(NodeType::Viewpoint);
    to->position.value = {4, 0, 20};
    to->orientation.value = {0, 1, 0, 0.5f};
    to->fieldOfView.value = 1.2f;
    const Matrix fromView = viewFromViewpoint(*from);
    const Matrix toView = viewFromViewpoint(*to);

    scene->previousViewpoint = from;
    scene->boundViewpoint = to;
    scene->bindJump = false;
    scene->transitionStart = 5.0;
    auto viewAt = [&](double now) {
        scene->frameClock.now = now;
        scene->setupView();
        return scene->viewMatrix;
    };
    expectSameMatrix(viewAt(5.0), fromView, 1e-5f);
    EXPECT_FLOAT_EQ(scene->focalLength, focalLengthFor(120, 160, 0.785398f));  // fov 0 counts as 0.785398
    const Matrix half = viewAt(5.5);
    EXPECT_NEAR(half.tx, (fromView.tx + toView.tx) * 0.5f, 1e-4f);
    EXPECT_NEAR(half.tz, (fromView.tz + toView.tz) * 0.5f, 1e-4f);
    EXPECT_FLOAT_EQ(scene->focalLength, focalLengthFor(120, 160, 0.785398f + (1.2f - 0.785398f) * 0.5f));
    EXPECT_NEAR(matrixToRotation(half).angle, 0.25f, 1e-4f);  // halfway along the arc
    expectSameMatrix(viewAt(5.999), toView, 0.02f);
    expectSameMatrix(viewAt(6.0), toView, 1e-5f);
    EXPECT_FLOAT_EQ(scene->focalLength, focalLengthFor(120, 160, 1.2f));
    expectSameMatrix(viewAt(60.0), toView, 1e-5f);
    // After the second the path follows the new viewpoint's own changes.
    to->position.value = {0, 0, 3};
    expectSameMatrix(viewAt(61.0), viewFromViewpoint(*to), 1e-5f);

    // jump TRUE: the new view at once.
    scene->bindJump = true;
    expectSameMatrix(viewAt(5.0), viewFromViewpoint(*to), 0.0f);
    EXPECT_FLOAT_EQ(scene->focalLength, focalLengthFor(120, 160, 1.2f));
}

TEST_F(CameraTest, SingularTransformDrawsWhatItsMatrixGivesAndNonFiniteOnesHide) {
    // scale 1 1 0 flattens its children onto z = 0: a square there is drawn
    // as it is, keeps its record and the light beside it lights the frame.
    auto* collapsed = make<nTransform>(NodeType::Transform);
    collapsed->scale.value = {1, 1, 0};
    addChild(root, collapsed);
    addChild(collapsed, shape(square(0, 0, 0, 1)));
    addChild(collapsed, light({0, 0, -1}, 1.0f));
    auto* infinite = make<nTransform>(NodeType::Transform);
    infinite->translation.value = {0, kInf, 0};
    addChild(root, infinite);
    addChild(infinite, shape(square(0, 0, 0, 1)));
    auto* overflow = make<nTransform>(NodeType::Transform);  // finite and invertible alone
    overflow->scale.value = {1e30f, 1e30f, 1e30f};
    auto* overflow2 = make<nTransform>(NodeType::Transform);
    overflow2->scale.value = {1e30f, 1e30f, 1e30f};
    addChild(root, overflow);
    addChild(overflow, overflow2);
    addChild(overflow2, shape(square(0, 0, 0, 1)));
    frame();
    ASSERT_EQ(scene->renderRecords.count, 1);  // the non-finite ones make none
    EXPECT_EQ(scene->renderRecords[0].modelView.m[8], 0.0f);
    EXPECT_EQ(scene->lights.count, 2);  // the collapsed Transform's light and the headlight
    EXPECT_NE(pixel(target->width / 2, target->height / 2), 0);

    // A viewpoint under the collapsed Transform ignores it (it has no
    // inverse) and still sees the world through the others.
    auto* viewpoint = make<nViewpoint>(NodeType::Viewpoint);
    addChild(collapsed, viewpoint);
    scene->boundViewpoint = scene->previousViewpoint = viewpoint;
    frame();
    EXPECT_TRUE(matrixFinite(scene->viewMatrix));
    expectSameMatrix(scene->viewMatrix, viewFromViewpoint(*scene->defaultViewpoint), 0.0f);
}

}  // namespace
