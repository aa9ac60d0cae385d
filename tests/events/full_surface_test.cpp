// The full profile's lights and surfaces, read from text with the full
// profile's factory and drawn through the Scene into a 160 x 160 frame with
// lighting on: the new nodes' fields and defaults, and per-vertex lighting and
// colour seen in pixels (point light radius and attenuation, the spot cone,
// specular and ambient terms, Normal and Color nodes with their index rules,
// the four-light limit across kinds, shapes without a material).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "app/open_stream.h"
#include "base/text.h"
#include "events/full_node_factory.h"
#include "raster/bitmap.h"
#include "raster/rasterizer.h"
#include "scene/field_codes.h"
#include "scene/full_surface_nodes.h"
#include "scene/grouping_nodes.h"
#include "scene/node_registry.h"
#include "scene/scene.h"
#include "vrml/load_world.h"
#include "vrml/reader_test_support.h"

namespace {

constexpr int32_t kSide = 160;
// Units of the plane z = 0 per pixel, seen from (0, 0, 10) with the field of
// view 0.785398 on a 160-pixel target: focal 80 / tan(0.392699).
constexpr float kPixelsPerUnit = 80.0f / 0.41421356f / 10.0f;

int red8(uint16_t p) { return (p >> 11) << 3; }
int green8(uint16_t p) { return ((p >> 5) & 0x3F) << 2; }
int blue8(uint16_t p) { return (p & 0x1F) << 3; }

// A square grid of n x n quads over [x0, x0 + size] x [y0, y0 + size] in the
// plane z, facing +z, with the given extra fields.
std::string grid(float x0, float y0, float size, int n, const std::string& extra = "") {
    std::ostringstream s;
    s << "IndexedFaceSet { " << extra << " coord Coordinate { point [";
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) s << ' ' << x0 + size * i / n << ' ' << y0 + size * j / n << " 0,";
    s << "] } coordIndex [";
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const int a = j * (n + 1) + i;
            s << ' ' << a << ' ' << a + 1 << ' ' << a + n + 2 << ' ' << a + n + 1 << " -1";
        }
    s << "] }";
    return s.str();
}

std::string shape(const std::string& geometry, const std::string& material) {
    return "Shape { appearance Appearance { material " + material + " } geometry " + geometry + " }\n";
}

class FullSurfaceWorld : public ReaderTest {
protected:
    void TearDown() override {
        scene.reset();
        rasterizer.reset();
        target.reset();
        fullParser.reset();
        ReaderTest::TearDown();
    }

    // Reads the world with the full profile (headlight off unless `headlight`),
    // seen from (0, 0, 10), and draws one frame with lighting on.
    void draw(const std::string& world, bool headlight = false) {
        const std::string text = std::string("#VRML V2.0 utf8\n") +
                                 "Viewpoint { position 0 0 10 fieldOfView 0.785398 }\n" +
                                 "NavigationInfo { headlight " + (headlight ? "TRUE" : "FALSE") + " }\n" + world;
        const std::string path = scratch.write("world.wrl", text);
        fullParser = std::make_unique<VrmlParser>(createNodeFull, openStream);
        scene = loadWorld(*fullParser, widenText(path));
        ASSERT_NE(scene, nullptr);
        scene->profile = Profile::Full;
        scene->lighting = true;
        target = newBitmap(kSide, kSide, false);
        rasterizer = std::make_unique<Rasterizer>();
        rasterizer->attachTarget(target.get());
        scene->attachRasterizer(rasterizer.get());
        scene->initNodes();
        scene->startClock(0.0, 0);
        rasterizer->clearColor(0.0f, 0.0f, 0.0f);
        rasterizer->resetDepth();
        scene->updateAndDraw(0.0, 0);
        rasterizer->flush();
    }
    // The pixel showing the point (x, y, 0).
    uint16_t at(float x, float y) const {
        const int32_t px = static_cast<int32_t>(std::lround(80.0f + x * kPixelsPerUnit));
        const int32_t py = static_cast<int32_t>(std::lround(80.0f - y * kPixelsPerUnit));
        return target->pixels[py * kSide + px];
    }

