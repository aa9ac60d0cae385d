// Scan conversion and the span fillers: coverage, block arithmetic, the eight
// surface cases and the depth rules, with values worked by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "raster_fixture.h"

namespace {

using namespace raster_test;

// A vertex for direct calls of drawTriangle: only the screen fields matter.
RasterVertex at(float sx, float sy, float perspective = 1.0f) {
    RasterVertex v;
    v.sx = sx;
    v.sy = sy;
    v.perspective = perspective;
    v.z = -10.0f;
    return v;
}

void triangle(Rasterizer& r, RasterVertex a, RasterVertex b, RasterVertex c) { r.drawTriangle(&a, &b, &c); }

// Fills the whole 16 x 16 target with triangles that share edges, one per
// call, and counts how often each pixel is written.
TEST(RasterScan, SharedEdgesCoverEachPixelOnce) {
    Canvas c(16, 16);
    c.r.beginSurface(flatSurface(1, 1, 1));
    struct P {
        float x, y;
    };
    // A fan around an off-grid centre, and a jittered grid, both in
    // counter-clockwise screen order.
    std::vector<std::vector<P>> meshes;
    const P centre{7.37f, 9.11f};
    meshes.push_back({centre, {0, 0}, {0, 16}, centre, {0, 16}, {16, 16}, centre, {16, 16}, {16, 0}, centre,
                      {16, 0}, {0, 0}});
    std::vector<P> grid;
    const P g[3][3] = {{{0, 0}, {5.3f, 0}, {16, 0}},
                       {{0, 6.71f}, {9.5f, 7.5f}, {16, 4.06f}},
                       {{0, 16}, {11.03f, 16}, {16, 16}}};
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 2; ++col) {
            const P a = g[row][col], b = g[row + 1][col], d = g[row][col + 1], e = g[row + 1][col + 1];
            grid.insert(grid.end(), {a, b, e, a, e, d});
        }
    meshes.push_back(grid);

    for (const auto& mesh : meshes) {
        std::vector<int> writes(256, 0);
        for (size_t k = 0; k < mesh.size(); k += 3) {
            c.clear();
            triangle(c.r, at(mesh[k].x, mesh[k].y), at(mesh[k + 1].x, mesh[k + 1].y),
                     at(mesh[k + 2].x, mesh[k + 2].y));
            EXPECT_EQ(c.picture(), referenceTriangle(16, 16, mesh[k].x, mesh[k].y, mesh[k + 1].x, mesh[k + 1].y,
                                                     mesh[k + 2].x, mesh[k + 2].y));
            for (int i = 0; i < 256; ++i) writes[i] += c.bitmap->pixels[i] != kBackground;
        }
        for (int i = 0; i < 256; ++i) ASSERT_EQ(writes[i], 1) << "pixel " << i % 16 << ", " << i / 16;
    }

    // The two triangles of a full-screen quad, drawn together.
    c.clear();
    triangle(c.r, at(0, 0), at(0, 16), at(16, 16));
    triangle(c.r, at(0, 0), at(16, 16), at(16, 0));
    EXPECT_EQ(c.covered(), 256);
}

TEST(RasterScan, DegenerateAndEdgeRowsDrawNothingExtra) {
    Canvas c(16, 16);
    c.r.beginSurface(flatSurface(1, 1, 1));
    const uint32_t degenerate = c.r.counters.trianglesDegenerate;
    // All on one scanline (equal snapped y), and all on one line.
    triangle(c.r, at(1, 5.5f), at(3, 5.5f), at(12, 5.52f));
    triangle(c.r, at(1, 1), at(4, 4), at(9, 9));
    EXPECT_EQ(c.covered(), 0);
    EXPECT_EQ(c.r.counters.trianglesDegenerate - degenerate, 2u);

    // A triangle down to sy = height: the last row drawn is height - 1, and a
    // row starting at the height is never started.
    triangle(c.r, at(0, 10), at(0, 16), at(16, 16));
    EXPECT_EQ(c.picture(), referenceTriangle(16, 16, 0, 10, 0, 16, 16, 16));
    EXPECT_NE(c.pixel(0, 15), kBackground);
    EXPECT_NE(c.pixel(13, 15), kBackground);
    // A sliver whose top lies below the last pixel row covers no scanline.
    c.clear();
    triangle(c.r, at(2, 15.5f), at(2, 16), at(9, 16));
    EXPECT_EQ(c.covered(), 0);
}

