// Whole frames of generated worlds, headless, at the handheld's 240 x 320 and
// at 1280 x 720: clear, reset depth, updateAndDraw. Reported per frame. The
// third argument is the rasterizer's thread count; a fourth of 1 draws in
// bands at any size (no single-thread fallback below the pixel threshold),
// which is how the threshold was chosen.
//
//   Cubes            2,000 lit-off cubes in view sharing one mesh (24,000 triangles)
//   Boxes            the same with one Box node (full profile) in place of the cube mesh
//   SmoothMesh       one smooth 200,000-triangle height field over most of the view, lit
//   Layers           8 screen-covering squares, back to front, lit (opaque or half transparent)
//   TexturedLayers   the same with a 128 x 128 texture
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>

#include "app/image_loader.h"
#include "bench_worlds.h"
#include "support/memory_stream.h"
#include "app/open_stream.h"
#include "base/text.h"
#include "raster/bitmap.h"
#include "raster/image_source.h"
#include "raster/rasterizer.h"
#include "scene/bindable_nodes.h"
#include "events/full_node_factory.h"
#include "events/node_factory.h"
#include "scene/geometry_nodes.h"
#include "scene/grouping_nodes.h"
#include "scene/node_registry.h"
#include "scene/node_types.h"
#include "scene/primitive_nodes.h"
#include "scene/scene.h"
#include "scene/shape_nodes.h"
#include "vrml/load_world.h"
#include "vrml/parser.h"

namespace {

template <class T>
T* make(int32_t type) {
    return static_cast<T*>(createNode(u"", type));
}

void addChild(X3DGroupingNode* group, X3DNode* child) {
    group->children.value.append(child);
    child->parent = group;
}

nMaterial* material(Color4f diffuse, float transparency) {
    auto* m = make<nMaterial>(NodeType::Material);
    m->diffuseColor.value = diffuse;
    m->transparency.value = transparency;
    return m;
}

nShape* shape(X3DNode* geometry, nMaterial* m, const TextureEntry* texture = nullptr) {
    auto* s = make<nShape>(NodeType::Shape);
    auto* a = make<nAppearance>(NodeType::Appearance);
    a->material.value = m;
    if (texture) {
        auto* t = make<nImageTexture>(NodeType::ImageTexture);
        t->textureEntry = texture;
        a->texture.value = t;
    }
    s->appearance.value = a;
    s->geometry.value = geometry;
    return s;
}

// A frame buffer, a rasterizer and a Scene with the default bindable nodes
// bound and an empty root.
struct World {
    OwnedBitmap target;
    std::unique_ptr<Rasterizer> rasterizer = std::make_unique<Rasterizer>();
    std::unique_ptr<Scene> scene = std::make_unique<Scene>(createNode);
    nGroup* root = make<nGroup>(NodeType::Group);

    World(int32_t width, int32_t height, bool lighting, int32_t threads = 1, bool forceBands = false)
        : target(newBitmap(width, height, false)) {
        rasterizer->setThreads(threads, forceBands ? 0 : Rasterizer::kParallelMinPixels);
        rasterizer->attachTarget(target.get());
        scene->attachRasterizer(rasterizer.get());
        scene->root = root;
        scene->boundViewpoint = scene->previousViewpoint = scene->defaultViewpoint;
        scene->boundNavigationInfo = scene->defaultNavigationInfo;
        scene->boundBackground = scene->defaultBackground;
        scene->lighting = lighting;
    }
    ~World() {
        scene.reset();
        releaseNodeRegistry();
    }

