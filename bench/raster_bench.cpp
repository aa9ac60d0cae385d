// Fill-rate benchmarks of the span fillers, single thread, at the handheld's
// 240 x 320 and at 1280 x 720. Every case draws screen-covering quads (two
// triangles each) through drawIndexedFaces, as the scene side does; layered
// cases draw 8 quads back to front so that every pixel passes the depth test
// each time. The reference is a plain depth-test-and-write loop over the same
// pixels. Clearing the frame is outside the timed region.
//
// Columns: Time is per frame (all layers); per_px is the time per drawn pixel.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "raster/bitmap.h"
#include "raster/rasterizer.h"

namespace {

constexpr int kLayers = 8;

struct Frame {
    OwnedBitmap target;
    Rasterizer r;
    OwnedBitmap texture;
    TextureEntry textureEntry;

    Frame(int32_t width, int32_t height) : target(newBitmap(width, height, false)) {
        r.attachTarget(target.get());
        texture = newBitmap(128, 128, false);
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x)
                texture->pixels[y * 128 + x] = static_cast<uint16_t>((x * 0x0841) ^ (y * 0x1003) ^ ((x ^ y) << 5));
        textureEntry = TextureEntry{texture.get(), u"bench"};
    }

    void clear() {
        r.clearColor(0.1f, 0.2f, 0.3f);
        r.resetDepth();
    }

    int64_t pixels() const { return static_cast<int64_t>(r.targetWidth) * r.targetHeight; }

    // A screen-covering quad at depth z (camera space, negative) with the
    // given surface; shades vary per corner for Gouraud shading.
    void quad(const SurfaceState& surface, float z) {
        const float w = static_cast<float>(r.targetWidth), h = static_cast<float>(r.targetHeight);
        const float corners[4][2] = {{0, 0}, {0, h}, {w, h}, {w, 0}};
        RasterVertex v[4];
        for (int k = 0; k < 4; ++k) {
            v[k].z = z;
            v[k].perspective = r.focal / z;
            v[k].sx = corners[k][0];
            v[k].sy = corners[k][1];
            v[k].x = (v[k].sx - r.halfWidth) / v[k].perspective;
            v[k].y = (r.halfHeight - v[k].sy) / v[k].perspective;
            v[k].outcode = 0;
        }
        static const ShadeEntry shades[4] = {{0, 0, 1, 0.4f}, {0, 0, 1, 1.3f}, {0, 0, 1, 0.9f}, {0, 0, 1, 0.1f}};
        static const Vec2f points[4] = {{0, 4}, {0, 0}, {3, 0}, {3, 4}};
        static const int32_t face[5] = {0, 1, 2, 3, -1};
        r.drawIndexedFaces(surface, v, shades, face, points, {}, {}, true, false);
    }
};

// The frame supplies the texture itself when `textured`.
SurfaceState surface(bool lit, float transparency, bool textured) {
    SurfaceState s;
    s.lit = lit ? 1 : 0;
    s.opaque = transparency > 0 ? 0 : 1;
    s.transparency = transparency;
    s.diffuse[0] = 0.8f;
    s.diffuse[1] = 0.6f;
    s.diffuse[2] = 0.4f;
    s.emissive[0] = 0.1f;
    s.emissive[1] = 0.05f;
    s.emissive[2] = 0.0f;
    s.textured = textured ? 1 : 0;
    return s;
}