// Right triangle (0, 0), (0, 32), (32, 0) with perspective 1 + x / 16: row 15
// is a span of 17 pixels, row 16 one of 16.
struct BlockCase {
    Canvas c{64, 64};
    void draw(const SurfaceState& surface) {
        c.r.beginSurface(surface);
        RasterVertex a = at(0, 0, 1.0f), b = at(0, 32, 1.0f), d = at(32, 0, 3.0f);
        c.r.drawTriangle(&a, &b, &d);
    }
};

TEST(RasterScan, BlockEndsComeFromTheBlockBoundaries) {
    const uint32_t row15[17] = {65536, 63488, 61440, 59392, 57344, 55296, 53248, 51200, 49152,
                                47104, 45056, 43008, 40960, 38912, 36864, 34816, 32768};
    // Untextured: one full block from 65536 to 65536 / 2 stepped by
    // (32768 - 65536) / 16 = -2048, then a last block of one pixel that starts
    // exactly at 65536 / 2.
    BlockCase flat;
    flat.draw(flatSurface(1, 1, 1));
    for (int x = 0; x < 17; ++x) EXPECT_EQ(flat.c.depthAt(x, 15), row15[x]) << x;
    EXPECT_EQ(flat.c.pixel(17, 15), kBackground);
    // Row 16: one block of 16 whose end comes from the right edge, at the last
    // pixel: 65536 / (2 - 1/16) = 33825.03; step truncate(-31710.97 / 16) = -1981.
    for (int x = 0; x < 16; ++x) EXPECT_EQ(flat.c.depthAt(x, 16), 65536u - 1981u * x) << x;
    EXPECT_EQ(flat.c.pixel(16, 16), kBackground);

    // Textured: full blocks step by truncate(ze - zs) >> 4 (the same -2048
    // here), the last block by (ze - zs) x reciprocals[16]: again -1981.
    Bitmap* texture = newBitmap(32, 32, false).release();
    fillBitmap(texture, kWhite);
    TextureEntry entry{texture, u"t"};
    SurfaceState surface = flatSurface(0, 0, 0);
    surface.textured = 1;
    surface.texture = &entry;
    BlockCase textured;
    textured.draw(surface);
    for (int x = 0; x < 17; ++x) EXPECT_EQ(textured.c.depthAt(x, 15), row15[x]) << x;
    for (int x = 0; x < 16; ++x) EXPECT_EQ(textured.c.depthAt(x, 16), 65536u - 1981u * x) << x;
    EXPECT_EQ(textured.c.pixel(3, 16), kWhite);
    releaseBitmap(texture);
    delete texture;
}

// One 16 x 16 quad of the given surface over a target cleared to `under`.
uint16_t quadPixel(const SurfaceState& surface, uint16_t under, float shade = 1.0f,
                   std::vector<Vec2f> texPoints = {}) {
    Canvas c(16, 16);
    c.clear(under);
    std::vector<RasterVertex> v = {screenVertex(c.r, 0, 0), screenVertex(c.r, 0, 16), screenVertex(c.r, 16, 16),
                                   screenVertex(c.r, 16, 0)};
    const std::vector<ShadeEntry> shades = {{0, 0, 1, shade}};
    const std::vector<int32_t> zeros = {0, 0, 0, 0, -1};
    c.r.drawIndexedFaces(surface, v, shades, std::vector<int32_t>{0, 1, 2, 3, -1}, texPoints, zeros, zeros, true,
                         false);
    const uint16_t first = c.pixel(0, 0);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(c.bitmap->pixels[i], first);
    return first;
}

SurfaceState material(float diffuse, float emissive, float transparency, bool lit) {
    SurfaceState s;
    s.opaque = transparency > 0 ? 0 : 1;
    s.lit = lit ? 1 : 0;
    for (int k = 0; k < 3; ++k) {
        s.diffuse[k] = diffuse;
        s.emissive[k] = emissive;
    }
    s.transparency = transparency;
    return s;
}