    void frame(double seconds) {
        rasterizer->clearColor(0.0f, 0.0f, 0.2f);
        rasterizer->resetDepth();
        scene->updateAndDraw(seconds, static_cast<uint32_t>(seconds * 1000.0));
    }
};

nIndexedFaceSet* cubeMesh(float half) {
    auto* mesh = make<nIndexedFaceSet>(NodeType::IndexedFaceSet);
    auto* c = make<nCoordinate>(NodeType::Coordinate);
    for (int i = 0; i < 8; ++i)
        c->point.value.append(Vec3f{(i & 1) ? half : -half, (i & 2) ? half : -half, (i & 4) ? half : -half});
    mesh->coord.value = c;
    for (int32_t v : {0, 2, 3, 1, -1, 4, 5, 7, 6, -1, 0, 4, 6, 2, -1, 1, 3, 7, 5, -1, 0, 1, 5, 4, -1, 2, 6, 7, 3, -1})
        mesh->coordIndex.value.append(v);
    return mesh;
}

// 50 x 40 turned cubes over the square x, y in -4 .. 4, seen at either size.
void buildCubes(World& world) {
    nIndexedFaceSet* cube = cubeMesh(0.06f);
    for (int row = 0; row < 40; ++row) {
        for (int column = 0; column < 50; ++column) {
            auto* t = make<nTransform>(NodeType::Transform);
            t->translation.value = {-4.0f + 0.16f * static_cast<float>(column), -4.0f + 0.2f * static_cast<float>(row), 0};
            t->rotation.value = {1, 1, 0, 0.6f};
            addChild(world.root, t);
            addChild(t, shape(cube, material({0.2f + 0.01f * static_cast<float>(column), 0.5f, 0.8f}, 0.0f)));
        }
    }
}

// The cubes of buildCubes as one Box node of the same size, tessellated once
// into a MeshForm, the full profile's way.
void buildBoxes(World& world) {
    auto* box = static_cast<nBox*>(createNodeFull(u"", NodeType::Box));
    box->size.value = Vec3f{0.12f, 0.12f, 0.12f};
    world.scene->profile = Profile::Full;
    for (int row = 0; row < 40; ++row) {
        for (int column = 0; column < 50; ++column) {
            auto* t = make<nTransform>(NodeType::Transform);
            t->translation.value = {-4.0f + 0.16f * static_cast<float>(column), -4.0f + 0.2f * static_cast<float>(row), 0};
            t->rotation.value = {1, 1, 0, 0.6f};
            addChild(world.root, t);
            addChild(t, shape(box, material({0.2f + 0.01f * static_cast<float>(column), 0.5f, 0.8f}, 0.0f)));
        }
    }
}

// A smooth height field of side quads x side quads (2 side^2 triangles).
void buildSmoothMesh(World& world, int side) {
    auto* mesh = make<nIndexedFaceSet>(NodeType::IndexedFaceSet);
    auto* c = make<nCoordinate>(NodeType::Coordinate);
    const float step = 9.0f / static_cast<float>(side);
    for (int j = 0; j <= side; ++j) {
        for (int i = 0; i <= side; ++i) {
            const float x = -4.5f + step * static_cast<float>(i), y = -4.5f + step * static_cast<float>(j);
            c->point.value.append(Vec3f{x, y, 0.3f * std::sin(2.0f * x) * std::cos(2.0f * y)});
        }
    }
    mesh->coord.value = c;
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i) {
            const int32_t a = j * (side + 1) + i;
            for (int32_t v : {a, a + 1, a + side + 2, a + side + 1, -1}) mesh->coordIndex.value.append(v);
        }
    }
    mesh->creaseAngle.value = 1.0f;
    addChild(world.root, shape(mesh, material({0.8f, 0.7f, 0.5f}, 0.0f)));
}

