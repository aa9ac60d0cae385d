// The fast fillers against the reference filler: thousands of seeded random
// spans, and random triangles through every walk, in every surface case,
// compared pixel for pixel and depth for depth over the whole target. Built
// twice by `make test`: with the SSE2 lanes and with ORVELLA_NO_SSE2.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "raster_fixture.h"
#include "seeded_random.h"
#include "reference_filler.h"
#include "raster/scan_convert.h"

namespace {

using namespace raster_test;

// Noise textures of the four sizes the fillers address.
struct Textures {
    OwnedBitmap bitmaps[4];
    TextureEntry entries[4];
    explicit Textures(Random& random) {
        for (int k = 0; k < 4; ++k) {
            const int32_t size = 32 << k;
            bitmaps[k] = newBitmap(size, size, false);
            for (int32_t i = 0; i < size * size; ++i) bitmaps[k]->pixels[i] = static_cast<uint16_t>(random.next());
            entries[k] = TextureEntry{bitmaps[k].get(), u"noise"};
        }
    }
};

// The surface cases: unlit or lit; opaque, transparency that rounds to
// weight 0, partial, half, or 1; untextured or textured.
constexpr float kTransparencies[] = {0.0f, 0.002f, 0.4f, 0.5f, 1.0f};
constexpr int kCases = 2 * 5 * 2;

SurfaceState randomSurface(Random& random, int caseIndex, Textures& textures) {
    SurfaceState s;
    s.lit = caseIndex & 1;
    s.transparency = kTransparencies[(caseIndex >> 1) % 5];
    s.opaque = s.transparency > 0.0f ? 0 : 1;
    for (int k = 0; k < 3; ++k) {
        s.diffuse[k] = random.uniform(0.0f, 1.0f);
        s.emissive[k] = random.chance(20) ? 0.0f : random.uniform(0.0f, 0.6f);
    }
    if (caseIndex >= kCases / 2) {
        s.textured = 1;
        s.texture = &textures.entries[random.below(4)];
    }
    return s;
}

// A shade start and end: usual, crossing zero, bright, or past the
// 16.16 ceiling of 256.
void shadeEnds(Random& random, float& first, float& last) {
    const int kind = random.below(10);
    const float lo = kind == 7 ? -0.01f : kind == 8 ? 200.0f : kind == 9 ? 250.0f : 0.0f;
    const float hi = kind == 7 ? 0.3f : kind == 8 ? 300.0f : kind == 9 ? 262.0f : 1.6f;
    first = random.uniform(lo, hi);
    last = random.uniform(lo, hi);
}

int32_t spanLength(Random& random, int32_t width) {
    static const int32_t kEdges[] = {1, 2, 7, 8, 9, 15, 16, 17, 24, 31, 32, 33, 48, 64, 80, 96};
    const int pick = random.below(100);
    int32_t n = pick < 20 ? kEdges[random.below(16)] : pick < 55 ? 1 + random.below(8)
                : pick < 80                           ? 9 + random.below(25)
                                                      : 34 + random.below(width - 33);
    return std::min(n, width);
}

struct Buffers {
    std::vector<uint16_t> pixels;
    std::vector<uint32_t> depth;
    explicit Buffers(const Canvas& c)
        : pixels(c.bitmap->pixels, c.bitmap->pixels + c.width() * c.height()),
          depth(c.r.depth, c.r.depth + c.width() * c.height()) {}
    // Differences from the canvas, reported for the first few.
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

void randomSpansMatchTheReference() {
    Random random(7103);
    Textures textures(random);
    Canvas c(100, 3);
    const int32_t width = c.width();
    int wrong = 0, reported = 0, notPlain = 0;
    int drawnByCase[kCases] = {};
    for (int trial = 0; trial < 8000; ++trial) {
        const int caseIndex = trial % kCases;
        c.r.beginSurface(randomSurface(random, caseIndex, textures));
        int32_t* table = c.r.weightTable;
        // Now and then rows that are not whole rows of the table (the eight
        // lanes then leave the blend to the table), or no table at all.
        const int oddity = c.r.opaqueMode ? 0 : random.below(25);
        if (oddity == 1 && c.r.newWeightRow != 0) c.r.oldWeightRow += 1 + random.below(200);
        if (oddity == 2) c.r.weightTable = nullptr;

        const int32_t n = spanLength(random, width);
        Edge& left = c.r.leftEdge;
        Edge& right = c.r.rightEdge;
        left.column = random.below(width - n + 1);
        right.column = left.column + n;
        left.rowStart = random.below(c.height()) * width;
        Gradients& g = c.r.gradients;
        // Perspective linear along the span and positive on every pixel; the
        // right edge one pixel past the last, give or take its rounding.
        const float p0 = random.uniform(0.05f, 4.0f), pLast = p0 * random.uniform(0.3f, 3.0f);
        g.dPerspDx = n > 1 ? (pLast - p0) / static_cast<float>(n - 1) : random.uniform(-0.01f, 0.01f);
        g.dPerspDx16 = 16.0f * g.dPerspDx;
        left.persp = p0;
        right.persp = pLast + g.dPerspDx * random.uniform(0.999f, 1.001f);
        // Texel coordinates u = uPersp / perspective from -700 to 700 texels.
        auto texAxis = [&](float& leftValue, float& rightValue, float& dx, float& dx16, int32_t& round) {
            const float a = random.uniform(-700.0f, 700.0f) * p0, b = random.uniform(-700.0f, 700.0f) * pLast;
            dx = n > 1 ? (b - a) / static_cast<float>(n - 1) : random.uniform(-5.0f, 5.0f);
            dx16 = 16.0f * dx;
            leftValue = a;
            rightValue = b + dx;
            round = random.chance(50) ? 0x8000 : 0x7FFF;
        };
        texAxis(left.uPersp, right.uPersp, g.dUPerspDx, g.dUPerspDx16, g.uRound);
        texAxis(left.vPersp, right.vPersp, g.dVPerspDx, g.dVPerspDx16, g.vRound);
        float s0, s1;
        shadeEnds(random, s0, s1);
        left.shade = s0;
        g.dShadeDx = n > 1 ? (s1 - s0) / static_cast<float>(n - 1) : random.uniform(-0.1f, 0.1f);

        // Old pixels of noise; stored depths around the span's, some empty, some nearest.
        const float zNear = 65536.0f / std::max(p0, pLast), zFar = 65536.0f / std::min(p0, pLast);
        for (int32_t i = 0; i < width * c.height(); ++i) {
            c.bitmap->pixels[i] = static_cast<uint16_t>(random.next());
            const int kind = random.below(10);
            c.r.depth[i] = kind == 0   ? 0xFFFFFFFFu
                           : kind == 1 ? 0u
                                       : static_cast<uint32_t>(random.uniform(0.8f * zNear, 1.2f * zFar));
        }
        const bool textured = c.r.textureMode != 0 && random.chance(85);
        if (random.chance(25)) {
            // Stored depths equal to the span's own, or one off either way:
            // the test must be strictly nearer. The span's depths are the
            // ones an opaque pass over an empty buffer stores.
            std::vector<uint16_t> scratchPixels(c.bitmap->pixels, c.bitmap->pixels + width * c.height());
            std::vector<uint32_t> scratchDepth(scratchPixels.size(), 0xFFFFFFFFu);
            const uint8_t opaque = c.r.opaqueMode;
            c.r.opaqueMode = 1;
            referenceSpan(c.r, left, right, textured, scratchPixels.data(), scratchDepth.data());
            c.r.opaqueMode = opaque;
            const int32_t first = left.rowStart + left.column, end = left.rowStart + right.column;
            if (random.chance(50)) {
                for (int32_t i = first; i < end; ++i)
                    c.r.depth[i] = scratchDepth[static_cast<size_t>(i)] + static_cast<uint32_t>(random.below(3) - 1);
            } else {
                // Hidden end to end (equal or nearer stored depths), but for
                // at most one pixel: whole blocks are skipped, and a block
                // with one visible pixel anywhere in it must still draw it.
                for (int32_t i = first; i < end; ++i)
                    c.r.depth[i] = scratchDepth[static_cast<size_t>(i)] - static_cast<uint32_t>(random.below(2));
                if (random.chance(70)) {
                    const int32_t i = first + random.below(end - first);
                    c.r.depth[i] = scratchDepth[static_cast<size_t>(i)] + 1;
                }
            }
        }
        Buffers reference(c);
        notPlain += !referenceSpan(c.r, left, right, textured, reference.pixels.data(), reference.depth.data());
        const Buffers before(c);
        if (textured) c.r.fillSpanTextured();
        else c.r.fillSpan();
        wrong += reference.differences(c, "span", reported);
        drawnByCase[caseIndex] += before.pixels != reference.pixels;
        c.r.weightTable = table;
    }
    EXPECT_EQ(notPlain, 0);
    EXPECT_EQ(wrong, 0);
    // Every case that can change a pixel changed some, and transparency 1 none.
    for (int k = 0; k < kCases; ++k) {
        if (kTransparencies[(k >> 1) % 5] == 1.0f) EXPECT_EQ(drawnByCase[k], 0) << "case " << k;
        else EXPECT_GT(drawnByCase[k], 150) << "case " << k;
    }
}

// Triangles inside the target, from a pixel across (the narrow walks) to
// the whole target (the edge walk over many blocks), through drawTriangle
// and through the reference scan.
void randomTrianglesMatchTheReference() {
    Random random(52);
    Textures textures(random);
    int wrong = 0, reported = 0, notPlain = 0, covered = 0;
    for (int caseIndex = 0; caseIndex < kCases; ++caseIndex) {
        Canvas fast(70, 40), slow(70, 40);
        const SurfaceState s = randomSurface(random, caseIndex, textures);
        fast.r.beginSurface(s);
        slow.r.beginSurface(s);
        for (int32_t i = 0; i < 70 * 40; ++i) fast.bitmap->pixels[i] = static_cast<uint16_t>(random.next());
        std::memcpy(slow.bitmap->pixels, fast.bitmap->pixels, 70 * 40 * sizeof(uint16_t));
        const Buffers initial(fast);
        for (int k = 0; k < 300; ++k) {
            const float spread = k % 3 == 0 ? 2.5f : k % 3 == 1 ? 8.0f : 80.0f;
            const float cx = random.uniform(0.0f, 70.0f), cy = random.uniform(0.0f, 40.0f);
            float s0, s1;
            shadeEnds(random, s0, s1);
            RasterVertex v[3];
            for (RasterVertex& vertex : v) {
                const float x = std::clamp(cx + random.uniform(-spread, spread), 0.0f, 70.0f);
                const float y = std::clamp(cy + random.uniform(-spread, spread), 0.0f, 40.0f);
                vertex = screenVertex(fast.r, x, y, random.uniform(-60.0f, -1.5f));
                vertex.u = random.uniform(-3.0f, 3.0f);
                vertex.v = random.uniform(-3.0f, 3.0f);
                vertex.shade = random.chance(50) ? s0 : s1;
            }
            const float area = (v[1].sx - v[0].sx) * (v[2].sy - v[0].sy) - (v[2].sx - v[0].sx) * (v[1].sy - v[0].sy);
            RasterVertex* polygon[3] = {&v[0], area < 0.0f ? &v[1] : &v[2], area < 0.0f ? &v[2] : &v[1]};
            fast.r.drawTriangle(polygon[0], polygon[1], polygon[2]);  // also sets uPersp and vPersp
            notPlain += !referenceScan(slow.r, polygon, 3, slow.bitmap->pixels, slow.r.depth);
        }
        const Buffers reference(slow);
        wrong += reference.differences(fast, "triangle", reported);
        for (size_t i = 0; i < initial.pixels.size(); ++i) covered += initial.depth[i] != fast.r.depth[i] ||
                                                                      initial.pixels[i] != fast.bitmap->pixels[i];
    }
    EXPECT_EQ(notPlain, 0);
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(covered, 20000);
}

// Where the processor offers 256-bit lanes the fillers use them; the runs go
// once with them and once without, so both paths answer to the reference.
class LanesInUse {
public:
    explicit LanesInUse(bool wide) : was_(raster::useWideLanes(raster::wideLanesOffered())) {
        raster::useWideLanes(wide);
    }
    ~LanesInUse() { raster::useWideLanes(was_); }

private:
    bool was_;
};

std::vector<bool> lanesToTry() {
    if (raster::wideLanesOffered()) return {false, true};
    return {false};
}

TEST(RasterFillerDifferential, RandomSpansMatchTheReferenceInEverySurfaceCase) {
    for (bool wide : lanesToTry()) {
        SCOPED_TRACE(wide ? "256-bit lanes" : "eight lanes");
        LanesInUse lanes(wide);
        randomSpansMatchTheReference();
    }
}

TEST(RasterFillerDifferential, RandomTrianglesMatchTheReferenceScan) {
    for (bool wide : lanesToTry()) {
        SCOPED_TRACE(wide ? "256-bit lanes" : "eight lanes");
        LanesInUse lanes(wide);
        randomTrianglesMatchTheReference();
    }
}

}  // namespace