TEST(RasterScan, UntexturedCasesByHand) {
    // Unshaded opaque: the emissive pixel, (255, 127, 0) -> 0xFBE0.
    SurfaceState orange = flatSurface(1, 0.5f, 0);
    EXPECT_EQ(quadPixel(orange, kBackground), 0xFBE0);

    // Unshaded transparent 0.5 (t = 127) of blue over white: red
    // 248 x 127 / 255 = 123, green 252 x 127 / 255 = 125, blue 123 +
    // 255 x 128 / 255 = 251 -> 0x7800 | 0x03E0 | 0x001F.
    SurfaceState blue = flatSurface(0, 0, 1);
    blue.transparency = 0.5f;
    EXPECT_EQ(quadPixel(blue, kWhite), 0x7BFF);

    // Shaded opaque, two lights of 0.8: shade 1.6, diffuse 0.5 (byte 127),
    // emissive black: 127 x truncate(1.6 x 65536) >> 16 = 203 per channel.
    EXPECT_EQ(quadPixel(material(0.5f, 0, 0, true), kBackground, 1.6f), 0xCE59);
    // emissive 127 + diffuse 255 x 1 clamps to 255.
    EXPECT_EQ(quadPixel(material(1, 0.5f, 0, true), kBackground, 1.0f), 0xFFFF);
    // Shade 0 leaves the emissive colour.
    EXPECT_EQ(quadPixel(material(1, 0.5f, 0, true), kBackground, 0.0f), 0x7BEF);

    // Shaded transparent 0.5 over black: 203 x 128 / 255 = 101 -> 0x632C.
    EXPECT_EQ(quadPixel(material(0.5f, 0, 0.5f, true), 0x0000, 1.6f), 0x632C);

    // Transparency 1: shaded spans draw nothing, unshaded leave the old pixel.
    EXPECT_EQ(quadPixel(material(0.5f, 0, 1.0f, true), 0x1234, 1.6f), 0x1234);
    EXPECT_EQ(quadPixel(material(0.5f, 1, 1.0f, false), 0x1234), 0x1234);
}

TEST(RasterScan, GouraudShadeStepsAcrossEverySpanLength) {
    // Right triangle (0, 0), (0, 32), (32, 0) with shade x / 16: every row
    // starts at shade 0 and steps by exactly 4096 (1/16 in 16.16), so with
    // diffuse white and emissive black pixel x has channel
    // min(255 x 4096x >> 16, 255) = min(255x / 16, 255), on spans of every
    // length from 1 to 32 pixels.
    Canvas c(64, 64);
    c.r.beginSurface(material(1, 0, 0, true));
    RasterVertex a = at(0, 0), b = at(0, 32), d = at(32, 0);
    d.shade = 2.0f;
    c.r.drawTriangle(&a, &b, &d);
    const int channels[] = {0, 15, 31, 47, 63, 79, 95, 111, 127, 143, 159, 175, 191, 207, 223, 239, 255};
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32 - y; ++x) {
            const uint32_t ch = static_cast<uint32_t>(x < 16 ? channels[x] : 255);
            const uint16_t grey = static_cast<uint16_t>(((ch & 0xF8) << 8) | ((ch & 0xFC) << 3) | (ch >> 3));
            ASSERT_EQ(c.pixel(x, y), grey) << x << ", " << y;
        }
        EXPECT_EQ(c.pixel(32 - y, y), kBackground);
    }
}

struct SolidTexture {
    Bitmap* bitmap;
    TextureEntry entry;
    explicit SolidTexture(uint16_t texel, int size = 32) : bitmap(newBitmap(size, size, false).release()) {
        fillBitmap(bitmap, texel);
        entry = TextureEntry{bitmap, u"solid"};
    }
    ~SolidTexture() {
        releaseBitmap(bitmap);
        delete bitmap;
    }
    SurfaceState on(SurfaceState s) {
        s.textured = 1;
        s.texture = &entry;
        return s;
    }
};

