// The viewer application with a world, in-process on the headless driver:
// loading, the clock, the clear colour, drawing, the lighting switch and the
// projection following the frame buffer's size.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/render_sample.h"
#include "scene/node_registry.h"
#include "shell/driver_headless.h"
#include "support/temp_dir.h"

namespace {

class RenderSampleWorldTest : public ::testing::Test {
protected:
    void TearDown() override {
        sample.reset();
        releaseNodeRegistry();
    }

    // Starts the application on the world text (or on a missing file when
    // the text is empty), with an installation folder that holds nothing.
    void start(const std::string& world) {
        std::string path = folder.file("missing.wrl");
        if (!world.empty()) {
            path = folder.file("world.wrl");
            std::ofstream(path, std::ios::binary) << "#VRML V2.0 utf8\n" << world;
        }
        const std::u16string name(path.begin(), path.end());
        sample = std::make_unique<RenderSample>(&driver, name, u"/nonexistent-orvella-install/", 240, 320);
        sample->init();
    }

    void frame() {
        driver.frameStarting();
        sample->frame();
        driver.frameFinished();
    }

    uint16_t pixel(int x, int y) const { return sample->frameBuffer->pixels[y * sample->frameBuffer->width + x]; }

    TempDir folder;
    DriverHeadless driver{240, 320, 40};
    std::unique_ptr<RenderSample> sample;
};

TEST_F(RenderSampleWorldTest, WorldIsLoadedDrawnAndClocked) {
    start("Background { skyColor [ 0 0 1 ] }\n"
          "Shape { appearance Appearance { material Material { emissiveColor 1 0 0 } }\n"
          "  geometry IndexedFaceSet { coord Coordinate { point [ -1 -1 0, 1 -1 0, 1 1 0, -1 1 0 ] }\n"
          "    coordIndex [ 0 1 2 3 -1 ] } }\n");
    ASSERT_NE(sample->scene, nullptr);
    EXPECT_EQ(sample->scene->rasterizer, &sample->rasterizer);
    EXPECT_EQ(sample->scene->screenWidth, 240.0f);
    EXPECT_EQ(sample->scene->frameClock.clockStart, 0.0);  // ticks() is 0 during init
    frame();
    frame();
    EXPECT_DOUBLE_EQ(sample->scene->frameClock.now, 0.08);
    EXPECT_DOUBLE_EQ(sample->scene->frameClock.lastFrameTime, 0.04);
    EXPECT_EQ(pixel(0, 0), packRgb565(0, 0, 1));      // the sky colour
    EXPECT_EQ(pixel(120, 160), packRgb565(1, 0, 0));  // the square
}

TEST_F(RenderSampleWorldTest, LightingSwitchReachesTheWorld) {
    start("Shape { appearance Appearance { material Material { diffuseColor 1 1 1 } }\n"
          "  geometry IndexedFaceSet { coord Coordinate { point [ -1 -1 0, 1 -1 0, 1 1 0, -1 1 0 ] }\n"
          "    coordIndex [ 0 1 2 3 -1 ] } }\n");
    ASSERT_NE(sample->scene, nullptr);
    frame();
    EXPECT_FALSE(sample->scene->lighting);
    sample->keyDown(kKeyA, 0x41);
    frame();
    EXPECT_TRUE(sample->scene->lighting);
    EXPECT_FALSE(sample->scene->renderRecords[0].surface.lit);  // this frame still drew unlit
    frame();
    EXPECT_TRUE(sample->scene->renderRecords[0].surface.lit);
}

TEST_F(RenderSampleWorldTest, ProjectionFollowsTheFrameBuffer) {
    start("Shape { geometry IndexedFaceSet { coord Coordinate { point [ -1 -1 0, 1 -1 0, 1 1 0 ] }\n"
          "  coordIndex [ 0 1 2 ] } }\n");
    ASSERT_NE(sample->scene, nullptr);
    sample->keyDown(kKeyC, 0x43);  // view level 1: 160 x 213
    frame();
    EXPECT_EQ(sample->scene->screenWidth, 160.0f);
    EXPECT_EQ(sample->scene->screenHeight, 213.0f);
    EXPECT_EQ(sample->scene->screenHalfHeight, 106.0f);
    EXPECT_EQ(sample->rasterizer.focal, sample->scene->focalLength);
    sample->keyDown(kKeyB, 0x42);  // half resolution: 80 x 106
    frame();
    EXPECT_EQ(sample->scene->screenWidth, 80.0f);
    EXPECT_EQ(sample->scene->screenHeight, 106.0f);
    EXPECT_EQ(sample->scene->screenHalfWidth, 40.0f);
}

TEST_F(RenderSampleWorldTest, MissingWorldLeavesABlackPicture) {
    for (const std::string& world : {std::string(), std::string("NotANode { }\n")}) {
        start(world);
        EXPECT_EQ(sample->scene, nullptr);
        for (int i = 0; i < 3; ++i) frame();
        sample->keyDown(kKeyA, 0x41);
        sample->keyDown(kKeyC, 0x43);
        frame();
        ASSERT_NE(sample->frameBuffer, nullptr);
        const Bitmap& picture = *sample->frameBuffer;
        int lit = 0;
        for (int i = 0; i < picture.width * picture.height; ++i) lit += picture.pixels[i] != 0;
        EXPECT_EQ(lit, 0);
        sample.reset();
    }
}

}  // namespace