void reportPixels(benchmark::State& state, int64_t pixelsPerFrame) {
    state.counters["per_px"] = benchmark::Counter(static_cast<double>(pixelsPerFrame),
                                                  benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
}

// The references: test each pixel's depth and write colour and depth, over
// an empty depth buffer (every test passes) or over one that already holds
// nearer depths (every test fails).
void plainDepthLoop(benchmark::State& state, bool hidden) {
    Frame frame(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
    const int32_t width = frame.r.targetWidth, height = frame.r.targetHeight;
    for (auto _ : state) {
        state.PauseTiming();
        frame.clear();
        if (hidden) std::fill(frame.r.depth, frame.r.depth + frame.pixels(), 0x00010000u);
        state.ResumeTiming();
        uint16_t* pixels = frame.r.targetPixels;
        uint32_t* depth = frame.r.depth;
        for (int32_t y = 0; y < height; ++y) {
            uint32_t z = 0x00100000u + static_cast<uint32_t>(y);
            for (int32_t x = 0; x < width; ++x) {
                const int32_t i = y * width + x;
                if (z < depth[i]) {
                    depth[i] = z;
                    pixels[i] = 0x7BEF;
                }
                z += 3;
            }
        }
        benchmark::ClobberMemory();
    }
    reportPixels(state, frame.pixels());
}

void BM_PlainDepthWrite(benchmark::State& state) { plainDepthLoop(state, false); }
void BM_PlainDepthReject(benchmark::State& state) { plainDepthLoop(state, true); }

// Clearing colour and depth, the least a frame costs.
void BM_ClearFrame(benchmark::State& state) {
    Frame frame(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
    for (auto _ : state) {
        frame.clear();
        benchmark::ClobberMemory();
    }
    reportPixels(state, frame.pixels());
}

enum class Order { BackToFront, FrontToBack };

void drawLayers(benchmark::State& state, const SurfaceState& s, int layers, Order order = Order::BackToFront) {
    Frame frame(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
    SurfaceState local = s;
    if (local.textured) local.texture = &frame.textureEntry;
    for (auto _ : state) {
        state.PauseTiming();
        frame.clear();
        state.ResumeTiming();
        // Back to front each layer is nearer than the one before and every
        // pixel is written each time; front to back only the first is.
        for (int k = 0; k < layers; ++k) {
            const int step = order == Order::BackToFront ? k : layers - 1 - k;
            frame.quad(local, -80.0f + 8.0f * static_cast<float>(step));
        }
        benchmark::ClobberMemory();
    }
    reportPixels(state, frame.pixels() * layers);
}

void BM_FlatOpaque(benchmark::State& state) { drawLayers(state, surface(false, 0, false), 1); }
void BM_GouraudOpaque(benchmark::State& state) { drawLayers(state, surface(true, 0, false), 1); }
void BM_Layers8Shaded(benchmark::State& state) { drawLayers(state, surface(true, 0, false), kLayers); }
void BM_Layers8ShadedFrontToBack(benchmark::State& state) {
    drawLayers(state, surface(true, 0, false), kLayers, Order::FrontToBack);
}
void BM_Layers8TexturedFrontToBack(benchmark::State& state) {
    drawLayers(state, surface(true, 0, true), kLayers, Order::FrontToBack);
}
void BM_Layers8ShadedTransparent(benchmark::State& state) {
    drawLayers(state, surface(true, 0.4f, false), kLayers);
}
void BM_Layers8Textured(benchmark::State& state) {
    drawLayers(state, surface(true, 0, true), kLayers);
}
void BM_Layers8TexturedUnlit(benchmark::State& state) {
    drawLayers(state, surface(false, 0, true), kLayers);
}
void BM_Layers8TexturedTransparent(benchmark::State& state) {
    drawLayers(state, surface(true, 0.4f, true), kLayers);
}

#define RASTER_BENCH(name) \
    BENCHMARK(name)->Args({240, 320})->Args({1280, 720})->Unit(benchmark::kMillisecond)

RASTER_BENCH(BM_ClearFrame);
RASTER_BENCH(BM_PlainDepthWrite);
RASTER_BENCH(BM_PlainDepthReject);
RASTER_BENCH(BM_Layers8ShadedFrontToBack);
RASTER_BENCH(BM_Layers8TexturedFrontToBack);
RASTER_BENCH(BM_FlatOpaque);
RASTER_BENCH(BM_GouraudOpaque);
RASTER_BENCH(BM_Layers8Shaded);
RASTER_BENCH(BM_Layers8ShadedTransparent);
RASTER_BENCH(BM_Layers8Textured);
RASTER_BENCH(BM_Layers8TexturedUnlit);
RASTER_BENCH(BM_Layers8TexturedTransparent);

}  // namespace
