// Worlds drawn by the built viewer, headless, read back from its screenshot:
// what a user sees for a given file. The installation folder is an empty
// temporary folder, so no logo and no overlay text cover the picture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "shell/test_support.h"
#include "support/viewer_process.h"

using foundation_test::readFile;
using foundation_test::writeFile;

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 320;

// The screenshot's pixels narrowed back to RGB565 (the top bits of each
// channel); empty when it cannot be read or has another size.
std::vector<uint16_t> readScreenshot(const std::string& path) {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    if (!readPng(path, width, height, &rgb) || width != kWidth || height != kHeight) return {};
    std::vector<uint16_t> pixels(kWidth * kHeight);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint16_t>(((rgb[3 * i] >> 3) << 11) | ((rgb[3 * i + 1] >> 2) << 5) | (rgb[3 * i + 2] >> 3));
    return pixels;
}

uint16_t rgb565(int r, int g, int b) { return static_cast<uint16_t>(((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3)); }

std::string squareShape(float cx, float cy, float z, float half, const std::string& material) {
    auto n = [](float v) { return std::to_string(v); };
    return "Shape { appearance Appearance { material Material { " + material + " } }\n"
           "  geometry IndexedFaceSet { coord Coordinate { point [ " +
           n(cx - half) + " " + n(cy - half) + " " + n(z) + ", " + n(cx + half) + " " + n(cy - half) + " " + n(z) +
           ", " + n(cx + half) + " " + n(cy + half) + " " + n(z) + ", " + n(cx - half) + " " + n(cy + half) + " " +
           n(z) + " ] }\n    coordIndex [ 0 1 2 3 -1 ] } }\n";
}

class RenderWorldTest : public ::testing::Test {
protected:
    // Draws the world text for the frames (with the input script, when given)
    // and returns the screenshot; exitCode gets the viewer's exit code.
    std::vector<uint16_t> render(const std::string& world, int frames = 1, const std::string& script = "") {
        writeFile(folder.file("world.wrl"), "#VRML V2.0 utf8\n" + world);
        std::vector<std::string> args = {"--headless", "--install-dir", folder.file("assets") + "/",
                                         "--log", folder.file("log.txt"), "--frames", std::to_string(frames),
                                         "--screenshot", folder.file("shot.png")};
        if (!script.empty()) {
            writeFile(folder.file("input.txt"), script);
            args.insert(args.end(), {"--input", folder.file("input.txt")});
        }
        args.push_back(folder.file("world.wrl"));
        std::filesystem::remove(folder.file("shot.png"));
        exitCode = runViewer(folder, args).exitCode;
        return readScreenshot(folder.file("shot.png"));
    }

    TempDir folder;
    int exitCode = -1;
};

// The first pixel row or column covered by an edge at screen coordinate c:
// positions are cut to 1/16 pixel, pixel centres lie on integers.
int firstCovered(float c) { return static_cast<int>(std::ceil(std::floor(c * 16.0f) / 16.0f)); }

TEST_F(RenderWorldTest, EmissiveSquareCoversExactlyItsProjection) {
    const std::vector<uint16_t> shot =
        render(squareShape(0.5f, 0.25f, 0, 1, "diffuseColor 0 0 0 emissiveColor 1 0 0"));
    ASSERT_EQ(exitCode, 0);
    ASSERT_EQ(shot.size(), static_cast<std::size_t>(kWidth * kHeight));
    // The default Viewpoint: eye at (0, 0, 10), 45 degrees over the 240 columns.
    const float k = static_cast<float>(-120.0 / std::tan(static_cast<double>(0.785398f * 0.5f))) / -10.0f;
    const int left = firstCovered(-0.5f * k + 120.0f), right = firstCovered(1.5f * k + 120.0f);
    const int top = firstCovered(160.0f - 1.25f * k), bottom = firstCovered(160.0f + 0.75f * k);
    int red = 0, wrong = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool inside = x >= left && x < right && y >= top && y < bottom;
            const uint16_t p = shot[y * kWidth + x];
            red += p == rgb565(255, 0, 0);
            wrong += p != (inside ? rgb565(255, 0, 0) : 0);
        }
    }
    EXPECT_EQ(red, 58 * 58);
    EXPECT_EQ(wrong, 0);
}

TEST_F(RenderWorldTest, NearerOpaqueSquareHidesTheFartherInEitherOrder) {
    const std::string far = squareShape(0, 0, 0, 2, "emissiveColor 1 0 0");
    const std::string near = squareShape(0, 0, 1, 1, "emissiveColor 0 1 0");
    const std::vector<uint16_t> farFirst = render(far + near);
    ASSERT_EQ(exitCode, 0);
    const std::vector<uint16_t> nearFirst = render(near + far);
    ASSERT_EQ(farFirst.size(), static_cast<std::size_t>(kWidth * kHeight));
    EXPECT_EQ(farFirst, nearFirst);
    EXPECT_EQ(farFirst[160 * kWidth + 120], rgb565(0, 255, 0));
    EXPECT_EQ(farFirst[160 * kWidth + 70], rgb565(255, 0, 0));
}

