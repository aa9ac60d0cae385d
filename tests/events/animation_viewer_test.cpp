// Animated worlds through the built viewer, headless with a virtual clock
// (frame N runs at N x --frame-ms): where a shape is, how it is turned, its
// colour and its fade at chosen frames, read back from the screenshot. The
// installation folder is empty, so nothing covers the picture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "raster/bitmap.h"
#include "shell/test_support.h"
#include "support/viewer_process.h"

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 320;

// Pixels per unit at the default view's distance of 10 (45 degrees over 240
// columns).
const float kScale = static_cast<float>(-120.0 / std::tan(static_cast<double>(0.785398f * 0.5f))) / -10.0f;

int screenX(float x) { return static_cast<int>(std::lround(120.0f + x * kScale)); }
int screenY(float y) { return static_cast<int>(std::lround(160.0f - y * kScale)); }

// The first pixel row or column an edge at screen coordinate c covers.
int firstCovered(float c) { return static_cast<int>(std::ceil(std::floor(c * 16.0f) / 16.0f)); }

uint16_t rgb565(int r, int g, int b) { return static_cast<uint16_t>(((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3)); }

const uint16_t kRed = packRgb565(1, 0, 0);

std::string square(const std::string& def, float half, const std::string& material) {
    const std::string h = std::to_string(half), m = "-" + h;
    return "Shape { appearance Appearance { material " + material + " }\n  geometry IndexedFaceSet { coord " + def +
           "Coordinate { point [ " + m + " " + m + " 0, " + h + " " + m + " 0, " + h + " " + h + " 0, " + m + " " +
           h + " 0 ] }\n    coordIndex [ 0 1 2 3 -1 ] } }\n";
}

// A single-shot sensor "Shot" of one second, started with the clock.
const std::string kSingleShot =
    "DEF Starter TimeSensor { loop TRUE cycleInterval 1000 }\n"
    "DEF Shot TimeSensor { cycleInterval 1 }\n"
    "ROUTE Starter.startTime TO Shot.set_startTime\n";

class AnimationViewer : public ::testing::Test {
protected:
    // The screenshot after the frames, as RGB565; empty when the run failed.
    std::vector<uint16_t> shot(const std::string& world, int frames, int frameMs) {
        foundation_test::writeFile(folder.file("world.wrl"), "#VRML V2.0 utf8\n" + world);
        const std::string png = folder.file("shot.png");
        std::filesystem::remove(png);
        const ViewerRun run = runViewer(folder, {"--headless", "--install-dir", folder.file("assets") + "/", "--log",
                                                 folder.file("log.txt"), "--frames", std::to_string(frames),
                                                 "--frame-ms", std::to_string(frameMs), "--screenshot", png,
                                                 folder.file("world.wrl")});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        int width = 0, height = 0;
        std::vector<uint8_t> rgb;
        if (!readPng(png, width, height, &rgb) || width != kWidth || height != kHeight) return {};
        std::vector<uint16_t> pixels(kWidth * kHeight);
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = rgb565(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
        return pixels;
    }

    static uint16_t at(const std::vector<uint16_t>& pixels, int x, int y) { return pixels[y * kWidth + x]; }

    TempDir folder;
};

TEST_F(AnimationViewer, LoopingPathPutsTheSquareWhereTheKeysSay) {
    const std::string world = "DEF Mover Transform { children " + square("", 0.5f, "Material { emissiveColor 1 0 0 }") +
                              "}\nDEF Clock TimeSensor { loop TRUE cycleInterval 4 }\n"
                              "DEF Path PositionInterpolator { key [ 0 1 ] keyValue [ -2 0 0, 2 0 0 ] }\n"
                              "ROUTE Clock.fraction_changed TO Path.set_fraction\n"
                              "ROUTE Path.value_changed TO Mover.set_translation\n";
    // 500 ms a frame: x = -2 + 4 * (t mod 4) / 4.
    const struct { int frames; float x; } table[] = {{1, -1.5f}, {4, 0}, {7, 1.5f}, {9, -1.5f}};
    for (const auto& row : table) {
        const std::vector<uint16_t> pixels = shot(world, row.frames, 500);
        ASSERT_EQ(pixels.size(), static_cast<std::size_t>(kWidth * kHeight));
        for (float x : {-1.5f, 0.0f, 1.5f})
            EXPECT_EQ(at(pixels, screenX(x), 160), x == row.x ? kRed : 0) << row.frames << " frames, x " << x;
    }
}

TEST_F(AnimationViewer, ColourFollowsItsKeys) {
    const std::string world = square("", 1, "DEF Paint Material { }") +
                              "DEF Clock TimeSensor { loop TRUE cycleInterval 4 }\n"
                              "DEF Fade ColorInterpolator { key [ 0 1 ] keyValue [ 1 0 0, 0 0 1 ] }\n"
                              "ROUTE Clock.fraction_changed TO Fade.set_fraction\n"
                              "ROUTE Fade.value_changed TO Paint.set_emissiveColor\n";
    const struct { int frames; float r, b; } table[] = {{1, 0.75f, 0.25f}, {2, 0.5f, 0.5f}, {3, 0.25f, 0.75f}};
    for (const auto& row : table) {
        const std::vector<uint16_t> pixels = shot(world, row.frames, 1000);
        ASSERT_FALSE(pixels.empty());
        EXPECT_EQ(at(pixels, 120, 160), packRgb565(row.r, 0, row.b)) << row.frames;
    }
}

TEST_F(AnimationViewer, OrientationTurnsTheBar) {
    const std::string world = "DEF Bar Transform { children Shape { appearance Appearance { material Material {"
                              " emissiveColor 1 0 0 } }\n  geometry IndexedFaceSet { coord Coordinate { point"
                              " [ -2 -0.2 0, 2 -0.2 0, 2 0.2 0, -2 0.2 0 ] } coordIndex [ 0 1 2 3 -1 ] } } }\n"
                              "DEF Clock TimeSensor { loop TRUE cycleInterval 4 }\n"
                              "DEF Turn OrientationInterpolator { key [ 0 1 ] keyValue [ 0 0 1 0, 0 0 1 3.14159 ] }\n"
                              "ROUTE Clock.fraction_changed TO Turn.set_fraction\n"
                              "ROUTE Turn.value_changed TO Bar.set_rotation\n";
    // Points 1.4 units out along the bar at 0, 45 and 90 degrees.
    const struct { float x, y; } along[] = {{1.4f, 0}, {1, 1}, {0, 1.4f}};
    const struct { int frames; int turned; } table[] = {{4, 0}, {1, 1}, {2, 2}};
    for (const auto& row : table) {
        const std::vector<uint16_t> pixels = shot(world, row.frames, 1000);
        ASSERT_FALSE(pixels.empty());
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(at(pixels, screenX(along[k].x), screenY(along[k].y)), k == row.turned ? kRed : 0)
                << row.frames << " frames, direction " << k;
    }
}

TEST_F(AnimationViewer, ScalarFadesTheShape) {
    const std::string world = square("", 1, "DEF Glass Material { emissiveColor 1 1 1 }") +
                              "DEF Clock TimeSensor { loop TRUE cycleInterval 4 }\n"
                              "DEF Fade ScalarInterpolator { key [ 0 1 ] keyValue [ 0 1 ] }\n"
                              "ROUTE Clock.fraction_changed TO Fade.set_fraction\n"
                              "ROUTE Fade.value_changed TO Glass.set_transparency\n";
    std::vector<int> greens;
    for (int frames : {1, 2, 3}) {
        const std::vector<uint16_t> pixels = shot(world, frames, 1000);
        ASSERT_FALSE(pixels.empty());
        greens.push_back((at(pixels, 120, 160) >> 5) & 0x3F);
        if (frames == 2) {
            EXPECT_EQ(at(pixels, 120, 160), rgb565(128, 128, 128));  // half of white over black
        }
    }
    EXPECT_GT(greens[0], greens[1]);
    EXPECT_GT(greens[1], greens[2]);
    EXPECT_GT(greens[2], 0);
}

TEST_F(AnimationViewer, SingleShotEndsOnItsLastKeyAndStays) {
    const std::string world = "DEF Mover Transform { children " + square("", 0.5f, "Material { emissiveColor 1 0 0 }") +
                              "}\n" + kSingleShot +
                              "DEF Path PositionInterpolator { key [ 0 1 ] keyValue [ -2 0 0, 2 0 0 ] }\n"
                              "ROUTE Shot.fraction_changed TO Path.set_fraction\n"
                              "ROUTE Path.value_changed TO Mover.set_translation\n";
    // 250 ms a frame: halfway at frame 2, ended (fraction 1) at frame 5.
    const struct { int frames; float x; } table[] = {{2, 0}, {5, 2}, {12, 2}, {40, 2}};
    for (const auto& row : table) {
        const std::vector<uint16_t> pixels = shot(world, row.frames, 250);
        ASSERT_FALSE(pixels.empty());
        for (float x : {-2.0f, 0.0f, 2.0f})
            EXPECT_EQ(at(pixels, screenX(x), 160), x == row.x ? kRed : 0) << row.frames << " frames, x " << x;
    }
}

TEST_F(AnimationViewer, CoordinateInterpolatorMorphsTheQuad) {
    const std::string world = square("DEF Points ", 0.5f, "Material { emissiveColor 1 0 0 }") + kSingleShot +
                              "DEF Grow CoordinateInterpolator { key [ 0 1 ] keyValue [\n"
                              "  -0.5 -0.5 0, 0.5 -0.5 0, 0.5 0.5 0, -0.5 0.5 0,\n"
                              "  -1.5 -1.5 0, 1.5 -1.5 0, 1.5 1.5 0, -1.5 1.5 0 ] }\n"
                              "ROUTE Shot.fraction_changed TO Grow.set_fraction\n"
                              "ROUTE Grow.value_changed TO Points.set_point\n";
    // 250 ms a frame: fraction 0.25 (half size 0.75) after one frame, the
    // last key from frame 5 on.
    const struct { int frames; float half; } table[] = {{1, 0.75f}, {8, 1.5f}};
    for (const auto& row : table) {
        const std::vector<uint16_t> pixels = shot(world, row.frames, 250);
        ASSERT_FALSE(pixels.empty());
        const int left = firstCovered(120.0f - row.half * kScale), right = firstCovered(120.0f + row.half * kScale);
        const int top = firstCovered(160.0f - row.half * kScale), bottom = firstCovered(160.0f + row.half * kScale);
        int wrong = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const bool inside = x >= left && x < right && y >= top && y < bottom;
                wrong += at(pixels, x, y) != (inside ? kRed : 0);
            }
        EXPECT_EQ(wrong, 0) << row.frames;
        EXPECT_EQ(at(pixels, left, top), kRed) << row.frames;
    }
}

}  // namespace
