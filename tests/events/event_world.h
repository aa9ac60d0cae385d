// A world read from text into a Scene that draws into a 240 x 320 frame
// buffer, with its clock started at 0, for the event tests: frames at chosen
// times, DEF'd nodes by name, pixels.
#pragma once

#include <memory>
#include <string>

#include "raster/bitmap.h"
#include "raster/rasterizer.h"
#include "render/render_fixture.h"
#include "scene/node_registry.h"
#include "scene/scene.h"
#include "vrml/reader_test_support.h"

class EventWorld : public ReaderTest {
protected:
    void TearDown() override {
        scene.reset();
        rasterizer.reset();
        target.reset();
        ReaderTest::TearDown();
    }

    // Reads the world, binds, prepares and starts the clock at 0.
    void load(const std::string& world) {
        X3DNode* root = parse(world);
        ASSERT_NE(root, nullptr) << world;
        target = newBitmap(240, 320, false);
        ASSERT_TRUE(target);
        rasterizer = std::make_unique<Rasterizer>();
        rasterizer->driver = &clock;
        rasterizer->attachTarget(target.get());
        scene = std::make_unique<Scene>(createNode);
        scene->setRoot(root);
        scene->attachRasterizer(rasterizer.get());
        scene->initNodes();
        scene->startClock(0.0, 0);
    }

    // One frame at the time, on black.
    void frame(double seconds) {
        rasterizer->clearColor(0.0f, 0.0f, 0.0f);
        rasterizer->resetDepth();
        scene->updateAndDraw(seconds, 0);
    }

    // The node DEF'd with the name (the first one), or null.
    template <class Node>
    Node* named(const std::u16string& name) {
        for (X3DNode* node : nodeRegistry)
            if (node && node->name == name) return static_cast<Node*>(node);
        ADD_FAILURE() << "no node of that name";
        return nullptr;
    }

    uint16_t pixel(int x, int y) const { return target->pixels[y * target->width + x]; }

    render_test::ClockDriver clock;
    OwnedBitmap target;
    std::unique_ptr<Rasterizer> rasterizer;
    std::unique_ptr<Scene> scene;
};
