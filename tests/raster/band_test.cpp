// Band-parallel drawing against one thread: the same seeded scenes drawn by a
// rasterizer on one thread and by rasterizers on 2, 3 and 4 (in bands at any
// size) must leave the same pixels, depth entries and refusal counters, byte
// for byte. The scenes mix every surface case with tiny and screen-sized
// triangles, triangles that cross the near plane, the screen edges and the
// band boundaries, bad faces, and clears part way through.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "raster/band_renderer.h"
#include "raster_fixture.h"
#include "seeded_random.h"

namespace {

using namespace raster_test;

// Noise textures of the sizes texturing takes, and one it refuses (48).
struct Textures {
    std::vector<OwnedBitmap> bitmaps;
    std::vector<TextureEntry> entries;
    Textures() {
        Random random(77);
        for (int32_t size : {32, 64, 128, 256, 48}) {
            bitmaps.push_back(newBitmap(size, size, false));
            for (int32_t i = 0; i < size * size; ++i) bitmaps.back()->pixels[i] = static_cast<uint16_t>(random.next());
        }
        for (OwnedBitmap& b : bitmaps) entries.push_back(TextureEntry{b.get(), u"noise"});
    }
    ~Textures() {
        for (TextureEntry& e : entries) e.bitmap = nullptr;
    }
};

SurfaceState randomSurface(Random& random, const Textures& textures) {
    SurfaceState s;
    s.lit = random.chance(50) ? 1 : 0;
    const float transparencies[] = {0.0f, 0.0f, 0.3f, 0.5f, 1.0f};
    s.transparency = transparencies[random.below(5)];
    s.opaque = s.transparency > 0.0f ? 0 : 1;
    for (int k = 0; k < 3; ++k) {
        s.diffuse[k] = random.uniform(0.2f, 1.0f);
        s.emissive[k] = random.uniform(0.0f, 0.3f);
    }
    if (random.chance(45)) {
        s.textured = 1;
        s.texture = &textures.entries[static_cast<std::size_t>(random.below(5))];
    }
    return s;
}

// A mesh of faces of 3 to 6 corners over camera-space points that spread past
// the screen, some behind the near plane, or over screen points clustered
// within `spread` pixels (tiny triangles); now and then a bad index.
void randomMesh(Rasterizer& r, Random& random, const SurfaceState& surface, bool cluster) {
    std::vector<RasterVertex> vertices;
    const float w = static_cast<float>(r.targetWidth), h = static_cast<float>(r.targetHeight);
    const float cx = random.uniform(0.0f, w), cy = random.uniform(0.0f, h);
    for (int k = 0; k < 16; ++k) {
        if (cluster) {
            vertices.push_back(screenVertex(r, cx + random.uniform(-1.5f, 1.5f), cy + random.uniform(-1.5f, 1.5f),
                                            random.uniform(-30.0f, -2.0f)));
        } else {
            float z = random.uniform(-40.0f, -2.0f);
            if (random.chance(15)) z = random.uniform(-3.0f, 4.0f);
            const float reach = -z * 0.6f + 1.0f;
            vertices.push_back(cameraVertex(r, random.uniform(-reach, reach), random.uniform(-reach, reach), z));
        }
    }
    std::vector<ShadeEntry> shades;
    std::vector<Vec2f> texPoints;
    for (std::size_t k = 0; k < vertices.size(); ++k) {
        shades.push_back({0, 0, 1, random.chance(5) ? 300.0f : random.uniform(0.0f, 1.6f)});
        texPoints.push_back({random.uniform(-2.5f, 2.5f), random.uniform(-2.5f, 2.5f)});
    }
    if (random.chance(10)) shades[0].intensity = std::numeric_limits<float>::quiet_NaN();
    std::vector<int32_t> coordIndex;
    for (int f = 0; f < 12; ++f) {
        const int corners = 3 + random.below(4);
        for (int k = 0; k < corners; ++k)
            coordIndex.push_back(random.chance(2) ? 16 + random.below(3) : random.below(16));
        coordIndex.push_back(-1);
    }
    r.drawIndexedFaces(surface, vertices, shades, coordIndex, texPoints, {}, {}, random.chance(50), random.chance(40));
}

// Big triangles straight through drawTriangle, most of them across the whole
// target, and thin ones whose corners sit on the band boundaries of 2, 3 and
// 4 bands (on the row, a hair above or below it).
void bigTriangles(Rasterizer& r, Random& random, const SurfaceState& surface) {
    r.beginSurface(surface);
    const float w = static_cast<float>(r.targetWidth), h = static_cast<float>(r.targetHeight);
    for (int k = 0; k < 3; ++k) {
        RasterVertex v[3];
        for (RasterVertex& vertex : v) {
            const bool onBoundary = k == 2;
            const int32_t bands = 2 + random.below(3);
            // Band k of n starts at row k * height / n.
            const float boundary = static_cast<float>(r.targetHeight * (1 + random.below(bands - 1)) / bands);
            const float hair[] = {0.0f, -0.03f, 0.03f, 0.5f};
            const float sy = onBoundary ? boundary + hair[random.below(4)] : random.uniform(-0.3f * h, 1.3f * h);
            vertex = screenVertex(r, random.uniform(-0.3f * w, 1.3f * w), sy, random.uniform(-60.0f, -1.5f));
            vertex.u = random.uniform(-3.0f, 3.0f);
            vertex.v = random.uniform(-3.0f, 3.0f);
            vertex.shade = random.uniform(0.0f, 1.3f);
        }
        const float area = (v[1].sx - v[0].sx) * (v[2].sy - v[0].sy) - (v[2].sx - v[0].sx) * (v[1].sy - v[0].sy);
        if (area < 0.0f) r.drawTriangle(&v[0], &v[1], &v[2]);
        else r.drawTriangle(&v[0], &v[2], &v[1]);
    }
}

// One whole scene into the rasterizer's target, ending flushed.
void drawScene(Rasterizer& r, uint64_t seed, const Textures& textures) {
    Random random(seed);
    r.clearColor(random.uniform(0, 1), random.uniform(0, 1), random.uniform(0, 1));
    r.resetDepth();
    for (int round = 0; round < 10; ++round) {
        const SurfaceState surface = randomSurface(random, textures);
        randomMesh(r, random, surface, false);
        randomMesh(r, random, surface, true);
        bigTriangles(r, random, surface);
        if (round == 4) r.resetDepth();                   // later surfaces show in front again
        if (round == 7) r.clearColor(0.0f, 0.0f, 0.0f);  // black: the byte clear
    }
    r.flush();
}

struct Frame {
    std::vector<uint16_t> pixels;
    std::vector<uint32_t> depth;
    RasterCounters counters;
};

Frame drawFrame(int32_t width, int32_t height, int32_t threads, uint64_t seed, const Textures& textures,
                bool& banded) {
    OwnedBitmap target = newBitmap(width, height, false);
    auto r = std::make_unique<Rasterizer>();
    r->setThreads(threads, 0);
    r->attachTarget(target.get());
    banded = r->bands && r->bands->recording();
    // A scene, a batch of tiny triangles only, and a second scene, which
    // follows the tiny ones and so is drawn directly, not in bands.
    drawScene(*r, seed, textures);
    Random random(seed);
    for (int k = 0; k < 30; ++k) randomMesh(*r, random, flatSurface(0.9f, 0.9f, 0.1f), true);
    r->flush();
    drawScene(*r, seed + 1000, textures);
    Frame f;
    f.pixels.assign(target->pixels, target->pixels + width * height);
    f.depth.assign(r->depth, r->depth + width * height);
    f.counters = r->counters;
    return f;
}

void expectSameFrame(const Frame& one, const Frame& many) {
    ASSERT_EQ(one.pixels.size(), many.pixels.size());
    std::size_t differing = 0, first = 0;
    for (std::size_t i = 0; i < one.pixels.size(); ++i) {
        if (one.pixels[i] != many.pixels[i] || one.depth[i] != many.depth[i]) {
            if (differing++ == 0) first = i;
        }
    }
    EXPECT_EQ(differing, 0u) << "first at pixel " << first;
    EXPECT_EQ(one.counters.facesRefused, many.counters.facesRefused);
    EXPECT_EQ(one.counters.trianglesInvalid, many.counters.trianglesInvalid);
    EXPECT_EQ(one.counters.trianglesDegenerate, many.counters.trianglesDegenerate);
    EXPECT_EQ(one.counters.clipOverflows, many.counters.clipOverflows);
}

TEST(RasterBands, EveryThreadCountDrawsTheFrameOfOneThread) {
    const Textures textures;
    const struct {
        int32_t width, height;
    } sizes[] = {{240, 320}, {1280, 720}, {37, 1001}, {61, 47}, {5, 3}, {1, 1}};
    uint64_t seed = 11;
    for (const auto& size : sizes) {
        // One scene at 1280 x 720 keeps the sanitizer run short.
        const int scenes = size.width * size.height > 500000 ? 1 : 2;
        for (int scene = 0; scene < scenes; ++scene, ++seed) {
            bool banded = false;
            const Frame one = drawFrame(size.width, size.height, 1, seed, textures, banded);
            EXPECT_FALSE(banded);
            // The surfaces reached the pixels, or the comparison would say little.
            if (one.pixels.size() > 100) {
                std::size_t changes = 0;
                for (std::size_t i = 1; i < one.pixels.size(); ++i) changes += one.pixels[i] != one.pixels[i - 1];
                EXPECT_GT(changes, one.pixels.size() / 50);
            }
            for (int32_t threads : {2, 3, 4}) {
                SCOPED_TRACE(testing::Message() << size.width << " x " << size.height << ", " << threads
                                                << " threads, seed " << seed);
                const Frame many = drawFrame(size.width, size.height, threads, seed, textures, banded);
                // A target of one row cannot be cut into bands.
                EXPECT_EQ(banded, size.height > 1);
                expectSameFrame(one, many);
            }
        }
    }
}

// After a batch of small polygons (a dense mesh) the next one is drawn
// directly; after large ones it is recorded for the bands again.
TEST(RasterBands, SmallPolygonsAreDrawnWithoutBands) {
    const Textures textures;
    OwnedBitmap target = newBitmap(400, 300, false);
    Rasterizer r;
    r.setThreads(2);
    r.attachTarget(target.get());
    ASSERT_TRUE(r.bands && r.bands->recording());
    const SurfaceState surface = flatSurface(0.5f, 0.2f, 0.9f);
    Random random(3);
    const struct {
        bool small;
        bool recordedAfter;
    } batches[] = {{true, false}, {true, false}, {false, true}, {true, false}};
    for (const auto& batch : batches) {
        for (int k = 0; k < 20; ++k) {
            if (batch.small) randomMesh(r, random, surface, true);
            else bigTriangles(r, random, surface);
        }
        r.flush();
        EXPECT_EQ(r.bands->recording(), batch.recordedAfter) << (batch.small ? "small" : "large");
    }
}

// Recorded drawing lands in the target before whatever would lose it: a new
// target, a new thread count, the end of the rasterizer.
TEST(RasterBands, RecordedDrawingIsDrawnBeforeTheTargetChanges) {
    const Textures textures;
    constexpr int32_t kWidth = 96, kHeight = 80;
    enum class End { NewTarget, OneThread, Destroyed };
    for (End end : {End::NewTarget, End::OneThread, End::Destroyed}) {
        SCOPED_TRACE(static_cast<int>(end));
        OwnedBitmap target = newBitmap(kWidth, kHeight, false);
        OwnedBitmap other = newBitmap(kWidth, kHeight, false);
        fillBitmap(target.get(), 0x1234);
        auto r = std::make_unique<Rasterizer>();
        r->setThreads(2, 0);
        r->attachTarget(target.get());
        ASSERT_TRUE(r->bands && r->bands->recording());
        Random random(5);
        r->clearColor(random.uniform(0, 1), random.uniform(0, 1), random.uniform(0, 1));
        r->resetDepth();
        randomMesh(*r, random, randomSurface(random, textures), false);
        // Nothing is drawn yet: the clear is recorded too.
        const std::vector<uint16_t> before(target->pixels, target->pixels + kWidth * kHeight);
        if (end == End::NewTarget) r->attachTarget(other.get());
        if (end == End::OneThread) r->setThreads(1);
        if (end == End::Destroyed) r.reset();
        // The same drawing on one thread, up to the same point.
        OwnedBitmap reference = newBitmap(kWidth, kHeight, false);
        Rasterizer one;
        one.attachTarget(reference.get());
        Random again(5);
        one.clearColor(again.uniform(0, 1), again.uniform(0, 1), again.uniform(0, 1));
        one.resetDepth();
        randomMesh(one, again, randomSurface(again, textures), false);
        EXPECT_EQ(std::memcmp(target->pixels, reference->pixels, sizeof(uint16_t) * kWidth * kHeight), 0);
        EXPECT_NE(std::memcmp(before.data(), reference->pixels, sizeof(uint16_t) * kWidth * kHeight), 0);
    }
}

}  // namespace
