// An IndexedFaceSet without texture coordinates in the full profile: the
// picture is laid over the box of its points, s along the longest side and
// t along the next, in the same units.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "app/full_world_fixture.h"
#include "render/full_textures.h"

namespace {

TEST(DefaultTexturePoints, LongestSideGivesSAndTheNextGivesT) {
    struct Case {
        const char* what;
        std::vector<Vec3f> points;
        bool made;
        std::vector<Vec2f> expected;
    };
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<Case> cases = {
        // 4 wide, 2 high, 1 deep: s = (x + 2) / 4, t = (y + 1) / 4.
        {"x then y", {{-2, -1, 0}, {2, -1, 0}, {2, 1, 1}, {-2, 1, 0}}, true, {{0, 0}, {1, 0}, {1, 0.5f}, {0, 0.5f}}},
        // Longest along z, then y: s from z, t from y.
        {"z then y", {{0, 0, 0}, {1, 2, 0}, {1, 0, 4}}, true, {{0, 0}, {0, 0.5f}, {1, 0}}},
        // A cube: ties go to x, then y.
        {"tie", {{0, 0, 0}, {2, 2, 2}}, true, {{0, 0}, {1, 1}}},
        // A flat square in the x-z plane: x, then z (y has no extent).
        {"flat", {{0, 5, 0}, {2, 5, 0}, {2, 5, 2}}, true, {{0, 0}, {1, 0}, {1, 1}}},
        {"one point", {{1, 1, 1}}, false, {}},
        {"no points", {}, false, {}},
        {"not finite", {{0, 0, 0}, {inf, 1, 0}}, false, {}},
    };
    for (const Case& c : cases) {
        SimpleArray<Vec3f> points;
        for (const Vec3f& p : c.points) ASSERT_TRUE(points.append(p));
        SimpleArray<Vec2f> out;
        ASSERT_TRUE(out.append(Vec2f{9, 9}));  // replaced or emptied either way
        EXPECT_EQ(defaultTexturePoints(points, out), c.made) << c.what;
        ASSERT_EQ(out.count, static_cast<int32_t>(c.expected.size())) << c.what;
        for (int32_t i = 0; i < out.count; ++i) {
            EXPECT_FLOAT_EQ(out[i].x, c.expected[i].x) << c.what << " " << i;
            EXPECT_FLOAT_EQ(out[i].y, c.expected[i].y) << c.what << " " << i;
        }
    }
}

constexpr uint16_t kRed = 0xF800;
constexpr uint16_t kGreen = 0x07E0;
constexpr uint16_t kBlue = 0x001F;
constexpr uint16_t kWhite = 0xFFFF;

using FullDefaultTextureTest = FullWorldTest;

TEST_F(FullDefaultTextureTest, APictureCoversAFaceSetWithoutCoordinates) {
    // Bottom row red, green; top row blue, white; a square of side 4 at z = 0
    // seen from (0, 0, 10), 28.97 pixels a unit.
    const std::string world =
        "Viewpoint { } Shape { appearance Appearance { material Material { diffuseColor 1 1 1 } "
        "texture PixelTexture { image 2 2 3 16711680 65280 255 16777215 } } "
        "geometry IndexedFaceSet { coord Coordinate { point [ -2 -2 0, 2 -2 0, 2 2 0, -2 2 0 ] } "
        "coordIndex [ 0 1 2 3 -1 ] } }";
    ASSERT_TRUE(load(world));
    frame();
    auto at = [&](float x, float y) {
        return pixel(120 + static_cast<int32_t>(x * 28.97f), 160 - static_cast<int32_t>(y * 28.97f));
    };
    EXPECT_EQ(at(-1, -1), kRed);
    EXPECT_EQ(at(1, -1), kGreen);
    EXPECT_EQ(at(-1, 1), kBlue);
    EXPECT_EQ(at(1, 1), kWhite);
}

}  // namespace
