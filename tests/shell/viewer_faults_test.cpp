// Faults a user can hit from the command line: unreadable scripts, names
// outside ASCII, too little memory for the display, a run ended by a signal.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>

#include "shell/test_support.h"
#include "support/test_web_server.h"
#include "support/viewer_process.h"

using foundation_test::readFile;
using foundation_test::TempDir;
using foundation_test::writeFile;

namespace {

const std::string kAssets = ORVELLA_ASSET_DIR;

TEST(ViewerFaults, AnUnreadableInputScriptIsABadInput) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("folder"));
    for (const std::string& script : {dir.file("folder"), dir.file("absent.txt"), std::string("/proc/self/mem")}) {
        const ViewerRun run = runViewer(dir, {"--headless", "--input", script, "--log", dir.file("log.txt")});
        EXPECT_EQ(run.exitCode, 2) << script;
        EXPECT_EQ(run.err, "viewer: cannot read input script \"" + script + "\"\n");
    }
}

TEST(ViewerFaults, InstallFolderOutsideAsciiFindsFontAndLogo) {
    TempDir dir;
    // UTF-8 bytes, as a shell hands them over: "inst_ä x".
    const std::string install = dir.file("inst_\xc3\xa4 x");
    std::filesystem::create_directory(install);
    for (const char* name : {"font.gif", "logo.gif"})
        std::filesystem::copy_file(kAssets + name, install + "/" + name);
    writeFile(install + "/w\xc3\xa4lt.wrl", "#VRML V2.0 utf8\nBackground { skyColor 1 0 0 }\n");
    const ViewerRun run = runViewer(dir, {"--headless", "--install-dir", install, "--log", dir.file("log.txt"),
                                          install + "/w\xc3\xa4lt.wrl"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string log = readFile(dir.file("log.txt"));
    EXPECT_NE(log.find("image: " + install + "/font.gif "), std::string::npos) << log;
    EXPECT_NE(log.find("image: " + install + "/logo.gif "), std::string::npos) << log;
    EXPECT_EQ(log.find("NOT FOUND"), std::string::npos) << log;
    EXPECT_EQ(log.find("not found"), std::string::npos) << log;
}

TEST(ViewerFaults, NoMemoryForTheDisplayIsAStartFailure) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#else
    TempDir dir;
    // 150 MB of address space cannot hold the 128 MB display of 8192 x 8192
    // next to the frame buffer of the same size.
    const ViewerRun run =
        runViewerInAddressSpace(dir, {"--headless", "--size", "8192x8192", "--log", dir.file("log.txt")}, 150000000);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("Error while initializing applivation\nviewer: out of memory for the display\n"),
              std::string::npos)
        << run.err;
#endif
}

TEST(ViewerFaults, StopSignalsEndTheRunWithTheLogWritten) {
    for (int signal : {SIGTERM, SIGINT}) {
        TempDir dir;
        const ViewerRun run = runViewerThenSignal(
            dir, {"--headless", "--frames", "100000000", "--log", dir.file("log.txt"), "--screenshot",
                  dir.file("last.png")},
            signal, 700);
        EXPECT_EQ(run.exitCode, 128 + signal) << run.err;
        const std::string log = readFile(dir.file("log.txt"));
        EXPECT_NE(log.find("application initialized\n"), std::string::npos) << log;
        int width = 0;
        int height = 0;
        EXPECT_TRUE(readPng(dir.file("last.png"), width, height));
    }
}

TEST(ViewerFaults, AWorldThatCannotBeLoadedIsNamedWithItsReason) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("folder.wrl"));
    writeFile(dir.file("empty.wrl"), "#VRML V2.0 utf8\n# nothing here\n");
    std::filesystem::create_directory(dir.file("site"));
    TestWebServer server(dir.file("site"));
    const struct {
        std::string world;
        std::string reason;
    } cases[] = {
        {dir.file("absent.wrl"), "No such file or directory"},
        {dir.file("folder.wrl"), "is a folder"},
        {dir.file("empty.wrl"), "no node read"},
        {"http://127.0.0.1:9/world.wrl", ""},  // refused: libcurl's words
        {server.running() ? server.url("/missing.wrl") : std::string(), "HTTP status 404"},
    };
    for (const auto& c : cases) {
        if (c.world.empty()) continue;  // no python3 for the server
        const ViewerRun run = runViewer(dir, {"--headless", "--frames", "2", "--install-dir", kAssets, "--log",
                                              dir.file("log.txt"), "--screenshot", dir.file("shot.png"), c.world});
        // The viewer runs on, on an empty world with its overlay and logo.
        EXPECT_EQ(run.exitCode, 0) << c.world;
        const std::string line = "viewer: cannot load the world \"" + c.world + "\": " + c.reason;
        EXPECT_EQ(run.err.rfind(line, 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        int width = 0;
        int height = 0;
        std::vector<uint8_t> rgb;
        ASSERT_TRUE(readPng(dir.file("shot.png"), width, height, &rgb));
        EXPECT_GT(std::count_if(rgb.begin(), rgb.end(), [](uint8_t v) { return v != 0; }), 500) << c.world;
    }
}

TEST(ViewerFaults, ColoursBeyondTheirRangeAreClamped) {
    TempDir dir;
    writeFile(dir.file("sky.wrl"), "#VRML V2.0 utf8\nBackground { skyColor 1e39 -1e39 0 }\n");
    const ViewerRun run = runViewer(dir, {"--headless", "--screenshot", dir.file("sky.png"), "--log",
                                          dir.file("log.txt"), dir.file("sky.wrl")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(readPng(dir.file("sky.png"), width, height, &rgb));
    EXPECT_EQ(rgb[0], 255);  // infinite red is full red
    EXPECT_EQ(rgb[1], 0);
    EXPECT_EQ(rgb[2], 0);
}

}  // namespace
