// Regression pins for whole frames: the benchmark worlds (cubes, a smooth lit
// height field, opaque and transparent layers, textured or not) at small and
// odd target sizes, and the height field seen from a grazing eye so that its
// triangles cross the near plane. Each frame ends in one hash of the frame
// buffer and the depth buffer.
//
// The pinned values were recorded from the straightforward pipeline, before
// any of its fast paths; every optimisation must reproduce them bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>

#include "render_fixture.h"

namespace {

using namespace render_test;

uint64_t fnv(uint64_t hash, uint64_t value, int bytes) {
    for (int k = 0; k < bytes; ++k) {
        hash ^= (value >> (8 * k)) & 0xFF;
        hash *= 0x100000001B3ull;
    }
    return hash;
}

class WorldHashTest : public RenderFixture {
protected:
    uint64_t frameHash() const {
        uint64_t hash = 0xCBF29CE484222325ull;
        const int32_t n = target->width * target->height;
        for (int32_t i = 0; i < n; ++i) hash = fnv(hash, target->pixels[i], 2);
        for (int32_t i = 0; i < n; ++i) hash = fnv(hash, rasterizer->depth[i], 4);
        return hash;
    }

    nShape* litShape(X3DNode* geometry, Color4f diffuse, float transparency, const TextureEntry* texture = nullptr) {
        nShape* s = shape(geometry, material(diffuse, {0, 0, 0}, transparency));
        if (texture) {
            auto* t = make<nImageTexture>(NodeType::ImageTexture);
            t->textureEntry = texture;
            static_cast<nAppearance*>(s->appearance.value)->texture.value = t;
        }
        return s;
    }

    void buildCubes() {
        auto* cube = make<nIndexedFaceSet>(NodeType::IndexedFaceSet);
        auto* c = make<nCoordinate>(NodeType::Coordinate);
        const float half = 0.3f;
        for (int i = 0; i < 8; ++i)
            c->point.value.append(Vec3f{(i & 1) ? half : -half, (i & 2) ? half : -half, (i & 4) ? half : -half});
        cube->coord.value = c;
        setIndex(cube->coordIndex,
                 {0, 2, 3, 1, -1, 4, 5, 7, 6, -1, 0, 4, 6, 2, -1, 1, 3, 7, 5, -1, 0, 1, 5, 4, -1, 2, 6, 7, 3, -1});
        for (int row = 0; row < 6; ++row) {
            for (int column = 0; column < 7; ++column) {
                auto* t = make<nTransform>(NodeType::Transform);
                t->translation.value = {-4.0f + 1.3f * static_cast<float>(column),
                                        -4.0f + 1.5f * static_cast<float>(row), -0.4f * static_cast<float>(row)};
                t->rotation.value = {1, 1, 0, 0.6f + 0.1f * static_cast<float>(column)};
                addChild(root, t);
                addChild(t, litShape(cube, {0.2f + 0.1f * static_cast<float>(column), 0.5f, 0.8f},
                                     row == 2 ? 0.4f : 0.0f));
            }
        }
    }

    void buildSmoothMesh(int side) {
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
        mesh->coordIndex.value.clear();
        for (int j = 0; j < side; ++j) {
            for (int i = 0; i < side; ++i) {
                const int32_t a = j * (side + 1) + i;
                for (int32_t v : {a, a + 1, a + side + 2, a + side + 1, -1}) mesh->coordIndex.value.append(v);
            }
        }
        mesh->creaseAngle.value = 1.0f;
        mesh->solid.value = false;
        addChild(root, litShape(mesh, {0.8f, 0.7f, 0.5f}, 0.0f));
    }

