// The built viewer, run as a program: exit codes, messages, screenshots, log.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "shell/test_support.h"
#include "support/viewer_process.h"

using foundation_test::readFile;
using foundation_test::TempDir;
using foundation_test::writeFile;

namespace {

const std::string kLogStart = "ORVELLA log: version: 1, build: 1initializing application\n";

TEST(ViewerBinary, HeadlessRunWritesScreenshotAndLog) {
    TempDir dir;
    const ViewerRun run = runViewer(dir, {"--headless", "--frames", "3", "--screenshot", dir.file("out.png"), "--log",
                                    dir.file("log.txt"), "--install-dir", dir.path()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    int width = 0;
    int height = 0;
    ASSERT_TRUE(readPng(dir.file("out.png"), width, height));
    EXPECT_EQ(width, 240);
    EXPECT_EQ(height, 320);
    const std::string log = readFile(dir.file("log.txt"));
    // The command line (none: an empty line), then the installation directory.
    EXPECT_EQ(log.rfind(kLogStart + "\n" + dir.path() + "/\n", 0), 0u) << log;
    EXPECT_NE(log.find("application initialized\n"), std::string::npos) << log;
}

TEST(ViewerBinary, SizeWorldAndKeysReachTheLog) {
    TempDir dir;
    writeFile(dir.file("input.txt"), "# keys\n1 key 49\n1 release 49\n2 key start\n");
    const ViewerRun run = runViewer(dir, {"--headless", "--size=320x240", "--frames", "10", "--input", dir.file("input.txt"),
                                    "--screenshot", dir.file("wide.png"), "--log", dir.file("log.txt"), "--",
                                    "100%.wrl"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    int width = 0;
    int height = 0;
    ASSERT_TRUE(readPng(dir.file("wide.png"), width, height));
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
    const std::string log = readFile(dir.file("log.txt"));
    EXPECT_EQ(log.rfind(kLogStart + "100%.wrl\n", 0), 0u) << log;
    // The key presses are logged and Start ends the run (exit 0).
    const std::size_t initialized = log.find("application initialized\n");
    ASSERT_NE(initialized, std::string::npos);
    EXPECT_EQ(log.substr(initialized), "application initialized\nkey: 49\nkey: 27\n");
}

TEST(ViewerBinary, BadCommandLinesAndScriptsExitWithTwo) {
    TempDir dir;
    ViewerRun run = runViewer(dir, {"--bogus"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("\"--bogus\""), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("usage: viewer"), std::string::npos) << run.err;

    run = runViewer(dir, {"--size", "big"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("big"), std::string::npos) << run.err;

    writeFile(dir.file("input.txt"), "1 key a\n\n2 fly 3 4\n");
    run = runViewer(dir, {"--headless", "--input", dir.file("input.txt"), "--log", dir.file("log.txt"),
                          "--screenshot", dir.file("never.png")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("line 3"), std::string::npos) << run.err;
    // Stopped before the first frame: nothing was started.
    EXPECT_FALSE(std::filesystem::exists(dir.file("never.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("log.txt")));

    run = runViewer(dir, {"--headless", "--input", dir.file("missing.txt")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("missing.txt"), std::string::npos) << run.err;
}

TEST(ViewerBinary, HelpVersionAndCheck) {
    TempDir dir;
    ViewerRun run = runViewer(dir, {"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("--screenshot FILE"), std::string::npos);
    run = runViewer(dir, {"--version"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("0.1"), std::string::npos);

    // --check opens no display; its last line is the summary, matching the exit code.
    run = runViewer(dir, {"--log", dir.file("log.txt"), "--check", dir.file("missing.wrl")},
                    {{"SDL_VIDEODRIVER", "x11"}, {"DISPLAY", ""}});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "world not loaded\n");

    writeFile(dir.file("empty.wrl"), "");
    run = runViewer(dir, {"--log", dir.file("log.txt"), "--check", dir.file("empty.wrl")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "world not loaded\n");

    // Messages as they go to the log, with their line numbers, then the summary.
    writeFile(dir.file("foo.wrl"),
              "#VRML V2.0 utf8\n"
              "Group {\n"
              "  children [\n"
              "    Foo { size 1 2 3 }\n"
              "  ]\n"
              "}\n");
    run = runViewer(dir, {"--log", dir.file("log.txt"), "--check", dir.file("foo.wrl")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out,
              "Unrecognized node type 'Foo' at line: 4\n"
              "world loaded: 5 nodes, 0 routes\n");
    EXPECT_EQ(readFile(dir.file("log.txt")),
              "ORVELLA log: version: 1, build: 1Unrecognized node type 'Foo' at line: 4\n");
}

TEST(ViewerBinary, DesktopStartWithoutADisplayFailsCleanly) {
    TempDir dir;
    const ViewerRun run = runViewer(dir, {"--log", dir.file("log.txt")},
                              {{"SDL_VIDEODRIVER", "x11"}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Error while initializing applivation\nviewer: no display (set DISPLAY or WAYLAND_DISPLAY, "
                           "or use --headless)\n"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("log.txt")));  // the log is not opened
}

TEST(ViewerBinary, DesktopRunWithoutAScreen) {
    TempDir dir;
    const ViewerRun run = runViewer(dir, {"--frames", "2", "--zoom", "1", "--screenshot", dir.file("desk.png"), "--log",
                                    dir.file("log.txt")},
                              {{"SDL_VIDEODRIVER", "dummy"}});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    int width = 0;
    int height = 0;
    ASSERT_TRUE(readPng(dir.file("desk.png"), width, height));
    EXPECT_EQ(width, 240);
    EXPECT_EQ(height, 320);
    EXPECT_EQ(readFile(dir.file("log.txt")).rfind(kLogStart, 0), 0u);
}

}  // namespace
