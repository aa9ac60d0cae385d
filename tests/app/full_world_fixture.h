// Worlds read from text with the full profile's factory and drawn into a
// 240 x 320 frame buffer through a real Rasterizer: the world is loaded,
// prepared and its clock started exactly as the viewer does it, lighting
// off, so that a material shows its colour as given.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "app/open_stream.h"
#include "base/text.h"
#include "events/full_node_factory.h"
#include "raster/rasterizer.h"
#include "render/render_fixture.h"
#include "scene/node_registry.h"
#include "scene/scene.h"
#include "support/temp_dir.h"
#include "vrml/load_world.h"

class FullWorldTest : public ::testing::Test {
protected:
    static constexpr int32_t kWidth = 240;
    static constexpr int32_t kHeight = 320;

    void SetUp() override { releaseNodeRegistry(); }
    void TearDown() override {
        scene.reset();
        rasterizer.reset();
        target.reset();
        releaseNodeRegistry();
    }

    // Reads, prepares and starts the world; false when it cannot be read.
    bool load(const std::string& text) {
        const std::string path = scratch.write("world.wrl", "#VRML V2.0 utf8\n" + text);
        VrmlParser parser(createNodeFull, openStream);
        scene = loadWorld(parser, widenText(path));
        if (!scene) return false;
        scene->profile = Profile::Full;
        target = newBitmap(kWidth, kHeight, false);
        rasterizer = std::make_unique<Rasterizer>();
        rasterizer->driver = &driver;
        rasterizer->attachTarget(target.get());
        scene->attachRasterizer(rasterizer.get());
        scene->initNodes();
        scene->startClock(0.0, 0);
        scene->lighting = false;
        return true;
    }

    // One frame at the time (seconds), on black.
    void frame(double seconds = 0.0) {
        rasterizer->clearColor(0.0f, 0.0f, 0.0f);
        rasterizer->resetDepth();
        scene->updateAndDraw(seconds, static_cast<uint32_t>(seconds * 1000.0));
    }

    uint16_t pixel(int32_t x, int32_t y) const { return target->pixels[y * target->width + x]; }

    // The share of pixels that are not black.
    double coverage() const {
        int64_t covered = 0;
        for (int32_t i = 0; i < kWidth * kHeight; ++i) covered += target->pixels[i] != 0;
        return static_cast<double>(covered) / (kWidth * kHeight);
    }

    // The node DEF'd under the name, or null.
    template <class T>
    T* named(const std::u16string& name) const {
        for (X3DNode* node : nodeRegistry)
            if (node && node->name == name) return static_cast<T*>(node);
        return nullptr;
    }

    TempDir scratch;
    render_test::ClockDriver driver;
    std::unique_ptr<Scene> scene;
    OwnedBitmap target;
    std::unique_ptr<Rasterizer> rasterizer;
};

// A Shape of a square of side 2 * half in the plane z centred on (x, y),
// counter-clockwise from +z, in one colour (diffuse and emissive alike, so
// it shows that colour lit or not), texture coordinates 0..1 across it.
inline std::string squareShape(float x, float y, float z, float half, const std::string& colour,
                               const std::string& texture = "") {
    auto n = [](float v) { return std::to_string(v); };
    return "Shape { appearance Appearance { material Material { diffuseColor " + colour + " emissiveColor " +
           colour + " } " + texture + " } geometry IndexedFaceSet { coord Coordinate { point [ " + n(x - half) +
           " " + n(y - half) + " " + n(z) + ", " + n(x + half) + " " + n(y - half) + " " + n(z) + ", " +
           n(x + half) + " " + n(y + half) + " " + n(z) + ", " + n(x - half) + " " + n(y + half) + " " + n(z) +
           " ] } coordIndex [ 0 1 2 3 -1 ] texCoord TextureCoordinate { point [ 0 0, 1 0, 1 1, 0 1 ] } "
           "texCoordIndex [ 0 1 2 3 -1 ] } }";
}