TEST_F(RenderWorldTest, HalfTransparentSquareBlendsWithWhatIsBehind) {
    const std::vector<uint16_t> shot = render(squareShape(0, 0, 1, 1, "diffuseColor 1 0 0 transparency 0.5") +
                                              squareShape(0, 0, 0, 2, "diffuseColor 1 1 1"));
    ASSERT_EQ(shot.size(), static_cast<std::size_t>(kWidth * kHeight));
    // Transparency 0.5 keeps 127/255 of the white behind and adds 128/255 of
    // the red, each product truncated.
    EXPECT_EQ(shot[160 * kWidth + 120], rgb565(248 * 127 / 255 + 255 * 128 / 255, 252 * 127 / 255, 248 * 127 / 255));
    EXPECT_EQ(shot[160 * kWidth + 70], rgb565(255, 255, 255));
}

TEST_F(RenderWorldTest, KeyATurnsLightingOnAndOff) {
    // A white square turned 60 degrees from the eye, lit by the headlight.
    const std::string world =
        "Transform { rotation 0 1 0 1.0471976 children [\n" + squareShape(0, 0, 0, 1, "diffuseColor 1 1 1") + "] }\n";
    const std::vector<uint16_t> unlit = render(world, 3);
    ASSERT_EQ(unlit.size(), static_cast<std::size_t>(kWidth * kHeight));
    EXPECT_EQ(unlit[160 * kWidth + 120], rgb565(255, 255, 255));
    // Pressed after frame 1: the application switches before frame 2 and the
    // world draws lit from frame 3 on.
    const std::vector<uint16_t> lit = render(world, 3, "1 key a\n1 release a\n");
    ASSERT_EQ(lit.size(), static_cast<std::size_t>(kWidth * kHeight));
    const uint16_t p = lit[160 * kWidth + 120];
    EXPECT_NEAR((p >> 5) & 0x3F, 127 >> 2, 1);  // 255 x cos 60 degrees
    // A second press turns it off again.
    EXPECT_EQ(render(world, 5, "1 key a\n1 release a\n2 key a\n"), unlit);
}

TEST_F(RenderWorldTest, FloorCrossingTheNearPlaneIsClippedNotLost) {
    const std::vector<uint16_t> shot = render(
        "Shape { appearance Appearance { material Material { emissiveColor 0 1 0 } }\n"
        "  geometry IndexedFaceSet { coord Coordinate { point [ -5 -1 30, 5 -1 30, 5 -1 -30, -5 -1 -30 ] }\n"
        "    coordIndex [ 0 1 2 3 -1 ] } }\n");
    ASSERT_EQ(shot.size(), static_cast<std::size_t>(kWidth * kHeight));
    const uint16_t green = rgb565(0, 255, 0);
    EXPECT_EQ(shot[319 * kWidth + 120], green);
    EXPECT_EQ(shot[319 * kWidth + 0], green);
    EXPECT_EQ(shot[319 * kWidth + 239], green);
    EXPECT_EQ(shot[170 * kWidth + 120], green);
    EXPECT_EQ(shot[150 * kWidth + 120], 0);
}

TEST_F(RenderWorldTest, SameWorldGivesTheSameBytes) {
    const std::string sample = readFile(std::string(ORVELLA_SOURCE_DIR) + "assets/sample.wrl");
    ASSERT_FALSE(sample.empty());
    writeFile(folder.file("world.wrl"), sample);
    std::string shots[2];
    for (std::string& shot : shots) {
        const std::string png = folder.file("same.png");
        std::filesystem::remove(png);
        ASSERT_EQ(runViewer(folder, {"--headless", "--install-dir", folder.file("assets") + "/", "--log",
                                     folder.file("log.txt"), "--frames", "12", "--screenshot", png,
                                     folder.file("world.wrl")})
                      .exitCode,
                  0);
        shot = readFile(png);
    }
    ASSERT_FALSE(shots[0].empty());
    EXPECT_EQ(shots[0], shots[1]);
}

TEST_F(RenderWorldTest, WorldThatCannotBeLoadedShowsBlack) {
    const std::string cases[] = {"", "this is no VRML at all { [ ", "Shape { geometry IndexedFaceSet { coord"};
    for (const std::string& text : cases) {
        const std::vector<uint16_t> shot = text.empty() ? std::vector<uint16_t>() : render(text, 2);
        if (text.empty()) {
            // A file that does not exist.
            std::filesystem::remove(folder.file("shot.png"));
            exitCode = runViewer(folder, {"--headless", "--install-dir", folder.file("assets") + "/", "--log",
                                          folder.file("log.txt"), "--frames", "2", "--screenshot",
                                          folder.file("shot.png"), folder.file("missing.wrl")})
                           .exitCode;
            const std::vector<uint16_t> missing = readScreenshot(folder.file("shot.png"));
            EXPECT_EQ(exitCode, 0);
            ASSERT_EQ(missing.size(), static_cast<std::size_t>(kWidth * kHeight));
            for (uint16_t p : missing) ASSERT_EQ(p, 0);
            continue;
        }
        EXPECT_EQ(exitCode, 0) << text;
        ASSERT_EQ(shot.size(), static_cast<std::size_t>(kWidth * kHeight)) << text;
        int lit = 0;
        for (uint16_t p : shot) lit += p != 0;
        // Nothing drawable: only the background, black.
        EXPECT_EQ(lit, 0) << text;
    }
}

}  // namespace
