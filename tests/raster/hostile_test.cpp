// Hostile input: NaN, infinities and huge coordinates, outcodes that lie,
// surfaces with values out of range, and a missing weight table. Nothing may
// crash or write outside the target (the sanitizer build checks the writes).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "raster_fixture.h"

namespace {

using namespace raster_test;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

RasterVertex at(float sx, float sy, float perspective = 1.0f) {
    RasterVertex v;
    v.sx = sx;
    v.sy = sy;
    v.perspective = perspective;
    v.z = -10.0f;
    return v;
}

TEST(RasterHostile, NonFiniteAndHugeScreenValuesAreRefused) {
    Canvas c(16, 16);
    SurfaceState lit = flatSurface(0.5f, 0.5f, 0.5f);
    lit.lit = 1;
    c.r.beginSurface(lit);
    struct Case {
        RasterVertex a, b, d;
    };
    auto with = [](RasterVertex v, float shade) {
        v.shade = shade;
        return v;
    };
    // Each lies inside the target by its outcodes (all 0) but cannot be drawn.
    const Case cases[] = {
        {at(kNaN, 2), at(2, 14), at(14, 8)},
        {at(2, kNaN), at(2, 14), at(14, 8)},
        {at(2, 2), at(kInf, 14), at(14, 8)},
        {at(2, 2), at(2, 14), at(14, -kInf)},
        {at(2, 2), at(2, 1e30f), at(14, 8)},
        {at(-1e30f, 2), at(2, 14), at(14, 8)},
        {at(2, 2), at(2, 14), at(40, 8)},    // right of the target
        {at(2, -3), at(2, 14), at(14, 8)},   // above it
        {at(2, 2, kNaN), at(2, 14), at(14, 8)},
        {at(2, 2, kInf), at(2, 14), at(14, 8)},
        {at(2, 2, 0.0f), at(2, 14), at(14, 8)},
        {at(2, 2, -1.0f), at(2, 14), at(14, 8)},
        {with(at(2, 2), kNaN), at(2, 14), at(14, 8)},
        {with(at(2, 2), kInf), at(2, 14), at(14, 8)},
    };
    const uint32_t before = c.r.counters.trianglesInvalid;
    for (Case k : cases) c.r.drawTriangle(&k.a, &k.b, &k.d);
    EXPECT_EQ(c.covered(), 0);
    EXPECT_EQ(c.r.counters.trianglesInvalid - before, std::size(cases));

    // A huge but finite shade saturates: 127 + 127 x shade clamps to 255.
    RasterVertex a = with(at(2, 2), 1e30f), b = with(at(2, 14), 1e30f), d = with(at(14, 8), 1e30f);
    c.r.drawTriangle(&a, &b, &d);
    EXPECT_EQ(c.pixel(4, 8), kWhite);
    // Extreme perspective values: whatever depth they give, no crash.
    a = with(at(2, 2, 1e-30f), 1e30f);
    b = with(at(2, 14, 3e38f), -1e30f);
    d = with(at(14, 8, 1e20f), 0);
    c.r.drawTriangle(&a, &b, &d);
}

// Values the fuzzer picks from: the nasty ones and a few ordinary ones.
constexpr float kPool[] = {kNaN, kInf, -kInf, 1e30f, -1e30f, 3.4e38f, -3.4e38f, 1e-30f, -1e-38f, 0.0f, -0.0f,
                           -0.5f, 1.0f, 7.3f, 15.99f, 16.0f, 16.01f, 17.0f, -1.0f, 2.5f, 1e9f, -1e9f, 65536.0f};

struct Lcg {
    uint32_t state;
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    float pick() { return kPool[next() % std::size(kPool)]; }
};

TEST(RasterHostile, FuzzedVerticesNeverWriteOutside) {
    // An odd-sized target; the sanitizer build traps any stray write.
    Canvas c(17, 13);
    Bitmap* texture = newBitmap(64, 64, false).release();
    fillBitmap(texture, 0x5555);
    TextureEntry entry{texture, u"t"};
    SurfaceState surfaces[4];
    surfaces[0] = flatSurface(1, 0, 0);
    surfaces[1] = flatSurface(0, 1, 0);
    surfaces[1].lit = 1;
    surfaces[1].transparency = 0.3f;
    surfaces[2] = surfaces[1];
    surfaces[2].textured = 1;
    surfaces[2].texture = &entry;
    surfaces[3] = surfaces[2];
    surfaces[3].transparency = 0;
    const int32_t codes[] = {0, 0, 0, kOutNear, kOutLeft, kOutRight | kOutBottom, kOutFar, 63};

    Lcg random{99};
    std::vector<RasterVertex> vertices(6);
    std::vector<ShadeEntry> shades(6);
    std::vector<Vec2f> points(6);
    for (int round = 0; round < 4000; ++round) {
        for (size_t k = 0; k < vertices.size(); ++k) {
            RasterVertex& v = vertices[k];
            // Mostly sane screen positions with one hostile field, sometimes all hostile.
            const bool wild = random.next() % 4 == 0;
            v.sx = wild ? random.pick() : static_cast<float>(random.next() % 18);
            v.sy = wild ? random.pick() : static_cast<float>(random.next() % 14);
            v.perspective = random.next() % 3 == 0 ? random.pick() : 1.0f;
            v.x = random.pick();
            v.y = random.pick();
            v.z = random.next() % 2 ? random.pick() : -2.0f;
            v.outcode = random.next() % 3 ? outcodeOf(c.r, v) : codes[random.next() % std::size(codes)];
            shades[k].intensity = random.pick();
            points[k] = {random.pick(), random.pick()};
        }
        const SurfaceState& surface = surfaces[round % 4];
        const std::vector<int32_t> coordIndex = {0, 1, 2, 3, -1, 4, 5, 0, -1, 5, 4, 3, 2, 1};
        c.r.focal = round % 7 == 0 ? random.pick() : -8.0f;
        c.r.drawIndexedFaces(surface, vertices, shades, coordIndex, points, {}, {}, round % 2 == 0, round % 3 == 0);
        c.r.drawTriangle(&vertices[0], &vertices[2], &vertices[4]);
        if (round % 50 == 0) c.clear();
    }
    c.r.focal = -8.0f;
    SUCCEED() << c.r.counters.trianglesInvalid << " invalid, " << c.r.counters.trianglesDegenerate
              << " degenerate triangles refused";
    EXPECT_EQ(c.r.counters.clipOverflows, 0u);
    releaseBitmap(texture);
    delete texture;
}

TEST(RasterHostile, SurfaceValuesOutOfRangeAreHeldToRange) {
    Rasterizer r;
    SurfaceState s;
    s.transparency = kNaN;
    r.beginSurface(s);
    EXPECT_EQ(r.opaqueMode, 1);
    EXPECT_EQ(r.oldWeightRow, 0);
    EXPECT_EQ(r.newWeightRow, 255 * 256);
    s.transparency = 7.0f;
    r.beginSurface(s);
    EXPECT_EQ(r.opaqueMode, 0);
    EXPECT_EQ(r.oldWeightRow, 255 * 256);
    EXPECT_EQ(r.newWeightRow, 0);
    s.transparency = -2.0f;
    r.beginSurface(s);
    EXPECT_EQ(r.opaqueMode, 1);
    EXPECT_EQ(r.newWeightRow, 255 * 256);

    s.diffuse[0] = 5.0f;
    s.diffuse[1] = kNaN;
    s.diffuse[2] = -kInf;
    s.emissive[0] = 1.5f;
    s.emissive[1] = -3.0f;
    s.emissive[2] = 0.5f;
    r.beginSurface(s);
    EXPECT_EQ(r.diffuseR, 255);
    EXPECT_EQ(r.diffuseG, 0);
    EXPECT_EQ(r.diffuseB, 0);
    EXPECT_EQ(r.emissiveR, 255);
    EXPECT_EQ(r.emissiveG, 0);
    EXPECT_EQ(r.emissiveB, 127);
    EXPECT_EQ(r.emissivePixel, packRgb565(1, 0, 0.5f));

    // A texture entry without a usable bitmap switches texturing off.
    TextureEntry empty{nullptr, u"none"};
    Bitmap noPixels;
    noPixels.width = noPixels.height = 64;
    TextureEntry hollow{&noPixels, u"hollow"};
    s.textured = 1;
    for (const TextureEntry* entry : {&empty, &hollow}) {
        s.texture = entry;
        r.beginSurface(s);
        EXPECT_EQ(r.textureMode, 0);
    }
    // The four usable sizes.
    for (int size : {32, 64, 128, 256}) {
        OwnedBitmap square = newBitmap(size, size, false);
        TextureEntry e{square.get(), u"square"};
        s.texture = &e;
        r.beginSurface(s);
        EXPECT_EQ(r.textureMode, 1);
        EXPECT_EQ(r.texMask, (size - 1) << 16);
        EXPECT_EQ(r.texRowShift + static_cast<int>(std::log2(size)), 16);
        EXPECT_EQ(r.texScaleU, static_cast<float>(size - 1));
        EXPECT_EQ(r.textureBitmap, square.get());
    }
    // textured flag clear: the texture is ignored.
    s.textured = 0;
    r.beginSurface(s);
    EXPECT_EQ(r.textureMode, 0);
}

TEST(RasterHostile, MissingWeightTableOrTargetDrawsSafely) {
    Canvas c(16, 16);
    int32_t* table = c.r.weightTable;
    c.r.weightTable = nullptr;  // as if its allocation had failed
    SurfaceState glass = flatSurface(1, 1, 1);
    glass.transparency = 0.5f;
    std::vector<RasterVertex> v = {screenVertex(c.r, 0, 0), screenVertex(c.r, 0, 16), screenVertex(c.r, 16, 0)};
    const std::vector<int32_t> face = {0, 1, 2, -1};
    c.r.drawIndexedFaces(glass, v, {}, face, {}, {}, {}, true, false);
    EXPECT_EQ(c.covered(), 0);
    c.r.drawIndexedFaces(flatSurface(1, 1, 1), v, {}, face, {}, {}, {}, true, false);
    EXPECT_GT(c.covered(), 0);
    c.r.weightTable = table;

    // A rasterizer without a target draws nothing and does not crash.
    Rasterizer idle;
    std::vector<RasterVertex> w = {at(0, 0), at(0, 16), at(16, 0)};
    idle.drawIndexedFaces(flatSurface(1, 1, 1), w, {}, face, {}, {}, {}, true, true);
    idle.drawTriangle(&w[0], &w[1], &w[2]);
    RasterVertex* polygon[3] = {&w[0], &w[1], &w[2]};
    idle.scanTriangle(polygon, 3);
    idle.fillSpan();
    idle.fillSpanTextured();
    EXPECT_EQ(idle.targetPixels, nullptr);
}

}  // namespace
