// The bundled sample world as a visitor meets it, through the built viewer:
// the firefly that comes along once the visitor walks into the courtyard
// (a ProximitySensor), and the gold pyramid that hops when tapped (a
// TouchSensor starting a TimeSensor).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/rgb565.h"
#include "shell/test_support.h"
#include "support/viewer_process.h"

using foundation_test::writeFile;

namespace {

const std::string kAssets = ORVELLA_ASSET_DIR;

class SampleWorld : public ::testing::Test {
protected:
    // The screen after the frames (40 ms apart) with the input script, as
    // RGB565; empty when the run failed.
    std::vector<uint16_t> shoot(int frames, const std::string& script) {
        writeFile(folder.file("input.txt"), script);
        const ViewerRun run =
            runViewer(folder, {"--headless", "--install-dir", kAssets, "--log", folder.file("log.txt"), "--frames",
                               std::to_string(frames), "--input", folder.file("input.txt"), "--screenshot",
                               folder.file("shot.png")});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        int width = 0, height = 0;
        std::vector<uint8_t> rgb;
        if (!readPng(folder.file("shot.png"), width, height, &rgb)) return {};
        std::vector<uint16_t> pixels(static_cast<std::size_t>(width) * height);
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = rgb565FromBytes(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
        return pixels;
    }
    static int count(const std::vector<uint16_t>& shot, uint16_t colour) {
        int n = 0;
        for (uint16_t p : shot) n += p == colour;
        return n;
    }
    // The highest screen row holding the colour, or -1.
    static int topRow(const std::vector<uint16_t>& shot, uint16_t colour) {
        for (std::size_t i = 0; i < shot.size(); ++i)
            if (shot[i] == colour) return static_cast<int>(i / 240);
        return -1;
    }
    TempDir folder;
};

TEST_F(SampleWorld, AFireflyComesAlongInTheCourtyard) {
    const uint16_t firefly = packRgb565(1.0f, 0.95f, 0.3f);
    EXPECT_EQ(count(shoot(80, ""), firefly), 0);  // at the entrance
    // Up held for two seconds at speed 2 walks about four metres in.
    EXPECT_GT(count(shoot(80, "1 key up\n"), firefly), 50);
}

TEST_F(SampleWorld, TheGoldPyramidHopsWhenTapped) {
    const uint16_t gold = packRgb565(0.95f, 0.75f, 0.20f);
    const std::vector<uint16_t> still = shoot(12, "");
    const int restingTop = topRow(still, gold);
    ASSERT_GE(restingTop, 0);
    // Tapped on its tip in frame 1, it rises for 0.4 s from frame 3 on.
    const std::vector<uint16_t> hopping = shoot(12, "1 down 120 168\n2 up 120 168\n");
    EXPECT_LT(topRow(hopping, gold), restingTop - 5);
}

}  // namespace
