// One-pixel lines and points: which pixels they cover, cutting at the near
// plane and the target's edges, the depth test and write, blending, hostile
// values, and the same pixels with bands of two threads.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "raster_fixture.h"

namespace {

using namespace raster_test;

constexpr uint32_t kRedRgb = 0xFF0000;
const uint16_t kRed = packRgb565(1, 0, 0);

TEST(FullLinesTest, CoversOnePixelPerStepOfTheMajorAxis) {
    struct Row {
        float x0, y0, x1, y1;
        std::vector<std::string> picture;
    };
    const Row rows[] = {
        {1, 1, 6, 1, {"........", ".######.", "........", "........"}},
        {6.2f, 2.4f, 0.6f, 2.3f, {"........", "........", ".######.", "........"}},  // right to left, rounded
        {2, 0, 2, 3, {"..#.....", "..#.....", "..#.....", "..#....."}},
        {0, 0, 3, 3, {"#.......", ".#......", "..#.....", "...#...."}},
        {0, 3, 7, 0, {"......##", "....##..", "..##....", "##......"}},
        {-5, 1, 20, 1, {"........", "########", "........", "........"}},  // cut to the target
        {-5, -1, -1, 2, {"........", "........", "........", "........"}},  // wholly left of it
        {3, 2, 3, 2, {"........", "........", "...#....", "........"}},       // one point
    };
    for (const Row& row : rows) {
        Canvas canvas(8, 4);
        canvas.r.beginSurface(flatSurface(1, 0, 0));
        canvas.r.drawLine(screenVertex(canvas.r, row.x0, row.y0), screenVertex(canvas.r, row.x1, row.y1), kRedRgb,
                          kRedRgb);
        EXPECT_EQ(canvas.picture(), row.picture) << row.x0 << "," << row.y0 << " to " << row.x1 << "," << row.y1;
    }
}

TEST(FullLinesTest, DepthTestedAndWrittenWhenOpaque) {
    Canvas canvas(16, 4);
    // A surface at depth 10 over the left half.
    const uint32_t surfaceDepth = static_cast<uint32_t>(65536.0f / (canvas.r.focal / -10.0f));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) canvas.r.depth[y * 16 + x] = surfaceDepth;
    struct Row {
        float z;
        bool leftDrawn;
    };
    for (const Row& row : {Row{-5.0f, true}, Row{-20.0f, false}}) {
        canvas.r.beginSurface(flatSurface(1, 0, 0));
        canvas.r.drawLine(screenVertex(canvas.r, 0, 1, row.z), screenVertex(canvas.r, 15, 1, row.z), kRedRgb, kRedRgb);
        EXPECT_EQ(canvas.pixel(3, 1) == kRed, row.leftDrawn) << row.z;
        EXPECT_EQ(canvas.pixel(12, 1), kRed) << row.z;
        // Where drawn, the line's depth is stored: 65536 / perspective.
        const uint32_t lineDepth = static_cast<uint32_t>(65536.0f / (canvas.r.focal / row.z));
        EXPECT_NEAR(double(canvas.depthAt(12, 1)), double(lineDepth), 2.0) << row.z;
        EXPECT_EQ(canvas.depthAt(3, 1), row.leftDrawn ? canvas.depthAt(3, 1) : surfaceDepth);
        canvas.clear();
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x) canvas.r.depth[y * 16 + x] = surfaceDepth;
    }
}

TEST(FullLinesTest, DepthFollowsPerspectiveAlongALongLine) {
    // A line receding from z = -2 to z = -200 between pixel centres 10 and
    // 190 of row 50: perspective is linear in screen space, and every
    // pixel's depth is 65536 over it, however fast it changes.
    Canvas canvas(200, 100);
    canvas.r.beginSurface(flatSurface(1, 1, 1));
    const RasterVertex a = screenVertex(canvas.r, 10, 50, -2.0f), b = screenVertex(canvas.r, 190, 50, -200.0f);
    canvas.r.drawLine(a, b, 0xFFFFFF, 0xFFFFFF);
    for (int x = 10; x <= 190; ++x) {
        ASSERT_EQ(canvas.pixel(x, 50), kWhite) << x;
        const double t = (x - 10) / 180.0;
        const double exact = 65536.0 / (a.perspective + t * (double(b.perspective) - a.perspective));
        EXPECT_NEAR(double(canvas.depthAt(x, 50)), exact, exact * 1e-4 + 2.0) << x;
    }
    EXPECT_EQ(canvas.covered(), 181);
}

