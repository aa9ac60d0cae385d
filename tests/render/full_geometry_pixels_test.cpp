// The full profile's geometry in whole frames: the silhouettes of the
// primitives at the default viewpoint, their shading under the headlight
// (which shows that their normals point as the lighting reads them), lines
// and points against the depth buffer, picking, tessellation once per node,
// and the same frame from one thread and two.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "full_world_fixture.h"
#include "scene/factory.h"
#include "scene/primitive_nodes.h"
#include "scene/shape_nodes.h"

namespace {

using namespace full_test;

using FullGeometryPixelsTest = FullWorldFixture;

const uint16_t kRed = packRgb565(1, 0, 0);
const uint16_t kGreen = packRgb565(0, 1, 0);

// The first covered pixel of an edge at screen coordinate c (28.4 snap,
// pixel centres on integers, top and left inclusive).
int firstCovered(float c) { return static_cast<int>(std::ceil(std::floor(c * 16.0f) / 16.0f)); }

struct Silhouette {
    const Bitmap& frame;
    uint16_t colour;
    bool covered(int x, int y) const { return frame.pixels[y * frame.width + x] == colour; }
    int top(int x) const {
        for (int y = 0; y < 320; ++y)
            if (covered(x, y)) return y;
        return -1;
    }
    int bottom(int x) const {
        for (int y = 319; y >= 0; --y)
            if (covered(x, y)) return y;
        return -1;
    }
    // Half the covered width of the row, from its first to its last pixel.
    float halfWidth(int y) const {
        int left = -1, right = -1;
        for (int x = 0; x < 240; ++x)
            if (covered(x, y)) {
                if (left < 0) left = x;
                right = x + 1;
            }
        return left < 0 ? 0.0f : 0.5f * static_cast<float>(right - left);
    }
};

TEST_F(FullGeometryPixelsTest, PrimitiveSilhouettesAtTheDefaultViewpoint) {
    const float f = defaultFocal();
    // The camera at (0, 0, 10) looking down -Z. A box face or cylinder rim
    // at z = 1 lies 9 away; the round silhouettes of radius 1 at distance d
    // project to f / sqrt(d^2 - 1) (the tangent points lie a little nearer
    // than the axis).
    const float near9 = f / 9.0f, apex = f / 10.0f, round = f / std::sqrt(99.0f);
    struct Row {
        const char* geometry;
        float top, bottom;  // rows of the centre column (the last covered row)
        float halfWidth[3];  // at rows 140, 160 and 180
        float tolerance;
    };
    const float boxHalf = 0.5f * static_cast<float>(firstCovered(120.0f + near9) - firstCovered(120.0f - near9));
    const Row rows[] = {
        // A square: its edges exactly where the pipeline puts a square.
        {"Box { }", float(firstCovered(160.0f - near9)), float(firstCovered(160.0f + near9) - 1),
         {boxHalf, boxHalf, boxHalf}, 0.0f},
        // A disc of radius `round` about the centre.
        {"Sphere { }", std::ceil(160.0f - round), std::floor(160.0f + round),
         {std::sqrt(round * round - 400.0f), round, std::sqrt(round * round - 400.0f)}, 1.0f},
        // A rectangle: straight sides, rims at z = 1 above and below.
        {"Cylinder { }", std::ceil(160.0f - near9), std::floor(160.0f + near9), {round, round, round}, 1.0f},
        // A triangle: the apex at y = 1 (z = 0), widening down to the rim;
        // at height y the half-width is (1 - y) / 2 of the radius.
        {"Cone { }", std::ceil(160.0f - apex), std::floor(160.0f + near9),
         {0.5f * (1.0f - 20.0f / apex) * apex, 0.5f * apex, 0.5f * (1.0f + 20.0f / apex) * apex}, 1.5f},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(load(shapeWorld(row.geometry)));
        frame();
        const Silhouette s{*target, kRed};
        EXPECT_NEAR(s.top(120), row.top, row.tolerance) << row.geometry;
        EXPECT_NEAR(s.bottom(120), row.bottom, row.tolerance) << row.geometry;
        const int probe[3] = {140, 160, 180};
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(s.halfWidth(probe[k]), row.halfWidth[k], row.tolerance) << row.geometry << " row " << probe[k];
        // Nothing but the colour of the shape and black.
        for (uint16_t p : pixels()) ASSERT_TRUE(p == 0 || p == kRed) << row.geometry;
        scene.reset();
        releaseNodeRegistry();
    }
}

TEST_F(FullGeometryPixelsTest, SphereIsARoundDisc) {
    ASSERT_TRUE(load(shapeWorld("Sphere { }")));
    frame();
    const float radius = defaultFocal() / std::sqrt(99.0f);
    int covered = 0, outside = 0, holes = 0;
    for (int y = 0; y < 320; ++y) {
        for (int x = 0; x < 240; ++x) {
            const float d = std::hypot(static_cast<float>(x - 120), static_cast<float>(y - 160));
            const bool on = pixel(x, y) == kRed;
            covered += on;
            if (on && d > radius + 0.75f) ++outside;
            if (!on && d < radius - 1.5f) ++holes;
        }
    }
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(holes, 0);
    const float disc = 3.14159265f * radius * radius;
    EXPECT_GT(covered, 0.97f * disc);
    EXPECT_LT(covered, 1.01f * disc);
}

TEST_F(FullGeometryPixelsTest, HeadlightLightsTheFrontOfEveryPrimitive) {
    // Lit white (diffuse 0.8), no emissive colour: a corner turned to the
    // eye gets intensity 1 and 204 in each channel; had the normals pointed
    // the wrong way, the front would be black.
    struct Row {
        const char* geometry;
        int x, y;
        int expected, tolerance;
    };
    const Row rows[] = {
        {"Box { }", 120, 160, 204, 0},
        {"Box { }", 100, 140, 204, 0},  // flat: the same everywhere on the face
        {"Sphere { }", 120, 160, 204, 3},
        {"Sphere { }", 120 + 27, 160, 60, 45},  // near the rim the sphere turns away
        {"Cylinder { }", 120, 150, 204, 3},
        {"Cone { }", 120, 175, 182, 4},  // the side leans back: 2 / sqrt(5) of the light
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(load(shapeWorld(row.geometry, "diffuseColor 0.8 0.8 0.8"), 240, 320, true));
        frame();
        const uint16_t p = pixel(row.x, row.y);
        const int red = (p >> 11) << 3, green = ((p >> 5) & 0x3F) << 2;
        EXPECT_NEAR(red, row.expected & 0xF8, row.tolerance + 8) << row.geometry;
        EXPECT_NEAR(green, row.expected & 0xFC, row.tolerance + 4) << row.geometry;
        if (row.tolerance == 0) {
            EXPECT_EQ(p, packRgb565(0.8f, 0.8f, 0.8f)) << row.geometry;
        }
        scene.reset();
        releaseNodeRegistry();
    }
}

TEST_F(FullGeometryPixelsTest, LinesAndPointsMeetTheDepthBuffer) {
    // A green square across x, y in -1 .. 1 at z = 0; a red line along
    // y = 0.5 from x = -1.5 to 1.5 at depth z; a red point at (0, -0.5, z).
    struct Row {
        float z;
        bool lineFirst;
        bool seenInFront;
    };
    const Row rows[] = {{1.0f, false, true}, {1.0f, true, true}, {-1.0f, false, false}, {-1.0f, true, false}};
    for (const Row& row : rows) {
        const std::string z = std::to_string(row.z);
        const std::string square =
            "Shape { appearance Appearance { material Material { emissiveColor 0 1 0 diffuseColor 0 0 0 } }\n"
            "  geometry IndexedFaceSet { coord Coordinate { point [ -1 -1 0, 1 -1 0, 1 1 0, -1 1 0 ] }"
            " coordIndex [ 0 1 2 3 -1 ] } }\n";
        const std::string lines =
            "Shape { appearance Appearance { material Material { emissiveColor 1 0 0 diffuseColor 0 0 0 } }\n"
            "  geometry IndexedLineSet { coord Coordinate { point [ -1.5 0.5 " + z + ", 1.5 0.5 " + z +
            " ] } coordIndex [ 0 1 ] } }\n"
            "Shape { appearance Appearance { material Material { emissiveColor 1 0 0 diffuseColor 0 0 0 } }\n"
            "  geometry PointSet { coord Coordinate { point [ 0 -0.5 " + z + " ] } } }\n";
        ASSERT_TRUE(load("#VRML V2.0 utf8\n" + (row.lineFirst ? lines + square : square + lines)));
        frame();
        const float k = defaultFocal() / (10.0f - row.z);
        const int lineRow = static_cast<int>(std::floor(160.0f - 0.5f * k + 0.5f));
        const int pointRow = static_cast<int>(std::floor(160.0f + 0.5f * k + 0.5f));
        // Over the square: the line only when in front.
        EXPECT_EQ(pixel(120, lineRow), row.seenInFront ? kRed : kGreen) << row.z;
        EXPECT_EQ(pixel(110, lineRow), row.seenInFront ? kRed : kGreen) << row.z;
        EXPECT_EQ(pixel(120, pointRow), row.seenInFront ? kRed : kGreen) << row.z;
        // Beyond the square's sides the line is seen either way, one pixel
        // thick.
        const int beyond = static_cast<int>(120.0f + 1.25f * k);
        EXPECT_EQ(pixel(beyond, lineRow), kRed) << row.z;
        EXPECT_EQ(pixel(beyond, lineRow - 1), 0) << row.z;
        EXPECT_EQ(pixel(beyond, lineRow + 1), 0) << row.z;
        scene.reset();
        releaseNodeRegistry();
    }
}

// A node of type Color holding a "color" list, as the surfaces' Color is.
class StandInColor : public X3DNode {
public:
    fMFColor color{this, FieldCode::color};
    StandInColor() : X3DNode(NodeCategory::Other) {}
};

TEST_F(FullGeometryPixelsTest, LineColoursBlendAlongTheLine) {
    ASSERT_TRUE(load("#VRML V2.0 utf8\nShape { geometry IndexedLineSet {\n"
                     "  coord Coordinate { point [ -1 0 0, 1 0 0, -1 -0.5 0, 1 -0.5 0 ] }\n"
                     "  color Color { color [ 1 0 0, 0 0 1 ] }\n"
                     "  coordIndex [ 0 1 -1 2 3 ] colorIndex [ 0 1 -1 1 1 ] } }\n"));
    // Until the reader makes Color nodes, one of the same type and field
    // stands in (the lines read any node of that type with a "color" list).
    auto* lines = static_cast<nShape*>(firstNode())->geometry.value;
    auto* colorField = static_cast<fSFNode*>(lines->fields.at(FieldCode::color));
    if (!colorField->value) {
        auto* colours = static_cast<StandInColor*>(
            registerNewNode(std::make_unique<StandInColor>(), u"", NodeType::Color));
        ASSERT_NE(colours, nullptr);
        colours->color.value.append(Color4f{1, 0, 0, 0});
        colours->color.value.append(Color4f{0, 0, 1, 0});
        colorField->value = colours;
    }
    frame();
    const float k = defaultFocal() / 10.0f;
    const int left = static_cast<int>(std::floor(120.0f - k + 0.5f)), right = static_cast<int>(std::floor(120.0f + k + 0.5f));
    EXPECT_EQ(pixel(left, 160), kRed);
    EXPECT_EQ(pixel(right, 160), packRgb565(0, 0, 1));
    // Half way: half red and half blue, no green.
    const uint16_t middle = pixel(120, 160);
    EXPECT_NEAR(middle >> 11, 15, 1);
    EXPECT_NEAR(middle & 0x1F, 15, 1);
    EXPECT_EQ((middle >> 5) & 0x3F, 0);
    // The second polyline in one colour from end to end.
    const int lower = static_cast<int>(std::floor(160.0f + 0.5f * k + 0.5f));
    for (int x = left; x <= right; ++x) EXPECT_EQ(pixel(x, lower), packRgb565(0, 0, 1)) << x;
}

TEST_F(FullGeometryPixelsTest, PickingHitsPrimitivesNotLines) {
    struct Row {
        const char* geometry;
        int x, y;
        bool hit;
        float distance;  // from the eye (camera space)
    };
    const Row rows[] = {
        {"Box { }", 120, 160, true, 9.0f},
        {"Box { }", 130, 150, true, 9.0f},
        {"Box { }", 5, 5, false, 0.0f},
        {"Sphere { radius 2 }", 120, 160, true, 8.0f},
        {"Cylinder { }", 120, 160, true, 9.0f},
        {"IndexedLineSet { coord Coordinate { point [ -1 0 0, 1 0 0 ] } coordIndex [ 0 1 ] }", 120, 160, false, 0.0f},
        {"PointSet { coord Coordinate { point [ 0 0 0 ] } }", 120, 160, false, 0.0f},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(load(shapeWorld(row.geometry)));
        frame();
        const PickResult result = scene->pick(row.x, row.y);
        EXPECT_EQ(result.hitShape != nullptr, row.hit) << row.geometry;
        if (row.hit) {
            EXPECT_EQ(result.hitShape, firstNode()) << row.geometry;
            const float ray = std::hypot(static_cast<float>(row.x - 120), static_cast<float>(row.y - 160));
            // Off the axis the ray runs a little longer to the same plane.
            EXPECT_NEAR(result.distance, row.distance * std::hypot(ray / defaultFocal(), 1.0f), 0.05f) << row.geometry;
        }
        scene.reset();
        releaseNodeRegistry();
    }
    // A wall of a Box stops a walk: a world-space ray along -X from x = 5
    // meets the face at x = 1.
    ASSERT_TRUE(load(shapeWorld("Box { }")));
    frame();
    const PickResult wall = scene->rayCast(Vec3f{5.0f, 0.0f, 0.0f}, Vec3f{-1.0f, 0.0f, 0.0f}, true);
    ASSERT_NE(wall.hitShape, nullptr);
    EXPECT_NEAR(wall.worldPoint.x, 1.0f, 1e-4f);
}

// A Box that counts its tessellations.
class CountingBox : public nBox {
public:
    int builds = 0;

protected:
    bool buildMesh(MeshForm& mesh) override {
        ++builds;
        return nBox::buildMesh(mesh);
    }
};

TEST_F(FullGeometryPixelsTest, TessellatedOncePerNodeNotPerFrame) {
    ASSERT_TRUE(load(shapeWorld("Box { }")));
    auto* box = static_cast<CountingBox*>(registerNewNode(std::make_unique<CountingBox>(), u"", NodeType::Box));
    ASSERT_NE(box, nullptr);
    static_cast<nShape*>(firstNode())->geometry.value = box;
    for (int i = 0; i < 10; ++i) frame(0.04 * i);
    EXPECT_EQ(box->builds, 1);
    const int before = litPixels();
    box->size.setValue(Vec3f{1.0f, 1.0f, 1.0f});  // a field change: built again, once
    for (int i = 10; i < 15; ++i) frame(0.04 * i);
    EXPECT_EQ(box->builds, 2);
    EXPECT_LT(litPixels(), before / 3);
}

std::string manyBoxes(int count, bool withLines) {
    std::string text = "#VRML V2.0 utf8\n";
    for (int i = 0; i < count; ++i) {
        const int column = i % 50, row = i / 50;
        text += "Transform { translation " + std::to_string(-4.0 + 0.16 * column) + " " +
                std::to_string(-4.0 + 0.2 * row) + " 0 rotation 1 1 0 0.6 children Shape {"
                " appearance Appearance { material Material { diffuseColor " + std::to_string(0.2 + 0.01 * column) +
                " 0.5 0.8 } } geometry Box { size 0.12 0.12 0.12 } } }\n";
    }
    if (withLines)
        text += "Shape { appearance Appearance { material Material { emissiveColor 1 1 0 } }"
                " geometry IndexedLineSet { coord Coordinate { point [ -5 -5 0.05, 5 5 0.05, 5 -5 -0.2, -5 5 0.3 ] }"
                " coordIndex [ 0 1 -1 2 3 ] } }\n";
    return text;
}

TEST_F(FullGeometryPixelsTest, TwoThousandBoxesDrawTheSameOnOneThreadAndTwo) {
    for (bool withLines : {false, true}) {
        std::vector<uint16_t> frames[2];
        for (int threads = 1; threads <= 2; ++threads) {
            ASSERT_TRUE(load(manyBoxes(2000, withLines), 1280, 720, true, threads));
            ASSERT_EQ(rasterizer->threadCount(), threads);
            frame(0.0);
            frame(0.04);
            frames[threads - 1] = pixels();
            EXPECT_GT(litPixels(), 100000);
            scene.reset();
            rasterizer.reset();
            releaseNodeRegistry();
        }
        EXPECT_TRUE(frames[0] == frames[1]) << (withLines ? "with lines" : "boxes alone");
    }
}

}  // namespace
