// The whole-triangle depth reject. The bound it compares with must never
// exceed a depth the triangle's spans actually compute, whatever its shape;
// and drawing with the reject must leave the same pixels and depths as the
// reference scan, which walks every triangle, also when a single stored
// depth anywhere under a triangle lets one of its pixels through.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "raster_fixture.h"
#include "reference_filler.h"
#include "seeded_random.h"
#include "raster/hidden_triangle.h"
#include "raster/scan_convert.h"
#include "raster/triangle_setup.h"

namespace {

using namespace raster_test;

constexpr int32_t kWidth = 160;
constexpr int32_t kHeight = 120;

// A counter-clockwise triangle of three screen vertices at the depths given.
struct Triangle {
    RasterVertex v[3];
    RasterVertex* order[3];
    Triangle(const Rasterizer& r, const float (&x)[3], const float (&y)[3], const float (&z)[3]) {
        for (int k = 0; k < 3; ++k) v[k] = screenVertex(r, x[k], y[k], z[k]);
        const float area = (v[1].sx - v[0].sx) * (v[2].sy - v[0].sy) - (v[2].sx - v[0].sx) * (v[1].sy - v[0].sy);
        order[0] = &v[0];
        order[1] = area < 0.0f ? &v[1] : &v[2];
        order[2] = area < 0.0f ? &v[2] : &v[1];
    }
    raster::SnappedVertex snapped(int k) const { return raster::snapVertex(*order[k]); }
};

// A random triangle over the canvas: fat or a sliver, its corners at depths
// within a chosen ratio of each other.
Triangle randomTriangle(const Rasterizer& r, Random& random) {
    const int shape = random.below(4);
    float x[3], y[3], z[3];
    const float cx = random.uniform(0.0f, kWidth), cy = random.uniform(0.0f, kHeight);
    const float spread = random.uniform(20.0f, 200.0f);
    for (int k = 0; k < 3; ++k) {
        x[k] = std::clamp(cx + random.uniform(-spread, spread), 0.0f, static_cast<float>(kWidth));
        y[k] = std::clamp(cy + random.uniform(-spread, spread), 0.0f, static_cast<float>(kHeight));
    }
    if (shape == 0) {  // a sliver: the third corner close to the line of the first two
        const float t = random.uniform(0.1f, 0.9f);
        x[2] = std::clamp(x[0] + t * (x[1] - x[0]) + random.uniform(-1.5f, 1.5f), 0.0f, static_cast<float>(kWidth));
        y[2] = std::clamp(y[0] + t * (y[1] - y[0]) + random.uniform(-1.5f, 1.5f), 0.0f, static_cast<float>(kHeight));
    }
    const float ratios[] = {1.2f, 8.0f, 60.0f, 300.0f};
    const float nearest = -random.uniform(1.5f, 400.0f);
    for (float& depth : z) depth = nearest * random.uniform(1.0f, ratios[random.below(4)]);
    return Triangle(r, x, y, z);
}

TEST(HiddenTriangle, TheBoundNeverExceedsADepthTheTriangleDraws) {
    Random random(8811);
    Canvas c(kWidth, kHeight);
    c.r.beginSurface(flatSurface(1.0f, 1.0f, 1.0f));
    int tried = 0, bounded = 0, tight = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        Triangle tri = randomTriangle(c.r, random);
        const raster::SnappedVertex t[3] = {tri.snapped(0), tri.snapped(1), tri.snapped(2)};
        const int64_t area = raster::snappedArea(t);
        if (area == 0) continue;
        // The depths the walk stores on an empty buffer, pixel by pixel.
        c.clear();
        referenceScan(c.r, tri.order, 3, c.bitmap->pixels, c.r.depth);
        uint32_t nearest = 0xFFFFFFFFu;
        for (int32_t i = 0; i < kWidth * kHeight; ++i) nearest = std::min(nearest, c.r.depth[i]);
        if (nearest == 0xFFFFFFFFu) continue;  // no pixel centre
        ++tried;
        const uint32_t bound = raster::nearestDepthBound(t, area);
        if (bound == 0) continue;
        ++bounded;
        ASSERT_LE(bound, nearest) << "trial " << trial;
        tight += bound >= nearest / 10 * 8;
    }
    EXPECT_GT(tried, 2000);
    // Most triangles get a bound, most of them close enough to reject with
    // (the nearest pixel centre may lie well inside from the nearest corner).
    EXPECT_GT(bounded, tried / 2);
    EXPECT_GT(tight, bounded / 2);
}

TEST(HiddenTriangle, RefusedShapesAndDepths) {
    Canvas c(kWidth, kHeight);
    auto boundOf = [&](const float (&x)[3], const float (&y)[3], const float (&z)[3]) {
        Triangle tri(c.r, x, y, z);
        const raster::SnappedVertex t[3] = {tri.snapped(0), tri.snapped(1), tri.snapped(2)};
        return raster::nearestDepthBound(t, raster::snappedArea(t));
    };
    const float x[3] = {10.0f, 150.0f, 20.0f}, y[3] = {10.0f, 20.0f, 110.0f};
    const float level[3] = {-10.0f, -10.0f, -10.0f};
    // 65536 / (1.125 x the perspective) - 4, the perspective focal / z.
    const double perspective = c.r.focal / -10.0f;
    EXPECT_EQ(boundOf(x, y, level), static_cast<uint32_t>(65536.0 / (perspective * 1.125) - 4.0));
    // Depths beyond 64 times each other, or too far for 16.16 with room
    // for a block's steps, or a perspective that is not a number.
    EXPECT_EQ(boundOf(x, y, {-1.5f, -10.0f, -200.0f}), 0u);
    EXPECT_EQ(boundOf(x, y, {-1.0e7f, -1.0e7f, -1.0e7f}), 0u);
    EXPECT_EQ(boundOf(x, y, {std::numeric_limits<float>::quiet_NaN(), -10.0f, -10.0f}), 0u);
    // A sliver: its rectangle more than 32 times its area.
    EXPECT_EQ(boundOf({0.0f, 160.0f, 80.0f}, {0.0f, 120.0f, 61.0f}, level), 0u);
}