    void buildLayers(float transparency, const TextureEntry* texture) {
        for (int layer = 0; layer < 8; ++layer) {
            const float z = 0.5f * static_cast<float>(layer);
            nIndexedFaceSet* mesh = square(0.3f * static_cast<float>(layer % 3), -0.2f * static_cast<float>(layer), z,
                                           10.0f - 0.8f * static_cast<float>(layer));
            if (texture) {
                auto* t = make<nTextureCoordinate>(NodeType::TextureCoordinate);
                for (Vec2f p : {Vec2f{0, 0}, Vec2f{4, 0}, Vec2f{4, 4}, Vec2f{0, 4}}) t->point.value.append(p);
                mesh->texCoord.value = t;
            }
            const float shade = 0.3f + 0.08f * static_cast<float>(layer);
            addChild(root, litShape(mesh, {shade, 0.6f, 1.0f - shade}, transparency, texture));
        }
    }

    // A viewpoint low over the height field, looking along it: the near part
    // of the field passes beside and behind the eye.
    void grazingView() {
        auto* vp = make<nViewpoint>(NodeType::Viewpoint);
        vp->position.value = {0.3f, -2.0f, 0.25f};
        vp->orientation.value = {1, 0, 0, 1.1f};
        scene->boundViewpoint = vp;
        scene->previousViewpoint = vp;
    }
};

// A 128 x 128 checker of two colour ramps.
struct Checker {
    OwnedBitmap bitmap = newBitmap(128, 128, false);
    TextureEntry entry;
    Checker() {
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x)
                bitmap->pixels[y * 128 + x] = ((x >> 4) ^ (y >> 4)) & 1
                                                  ? packRgb565(1.0f, static_cast<float>(y) / 127.0f, 0.2f)
                                                  : packRgb565(0.1f, 0.3f, static_cast<float>(x) / 127.0f);
        entry = TextureEntry{bitmap.get(), u"checker"};
    }
    ~Checker() { entry.bitmap = nullptr; }
};

TEST_F(WorldHashTest, BenchmarkWorldsAtSmallSizes) {
    Checker checker;
    struct World {
        const char* name;
        std::function<void()> build;
        uint64_t expected[2];  // at 64 x 80 and at 97 x 61
    };
    const World worlds[] = {
        {"cubes", [&] { buildCubes(); }, {0x3B6DBD0D91C46BC9ull, 0xBA85456A1E96A8D3ull}},
        {"smooth mesh", [&] { buildSmoothMesh(60); }, {0x543A03C644AE41Cull, 0x64AE98D07E950157ull}},
        {"smooth mesh, grazing", [&] {
             buildSmoothMesh(60);
             grazingView();
         }, {0xA2DEF2B398F6E1ECull, 0x838485DCABA27B62ull}},
        {"layers opaque", [&] { buildLayers(0.0f, nullptr); }, {0x2653A2E3C24E4625ull, 0xCA15C983BB665614ull}},
        {"layers transparent", [&] { buildLayers(0.5f, nullptr); }, {0x398DFE1E73A31D25ull, 0x882F8084180DFCCDull}},
        {"layers t=0.25", [&] { buildLayers(0.25f, nullptr); }, {0x99244B6D9BE4125ull, 0x5B258609949273CAull}},
        {"textured layers opaque", [&] { buildLayers(0.0f, &checker.entry); },
         {0xECC6BEABE834CEA0ull, 0x3B7D5EFC5217A870ull}},
        {"textured layers transparent", [&] { buildLayers(0.5f, &checker.entry); },
         {0xD63824254266BEBEull, 0x764C4FDDC34A3A86ull}},
    };
    const struct {
        int32_t width, height;
    } sizes[] = {{64, 80}, {97, 61}};
    for (const World& world : worlds) {
        for (int s = 0; s < 2; ++s) {
            TearDown();
            makeWorld(sizes[s].width, sizes[s].height);
            scene->lighting = true;
            world.build();
            frame(0.0);
            int drawn = 0;
            for (int32_t i = 0; i < target->width * target->height; ++i) drawn += target->pixels[i] != 0;
            EXPECT_GT(drawn, 200) << world.name;
            const uint64_t got = frameHash();
            EXPECT_EQ(got, world.expected[s]) << world.name << " at " << sizes[s].width << " x " << sizes[s].height
                                              << ": 0x" << std::hex << got;
        }
    }
}

}  // namespace