TEST(RasterScan, TexturedCasesByHand) {
    // Texel 0x7BEF: channels 120, 124, 120.
    SolidTexture grey(0x7BEF);
    const std::vector<Vec2f> points = {{0.25f, 0.25f}};

    // Unshaded opaque: the texel itself.
    EXPECT_EQ(quadPixel(grey.on(material(0, 0, 0, false)), kBackground, 1, points), 0x7BEF);
    // Unshaded transparent 0.5 over white: 120 x 128 / 255 = 60 plus
    // 248 x 127 / 255 = 123 gives 183; green 62 + 125 = 187 -> 0xB5D6.
    EXPECT_EQ(quadPixel(grey.on(material(0, 0, 0.5f, false)), kWhite, 1, points), 0xB5D6);
    // Shaded opaque, emissive 0.2 (51), shade 1.6: 51 + (120 x 104857 >> 16)
    // = 51 + 191 = 242, green 51 + 198 = 249 -> 0xF7DE.
    EXPECT_EQ(quadPixel(grey.on(material(1, 0.2f, 0, true)), kBackground, 1.6f, points), 0xF7DE);
    // Shaded transparent 0.5 over red: 242 x 128 / 255 = 121 plus 248 x 127
    // / 255 = 123 is 244; green 124; blue 121 -> 0xF3EF.
    EXPECT_EQ(quadPixel(grey.on(material(1, 0.2f, 0.5f, true)), 0xF800, 1.6f, points), 0xF3EF);
    // Transparency 1 leaves the old pixel, shaded or not.
    EXPECT_EQ(quadPixel(grey.on(material(1, 0.2f, 1.0f, true)), 0x1234, 1.6f, points), 0x1234);
    EXPECT_EQ(quadPixel(grey.on(material(1, 0.2f, 1.0f, false)), 0x1234, 1.6f, points), 0x1234);

    // No texture points, or a texture of a size the fillers cannot address:
    // drawn untextured (the emissive colour, here 0.2 grey -> 0x3186).
    EXPECT_EQ(quadPixel(grey.on(material(1, 0.2f, 0, false)), kBackground, 1, {}), 0x3186);
    SolidTexture odd(0x7BEF, 48);
    EXPECT_EQ(quadPixel(odd.on(material(1, 0.2f, 0, false)), kBackground, 1, points), 0x3186);
    Bitmap* wide = newBitmap(64, 32, false).release();
    fillBitmap(wide, 0x7BEF);
    TextureEntry wideEntry{wide, u"wide"};
    SurfaceState s = material(1, 0.2f, 0, false);
    s.textured = 1;
    s.texture = &wideEntry;
    EXPECT_EQ(quadPixel(s, kBackground, 1, points), 0x3186);
    releaseBitmap(wide);
    delete wide;
}

// A 64 x 64 texture whose texel (column, row) is column | row << 8.
struct IndexTexture {
    OwnedBitmap bitmap = newBitmap(64, 64, false);
    TextureEntry entry;
    IndexTexture() {
        for (int row = 0; row < 64; ++row)
            for (int col = 0; col < 64; ++col) bitmap->pixels[row * 64 + col] = static_cast<uint16_t>(col | row << 8);
        entry = TextureEntry{bitmap.get(), u"index"};
    }
};

TEST(RasterScan, TextureCoordinatesScaleBySizeMinusOneAndWrap) {
    IndexTexture texture;
    SurfaceState s = flatSurface(0, 0, 0);
    s.textured = 1;
    s.texture = &texture.entry;
    // Constant (s, t) over a whole quad: u = s x 63, v = (1 - t) x 63,
    // rounded, wrapped by 64.
    struct Case {
        float s, t;
        int column, row;
    };
    const Case cases[] = {{0, 1, 0, 0},  {1, 1, 63, 0},    {2, 1, 62, 0},         {0.25f, 0, 16, 63},
                          {-1, 2, 1, 1}, {3, -1, 61, 62}, {1000, 0.25f, 24, 47}};
    for (const Case& k : cases) {
        const uint16_t expected = static_cast<uint16_t>(k.column | k.row << 8);
        EXPECT_EQ(quadPixel(s, kBackground, 1, {{k.s, k.t}}), expected) << k.s << ", " << k.t;
    }

    // Across a 64-pixel span with uPersp = x: full blocks step exactly one
    // texel a pixel; the last block (pixels 48..63) ends at 63.5 and steps by
    // 15 / 16, so it reaches column 62 and shows column 56 twice.
    Canvas c(64, 1);
    c.r.beginSurface(s);
    RasterVertex a = at(0, 0), b = at(0, 1), d = at(64, 0), e = at(64, 1);
    d.uPersp = 64;
    e.uPersp = 64;
    RasterVertex* lower[3] = {&a, &b, &e};  // covers no pixel centre of row 0
    c.r.setupGradients(a, b, e);
    c.r.scanTriangle(lower, 3);
    RasterVertex* upper[3] = {&a, &e, &d};
    c.r.setupGradients(a, e, d);
    EXPECT_EQ(c.r.gradients.dUPerspDx, 1.0f);
    EXPECT_EQ(c.r.gradients.uRound, 0x8000);
    c.r.scanTriangle(upper, 3);
    for (int x = 0; x < 64; ++x) EXPECT_EQ(c.pixel(x, 0), x <= 56 ? x : x - 1) << x;
}

