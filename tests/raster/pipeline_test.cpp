// Faces, culling and clipping: what reaches the scan converter, pinned by the
// pixels it covers and by the clipper's pool.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "raster_fixture.h"

namespace {

using namespace raster_test;

// Integer ceiling of a / b for b > 0.
int ceilDiv(int a, int b) { return a >= 0 ? (a + b - 1) / b : -((-a) / b); }

TEST(RasterPipeline, RejectsBeforeClippingAndClipsBothSides) {
    Canvas c(16, 16);
    c.r.beginSurface(flatSurface(1, 1, 1));

    // All three left of the screen: rejected on the outcodes alone, the
    // clipper never runs (its pool count is not even reset).
    RasterVertex l0 = screenVertex(c.r, -5, 2), l1 = screenVertex(c.r, -1, 8), l2 = screenVertex(c.r, -3, 14);
    ASSERT_EQ(l0.outcode & l1.outcode & l2.outcode, kOutLeft);
    c.r.clipPoolUsed = 7;
    c.r.drawTriangle(&l0, &l1, &l2);
    EXPECT_EQ(c.r.clipPoolUsed, 7);
    EXPECT_EQ(c.covered(), 0);

    // One vertex left, one right: the left and the right stage each make two
    // vertices; what is drawn is exactly the on-screen part of the triangle.
    RasterVertex a = screenVertex(c.r, -8, 2), b = screenVertex(c.r, 8, 14), d = screenVertex(c.r, 24, 2);
    EXPECT_EQ(a.outcode, kOutLeft);
    EXPECT_EQ(d.outcode, kOutRight);
    c.r.drawTriangle(&a, &b, &d);
    EXPECT_EQ(c.r.clipPoolUsed, 4);
    std::vector<std::string> expected(16, std::string(16, '.'));
    for (int y = 2; y < 14; ++y) {
        // Left side x = -8 + 4(y - 2)/3, right side x = 24 - 4(y - 2)/3.
        const int from = std::max(0, ceilDiv(-24 + 4 * (y - 2), 3));
        const int to = std::min(16, ceilDiv(72 - 4 * (y - 2), 3));
        for (int x = from; x < to; ++x) expected[y][x] = '#';
    }
    EXPECT_EQ(c.picture(), expected);
    EXPECT_EQ(c.picture(), referenceTriangle(16, 16, -8, 2, 8, 14, 24, 2));
    EXPECT_EQ(c.r.counters.clipOverflows, 0u);
}

TEST(RasterPipeline, NearPlaneMakesQuadOrTriangle) {
    Canvas c(64, 64);
    c.r.focal = -32.0f;  // the scene side sets these before drawing
    c.r.near = 1.0f;
    c.r.beginSurface(flatSurface(1, 1, 1));

    // Two vertices in front (perspective 16), one behind the near plane: a
    // quadrilateral whose new vertices lie on z = -near, perspective 32.
    RasterVertex a = cameraVertex(c.r, 0, 0, -2), b = cameraVertex(c.r, 1, 0, -2);
    RasterVertex behind = cameraVertex(c.r, 0, -0.5f, 0);
    ASSERT_EQ(a.outcode, 0);
    ASSERT_EQ(behind.outcode, kOutNear);
    c.r.drawTriangle(&a, &behind, &b);
    ASSERT_EQ(c.r.clipPoolUsed, 2);
    const RasterVertex& n1 = c.r.clipPool[0];
    const RasterVertex& n2 = c.r.clipPool[1];
    for (const RasterVertex* v : {&n1, &n2}) {
        EXPECT_EQ(v->z, -1.0f);
        EXPECT_EQ(v->perspective, 32.0f);  // focal / -near
        EXPECT_EQ(v->sx, c.r.halfWidth + v->x * 32.0f);
        EXPECT_EQ(v->sy, c.r.halfHeight - v->y * 32.0f);
    }
    EXPECT_EQ(n1.sx, 32.0f);
    EXPECT_EQ(n1.sy, 40.0f);
    EXPECT_EQ(n2.sx, 48.0f);
    EXPECT_EQ(n2.sy, 40.0f);
    // The quad (32, 32) - (48, 40).
    std::vector<std::string> quad(64, std::string(64, '.'));
    for (int y = 32; y < 40; ++y)
        for (int x = 32; x < 48; ++x) quad[y][x] = '#';
    EXPECT_EQ(c.picture(), quad);
    EXPECT_EQ(c.depthAt(32, 32), 4096u);  // 65536 / perspective 16

    // One vertex in front: a triangle, again with two new vertices.
    c.clear();
    RasterVertex b2 = cameraVertex(c.r, 0.5f, 0, 0), c2 = cameraVertex(c.r, 0, -0.5f, 0);
    c.r.drawTriangle(&a, &c2, &b2);
    ASSERT_EQ(c.r.clipPoolUsed, 2);
    EXPECT_EQ(c.r.clipPool[0].sx, 40.0f);
    EXPECT_EQ(c.r.clipPool[0].sy, 32.0f);
    EXPECT_EQ(c.r.clipPool[1].sx, 32.0f);
    EXPECT_EQ(c.r.clipPool[1].sy, 40.0f);
    EXPECT_EQ(c.r.clipPool[0].perspective, 32.0f);
    EXPECT_EQ(c.r.clipPool[1].z, -1.0f);
    EXPECT_EQ(c.picture(), referenceTriangle(64, 64, 40, 32, 32, 32, 32, 40));
    EXPECT_EQ(c.covered(), 36);
}

// A dart a b c d whose reflex corner d lies inside triangle a b c.
struct Dart {
    std::vector<RasterVertex> vertices;
    explicit Dart(const Rasterizer& r) {
        vertices = {screenVertex(r, 2, 2), screenVertex(r, 2, 14), screenVertex(r, 14, 14), screenVertex(r, 8, 10)};
    }
};

void drawFaces(Canvas& c, std::vector<RasterVertex>& vertices, const std::vector<int32_t>& coordIndex,
               bool ccw = true, bool twoSided = false, const SurfaceState& surface = flatSurface(1, 1, 1)) {
    c.r.drawIndexedFaces(surface, vertices, {}, coordIndex, {}, {}, {}, ccw, twoSided);
}

TEST(RasterPipeline, FansCullsAndReversesFaces) {
    Canvas c(16, 16);
    const auto abc = referenceTriangle(16, 16, 2, 2, 2, 14, 14, 14);
    const auto acd = referenceTriangle(16, 16, 2, 2, 8, 10, 14, 14);  // reversed (a d c)

    // (a b c d -1) is drawn as (a b c) and (a c d). (a c d) runs clockwise as
    // seen, so solid culls it: exactly triangle a b c shows, where any other
    // split of the dart would leave the notch at d empty.
    Dart dart(c.r);
    drawFaces(c, dart.vertices, {0, 1, 2, 3, -1});
    EXPECT_EQ(c.picture(), abc);
    EXPECT_EQ(c.covered(), 66);

    // ccw FALSE: the front is the clockwise side, so only (a c d) shows,
    // handed over reversed.
    c.clear();
    drawFaces(c, dart.vertices, {0, 1, 2, 3, -1}, false);
    EXPECT_EQ(c.picture(), acd);

    // Not solid: both, (a c d) reversed. Half-transparent white shows where
    // the two overlap, because transparent pixels do not write depth.
    c.clear(0);
    SurfaceState glass = flatSurface(1, 1, 1);
    glass.transparency = 0.5f;
    drawFaces(c, dart.vertices, {0, 1, 2, 3, -1}, true, true, glass);
    const uint16_t once = c.pixel(2, 3);
    const uint16_t twice = c.pixel(9, 10);  // inside a c d
    EXPECT_NE(once, 0);
    EXPECT_NE(twice, once);
    int overlap = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            if (abc[y][x] == '#' && acd[y][x] == '#') {
                EXPECT_EQ(c.pixel(x, y), twice);
                ++overlap;
            } else if (abc[y][x] == '#') {
                EXPECT_EQ(c.pixel(x, y), once);
            }
        }
    EXPECT_EQ(overlap, countMarks(acd));

