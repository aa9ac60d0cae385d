// The colour-interpolating filler: against its reference on random spans and
// triangles (opaque and transparent, over hidden and half-hidden depths),
// corner colours blending across a triangle drawn through
// drawIndexedFacesColoured, the same frame from one thread and from bands,
// and the input it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "raster_fixture.h"
#include "reference_colour_filler.h"
#include "seeded_random.h"

namespace {

using namespace raster_test;

constexpr float kTransparencies[] = {0.0f, 0.002f, 0.4f, 0.5f, 1.0f};
constexpr int kCases = 5;

SurfaceState colouredSurface(int caseIndex) {
    SurfaceState s;
    s.transparency = kTransparencies[caseIndex];
    s.opaque = s.transparency > 0.0f ? 0 : 1;
    return s;
}

// A channel start and end in channel units: usual, below 0, past 255.
void channelEnds(Random& random, float& first, float& last) {
    const int kind = random.below(8);
    const float lo = kind == 6 ? -40.0f : kind == 7 ? 200.0f : 0.0f;
    const float hi = kind == 6 ? 30.0f : kind == 7 ? 320.0f : 255.0f;
    first = random.uniform(lo, hi);
    last = random.uniform(lo, hi);
}

struct Snapshot {
    std::vector<uint16_t> pixels;
    std::vector<uint32_t> depth;
    explicit Snapshot(const Canvas& c)
        : pixels(c.bitmap->pixels, c.bitmap->pixels + c.width() * c.height()),
          depth(c.r.depth, c.r.depth + c.width() * c.height()) {}
    int differences(const Canvas& c, const char* what, int& reported) const {
        int wrong = 0;
        for (size_t i = 0; i < pixels.size(); ++i) {
            const bool same = pixels[i] == c.bitmap->pixels[i] && depth[i] == c.r.depth[i];
            if (!same && reported++ < 5)
                ADD_FAILURE() << what << " at " << i << ": pixel " << c.bitmap->pixels[i] << " vs reference "
                              << pixels[i] << ", depth " << c.r.depth[i] << " vs " << depth[i];
            wrong += !same;
        }
        return wrong;
    }
};

TEST(ColourFiller, RandomSpansMatchTheReference) {
    Random random(1515);
    Canvas c(100, 3);
    const int32_t width = c.width();
    int wrong = 0, reported = 0, notPlain = 0;
    int changedByCase[kCases] = {};
    int hiddenSpans = 0;
    for (int trial = 0; trial < 6000; ++trial) {
        const int caseIndex = trial % kCases;
        c.r.beginSurface(colouredSurface(caseIndex));
        c.r.colourMode = 1;
        const int32_t n = std::min(width, random.chance(40) ? 1 + random.below(18) : 1 + random.below(width));
        Edge& left = c.r.leftEdge;
        Edge& right = c.r.rightEdge;
        left.column = random.below(width - n + 1);
        right.column = left.column + n;
        left.rowStart = random.below(c.height()) * width;
        Gradients& g = c.r.gradients;
        const float p0 = random.uniform(0.05f, 4.0f), pLast = p0 * random.uniform(0.3f, 3.0f);
        g.dPerspDx = n > 1 ? (pLast - p0) / static_cast<float>(n - 1) : random.uniform(-0.01f, 0.01f);
        g.dPerspDx16 = 16.0f * g.dPerspDx;
        left.persp = p0;
        right.persp = pLast + g.dPerspDx * random.uniform(0.999f, 1.001f);
        auto channelAxis = [&](float& atLeft, float& dx) {
            float a, b;
            channelEnds(random, a, b);
            atLeft = a;
            dx = n > 1 ? (b - a) / static_cast<float>(n - 1) : random.uniform(-3.0f, 3.0f);
        };
        channelAxis(left.red, g.dRedDx);
        channelAxis(left.green, g.dGreenDx);
        channelAxis(left.blue, g.dBlueDx);

        const float zNear = 65536.0f / std::max(p0, pLast), zFar = 65536.0f / std::min(p0, pLast);
        for (int32_t i = 0; i < width * c.height(); ++i) {
            c.bitmap->pixels[i] = static_cast<uint16_t>(random.next());
            const int kind = random.below(10);
            c.r.depth[i] = kind == 0   ? 0xFFFFFFFFu
                           : kind == 1 ? 0u
                                       : static_cast<uint32_t>(random.uniform(0.8f * zNear, 1.2f * zFar));
        }
        if (random.chance(25)) {
            // Hidden end to end (stored depths equal to or nearer than the
            // span's own), with now and then one pixel showing: a block is
            // skipped only when none of it shows.
            std::vector<uint16_t> scratchPixels(c.bitmap->pixels, c.bitmap->pixels + width * c.height());
            std::vector<uint32_t> scratchDepth(scratchPixels.size(), 0xFFFFFFFFu);
            const uint8_t opaque = c.r.opaqueMode;
            c.r.opaqueMode = 1;
            referenceColourSpan(c.r, left, right, scratchPixels.data(), scratchDepth.data());
            c.r.opaqueMode = opaque;
            const int32_t first = left.rowStart + left.column, end = left.rowStart + right.column;
            for (int32_t i = first; i < end; ++i)
                c.r.depth[i] = scratchDepth[static_cast<size_t>(i)] - static_cast<uint32_t>(random.below(2));
            if (random.chance(60)) {
                const int32_t i = first + random.below(end - first);
                c.r.depth[i] = scratchDepth[static_cast<size_t>(i)] + 1;
            } else {
                ++hiddenSpans;
            }
        }
        Snapshot reference(c);
        notPlain += !referenceColourSpan(c.r, left, right, reference.pixels.data(), reference.depth.data());
        const Snapshot before(c);
        c.r.fillSpan();
        wrong += reference.differences(c, "span", reported);
        changedByCase[caseIndex] += before.pixels != reference.pixels;
        c.r.colourMode = 0;
    }
    EXPECT_EQ(notPlain, 0);
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(hiddenSpans, 200);
    for (int k = 0; k < kCases; ++k) {
        if (kTransparencies[k] == 1.0f) EXPECT_EQ(changedByCase[k], 0) << "case " << k;
        else EXPECT_GT(changedByCase[k], 500) << "case " << k;
    }
}

TEST(ColourFiller, RandomTrianglesMatchTheReferenceScan) {
    Random random(4242);
    int wrong = 0, reported = 0, notPlain = 0, covered = 0;
    for (int caseIndex = 0; caseIndex < kCases; ++caseIndex) {
        Canvas fast(70, 40), slow(70, 40);
        for (Canvas* c : {&fast, &slow}) {
            c->r.beginSurface(colouredSurface(caseIndex));
            c->r.colourMode = 1;
        }
        for (int32_t i = 0; i < 70 * 40; ++i) fast.bitmap->pixels[i] = static_cast<uint16_t>(random.next());
        std::memcpy(slow.bitmap->pixels, fast.bitmap->pixels, 70 * 40 * sizeof(uint16_t));
        const Snapshot initial(fast);
        for (int k = 0; k < 300; ++k) {
            const float spread = k % 3 == 0 ? 2.5f : k % 3 == 1 ? 8.0f : 80.0f;
            const float cx = random.uniform(0.0f, 70.0f), cy = random.uniform(0.0f, 40.0f);
            RasterVertex v[3];
            for (RasterVertex& vertex : v) {
                const float x = std::clamp(cx + random.uniform(-spread, spread), 0.0f, 70.0f);
                const float y = std::clamp(cy + random.uniform(-spread, spread), 0.0f, 40.0f);
                vertex = screenVertex(fast.r, x, y, random.uniform(-60.0f, -1.5f));
                float unused;
                channelEnds(random, vertex.red, unused);
                channelEnds(random, vertex.green, unused);
                channelEnds(random, vertex.blue, unused);
            }
            const float area = (v[1].sx - v[0].sx) * (v[2].sy - v[0].sy) - (v[2].sx - v[0].sx) * (v[1].sy - v[0].sy);
            RasterVertex* polygon[3] = {&v[0], area < 0.0f ? &v[1] : &v[2], area < 0.0f ? &v[2] : &v[1]};
            fast.r.drawTriangle(polygon[0], polygon[1], polygon[2]);
            notPlain += !referenceColourScan(slow.r, polygon, 3, slow.bitmap->pixels, slow.r.depth);
        }
        const Snapshot reference(slow);
        wrong += reference.differences(fast, "triangle", reported);
        for (size_t i = 0; i < initial.pixels.size(); ++i)
            covered += initial.depth[i] != fast.r.depth[i] || initial.pixels[i] != fast.bitmap->pixels[i];
    }
    EXPECT_EQ(notPlain, 0);
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(covered, 10000);
}

int channelOf(uint16_t pixel, int c) {
    return c == 0 ? (pixel >> 11) << 3 : c == 1 ? ((pixel >> 5) & 0x3F) << 2 : (pixel & 0x1F) << 3;
}

// A triangle with a red, a green and a blue corner, drawn through the face
// pipeline: pixels near each corner are near its colour, the centroid near
// the mean of the three.
TEST(ColourFiller, CornerColoursBlendAcrossATriangle) {
    Canvas c(120, 120);
    std::vector<RasterVertex> vertices = {screenVertex(c.r, 10.0f, 110.0f), screenVertex(c.r, 110.0f, 110.0f),
                                          screenVertex(c.r, 60.0f, 10.0f)};
    // The face runs counter-clockwise as seen (y grows downwards on screen).
    const std::vector<Color4f> colours = {{1.0f, 0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f, 0.0f}};
    const std::vector<int32_t> coordIndex = {0, 1, 2, -1};
    c.r.drawIndexedFacesColoured(flatSurface(0.5f, 0.5f, 0.5f), vertices, colours, coordIndex, {}, {}, {}, true,
                                 true);
    EXPECT_EQ(c.r.colourMode, 0);
    struct Probe {
        int32_t x, y;
        int red, green, blue;  // expected 8-bit channels
        int tolerance;
    };
    const Probe probes[] = {
        {13, 108, 255, 0, 0, 16},  // near the red corner
        {106, 108, 0, 255, 0, 16},  // near the green corner
        {60, 14, 0, 0, 255, 16},    // near the blue corner
        {60, 77, 85, 85, 85, 10},   // the centroid: the mean
        {60, 109, 128, 128, 0, 12}, // the middle of the red-green edge
    };
    for (const Probe& p : probes) {
        const uint16_t pixel = c.pixel(p.x, p.y);
        SCOPED_TRACE(testing::Message() << "at " << p.x << "," << p.y << " pixel " << pixel);
        EXPECT_NEAR(channelOf(pixel, 0), p.red, p.tolerance);
        EXPECT_NEAR(channelOf(pixel, 1), p.green, p.tolerance);
        EXPECT_NEAR(channelOf(pixel, 2), p.blue, p.tolerance);
    }
    // Outside the triangle nothing changed.
    EXPECT_EQ(c.pixel(2, 2), kBackground);
}

// The faces the colour pipeline refuses or reads differently.
TEST(ColourFiller, RefusedAndIgnoredInput) {
    const std::vector<int32_t> coordIndex = {0, 1, 2, -1};
    const std::vector<Color4f> white = {{1.0f, 1.0f, 1.0f, 0.0f}, {1.0f, 1.0f, 1.0f, 0.0f}, {1.0f, 1.0f, 1.0f, 0.0f}};
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* name;
        std::vector<Color4f> colours;
        std::vector<int32_t> colourIndex;
        uint32_t refusedFaces, invalidTriangles;
        bool drawn;
    };
    const Case cases[] = {
        {"colour index past the colours", white, {0, 1, 7, -1}, 1, 0, false},
        {"negative colour index", white, {0, -3, 1, -1}, 1, 0, false},
        {"colour index list too short", white, {0, 1}, 1, 0, false},
        {"a NaN colour", {{1.0f, nan, 1.0f, 0.0f}, {1.0f, 1.0f, 1.0f, 0.0f}, {1.0f, 1.0f, 1.0f, 0.0f}}, {}, 0, 1, false},
        {"no colours: the emissive colour", {}, {}, 0, 0, true},
        {"colours far past white saturate", {{90.0f, 90.0f, 90.0f, 0.0f}, {90.0f, 90.0f, 90.0f, 0.0f},
                                             {90.0f, 90.0f, 90.0f, 0.0f}}, {}, 0, 0, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Canvas c(40, 40);
        std::vector<RasterVertex> vertices = {screenVertex(c.r, 5.0f, 35.0f), screenVertex(c.r, 35.0f, 35.0f),
                                              screenVertex(c.r, 20.0f, 5.0f)};
        const RasterCounters before = c.r.counters;
        c.r.drawIndexedFacesColoured(flatSurface(0.0f, 0.0f, 1.0f), vertices, k.colours, coordIndex, {}, {},
                                     k.colourIndex, true, false);
        EXPECT_EQ(c.r.counters.facesRefused - before.facesRefused, k.refusedFaces);
        EXPECT_EQ(c.r.counters.trianglesInvalid - before.trianglesInvalid, k.invalidTriangles);
        EXPECT_EQ(c.pixel(20, 28) != kBackground, k.drawn);
        if (k.drawn) {
            EXPECT_EQ(c.pixel(20, 28), k.colours.empty() ? 0x001F : 0xFFFF);
        }
    }
}

// A textured surface shows its texels: the texture replaces the colours.
TEST(ColourFiller, ATextureReplacesTheColours) {
    Canvas c(40, 40);
    OwnedBitmap texture = newBitmap(32, 32, false);
    fillBitmap(texture.get(), 0x07E0);
    const TextureEntry entry{texture.get(), u"green"};
    SurfaceState s = flatSurface(0.0f, 0.0f, 0.0f);
    s.textured = 1;
    s.texture = &entry;
    std::vector<RasterVertex> vertices = {screenVertex(c.r, 5.0f, 35.0f), screenVertex(c.r, 35.0f, 35.0f),
                                          screenVertex(c.r, 20.0f, 5.0f)};
    const std::vector<Color4f> red(3, Color4f{1.0f, 0.0f, 0.0f, 0.0f});
    const std::vector<Vec2f> texPoints = {{0.0f, 0.0f}, {1.0f, 0.0f}, {0.5f, 1.0f}};
    const std::vector<int32_t> coordIndex = {0, 1, 2, -1};
    c.r.drawIndexedFacesColoured(s, vertices, red, coordIndex, texPoints, {}, {}, true, false);
    EXPECT_EQ(c.pixel(20, 28), 0x07E0);
    const_cast<TextureEntry&>(entry).bitmap = nullptr;
}

// Many coloured triangles, some transparent, across a target big enough to
// be drawn in bands: one thread and two threads leave the same bytes.
TEST(ColourFiller, BandsDrawTheFrameOfOneThread) {
    auto draw = [](int32_t threads) {
        Canvas c(400, 300);
        c.r.setThreads(threads, 0);
        Random random(99);
        for (int mesh = 0; mesh < 40; ++mesh) {
            std::vector<RasterVertex> vertices;
            std::vector<Color4f> colours;
            std::vector<int32_t> coordIndex;
            for (int k = 0; k < 12; ++k) {
                vertices.push_back(cameraVertex(c.r, random.uniform(-9.0f, 9.0f), random.uniform(-7.0f, 7.0f),
                                                random.uniform(-30.0f, 2.0f)));
                colours.push_back({random.uniform(0.0f, 1.2f), random.uniform(0.0f, 1.0f), random.uniform(-0.1f, 1.0f), 0.0f});
            }
            for (int f = 0; f < 8; ++f) {
                for (int k = 0; k < 3; ++k) coordIndex.push_back(random.below(12));
                coordIndex.push_back(-1);
            }
            SurfaceState s = flatSurface(0.2f, 0.2f, 0.2f);
            if (mesh % 3 == 0) {
                s.transparency = 0.4f;
                s.opaque = 0;
            }
            c.r.drawIndexedFacesColoured(s, vertices, colours, coordIndex, {}, {}, {}, true, true);
        }
        c.r.flush();
        EXPECT_TRUE(threads == 1 || c.r.threadCount() == threads);
        return std::vector<uint16_t>(c.bitmap->pixels, c.bitmap->pixels + 400 * 300);
    };
    const std::vector<uint16_t> one = draw(1);
    const std::vector<uint16_t> two = draw(2);
    EXPECT_TRUE(one == two);
    EXPECT_GT(std::count_if(one.begin(), one.end(), [](uint16_t p) { return p != kBackground; }), 20000);
}

}  // namespace
