// The built viewer, run as a program: exit codes, messages, screenshots, log.
#include <gtest/gtest.h>

#include <png.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "shell/test_support.h"

extern char** environ;

using foundation_test::readFile;
using foundation_test::TempDir;
using foundation_test::writeFile;

namespace {

struct ViewerRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the viewer with the arguments; environment entries in overrides replace
// (or, with an empty value, remove) the inherited ones.
ViewerRun runViewer(const TempDir& dir, const std::vector<std::string>& args,
              const std::map<std::string, std::string>& overrides = {}) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        if (!overrides.count(text.substr(0, text.find('=')))) environment.push_back(text);
    }
    for (const auto& [name, value] : overrides) {
        if (!value.empty()) environment.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (std::string& text : environment) envp.push_back(text.data());
    envp.push_back(nullptr);

    std::vector<std::string> argStrings = {ORVELLA_VIEWER_PATH};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& text : argStrings) argv.push_back(text.data());
    argv.push_back(nullptr);

    const std::string outPath = dir.file("stdout.txt");
    const std::string errPath = dir.file("stderr.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ViewerRun run;
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = readFile(outPath);
    run.err = readFile(errPath);
    return run;
}

bool pngSize(const std::string& path, int& width, int& height, std::vector<uint8_t>* rgb = nullptr) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    const bool read = png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    png_image_free(&image);
    if (rgb) *rgb = std::move(pixels);
    return read;
}

const std::string kLogStart = "ORVELLA log: version: 1, build: 1initializing application\n";

TEST(ViewerBinary, HeadlessRunWritesScreenshotAndLog) {
    TempDir dir;
    const ViewerRun run = runViewer(dir, {"--headless", "--frames", "3", "--screenshot", dir.file("out.png"), "--log",
                                    dir.file("log.txt"), "--install-dir", dir.path()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    int width = 0;
    int height = 0;
    ASSERT_TRUE(pngSize(dir.file("out.png"), width, height));
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
    ASSERT_TRUE(pngSize(dir.file("wide.png"), width, height));
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
    EXPECT_NE(run.err.find("Error while initializing applivation\n"), std::string::npos) << run.err;
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
    ASSERT_TRUE(pngSize(dir.file("desk.png"), width, height));
    EXPECT_EQ(width, 240);
    EXPECT_EQ(height, 320);
    EXPECT_EQ(readFile(dir.file("log.txt")).rfind(kLogStart, 0), 0u);
}

}  // namespace