    // Clockwise as seen (a c b): solid with ccw TRUE culls it, ccw FALSE and
    // two-sided draw it.
    c.clear();
    drawFaces(c, dart.vertices, {0, 2, 1, -1});
    EXPECT_EQ(c.covered(), 0);
    drawFaces(c, dart.vertices, {0, 2, 1, -1}, false);
    EXPECT_EQ(c.picture(), abc);
    c.clear();
    drawFaces(c, dart.vertices, {0, 2, 1, -1}, true, true);
    EXPECT_EQ(c.picture(), abc);
}

TEST(RasterPipeline, WalksFacesOfAnyLength) {
    Canvas c(16, 16);
    std::vector<RasterVertex> v = {screenVertex(c.r, 0, 0),  screenVertex(c.r, 0, 8), screenVertex(c.r, 8, 0),
                                   screenVertex(c.r, 8, 8),  screenVertex(c.r, 8, 16), screenVertex(c.r, 16, 8),
                                   screenVertex(c.r, 16, 16)};
    auto first = referenceTriangle(16, 16, 0, 0, 0, 8, 8, 0);
    auto both = referenceTriangle(16, 16, 8, 8, 8, 16, 16, 8, first);

    // The last face has no final -1.
    drawFaces(c, v, {0, 1, 2, -1, 3, 4, 5});
    EXPECT_EQ(c.picture(), both);

    // Empty, one- and two-corner faces are skipped without disturbing the next.
    const std::vector<std::vector<int32_t>> lists = {
        {-1, 0, 1, 2, -1, 3, 4, 5, -1},
        {6, -1, 0, 1, 2, -1, 6, 5, -1, 3, 4, 5, -1},
        {0, 1, 2, -1, -1, -1, 3, 4, 5},
        {0, 1, 2, -1, 3, 4, 5, -1, 6, 5},  // ends in a two-corner face
        {0, 1, 2, -1, 3, 4, 5, -1, 6},
    };
    for (const auto& list : lists) {
        c.clear();
        drawFaces(c, v, list);
        EXPECT_EQ(c.picture(), both) << "list of " << list.size();
    }
    c.clear();
    drawFaces(c, v, {0, 1, -1, 2});
    drawFaces(c, v, {});
    drawFaces(c, v, {-1});
    EXPECT_EQ(c.covered(), 0);
}

