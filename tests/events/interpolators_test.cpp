// The interpolators: the key table, the cached segment, each blend, the end
// values copied whole, the coordinate interpolator's points, and malformed
// lists that must send nothing or stay inside them.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <vector>

#include "events/node_factory.h"
#include "scene/interpolator_nodes.h"
#include "scene/node_registry.h"
#include "scene/node_types.h"

namespace {

class Interpolators : public ::testing::Test {
protected:
    void TearDown() override { releaseNodeRegistry(); }

    template <class Node>
    Node* make(int32_t type, std::initializer_list<float> keys) {
        auto* node = static_cast<Node*>(createNode(u"", type));
        for (float k : keys) node->key.value.append(k);
        return node;
    }
};

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST_F(Interpolators, ScalarKeyTable) {
    auto* scalar = make<nScalarInterpolator>(NodeType::ScalarInterpolator, {0, 0.5f, 1});
    for (float v : {0.0f, 10.0f, 30.0f}) scalar->keyValue.value.append(v);
    const struct { float fraction, value; } table[] = {{0.25f, 5}, {0.75f, 20}, {-1, 0}, {2, 30}, {0.5f, 10},
                                                       {0, 0}, {1, 30}};
    for (const auto& row : table) {
        scalar->set_fraction.setValue(row.fraction);
        EXPECT_EQ(scalar->value_changed.value, row.value) << row.fraction;
    }
}

TEST_F(Interpolators, CachedSegmentItsSuccessorAndTheJump) {
    auto* position = make<nPositionInterpolator>(NodeType::PositionInterpolator, {0, 0.25f, 0.5f, 0.75f, 1});
    for (float x : {0.0f, 1.0f, 2.0f, 3.0f, 4.0f}) position->keyValue.value.append(Vec3f{x, -x, 0});
    // Forwards: the segment stays or moves on by one.
    const struct { float fraction; int32_t segment; } forwards[] = {
        {0.1f, 0}, {0.2f, 0}, {0.3f, 1}, {0.4f, 1}, {0.45f, 1}, {0.6f, 2}, {0.7f, 2}, {0.8f, 3}, {0.9f, 3}};
    for (const auto& row : forwards) {
        position->set_fraction.setValue(row.fraction);
        EXPECT_EQ(position->lastSegment, row.segment) << row.fraction;
        EXPECT_FLOAT_EQ(position->value_changed.value.x, 4 * row.fraction) << row.fraction;
        EXPECT_FLOAT_EQ(position->value_changed.value.y, -4 * row.fraction) << row.fraction;
    }
    // The jump back, and caches no search could have left.
    for (int32_t cached : {3, -7, 4, 99, 0x7FFFFFFF}) {
        position->lastSegment = cached;
        position->set_fraction.setValue(0.1f);
        EXPECT_EQ(position->lastSegment, 0) << cached;
        EXPECT_FLOAT_EQ(position->value_changed.value.x, 0.4f) << cached;
    }
    // On an inner key the search stops there: that key's value.
    position->lastSegment = 0;
    EXPECT_EQ(position->findSegment(0.75f), 3);
}

TEST_F(Interpolators, ColourBlendsRgbAndEndsCopyWhole) {
    auto* colour = make<nColorInterpolator>(NodeType::ColorInterpolator, {0, 1});
    colour->keyValue.value.append(Color4f{1, 0, 0, 0.25f});
    colour->keyValue.value.append(Color4f{0, 0, 1, 0.75f});
    colour->set_fraction.setValue(0.5f);
    const Color4f& c = colour->value_changed.value;
    EXPECT_EQ(c.r, 0.5f);
    EXPECT_EQ(c.g, 0.0f);
    EXPECT_EQ(c.b, 0.5f);
    EXPECT_EQ(c.a, 0.0f);
    colour->set_fraction.setValue(-3);
    EXPECT_EQ(c.r, 1.0f);
    EXPECT_EQ(c.a, 0.25f);
    colour->set_fraction.setValue(1);
    EXPECT_EQ(c.b, 1.0f);
    EXPECT_EQ(c.a, 0.75f);
}

TEST_F(Interpolators, OrientationTakesTheShorterArc) {
    const struct { Rotation b; float x, y, z, angle; } table[] = {
        {{0, 1, 0, 3.14159f}, 0, 1, 0, 1.5708f},
        {{0, 1, 0, 4.71239f}, 0, -1, 0, 0.7854f},
    };
    for (const auto& row : table) {
        auto* turn = make<nOrientationInterpolator>(NodeType::OrientationInterpolator, {0, 1});
        turn->keyValue.value.append(Rotation{0, 1, 0, 0});
        turn->keyValue.value.append(row.b);
        turn->set_fraction.setValue(0.5f);
        const Rotation& r = turn->value_changed.value;
        EXPECT_NEAR(r.x, row.x, 1e-5f);
        EXPECT_NEAR(r.y, row.y, 1e-5f);
        EXPECT_NEAR(r.z, row.z, 1e-5f);
        EXPECT_NEAR(r.angle, row.angle, 1e-4f);
    }
    // An unnormalized key passes through the ends untouched.
    auto* turn = make<nOrientationInterpolator>(NodeType::OrientationInterpolator, {0, 1});
    turn->keyValue.value.append(Rotation{0, 2, 0, 5});
    turn->keyValue.value.append(Rotation{3, 0, 0, -7});
    turn->set_fraction.setValue(0);
    EXPECT_EQ(turn->value_changed.value.y, 2.0f);
    EXPECT_EQ(turn->value_changed.value.angle, 5.0f);
    turn->set_fraction.setValue(1);
    EXPECT_EQ(turn->value_changed.value.x, 3.0f);
    EXPECT_EQ(turn->value_changed.value.angle, -7.0f);
}

TEST_F(Interpolators, SingleKeyGivesItsValueEverywhere) {
    auto* scalar = make<nScalarInterpolator>(NodeType::ScalarInterpolator, {0.5f});
    scalar->keyValue.value.append(7);
    for (float f : {-1.0f, 0.0f, 0.5f, 0.75f, 2.0f}) {
        scalar->value_changed.value = 0;
        scalar->set_fraction.setValue(f);
        EXPECT_EQ(scalar->value_changed.value, 7.0f) << f;
    }
}

TEST_F(Interpolators, CoordinatePointsSizedOnceAndBlended) {
    auto* morph = make<nCoordinateInterpolator>(NodeType::CoordinateInterpolator, {0, 1});
    for (float x : {0.0f, 1.0f, 2.0f, 10.0f, 21.0f, 32.0f}) morph->keyValue.value.append(Vec3f{x, 0, -x});
    const struct { float fraction, x0, x1, x2; } table[] = {
        {0.5f, 5, 11, 17}, {0, 0, 1, 2}, {2, 10, 21, 32}, {0.25f, 2.5f, 6, 9.5f}};
    for (const auto& row : table) {
        morph->set_fraction.setValue(row.fraction);
        const SimpleArray<Vec3f>& points = morph->value_changed.value;
        ASSERT_EQ(points.count, 3);
        EXPECT_FLOAT_EQ(points[0].x, row.x0) << row.fraction;
        EXPECT_FLOAT_EQ(points[1].x, row.x1) << row.fraction;
        EXPECT_FLOAT_EQ(points[2].x, row.x2) << row.fraction;
        EXPECT_FLOAT_EQ(points[2].z, -row.x2) << row.fraction;
    }
    // A seventh point is no whole group: ignored. Sized once, it stays so.
    morph->keyValue.value.append(Vec3f{99, 99, 99});
    morph->set_fraction.setValue(1);
    EXPECT_EQ(morph->value_changed.value.count, 3);
    EXPECT_EQ(morph->value_changed.value[2].x, 32.0f);
}

TEST_F(Interpolators, MalformedListsSendNothingOrStayInside) {
    // Empty key list, fewer values than keys, a NaN fraction: nothing sent.
    auto* empty = make<nScalarInterpolator>(NodeType::ScalarInterpolator, {});
    empty->keyValue.value.append(3);
    auto* shortValues = make<nScalarInterpolator>(NodeType::ScalarInterpolator, {0, 0.5f, 1});
    shortValues->keyValue.value.append(3);
    shortValues->keyValue.value.append(4);
    auto* nanKeys = make<nScalarInterpolator>(NodeType::ScalarInterpolator, {0, kNaN, 1});
    for (float v : {1.0f, 2.0f, 3.0f}) nanKeys->keyValue.value.append(v);
    for (nScalarInterpolator* node : {empty, shortValues, nanKeys}) {
        for (float f : {-1.0f, 0.25f, 0.5f, 2.0f, kNaN}) {
            node->value_changed.value = 42;
            node->set_fraction.setValue(f);
            if (node == nanKeys && !std::isnan(f) && (f <= 0 || f >= 1)) continue;  // the ends still hold
            EXPECT_EQ(node->value_changed.value, 42.0f) << f;
        }
    }
    // Two equal keys: the value at the end of the empty segment, no division.
    auto* step = make<nScalarInterpolator>(NodeType::ScalarInterpolator, {0, 0.5f, 0.5f, 1});
    for (float v : {0.0f, 1.0f, 5.0f, 6.0f}) step->keyValue.value.append(v);
    const struct { float fraction, value; } table[] = {{0.25f, 0.5f}, {0.5f, 5}, {0.75f, 5.5f}};
    for (const auto& row : table) {
        step->set_fraction.setValue(row.fraction);
        EXPECT_EQ(step->value_changed.value, row.value) << row.fraction;
    }
    // Coordinates: fewer points than keys (no group) or an empty key list
    // send nothing and size nothing.
    auto* fewPoints = make<nCoordinateInterpolator>(NodeType::CoordinateInterpolator, {0, 0.5f, 1});
    fewPoints->keyValue.value.append(Vec3f{1, 1, 1});
    auto* noKeys = make<nCoordinateInterpolator>(NodeType::CoordinateInterpolator, {});
    noKeys->keyValue.value.append(Vec3f{1, 1, 1});
    for (nCoordinateInterpolator* node : {fewPoints, noKeys}) {
        node->set_fraction.setValue(0.25f);
        EXPECT_EQ(node->value_changed.value.count, 0);
    }
}

}  // namespace