    std::unique_ptr<VrmlParser> fullParser;
    std::unique_ptr<Scene> scene;
    std::unique_ptr<Rasterizer> rasterizer;
    OwnedBitmap target;
};

// --- fields and defaults ---

template <class Field>
const Field& fieldOf(const X3DNode* node, const char16_t* name) {
    const X3DField* field = node->findField(name);
    EXPECT_NE(field, nullptr) << "no field";
    return *static_cast<const Field*>(field);
}

TEST_F(FullSurfaceWorld, NewNodesHaveTheirFieldsAndDefaults) {
    struct Case {
        const char* text;
        int32_t type;
        std::function<void(const X3DNode*)> check;
    };
    auto vec = [](const Vec3f& v, float x, float y, float z) {
        EXPECT_FLOAT_EQ(v.x, x);
        EXPECT_FLOAT_EQ(v.y, y);
        EXPECT_FLOAT_EQ(v.z, z);
    };
    const Case cases[] = {
        {"PointLight { }", NodeType::PointLight,
         [&](const X3DNode* n) {
             const auto& l = static_cast<const nPointLight&>(*n);
             EXPECT_FLOAT_EQ(l.ambientIntensity.value, 0.0f);
             vec(l.attenuation.value, 1, 0, 0);
             EXPECT_FLOAT_EQ(l.color.value.g, 1.0f);
             EXPECT_FLOAT_EQ(l.intensity.value, 1.0f);
             vec(l.location.value, 0, 0, 0);
             EXPECT_TRUE(l.on.value);
             EXPECT_FLOAT_EQ(l.radius.value, 100.0f);
         }},
        {"PointLight { attenuation 0 1 0.5 location 1 2 3 radius 5 on FALSE color 1 0 0 }", NodeType::PointLight,
         [&](const X3DNode* n) {
             const auto& l = static_cast<const nPointLight&>(*n);
             vec(l.attenuation.value, 0, 1, 0.5f);
             vec(l.location.value, 1, 2, 3);
             EXPECT_FLOAT_EQ(l.radius.value, 5.0f);
             EXPECT_FALSE(l.on.value);
             EXPECT_FLOAT_EQ(l.color.value.g, 0.0f);
         }},
        {"SpotLight { }", NodeType::SpotLight,
         [&](const X3DNode* n) {
             const auto& l = static_cast<const nSpotLight&>(*n);
             vec(l.attenuation.value, 1, 0, 0);
             EXPECT_FLOAT_EQ(l.beamWidth.value, 1.570796f);
             EXPECT_FLOAT_EQ(l.cutOffAngle.value, 0.785398f);
             vec(l.direction.value, 0, 0, -1);
             vec(l.location.value, 0, 0, 0);
             EXPECT_FLOAT_EQ(l.radius.value, 100.0f);
             EXPECT_FLOAT_EQ(l.intensity.value, 1.0f);
         }},
        {"SpotLight { beamWidth 0.1 cutOffAngle 0.2 direction 1 0 0 }", NodeType::SpotLight,
         [&](const X3DNode* n) {
             const auto& l = static_cast<const nSpotLight&>(*n);
             EXPECT_FLOAT_EQ(l.beamWidth.value, 0.1f);
             EXPECT_FLOAT_EQ(l.cutOffAngle.value, 0.2f);
             vec(l.direction.value, 1, 0, 0);
         }},
        {"Material { }", NodeType::Material,
         [&](const X3DNode* n) {
             const auto* m = dynamic_cast<const nFullMaterial*>(n);
             ASSERT_NE(m, nullptr);
             EXPECT_FLOAT_EQ(m->shininess.value, 0.2f);
             EXPECT_FLOAT_EQ(m->specularColor.value.r, 0.0f);
             EXPECT_FLOAT_EQ(m->ambientIntensity.value, 0.2f);
             EXPECT_FLOAT_EQ(m->diffuseColor.value.r, 0.8f);
         }},
        {"Material { shininess 0.7 specularColor 0.1 0.2 0.3 }", NodeType::Material,
         [&](const X3DNode* n) {
             const auto& m = static_cast<const nFullMaterial&>(*n);
             EXPECT_FLOAT_EQ(m.shininess.value, 0.7f);
             EXPECT_FLOAT_EQ(m.specularColor.value.b, 0.3f);
         }},
        {"Normal { vector [ 0 0 1, 1 0 0 ] }", NodeType::Normal,
         [&](const X3DNode* n) {
             const auto& v = static_cast<const nNormal&>(*n).vector.value;
             ASSERT_EQ(v.count, 2);
             vec(v[1], 1, 0, 0);
         }},
        {"Color { color [ 1 0 0, 0 1 0, 0 0 1 ] }", NodeType::Color,
         [&](const X3DNode* n) {
             const auto& c = static_cast<const nColor&>(*n).color.value;
             ASSERT_EQ(c.count, 3);
             EXPECT_FLOAT_EQ(c[2].b, 1.0f);
         }},
        {"IndexedFaceSet { }", NodeType::IndexedFaceSet,
         [&](const X3DNode* n) {
             const auto* f = dynamic_cast<const nFullIndexedFaceSet*>(n);
             ASSERT_NE(f, nullptr);
             EXPECT_EQ(f->color.value, nullptr);
             EXPECT_EQ(f->colorIndex.value.count, 0);
             EXPECT_TRUE(f->colorPerVertex.value);
             EXPECT_EQ(f->normal.value, nullptr);
             EXPECT_EQ(f->normalIndexField.value.count, 0);
             EXPECT_TRUE(f->normalPerVertex.value);
             EXPECT_TRUE(f->convex.value);
             EXPECT_TRUE(f->solid.value);
             // The event names reach the fields by the lookup rule.
             EXPECT_EQ(n->findField(u"set_colorIndex"), &f->colorIndex);
             EXPECT_EQ(n->findField(u"set_normalIndex"), &f->normalIndexField);
         }},
        {"IndexedFaceSet { color Color { } colorIndex [ 2 1 ] colorPerVertex FALSE normal Normal { }"
         " normalIndex [ 4 ] normalPerVertex FALSE convex FALSE }",
         NodeType::IndexedFaceSet,
         [&](const X3DNode* n) {
             const auto& f = static_cast<const nFullIndexedFaceSet&>(*n);
             ASSERT_NE(f.color.value, nullptr);
             EXPECT_EQ(f.color.value->nodeType, NodeType::Color);
             EXPECT_EQ(f.colorIndex.value.count, 2);
             EXPECT_FALSE(f.colorPerVertex.value);
             ASSERT_NE(f.normal.value, nullptr);
             EXPECT_EQ(f.normal.value->nodeType, NodeType::Normal);
             EXPECT_EQ(f.normalIndexField.value[0], 4);
             EXPECT_FALSE(f.normalPerVertex.value);
             EXPECT_FALSE(f.convex.value);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        releaseNodeRegistry();
        VrmlParser reader(createNodeFull, openStream);
        const std::string path = scratch.write("node.wrl", std::string("#VRML V2.0 utf8\n") + c.text);
        std::unique_ptr<Scene> world = loadWorld(reader, widenText(path));
        ASSERT_NE(world, nullptr);
        const auto& top = static_cast<const X3DGroupingNode&>(*world->root).children.value;
        ASSERT_EQ(top.count, 1);
        EXPECT_EQ(top[0]->nodeType, c.type);
        c.check(top[0]);
    }
}

// The index rules: one entry per coordIndex entry, per vertex or per face,
// through the index list or without it.
TEST(FullSurfaceIndexes, CornersFollowTheIndexRules) {
    struct Case {
        const char* name;
        std::vector<int32_t> coordIndex, indexList;
        bool perVertex;
        std::vector<int32_t> expected;
        int32_t needed;
        bool usable, like;
    };
    const Case cases[] = {
        {"per vertex, no list", {0, 1, 2, -1, 2, 1, 3, -1}, {}, true, {0, 1, 2, -1, 2, 1, 3, -1}, 4, true, true},
        {"per vertex, a list", {0, 1, 2, -1}, {5, 6, 7, -1}, true, {5, 6, 7, -1}, 8, true, false},
        {"per vertex, short list", {0, 1, 2, -1}, {5, 6}, true, {5, 6, -1, -1}, 7, false, false},
        {"per face, no list", {0, 1, 2, -1, 2, 1, 3}, {}, false, {0, 0, 0, -1, 1, 1, 1}, 2, true, false},
        {"per face, a list", {0, 1, 2, -1, 2, 1, 3, -1}, {3, 1}, false, {3, 3, 3, -1, 1, 1, 1, -1}, 4, true, false},
        {"per face, short list", {0, 1, 2, -1, 2, 1, 3, -1}, {3}, false, {3, 3, 3, -1, -1, -1, -1, -1}, 4, false,
         false},
        {"empty faces keep their numbers", {-1, 0, 1, 2}, {}, false, {-1, 1, 1, 1}, 2, true, false},
        {"the largest index", {0, 1, 2, -1}, {2147483647, 0, 0}, true, {2147483647, 0, 0, -1}, 2147483647, true,
         false},
        {"a two-corner face needs nothing", {0, 1, -1, 0, 1, 2}, {-1, 4}, false, {-1, -1, -1, 4, 4, 4}, 5, true,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimpleArray<int32_t> coordIndex, indexList;
        for (int32_t v : c.coordIndex) coordIndex.append(v);
        for (int32_t v : c.indexList) indexList.append(v);
        CornerIndexes out;
        ASSERT_TRUE(resolveCorners(coordIndex, indexList, c.perVertex, out));
        EXPECT_EQ(std::vector<int32_t>(out.index.begin(), out.index.end()), c.expected);
        EXPECT_EQ(out.needed, c.needed);
        EXPECT_EQ(out.usable, c.usable);
        EXPECT_EQ(out.likeCoordIndex, c.like);
    }
}

// --- pixels ---

const std::string kWhiteMaterial = "Material { diffuseColor 1 1 1 ambientIntensity 0 }";

TEST_F(FullSurfaceWorld, APointLightLightsOnlyWhatIsWithinItsRadius) {
    draw("PointLight { location -2 0 1 radius 2 }\n" + shape(grid(-3, -1, 2, 4), kWhiteMaterial) +
         shape(grid(1, -1, 2, 4), kWhiteMaterial));
    EXPECT_GT(red8(at(-2, 0)), 200);  // inside: at distance 1, facing the light
    EXPECT_EQ(at(2, 0), 0);           // every corner beyond the radius
}

TEST_F(FullSurfaceWorld, PointLightAttenuation) {
    struct Case {
        const char* attenuation;
        float height;
        int red;  // at the point under the light, where N.L = 1
    };
    const Case cases[] = {
        {"1 0 0", 2, 248},      // no attenuation
        {"0 0 1", 2, 56},       // 1 / d^2 = 0.25 (63.75, 5-bit red)
        {"0 1 0", 4, 56},       // 1 / d
        {"0 0 0.01", 2, 248},   // held at 1: never brighter than the light
        {"0.5 0 0", 2, 248},    // likewise
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attenuation);
        draw("PointLight { location 0 0 " + std::to_string(c.height) + " attenuation " + c.attenuation + " }\n" +
             shape(grid(-0.05f, -0.05f, 0.1f, 1), kWhiteMaterial));
        EXPECT_NEAR(red8(at(0, 0)), c.red, 8);
        TearDown();
        releaseNodeRegistry();
    }
}

TEST_F(FullSurfaceWorld, SpotLightConeEdge) {
    // A spot 2 above the plane: full inside beamWidth 0.2 (0.41 across),
    // nothing from cutOffAngle 0.4 (0.85) on, half at the angle 0.3 (0.62).
    draw("SpotLight { location 0 0 2 direction 0 0 -1 beamWidth 0.2 cutOffAngle 0.4 }\n" +
         shape(grid(-2, -2, 4, 40), kWhiteMaterial));
    const int centre = red8(at(0, 0));
    EXPECT_GT(centre, 230);
    EXPECT_GT(red8(at(0.3f, 0)), 200);
    const int half = red8(at(0.62f, 0));
    EXPECT_GT(half, 70);
    EXPECT_LT(half, 170);
    EXPECT_EQ(at(1.0f, 0), 0);
    EXPECT_EQ(at(0, -1.2f), 0);
}

TEST_F(FullSurfaceWorld, MaterialTerms) {
    struct Case {
        const char* name;
        std::string light, material;
        int red, green;
        int tolerance;
    };
    const Case cases[] = {
        {"diffuse alone", "DirectionalLight { direction 0 0 -1 }",
         "Material { diffuseColor 0.5 0.5 0.5 ambientIntensity 0 }", 120, 124, 8},
        {"specular on top", "DirectionalLight { direction 0 0 -1 }",
         "Material { diffuseColor 0.5 0.5 0.5 specularColor 0.4 0.4 0.4 shininess 0.5 ambientIntensity 0 }", 224,
         228, 10},
        {"specular needs the light on the face", "DirectionalLight { direction 0 0 1 }",
         "Material { diffuseColor 0.5 0.5 0.5 specularColor 1 1 1 ambientIntensity 0 }", 0, 0, 0},
        {"ambient term", "DirectionalLight { direction 0 0 1 ambientIntensity 1 }",
         "Material { diffuseColor 1 0 0 ambientIntensity 0.5 }", 120, 0, 8},
        {"no ambient", "DirectionalLight { direction 0 0 1 ambientIntensity 0 }",
         "Material { diffuseColor 1 0 0 ambientIntensity 0.5 }", 0, 0, 0},
        {"light colour", "DirectionalLight { direction 0 0 -1 color 0 1 0 }",
         "Material { diffuseColor 1 1 1 ambientIntensity 0 }", 0, 252, 4},
        {"emissive", "DirectionalLight { direction 0 0 1 }",
         "Material { diffuseColor 1 1 1 emissiveColor 0.5 0 0 ambientIntensity 0 }", 120, 0, 8},
        {"black diffuse still lit", "DirectionalLight { direction 0 0 -1 }",
         "Material { diffuseColor 0 0 0 specularColor 1 1 1 ambientIntensity 0 }", 248, 252, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        draw(c.light + "\n" + shape(grid(-1, -1, 2, 2), c.material));
        EXPECT_NEAR(red8(at(0.2f, 0.2f)), c.red, c.tolerance);
        EXPECT_NEAR(green8(at(0.2f, 0.2f)), c.green, c.tolerance);
        TearDown();
        releaseNodeRegistry();
    }
}

TEST_F(FullSurfaceWorld, NormalNodesReplaceTheComputedNormals) {
    const std::string square = "coord Coordinate { point [ -1 -1 0, 1 -1 0, 1 1 0, -1 1 0 ] } coordIndex [ 0 1 2 3 -1 ]";
    struct Case {
        const char* name;
        std::string fields;
        bool bright;
    };
    const Case cases[] = {
        {"computed", "", true},
        {"given towards the light", "normal Normal { vector [ 0 0 1 ] } normalIndex [ 0 0 0 0 -1 ]", true},
        {"given across the light", "normal Normal { vector [ 1 0 0 ] } normalIndex [ 0 0 0 0 -1 ]", false},
        {"given away, one-sided", "normal Normal { vector [ 0 0 -1 ] } normalIndex [ 0 0 0 0 -1 ]", false},
        {"given away, two-sided", "solid FALSE normal Normal { vector [ 0 0 -1 ] } normalIndex [ 0 0 0 0 -1 ]",
         true},
        {"per face through normalIndex", "normal Normal { vector [ 1 0 0, 0 0 1 ] } normalPerVertex FALSE normalIndex [ 1 ]",
         true},
        {"per face, the other one", "normal Normal { vector [ 1 0 0, 0 0 1 ] } normalPerVertex FALSE normalIndex [ 0 ]",
         false},
        {"per vertex by coordIndex", "normal Normal { vector [ 1 0 0, 1 0 0, 1 0 0, 1 0 0 ] }", false},
        {"too few normals: computed instead", "normal Normal { vector [ 1 0 0 ] }", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        draw("DirectionalLight { direction 0 0 -1 }\n" +
             shape("IndexedFaceSet { " + square + " " + c.fields + " }", kWhiteMaterial));
        if (c.bright) EXPECT_GT(red8(at(0, 0)), 240);
        else EXPECT_EQ(at(0, 0), 0);
        TearDown();
        releaseNodeRegistry();
    }
}

TEST_F(FullSurfaceWorld, ColourNodesPerVertexAndPerFace) {
    // Two triangles of a square: the lower right (0 1 2) and the upper left (0 2 3).
    const std::string square = "coord Coordinate { point [ -1 -1 0, 1 -1 0, 1 1 0, -1 1 0 ] } "
                               "coordIndex [ 0 1 2 -1 0 2 3 -1 ]";
    const std::string colours = "color Color { color [ 1 0 0, 0 0 1 ] }";
    struct Case {
        const char* name;
        std::string fields;
        uint16_t lowerRight, upperLeft;
    };
    const Case cases[] = {
        {"per face", colours + " colorPerVertex FALSE", 0xF800, 0x001F},
        {"per face through colorIndex", colours + " colorPerVertex FALSE colorIndex [ 1 0 ]", 0x001F, 0xF800},
        {"per vertex through colorIndex", colours + " colorIndex [ 1 1 1 -1 0 0 0 -1 ]", 0x001F, 0xF800},
        {"too few colours: the material", "color Color { color [ 1 0 0 ] } colorPerVertex FALSE", 0xFFFF, 0xFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Unlit: no material, so the colours show as they are.
        draw("Shape { geometry IndexedFaceSet { " + square + " " + c.fields + " } }\n");
        for (float d : {0.2f, 0.5f, 0.8f}) {
            EXPECT_EQ(at(d, -d + 0.1f * d), c.lowerRight) << d;
            EXPECT_EQ(at(-d, d - 0.1f * d), c.upperLeft) << d;
        }
        TearDown();
        releaseNodeRegistry();
    }
}

TEST_F(FullSurfaceWorld, PerVertexColoursBlendLitAndUnlit) {
    const std::string triangle =
        "IndexedFaceSet { coord Coordinate { point [ -2 -2 0, 2 -2 0, 0 2 0 ] } coordIndex [ 0 1 2 -1 ]"
        " color Color { color [ 1 0 0, 0 1 0, 0 0 1 ] } }";
    for (const bool lit : {false, true}) {
        SCOPED_TRACE(lit ? "lit" : "unlit");
        draw(lit ? "DirectionalLight { direction 0 0 -1 }\n" + shape(triangle, "Material { ambientIntensity 0 }")
                 : "Shape { geometry " + triangle + " }\n");
        const uint16_t nearRed = at(-1.8f, -1.85f), nearGreen = at(1.8f, -1.85f), nearBlue = at(0, 1.7f);
        EXPECT_GT(red8(nearRed), 220);
        EXPECT_LT(green8(nearRed) + blue8(nearRed), 60);
        EXPECT_GT(green8(nearGreen), 220);
        EXPECT_GT(blue8(nearBlue), 200);
        const uint16_t centre = at(0, -0.67f);
        for (int channel : {red8(centre), green8(centre), blue8(centre)}) EXPECT_NEAR(channel, 85, 14);
        TearDown();
        releaseNodeRegistry();
    }
}

TEST_F(FullSurfaceWorld, AShapeWithoutMaterialIsWhiteAndOpaque) {
    draw("Shape { geometry " + grid(-1, -1, 2, 1) + " }\n"
         "Shape { appearance Appearance { } geometry " + grid(-3, -1, 1, 1) + " }\n");
    EXPECT_EQ(at(0, 0), 0xFFFF);
    EXPECT_EQ(at(-2.5f, 0), 0xFFFF);
    ASSERT_EQ(scene->opaqueList.count, 2);
    EXPECT_EQ(scene->transparentList.count, 0);
}

TEST_F(FullSurfaceWorld, FourLightsOfAnyKindThenTheHeadlight) {
    // Lights that reach nothing: point lights far away with a tiny radius.
    const std::string far = "PointLight { location 50 50 50 radius 0.1 }\n";
    const std::string shining = "DirectionalLight { direction 0 0 -1 }\n";
    struct Case {
        const char* name;
        std::string lights;
        bool headlight;
        bool bright;
    };
    const Case cases[] = {
        {"the shining light fifth", far + far + far + far + shining, false, false},
        {"the shining light fourth", far + far + far + shining + far, false, true},
        {"a spot light counts", "SpotLight { location 50 50 50 radius 0.1 }\n" + far + far + far + shining, false,
         false},
        {"an off light does not count", "PointLight { on FALSE }\n" + far + far + far + shining, false, true},
        {"the headlight on top of four", far + far + far + far, true, true},
        {"lights in a group count in traversal order", "Group { children [ " + far + far + " ] }\n" + far + far + shining,
         false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        draw(c.lights + shape(grid(-1, -1, 2, 1), kWhiteMaterial), c.headlight);
        if (c.bright) EXPECT_GT(red8(at(0, 0)), 240);
        else EXPECT_EQ(at(0, 0), 0);
        EXPECT_LE(scene->fullLighting.lights.count, c.headlight ? 5 : 4);
        TearDown();
        releaseNodeRegistry();
    }
}

TEST_F(FullSurfaceWorld, ADirectionalLightLightsOnlyWhatItsGroupHolds) {
    const std::string shining = "DirectionalLight { direction 0 0 -1 }\n";
    const std::string left = shape(grid(-3, -1, 2, 2), kWhiteMaterial);
    const std::string right = shape(grid(1, -1, 2, 2), kWhiteMaterial);
    struct Case {
        const char* name;
        std::string world;
        bool leftLit, rightLit;
    };
    const Case cases[] = {
        {"at the top it lights everything", shining + left + right, true, true},
        {"in a group, only that group", "Group { children [ " + shining + left + " ] }\n" + right, true, false},
        // Siblings drawn before the light are lit too; so are deeper groups.
        {"after the shape in its group", "Transform { children [ Group { children " + left + " } " + shining +
                                             " ] }\n" + right,
         true, false},
        {"in the other group", "Group { children " + left + " }\nGroup { children [ " + right + shining + " ] }\n",
         false, true},
        // Point lights are not held by their group.
        {"a point light reaches out of its group",
         "Group { children PointLight { location 2 0 3 radius 100 attenuation 1 0 0 } }\n" + right, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        draw(c.world);
        EXPECT_EQ(red8(at(-2, 0)) > 200, c.leftLit);
        EXPECT_EQ(red8(at(2, 0)) > 200, c.rightLit);
        TearDown();
        releaseNodeRegistry();
    }
}

TEST_F(FullSurfaceWorld, LightingOffShowsTheUnlitColours) {
    const std::string world = "DirectionalLight { direction 0 0 -1 }\n" +
                              shape(grid(-1, -1, 2, 1), "Material { diffuseColor 0 1 0 }");
    draw(world);
    const uint16_t lit = at(0, 0);
    scene->lighting = false;
    rasterizer->clearColor(0.0f, 0.0f, 0.0f);
    rasterizer->resetDepth();
    scene->updateAndDraw(0.0, 0);
    rasterizer->flush();
    EXPECT_EQ(at(0, 0), 0x07E0);  // the diffuse colour, as the core profile shows it unlit
    EXPECT_EQ(green8(lit), 252);
}

// Hostile values in lights, materials, normals and colours: the frame is
// drawn, and nothing lands outside the square's own pixels.
TEST_F(FullSurfaceWorld, HostileSurfaceValuesStayInsideTheShape) {
    const std::string square = "coord Coordinate { point [ -1 -1 0, 1 -1 0, 1 1 0, -1 1 0 ] } coordIndex [ 0 1 2 3 -1 ]";
    struct Case {
        const char* name;
        std::string lights, material, fields;
    };
    const Case cases[] = {
        {"huge point light", "PointLight { location 0 0 1e38 radius 1e38 attenuation 1e38 1e38 1e38 }",
         kWhiteMaterial, ""},
        {"infinite light", "PointLight { location 0 0 1e39 intensity 1e39 }", kWhiteMaterial, ""},
        {"spot with a negative cone", "SpotLight { location 0 0 1 beamWidth -1 cutOffAngle 0 }", kWhiteMaterial, ""},
        {"spot with equal angles", "SpotLight { location 0 0 1 beamWidth 0.5 cutOffAngle 0.5 }", kWhiteMaterial, ""},
        {"light inside the surface", "PointLight { location 0 0 0 attenuation 0 0 0 }", kWhiteMaterial, ""},
        {"scaled to nothing", "Transform { scale 0 0 0 children PointLight { location 0 0 1 } }", kWhiteMaterial, ""},
        {"negative shininess", "DirectionalLight { }",
         "Material { specularColor 1 1 1 shininess -5 diffuseColor -3 9 1e30 }", ""},
        {"infinite normals", "DirectionalLight { }", kWhiteMaterial,
         "normal Normal { vector [ 1e39 0 0, 0 0 0 ] } normalIndex [ 0 1 0 1 -1 ]"},
        {"normal indexes out of range", "DirectionalLight { }", kWhiteMaterial,
         "normal Normal { vector [ 0 0 1 ] } normalIndex [ -7 99999999 0 0 -1 ]"},
        {"colour indexes out of range", "DirectionalLight { }", kWhiteMaterial,
         "color Color { color [ 1 0 0 ] } colorIndex [ 2147483647 -5 0 0 -1 ]"},
        {"infinite colours", "DirectionalLight { }", kWhiteMaterial,
         "color Color { color [ 1e39 0 0, 0 -1e39 0, 1 1 1, 0 0 0 ] }"},
        {"per-face colours for one face of many", "DirectionalLight { }", kWhiteMaterial,
         "color Color { color [ 1 0 0 ] } colorPerVertex FALSE colorIndex [ 0 5 ]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        draw(c.lights + "\n" + shape("IndexedFaceSet { " + square + " " + c.fields + " }", c.material), true);
        int outside = 0;
        for (int32_t y = 0; y < kSide; ++y)
            for (int32_t x = 0; x < kSide; ++x) {
                const float wx = (static_cast<float>(x) - 80.0f) / kPixelsPerUnit;
                const float wy = (80.0f - static_cast<float>(y)) / kPixelsPerUnit;
                if (std::fabs(wx) > 1.1f || std::fabs(wy) > 1.1f) outside += target->pixels[y * kSide + x] != 0;
            }
        EXPECT_EQ(outside, 0);
        TearDown();
        releaseNodeRegistry();
    }
}

}  // namespace
