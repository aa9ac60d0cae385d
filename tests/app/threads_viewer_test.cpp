// --threads through the built viewer: the animated sample world (textures,
// transparency, a waving flag, the overlay and the bouncing logo) shot
// headless after the same frames and input with one thread and with several
// must be the same picture, pixel for pixel, also across view-level and
// half-resolution changes (new targets part way); and a bad thread count is
// refused like any bad option value.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "shell/test_support.h"
#include "support/viewer_process.h"

using foundation_test::writeFile;

namespace {

const std::string kAssets = ORVELLA_ASSET_DIR;

class ThreadsViewer : public ::testing::Test {
protected:
    // The screenshot's RGB bytes after the run; empty when it failed.
    std::vector<uint8_t> shoot(const std::string& size, int frames, const std::string& script, int threads) {
        writeFile(folder.file("input.txt"), script);
        const std::string shot = folder.file("shot" + std::to_string(threads) + ".png");
        const ViewerRun run = runViewer(
            folder, {"--headless", "--install-dir", kAssets, "--log", folder.file("log.txt"), "--size", size,
                     "--frames", std::to_string(frames), "--input", folder.file("input.txt"), "--threads",
                     std::to_string(threads), "--screenshot", shot});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        int width = 0, height = 0;
        std::vector<uint8_t> rgb;
        if (!readPng(shot, width, height, &rgb)) return {};
        return rgb;
    }
    TempDir folder;
};

TEST_F(ThreadsViewer, EveryThreadCountShootsTheSamePicture) {
    const struct {
        const char* name;
        const char* size;
        int frames;
        const char* script;
    } runs[] = {
        // Walking in, tapping the gold pyramid, lighting toggled: 640 x 480 is drawn in bands.
        {"walk and tap", "640x480", 40, "1 key up\n20 release up\n21 down 320 336\n22 up 320 336\n25 key a\n26 release a\n"},
        // View level 1 (480 x 360), then half resolution (240 x 180, one thread
        // whatever the count), then back to full (480 x 360).
        {"new targets", "720x540", 36, "3 key c\n4 release c\n12 key b\n13 release b\n20 key b\n21 release b\n24 key left\n"},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.name);
        const std::vector<uint8_t> one = shoot(run.size, run.frames, run.script, 1);
        ASSERT_FALSE(one.empty());
        for (int threads : {2, 3}) {
            const std::vector<uint8_t> many = shoot(run.size, run.frames, run.script, threads);
            ASSERT_EQ(many.size(), one.size()) << threads << " threads";
            std::size_t differing = 0;
            for (std::size_t i = 0; i < one.size(); ++i) differing += one[i] != many[i];
            EXPECT_EQ(differing, 0u) << threads << " threads";
        }
    }
}

TEST_F(ThreadsViewer, BadThreadCountsAreRefused) {
    for (const char* value : {"0", "-2", "two", "65", "1.5", ""}) {
        SCOPED_TRACE(value);
        const ViewerRun run = runViewer(folder, {"--headless", "--threads=" + std::string(value)});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find("viewer: bad value \"" + std::string(value) + "\" for option \"--threads\"\n"),
                  std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find("usage: viewer"), std::string::npos);
    }
    const ViewerRun missing = runViewer(folder, {"--headless", "--threads"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("option \"--threads\" needs a value"), std::string::npos) << missing.err;
}

}  // namespace