TEST(RasterScan, DepthDecidesRegardlessOfOrderAndTransparencyNeverWritesIt) {
    Canvas c(16, 16);
    const SurfaceState red = flatSurface(1, 0, 0), green = flatSurface(0, 1, 0);
    auto quad = [&](const SurfaceState& s, float z, float x0, float x1) {
        std::vector<RasterVertex> v = {screenVertex(c.r, x0, 0, z), screenVertex(c.r, x0, 16, z),
                                       screenVertex(c.r, x1, 16, z), screenVertex(c.r, x1, 0, z)};
        c.r.drawIndexedFaces(s, v, {}, std::vector<int32_t>{0, 1, 2, 3, -1}, {}, {}, {}, true, false);
    };
    // The nearer surface wins in the overlap, whichever is drawn first.
    quad(red, -5, 0, 12);
    quad(green, -10, 4, 16);
    const auto nearFirst = c.picture(0xF800);
    EXPECT_EQ(c.pixel(6, 6), 0xF800);
    EXPECT_EQ(c.pixel(14, 6), 0x07E0);
    c.clear();
    quad(green, -10, 4, 16);
    quad(red, -5, 0, 12);
    EXPECT_EQ(c.picture(0xF800), nearFirst);
    EXPECT_EQ(c.depthAt(6, 6), c.depthAt(0, 6));

    // A transparent surface in front leaves depth alone: an opaque one drawn
    // later behind it still lands, everywhere.
    c.clear();
    SurfaceState glass = flatSurface(0, 0, 1);
    glass.transparency = 0.5f;
    quad(glass, -2, 0, 16);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(c.r.depth[i], 0xFFFFFFFFu);
    quad(red, -10, 0, 16);
    EXPECT_EQ(c.covered(0xF800), 0);
    SurfaceState litGlass = material(1, 0, 0.5f, true);
    std::vector<RasterVertex> front = {screenVertex(c.r, 0, 0, -2), screenVertex(c.r, 0, 16, -2),
                                       screenVertex(c.r, 16, 0, -2)};
    c.r.drawIndexedFaces(litGlass, front, std::vector<ShadeEntry>{{0, 0, 1, 1}}, std::vector<int32_t>{0, 1, 2}, {},
                         {}, std::vector<int32_t>{0, 0, 0}, true, false);
    EXPECT_NE(c.pixel(1, 1), 0xF800);
    EXPECT_EQ(c.depthAt(1, 1), c.depthAt(15, 15));
}

}  // namespace

namespace {

// The edge start against the plain formulas: column = floor(n / (16 dY)) with
// n = 16 dX startRow - dX yt + dY xt - 1 + 16 dY, the error term its
// remainder, and (columnStep, numerator) the floor division of 16 dX by
// 16 dY; over edges of every direction, from one 1/16 pixel up to a million
// pixels long (the walker works these out with one division per edge).
TEST(RasterScan, EdgeStartMatchesTheDirectDivision) {
    Canvas c(16, 16);
    c.r.beginSurface(flatSurface(1, 1, 1));
    uint64_t state = 12345;
    auto next = [&state](int64_t bound) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<int64_t>((state >> 33) % static_cast<uint64_t>(bound));
    };
    auto floorDiv = [](int64_t n, int64_t d) { return n >= 0 ? n / d : -((-n + d - 1) / d); };
    int wrong = 0, checked = 0;
    for (int k = 0; k < 20000; ++k) {
        const int64_t range = int64_t{16} << (4 + next(17));  // 16 .. 2^20 pixels, in 1/16 pixels
        const int64_t xt = next(range), yt = next(range - 1), xb = next(range), yb = yt + 1 + next(range - 1 - yt);
        RasterVertex top, bottom;
        top.sx = static_cast<float>(xt) / 16.0f;
        top.sy = static_cast<float>(yt) / 16.0f;
        bottom.sx = static_cast<float>(xb) / 16.0f;
        bottom.sy = static_cast<float>(yb) / 16.0f;
        Edge e;
        c.r.initEdge(e, top, bottom, true);
        const int64_t startRow = (yt + 15) >> 4;
        if (((yb + 15) >> 4) - startRow <= 0) continue;
        ++checked;
        const int64_t dX = xb - xt, dY = yb - yt, d = 16 * dY;
        const int64_t n = dX * 16 * startRow - dX * yt + dY * xt - 1 + d;
        const int64_t column = floorDiv(n, d), step = floorDiv(16 * dX, d);
        const bool same = e.column == column && e.errorTerm == n - column * d && e.columnStep == step &&
                          e.numerator == 16 * dX - step * d && e.denominator == d;
        if (!same && wrong < 3) ADD_FAILURE() << xt << " " << yt << " " << xb << " " << yb << ": " << e.column;
        wrong += !same;
    }
    EXPECT_GT(checked, 15000);
    EXPECT_EQ(wrong, 0);
}

}  // namespace