TEST(FullLinesTest, CutAtTheNearPlane) {
    Canvas canvas(64, 64);
    canvas.r.near = 1.0f;
    canvas.r.beginSurface(flatSurface(1, 0, 0));
    // From in front (z = -4) to behind the eye (z = +4) along x: drawn from
    // the front end up to where the line crosses z = -1.
    const RasterVertex front = cameraVertex(canvas.r, 0.0f, 0.0f, -4.0f);
    const RasterVertex behind = cameraVertex(canvas.r, 0.8f, 0.0f, 4.0f);
    ASSERT_EQ(behind.outcode, kOutNear);
    canvas.r.drawLine(front, behind, kRedRgb, kRedRgb);
    const float crossingX = 0.0f + (0.8f - 0.0f) * (3.0f / 8.0f);  // z = -1 at 3/8 of the way
    const int last = static_cast<int>(std::floor(32.0f + crossingX * (canvas.r.focal / -1.0f) + 0.5f));
    int right = -1;
    for (int x = 0; x < 64; ++x)
        if (canvas.pixel(x, 32) == kRed) right = x;
    EXPECT_EQ(canvas.pixel(32, 32), kRed);
    EXPECT_NEAR(right, std::min(last, 63), 1);
    // Both ends behind the near plane: nothing.
    canvas.clear();
    canvas.r.drawLine(cameraVertex(canvas.r, 0, 0, 2), cameraVertex(canvas.r, 1, 0, 3), kRedRgb, kRedRgb);
    EXPECT_EQ(canvas.covered(), 0);
}

TEST(FullLinesTest, TransparentLinesBlendAndKeepDepth) {
    Canvas canvas(8, 2);
    fillBitmap(canvas.bitmap.get(), 0xFFFF);
    SurfaceState half = flatSurface(1, 0, 0);
    half.transparency = 0.5f;
    half.opaque = 0;
    canvas.r.beginSurface(half);
    canvas.r.drawLine(screenVertex(canvas.r, 0, 0), screenVertex(canvas.r, 7, 0), kRedRgb, kRedRgb);
    // t = 127: old white weighs 127/255, red 128/255.
    const int r = 248 * 127 / 255 + 255 * 128 / 255, g = 252 * 127 / 255, b = 248 * 127 / 255;
    const uint16_t expected = static_cast<uint16_t>(((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3));
    EXPECT_EQ(canvas.pixel(4, 0), expected);
    EXPECT_EQ(canvas.depthAt(4, 0), 0xFFFFFFFFu);
}

TEST(FullLinesTest, PointsAndHostileValues) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    Canvas canvas(8, 8);
    canvas.r.beginSurface(flatSurface(1, 0, 0));
    canvas.r.drawPoint(screenVertex(canvas.r, 3.4f, 6.6f), kRedRgb);
    EXPECT_EQ(canvas.pixel(3, 7), kRed);
    EXPECT_EQ(canvas.covered(), 1);
    canvas.clear();
    // Off the target, behind the eye, not finite: nothing, and no fault.
    canvas.r.drawPoint(screenVertex(canvas.r, 8.2f, 2), kRedRgb);
    canvas.r.drawPoint(screenVertex(canvas.r, -0.6f, 2), kRedRgb);
    canvas.r.drawPoint(cameraVertex(canvas.r, 0, 0, 5), kRedRgb);
    RasterVertex bad = screenVertex(canvas.r, 2, 2);
    bad.sx = nan;
    canvas.r.drawPoint(bad, kRedRgb);
    canvas.r.drawLine(bad, screenVertex(canvas.r, 5, 5), kRedRgb, kRedRgb);
    RasterVertex far = cameraVertex(canvas.r, 1e30f, 1e30f, -1e30f);
    canvas.r.drawLine(far, screenVertex(canvas.r, 5, 5), kRedRgb, kRedRgb);  // may draw; must not fault
    RasterVertex infinite = screenVertex(canvas.r, 2, 2);
    infinite.x = inf;
    canvas.clear();
    canvas.r.drawLine(infinite, screenVertex(canvas.r, 5, 5), kRedRgb, kRedRgb);
    EXPECT_EQ(canvas.covered(), 0);
}

TEST(FullLinesTest, LinesBetweenBandedTrianglesDrawAsOnOneThread) {
    std::vector<uint16_t> frames[2];
    for (int threads = 1; threads <= 2; ++threads) {
        Canvas canvas(320, 240);
        canvas.r.setThreads(threads, 0);
        canvas.r.attachTarget(canvas.bitmap.get());
        canvas.r.clearColor(0, 0, 0);
        canvas.r.resetDepth();
        for (int k = 0; k < 40; ++k) {
            const float x = 8.0f * k, z = -10.0f - static_cast<float>(k % 7);
            canvas.r.beginSurface(flatSurface(0.1f * (k % 10), 0.5f, 1.0f));
            RasterVertex a = screenVertex(canvas.r, x, 10, z), b = screenVertex(canvas.r, x + 40, 230, z),
                         c = screenVertex(canvas.r, x + 60, 20, z);
            canvas.r.drawTriangle(&a, &b, &c);
            canvas.r.beginSurface(flatSurface(1, 1, 0));
            canvas.r.drawLine(screenVertex(canvas.r, 0, 6.0f * k, -12.0f), screenVertex(canvas.r, 319, 239 - 6.0f * k, -12.0f),
                              0xFFFF00, 0x00FFFF);
        }
        canvas.r.flush();
        frames[threads - 1].assign(canvas.bitmap->pixels, canvas.bitmap->pixels + 320 * 240);
    }
    EXPECT_TRUE(frames[0] == frames[1]);
}

}  // namespace