TEST(RasterPipeline, FacesNamingMissingEntriesAreRefused) {
    Canvas c(16, 16);
    std::vector<RasterVertex> v = {screenVertex(c.r, 0, 0), screenVertex(c.r, 0, 8), screenVertex(c.r, 8, 0),
                                   screenVertex(c.r, 8, 8), screenVertex(c.r, 8, 16), screenVertex(c.r, 16, 8)};
    auto first = referenceTriangle(16, 16, 0, 0, 0, 8, 8, 0);
    auto both = referenceTriangle(16, 16, 8, 8, 8, 16, 16, 8, first);
    const uint32_t before = c.r.counters.facesRefused;

    // Vertex indices past the end or negative (other than the -1 separator).
    drawFaces(c, v, {0, 1, 2, -1, 0, 1, 6, -1, 3, 4, 5, -1, -2, 1, 2, -1, 3, 4, 5, 2147483647, -1});
    EXPECT_EQ(c.picture(), both);
    EXPECT_EQ(c.r.counters.facesRefused - before, 3u);

    // Texture indices: past the points, or a texCoordIndex too short for a face.
    Bitmap* texture = newBitmap(32, 32, false).release();
    fillBitmap(texture, kWhite);
    TextureEntry entry{texture, u"white"};
    SurfaceState textured = flatSurface(0, 0, 0);
    textured.textured = 1;
    textured.texture = &entry;
    const std::vector<Vec2f> points = {{0, 0}, {1, 0}, {0, 1}};
    const std::vector<int32_t> coords = {0, 1, 2, -1, 3, 4, 5, -1, 0, 1, 2, -1};
    c.clear();
    c.r.drawIndexedFaces(textured, v, {}, coords, points, std::vector<int32_t>{0, 1, 2, -1, 0, 3, 1, -1, 0, 1, 2, -1},
                         {}, true, false);
    EXPECT_EQ(c.picture(), first);
    c.clear();
    c.r.drawIndexedFaces(textured, v, {}, coords, points, std::vector<int32_t>{0, 1, 2, -1, 0, 1, 2, -1, 0, 1},
                         {}, true, false);
    EXPECT_EQ(c.picture(), both);

    // Shade indices past the shades, or a shadeIndex too short.
    SurfaceState lit = flatSurface(0, 0, 0);
    lit.lit = 1;
    const std::vector<ShadeEntry> shades = {{0, 0, 1, 1.0f}, {0, 0, 1, 1.0f}};
    c.clear();
    c.r.drawIndexedFaces(lit, v, shades, coords, {}, {}, std::vector<int32_t>{0, 1, 0, -1, 1, 2, 1, -1}, true,
                         false);
    EXPECT_EQ(c.picture(), first);
    // Without a shadeIndex the coordIndex names the shades: vertex 3 has none.
    c.clear();
    c.r.drawIndexedFaces(lit, v, shades, coords, {}, {}, {}, true, false);
    EXPECT_EQ(c.covered(), 0);
    releaseBitmap(texture);
    delete texture;
}