namespace {

// Triangles of a dense mesh, a pixel or two across, drawn through
// drawTriangle (which finds the spans of a narrow triangle of a few
// scanlines without the edge walk's divisions) and through setupGradients
// and scanTriangle (the edge walk): the same pixels and depths for every
// surface case, with corners on the 1/16 grid, often exactly on pixel centres
// and edges, and edges of whole-pixel slopes.
TEST(RasterScan, NarrowTriangleShortcutMatchesTheEdgeWalk) {
    uint64_t state = 99;
    auto next = [&state](int32_t bound) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<int32_t>((state >> 33) % static_cast<uint64_t>(bound));
    };
    Bitmap* texture = newBitmap(32, 32, false).release();
    for (int i = 0; i < 32 * 32; ++i) texture->pixels[i] = static_cast<uint16_t>(i * 2654435761u >> 7);
    TextureEntry entry{texture, u"noise"};
    int drawn = 0, differing = 0;
    for (int surfaceCase = 0; surfaceCase < 8; ++surfaceCase) {
        SurfaceState s = flatSurface(0.3f, 0.2f, 0.1f);
        s.lit = (surfaceCase & 1) ? 1 : 0;
        s.transparency = (surfaceCase & 2) ? 0.4f : 0.0f;
        if (surfaceCase & 4) {
            s.textured = 1;
            s.texture = &entry;
        }
        Canvas a(12, 10), b(12, 10);
        a.r.beginSurface(s);
        b.r.beginSurface(s);
        for (int k = 0; k < 400; ++k) {
            // Corners within 2.5 pixels of a point, on the 1/16 grid, a third
            // of them on whole pixels.
            // Kept inside the target, so that neither path clips.
            const int32_t cx = 20 + next(12 * 16 - 40), cy = 20 + next(10 * 16 - 40);
            RasterVertex v[3];
            int32_t xs[3], ys[3];
            for (int corner = 0; corner < 3; ++corner) {
                xs[corner] = cx + next(40) - 20;
                ys[corner] = cy + next(40) - 20;
                if (next(3) == 0) xs[corner] &= ~15, ys[corner] &= ~15;
            }
            // Now and then an edge of a whole number of pixels per scanline
            // (vertical, or one pixel across per scanline either way).
            if (next(3) == 0) xs[1] = std::clamp(xs[0] + (next(3) - 1) * (ys[1] - ys[0]), 0, 12 * 16);
            for (int corner = 0; corner < 3; ++corner) {
                RasterVertex& vertex = v[corner];
                // Depths up to 2000 away: a last-bit change of the
                // interpolated perspective shows in the depth buffer.
                const float z = -2.0f - static_cast<float>(next(1000)) * static_cast<float>(next(1000)) * 0.002f;
                vertex = screenVertex(a.r, static_cast<float>(xs[corner]) / 16.0f,
                                      static_cast<float>(ys[corner]) / 16.0f, z);
                vertex.shade = static_cast<float>(next(130)) * 0.01f;
                vertex.u = static_cast<float>(next(100)) * 0.03f;
                vertex.v = static_cast<float>(next(100)) * 0.03f;
            }
            a.r.drawTriangle(&v[0], &v[1], &v[2]);  // also sets uPersp and vPersp
            RasterVertex* polygon[3] = {&v[0], &v[1], &v[2]};
            b.r.setupGradients(v[0], v[1], v[2]);
            b.r.scanTriangle(polygon, 3);
        }
        drawn += a.covered();
        for (int i = 0; i < 120; ++i)
            differing += a.bitmap->pixels[i] != b.bitmap->pixels[i] || a.r.depth[i] != b.r.depth[i];
    }
    releaseBitmap(texture);
    delete texture;
    EXPECT_GT(drawn, 400);
    EXPECT_EQ(differing, 0);
}

}  // namespace
