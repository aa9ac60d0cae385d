// Shared by the scene-rendering tests: a Scene drawing into a 240 x 320 (or
// any) frame buffer through a real Rasterizer, with the default bindable nodes
// bound and an empty root group, and small builders for the nodes a test
// world is made of. Every node comes from the factory; the registry is
// emptied after each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/driver2d.h"
#include "raster/bitmap.h"
#include "raster/rasterizer.h"
#include "scene/bindable_nodes.h"
#include "events/node_factory.h"
#include "scene/geometry_nodes.h"
#include "scene/grouping_nodes.h"
#include "scene/light_nodes.h"
#include "scene/node_registry.h"
#include "scene/node_types.h"
#include "scene/scene.h"
#include "scene/shape_nodes.h"

namespace render_test {

template <class T>
T* make(int32_t type) {
    return static_cast<T*>(createNode(u"", type));
}

inline void addChild(X3DGroupingNode* group, X3DNode* child) {
    group->children.value.append(child);
    child->parent = group;
}

inline nCoordinate* coordinate(std::initializer_list<Vec3f> points) {
    auto* c = make<nCoordinate>(NodeType::Coordinate);
    for (const Vec3f& p : points) c->point.value.append(p);
    return c;
}

inline void setIndex(fMFInt32& field, std::initializer_list<int32_t> values) {
    field.value.clear();
    for (int32_t v : values) field.value.append(v);
}

// A square of side 2 * half in the plane z, centred on (cx, cy), corners
// counter-clockwise as seen from +z.
inline nIndexedFaceSet* square(float cx, float cy, float z, float half) {
    auto* mesh = make<nIndexedFaceSet>(NodeType::IndexedFaceSet);
    mesh->coord.value = coordinate({{cx - half, cy - half, z}, {cx + half, cy - half, z},
                                    {cx + half, cy + half, z}, {cx - half, cy + half, z}});
    setIndex(mesh->coordIndex, {0, 1, 2, 3, -1});
    return mesh;
}

inline nMaterial* material(Color4f diffuse, Color4f emissive, float transparency = 0.0f) {
    auto* m = make<nMaterial>(NodeType::Material);
    m->diffuseColor.value = diffuse;
    m->emissiveColor.value = emissive;
    m->transparency.value = transparency;
    return m;
}

// A Shape of the geometry, with an Appearance holding the material when one
// is given.
inline nShape* shape(X3DNode* geometry, nMaterial* m = nullptr) {
    auto* s = make<nShape>(NodeType::Shape);
    s->geometry.value = geometry;
    if (m) {
        auto* a = make<nAppearance>(NodeType::Appearance);
        a->material.value = m;
        s->appearance.value = a;
    }
    return s;
}

inline nDirectionalLight* light(Vec3f direction, float intensity) {
    auto* l = make<nDirectionalLight>(NodeType::DirectionalLight);
    l->direction.value = direction;
    l->intensity.value = intensity;
    return l;
}

// A driver whose clock the test sets; everything else does nothing.
class ClockDriver : public Driver2D {
public:
    uint32_t now = 0;
    void present(const Bitmap&, int32_t, int32_t, bool) override {}
    OwnedBitmap loadImage(const std::u16string&, int32_t, int32_t, int32_t) override { return nullptr; }
    void quit() override {}
    OwnedBitmap renderText(int32_t, int32_t, const std::u16string&) override { return nullptr; }
    uint32_t ticks() override { return now; }
    void refreshMessages() override {}
    void hideMessages() override {}
    void addMessage(const char*) override {}
};

inline int red5(uint16_t pixel) { return pixel >> 11; }
inline int green6(uint16_t pixel) { return (pixel >> 5) & 0x3F; }
inline int blue5(uint16_t pixel) { return pixel & 0x1F; }

class RenderFixture : public ::testing::Test {
protected:
    void SetUp() override { makeWorld(240, 320); }

    void TearDown() override {
        scene.reset();
        rasterizer.reset();
        target.reset();
        releaseNodeRegistry();
    }

    void makeWorld(int32_t width, int32_t height) {
        target = newBitmap(width, height, false);
        ASSERT_TRUE(target);
        rasterizer = std::make_unique<Rasterizer>();
        rasterizer->driver = &driver;
        rasterizer->attachTarget(target.get());
        scene = std::make_unique<Scene>(createNode);
        scene->attachRasterizer(rasterizer.get());
        root = make<nGroup>(NodeType::Group);
        scene->root = root;
        scene->boundViewpoint = scene->defaultViewpoint;
        scene->previousViewpoint = scene->defaultViewpoint;
        scene->boundNavigationInfo = scene->defaultNavigationInfo;
        scene->boundBackground = scene->defaultBackground;
    }

    // Clears to black, resets depth and runs one frame at the time.
    void frame(double seconds = 0.0) {
        rasterizer->clearColor(0.0f, 0.0f, 0.0f);
        rasterizer->resetDepth();
        scene->updateAndDraw(seconds, driver.now);
    }

    uint16_t pixel(int32_t x, int32_t y) const { return target->pixels[y * target->width + x]; }

    std::vector<uint16_t> pixels() const {
        return std::vector<uint16_t>(target->pixels, target->pixels + target->width * target->height);
    }

    ClockDriver driver;
    OwnedBitmap target;
    std::unique_ptr<Rasterizer> rasterizer;
    std::unique_ptr<Scene> scene;
    nGroup* root = nullptr;  // in the registry
};

}  // namespace render_test