// Opaque, lit, half transparent and textured layers.
SurfaceState layerSurface(int kind, const TextureEntry* texture) {
    SurfaceState s = flatSurface(0.2f * static_cast<float>(kind + 1), 0.5f, 0.9f - 0.2f * static_cast<float>(kind));
    if (kind == 1) s.lit = 1;
    if (kind == 2) {
        s.transparency = 0.5f;
        s.opaque = 0;
    }
    if (kind == 3) {
        s.textured = 1;
        s.texture = texture;
    }
    return s;
}

// A pixel the triangle covers, or -1: often one on its outermost row or
// column, where a rectangle cut one short would miss it.
int32_t coveredPixel(Canvas& scratch, Triangle& tri, Random& random) {
    scratch.clear();
    scratch.r.beginSurface(flatSurface(1.0f, 1.0f, 1.0f));
    referenceScan(scratch.r, tri.order, 3, scratch.bitmap->pixels, scratch.r.depth);
    std::vector<int32_t> covered;
    for (int32_t i = 0; i < kWidth * kHeight; ++i)
        if (scratch.r.depth[i] != 0xFFFFFFFFu) covered.push_back(i);
    if (covered.empty()) return -1;
    const int pick = random.below(5);
    auto outermost = [&](auto key) { return *std::min_element(covered.begin(), covered.end(), [&](int32_t a, int32_t b) {
                                         return key(a) < key(b);
                                     }); };
    if (pick == 0) return outermost([](int32_t i) { return i % kWidth; });
    if (pick == 1) return outermost([](int32_t i) { return -(i % kWidth); });
    if (pick == 2) return covered.front();
    if (pick == 3) return covered.back();
    return covered[static_cast<size_t>(random.below(static_cast<int32_t>(covered.size())))];
}

// A wall over the whole canvas, then random large triangles at nearly its
// depths, drawn through drawTriangle (with the reject) and through the
// reference scan; now and then one stored depth under the next triangle is
// pushed far away, so that a single pixel of an otherwise hidden triangle
// must still be drawn.
TEST(HiddenTriangle, DrawingWithTheRejectMatchesTheReferenceScan) {
    Random random(4242);
    OwnedBitmap noise = newBitmap(32, 32, false);
    for (int32_t i = 0; i < 32 * 32; ++i) noise->pixels[i] = static_cast<uint16_t>(random.next());
    const TextureEntry texture{noise.get(), u"noise"};
    Canvas fast(kWidth, kHeight), slow(kWidth, kHeight), scratch(kWidth, kHeight);
    int hidden = 0, wrong = 0, poked = 0;
    for (int scene = 0; scene < 60; ++scene) {
        fast.clear();
        slow.clear();
        const float base = -random.uniform(2.0f, 300.0f);
        for (int k = 0; k < 32; ++k) {
            const SurfaceState s = layerSurface(random.below(4), &texture);
            fast.r.beginSurface(s);
            slow.r.beginSurface(s);
            // Mostly behind the wall by about the bound's margin, else
            // partly in front of it.
            const bool behind = random.chance(70);
            const float lo = k < 2 ? 1.0f : behind ? 1.15f : 0.95f, hi = k < 2 ? 1.05f : behind ? 1.8f : 1.3f;
            float x[3], y[3], z[3];
            for (int j = 0; j < 3; ++j) {
                x[j] = random.uniform(0.0f, kWidth);
                y[j] = random.uniform(0.0f, kHeight);
                z[j] = base * random.uniform(lo, hi);
            }
            if (k < 2) {  // the wall's two halves
                const float corners[2][3][2] = {{{0, 0}, {kWidth, 0}, {kWidth, kHeight}},
                                                {{0, 0}, {kWidth, kHeight}, {0, kHeight}}};
                for (int j = 0; j < 3; ++j) {
                    x[j] = corners[k][j][0];
                    y[j] = corners[k][j][1];
                }
            }
            Triangle a(fast.r, x, y, z);
            const raster::SnappedVertex t[3] = {a.snapped(0), a.snapped(1), a.snapped(2)};
            const raster::PixelBounds bounds = raster::pixelBounds(t);
            if (random.chance(30)) {
                const int32_t pixel = coveredPixel(scratch, a, random);
                if (pixel >= 0) {
                    fast.r.depth[pixel] = slow.r.depth[pixel] = 0xFFFFFFF0u;
                    ++poked;
                }
            }
            const int64_t area = raster::snappedArea(t);
            if (area != 0)
                hidden += raster::triangleHidden(fast.r, t, bounds.firstRow, bounds.endRow, bounds.firstColumn,
                                                 bounds.endColumn, area);
            // drawTriangle also sets uPersp and vPersp, which the reference reads.
            fast.r.drawTriangle(a.order[0], a.order[1], a.order[2]);
            referenceScan(slow.r, a.order, 3, slow.bitmap->pixels, slow.r.depth);
            for (int32_t i = 0; i < kWidth * kHeight; ++i) {
                const bool same = fast.bitmap->pixels[i] == slow.bitmap->pixels[i] && fast.r.depth[i] == slow.r.depth[i];
                if (!same && wrong++ < 5) ADD_FAILURE() << "scene " << scene << " triangle " << k << " pixel " << i;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    // The reject was taken often, and the pokes made some triangles draw.
    EXPECT_GT(hidden, 100);
    EXPECT_GT(poked, 200);
}

}  // namespace