// Eight squares that cover the screen at either size, farthest first (or
// nearest first: then only the first is written and seven are hidden).
void buildLayers(World& world, float transparency, const TextureEntry* texture, bool frontToBack = false) {
    for (int step = 0; step < 8; ++step) {
        const int layer = frontToBack ? 7 - step : step;
        auto* mesh = make<nIndexedFaceSet>(NodeType::IndexedFaceSet);
        auto* c = make<nCoordinate>(NodeType::Coordinate);
        const float z = 0.5f * static_cast<float>(layer);
        for (Vec3f p : {Vec3f{-10, -10, z}, Vec3f{10, -10, z}, Vec3f{10, 10, z}, Vec3f{-10, 10, z}}) c->point.value.append(p);
        mesh->coord.value = c;
        for (int32_t v : {0, 1, 2, 3, -1}) mesh->coordIndex.value.append(v);
        if (texture) {
            auto* t = make<nTextureCoordinate>(NodeType::TextureCoordinate);
            for (Vec2f p : {Vec2f{0, 0}, Vec2f{4, 0}, Vec2f{4, 4}, Vec2f{0, 4}}) t->point.value.append(p);
            mesh->texCoord.value = t;
        }
        const float shade = 0.3f + 0.08f * static_cast<float>(layer);
        addChild(world.root, shape(mesh, material({shade, 0.6f, 1.0f - shade}, transparency), texture));
    }
}

// A 128 x 128 checker of two colours with a gradient.
struct CheckerTexture {
    TextureEntry entry;
    OwnedBitmap bitmap = newBitmap(128, 128, false);
    CheckerTexture() {
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x)
                bitmap->pixels[y * 128 + x] = ((x >> 4) ^ (y >> 4)) & 1 ? packRgb565(1.0f, static_cast<float>(y) / 127.0f, 0.2f)
                                                                        : packRgb565(0.1f, 0.3f, static_cast<float>(x) / 127.0f);
        entry.bitmap = bitmap.get();
        entry.name = u"checker";
    }
    ~CheckerTexture() { entry.bitmap = nullptr; }
};

template <class Build>
void runFrames(benchmark::State& state, bool lighting, Build build) {
    World world(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)), lighting,
                static_cast<int32_t>(state.range(2)), state.range(3) != 0);
    build(world);
    world.frame(0.0);  // the first frame builds the normal and box caches
    double now = 0.0;
    for (auto _ : state) {
        now += 0.04;
        world.frame(now);
    }
    benchmark::DoNotOptimize(world.target->pixels[0]);
}

void BM_Cubes(benchmark::State& state) { runFrames(state, false, buildCubes); }
void BM_Boxes(benchmark::State& state) { runFrames(state, false, buildBoxes); }
void BM_SmoothMesh(benchmark::State& state) {
    runFrames(state, true, [](World& world) { buildSmoothMesh(world, 316); });
}
void BM_LayersOpaque(benchmark::State& state) {
    runFrames(state, true, [](World& world) { buildLayers(world, 0.0f, nullptr); });
}
void BM_LayersFrontToBack(benchmark::State& state) {
    runFrames(state, true, [](World& world) { buildLayers(world, 0.0f, nullptr, true); });
}
void BM_LayersTransparent(benchmark::State& state) {
    runFrames(state, true, [](World& world) { buildLayers(world, 0.5f, nullptr); });
}
void BM_TexturedLayersOpaque(benchmark::State& state) {
    CheckerTexture texture;
    runFrames(state, true, [&](World& world) { buildLayers(world, 0.0f, &texture.entry); });
}
void BM_TexturedLayersTransparent(benchmark::State& state) {
    CheckerTexture texture;
    runFrames(state, true, [&](World& world) { buildLayers(world, 0.5f, &texture.entry); });
}

// Texture images from files, as the viewer's drivers load them.
class FileImages : public ImageSource {
public:
    OwnedBitmap loadImage(const std::u16string& name, int32_t, int32_t, int32_t) override {
        return loadImageFile(name);
    }
};

