// Worlds read from text with the full profile's factory into a Scene that
// draws into a frame buffer of any size through a real Rasterizer (on one
// thread or several), for the tests of the full profile's geometry. The
// registry is emptied before and after each test.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/open_stream.h"
#include "events/full_node_factory.h"
#include "raster/bitmap.h"
#include "raster/rasterizer.h"
#include "scene/grouping_nodes.h"
#include "scene/node_registry.h"
#include "scene/scene.h"
#include "support/memory_stream.h"
#include "vrml/parser.h"

namespace full_test {

class FullWorldFixture : public ::testing::Test {
protected:
    void SetUp() override { releaseNodeRegistry(); }
    void TearDown() override {
        scene.reset();
        rasterizer.reset();
        target.reset();
        releaseNodeRegistry();
    }

    // Reads the world with the full profile and makes it ready to draw into
    // width x height with `threads` threads; lighting as given (the full
    // profile's default is on). False when the text gives no node.
    bool load(const std::string& text, int32_t width = 240, int32_t height = 320, bool lighting = false,
              int32_t threads = 1) {
        VrmlParser parser(createNodeFull, openStream);
        // The tests look from the default viewpoint (0 0 10, down -Z): a
        // world without a Viewpoint would be framed to its box instead.
        // It goes last, so the world's own nodes keep their places.
        std::string world = text;
        if (world.find("Viewpoint") == std::string::npos) world += "\nViewpoint { }\n";
        MemoryStream stream(world);
        X3DNode* root = parser.parseStream(&stream);
        if (!root) return false;
        scene = std::make_unique<Scene>(createNodeFull);
        scene->profile = Profile::Full;
        scene->setRoot(root);
        scene->lighting = lighting;
        target = newBitmap(width, height, false);
        rasterizer = std::make_unique<Rasterizer>();
        // Bands at any size, so two threads really draw in bands.
        rasterizer->setThreads(threads, 0);
        rasterizer->attachTarget(target.get());
        scene->attachRasterizer(rasterizer.get());
        scene->initNodes();
        scene->startClock(0.0, 0);
        return true;
    }

    // One frame on black, flushed.
    void frame(double seconds = 0.0) {
        rasterizer->clearColor(0.0f, 0.0f, 0.0f);
        rasterizer->resetDepth();
        scene->updateAndDraw(seconds, static_cast<uint32_t>(seconds * 1000.0));
        rasterizer->flush();
    }

    uint16_t pixel(int32_t x, int32_t y) const { return target->pixels[y * target->width + x]; }
    std::vector<uint16_t> pixels() const {
        return std::vector<uint16_t>(target->pixels, target->pixels + target->width * target->height);
    }

    // Pixels that are not black.
    int32_t litPixels() const {
        int32_t lit = 0;
        for (int32_t i = 0; i < target->width * target->height; ++i) lit += target->pixels[i] != 0;
        return lit;
    }

    // The first top-level node of the world.
    X3DNode* firstNode() const {
        const auto& children = static_cast<const X3DGroupingNode*>(scene->root)->children.value;
        return children.count > 0 ? children[0] : nullptr;
    }

    OwnedBitmap target;
    std::unique_ptr<Rasterizer> rasterizer;
    std::unique_ptr<Scene> scene;
};

// The default view's projection scale on a 240 x 320 target: 45 degrees
// over the 240 columns.
inline float defaultFocal() { return static_cast<float>(120.0 / std::tan(static_cast<double>(0.785398f * 0.5f))); }

// A world of one Shape with an emissive Material (and optionally lit
// diffuse colour) around the geometry text.
inline std::string shapeWorld(const std::string& geometry, const std::string& material = "emissiveColor 1 0 0 diffuseColor 0 0 0") {
    return "#VRML V2.0 utf8\nShape { appearance Appearance { material Material { " + material + " } } geometry " +
           geometry + " }\n";
}

}  // namespace full_test