TEST(RasterPipeline, CornersCarryTheirOwnFaceValues) {
    // Two faces share vertices 0 and 2 but name different shades for them:
    // each triangle is drawn with the values loaded for its own corners.
    Canvas c(16, 16);
    std::vector<RasterVertex> v = {screenVertex(c.r, 0, 0), screenVertex(c.r, 0, 16), screenVertex(c.r, 16, 0),
                                   screenVertex(c.r, 16, 16)};
    SurfaceState lit = flatSurface(0, 0, 0);
    lit.lit = 1;
    const std::vector<ShadeEntry> shades = {{0, 0, 1, 0.0f}, {0, 0, 1, 1.0f}};
    c.r.drawIndexedFaces(lit, v, shades, std::vector<int32_t>{0, 1, 2, -1, 2, 1, 3, -1}, {}, {},
                         std::vector<int32_t>{0, 0, 0, -1, 1, 1, 1, -1}, true, false);
    EXPECT_EQ(c.pixel(1, 1), 0x0000);  // upper-left triangle: shade 0
    EXPECT_EQ(c.pixel(14, 14), kWhite);  // lower-right triangle: diffuse white x 1
    EXPECT_EQ(c.covered(), 256);
}

// A small deterministic generator (no dependence on the library's distributions).
struct Lcg {
    uint32_t state;
    float next(float lo, float hi) {
        state = state * 1664525u + 1013904223u;
        return lo + (hi - lo) * static_cast<float>(state >> 8) / 16777216.0f;
    }
};

TEST(RasterPipeline, ClippingStaysWithinListsAndPool) {
    // Triangles that cross the near plane and stick out of every screen edge:
    // each stage adds at most one vertex and takes at most two pool records,
    // so a triangle never takes more than 10 of the 21.
    Canvas c(32, 32);
    c.r.beginSurface(flatSurface(1, 1, 1));
    Lcg random{12345};
    int most = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        RasterVertex p[3];
        for (RasterVertex& v : p) v = cameraVertex(c.r, random.next(-6, 6), random.next(-6, 6), random.next(-4, 0.5f));
        c.r.drawTriangle(&p[0], &p[1], &p[2]);
        ASSERT_LE(c.r.clipPoolUsed, 10);
        most = std::max(most, c.r.clipPoolUsed);
    }
    EXPECT_EQ(most, 10);
    EXPECT_EQ(c.r.counters.clipOverflows, 0u);
    EXPECT_EQ(c.r.counters.trianglesInvalid, 0u);
}

}  // namespace