// A world read by the viewer's reader and run as the viewer runs it:
// prepared, its clock started, then frames 40 ms apart (its animations and
// textures included). The first frame loads textures and fills the caches.
class ReadWorld {
public:
    ReadWorld(int32_t width, int32_t height, int32_t threads, bool forceBands, std::unique_ptr<Scene> loaded)
        : target_(newBitmap(width, height, false)), scene_(std::move(loaded)) {
        rasterizer_.setThreads(threads, forceBands ? 0 : Rasterizer::kParallelMinPixels);
        rasterizer_.driver = &images_;
        rasterizer_.attachTarget(target_.get());
        if (!scene_) return;
        scene_->attachRasterizer(&rasterizer_);
        scene_->initNodes();
        scene_->startClock(0.0, 0);
        frame();
    }
    ~ReadWorld() {
        scene_.reset();
        releaseNodeRegistry();
    }
    bool loaded() const { return scene_ != nullptr; }
    void frame() {
        now_ += 0.04;
        const Color4f background = scene_->backgroundColor();
        rasterizer_.clearColor(background.r, background.g, background.b);
        rasterizer_.resetDepth();
        scene_->updateAndDraw(now_, static_cast<uint32_t>(now_ * 1000.0));
    }
    uint16_t firstPixel() const { return target_->pixels[0]; }

private:
    OwnedBitmap target_;
    FileImages images_;
    Rasterizer rasterizer_;
    std::unique_ptr<Scene> scene_;
    double now_ = 0.0;
};

void runReadWorld(benchmark::State& state, std::unique_ptr<Scene> scene) {
    ReadWorld world(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)),
                    static_cast<int32_t>(state.range(2)), state.range(3) != 0, std::move(scene));
    if (!world.loaded()) {
        state.SkipWithError("the world did not load");
        return;
    }
    for (auto _ : state) world.frame();
    benchmark::DoNotOptimize(world.firstPixel());
}

void BM_Showcase(benchmark::State& state) {
    VrmlParser parser(createNode, openStream);
    runReadWorld(state, loadWorld(parser, widenText(ORVELLA_ASSET_DIR "sample.wrl")));
}

// 500 cubes moved by 500 TimeSensors through 500 PositionInterpolators.
void BM_AnimatedCubes(benchmark::State& state) {
    const std::string text = animatedCubesWorld();
    VrmlParser parser(createNode, openStream);
    MemoryStream stream(text);
    X3DNode* root = parser.parseStream(&stream);
    std::unique_ptr<Scene> scene;
    if (root) {
        scene = std::make_unique<Scene>(createNode);
        scene->setRoot(root);
    }
    runReadWorld(state, std::move(scene));
}

#define RENDER_SIZES                                                                                       \
    ->Args({240, 320, 1, 0})->Args({240, 320, 2, 0})->Args({1280, 720, 1, 0})->Args({1280, 720, 2, 0})     \
        ->Unit(benchmark::kMillisecond)
// Sizes around the threshold, banded whatever the size.
#define THRESHOLD_SIZES                                                                                    \
    ->Args({240, 320, 1, 1})->Args({240, 320, 2, 1})->Args({320, 480, 1, 1})->Args({320, 480, 2, 1})       \
        ->Args({480, 640, 1, 1})->Args({480, 640, 2, 1})->Unit(benchmark::kMillisecond)
BENCHMARK(BM_Cubes) RENDER_SIZES;
BENCHMARK(BM_Boxes) RENDER_SIZES;
BENCHMARK(BM_SmoothMesh) RENDER_SIZES;
BENCHMARK(BM_LayersOpaque) RENDER_SIZES;
BENCHMARK(BM_LayersFrontToBack) RENDER_SIZES;
BENCHMARK(BM_LayersTransparent) RENDER_SIZES;
BENCHMARK(BM_Showcase) RENDER_SIZES;
BENCHMARK(BM_AnimatedCubes) RENDER_SIZES;
BENCHMARK(BM_TexturedLayersOpaque) RENDER_SIZES;
BENCHMARK(BM_TexturedLayersTransparent) RENDER_SIZES;
BENCHMARK(BM_Cubes) THRESHOLD_SIZES;
BENCHMARK(BM_SmoothMesh) THRESHOLD_SIZES;
BENCHMARK(BM_LayersOpaque) THRESHOLD_SIZES;

}  // namespace
