// The desktop window for real, on an X server of the test's own (Xvfb on a
// free display number): the screenshot of a window run is the picture of a
// headless run of the same world, the window is titled "DIRazo" and zoomed,
// keys arrive as the handheld's virtual keys, and both Escape and closing the
// window end the program with exit code 0 and the screenshot written.
// Skips where Xvfb is not installed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "shell/test_support.h"
#include "support/child_process.h"
#include "support/viewer_process.h"

using foundation_test::readFile;
using foundation_test::TempDir;
using foundation_test::writeFile;

namespace {

const std::string kWorld =
    "#VRML V2.0 utf8\n"
    "Background { skyColor [ 0.2 0.3 0.4 ] }\n"
    "Viewpoint { position 0 0 5 }\n"
    "Transform { rotation 0 0 1 0.4 children Shape {\n"
    "  appearance Appearance { material Material { emissiveColor 1 0.5 0.25 } }\n"
    "  geometry IndexedFaceSet { coord Coordinate { point [ -1 -1 0, 1 -1 0, 1 1 0, -1 1 0 ] }\n"
    "    coordIndex [ 0 1 2 3 -1 ] } } }\n";

// Xvfb on the first free display number from a start that differs between
// processes; the lock file holding our server's process id tells that the
// display is ours, not another test's.
class XvfbServer {
public:
    explicit XvfbServer(const TempDir& dir) {
        const std::string program = findOnPath("Xvfb");
        if (program.empty()) return;
        const int first = 100 + static_cast<int>(getpid() % 400);
        for (int number = first; number < first + 40 && !server_; ++number) {
            const std::string digits = std::to_string(number);
            if (std::filesystem::exists("/tmp/.X" + digits + "-lock")) continue;
            std::string display = ":";
            display.append(digits);
            auto server = std::make_unique<ChildProcess>(
                std::vector<std::string>{program, display, "-screen", "0", "800x600x24", "-nolisten", "tcp"},
                std::map<std::string, std::string>{}, "", "", dir.file("xvfb.err"));
            if (waitUntilServing(*server, digits)) {
                server_ = std::move(server);
                display_ = display;
            }
        }
    }

    bool running() const { return server_ != nullptr; }
    const std::string& display() const { return display_; }

private:
    static bool waitUntilServing(ChildProcess& server, const std::string& digits) {
        const std::string lock = "/tmp/.X" + digits + "-lock";
        const std::string socket = "/tmp/.X11-unix/X" + digits;
        for (int tries = 0; tries < 200 && server.running(); ++tries) {
            std::ifstream in(lock);
            long owner = 0;
            if (in >> owner && owner == server.pid() && std::filesystem::exists(socket)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        return false;
    }

    std::unique_ptr<ChildProcess> server_;
    std::string display_;
};

class XvfbWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (findOnPath("Xvfb").empty()) GTEST_SKIP() << "Xvfb is not installed (Debian package xvfb)";
        xvfb_ = std::make_unique<XvfbServer>(dir_);
        ASSERT_TRUE(xvfb_->running()) << readFile(dir_.file("xvfb.err"));
        writeFile(dir_.file("world.wrl"), kWorld);
    }

    // The environment of a run in the window: our display, SDL's own choice
    // of driver (the tests set SDL_VIDEODRIVER=offscreen otherwise). Under
    // the sanitizers, memory errors still stop the run, but leaks are not
    // checked: on a real display the system's SDL starts D-Bus, whose few
    // blocks left at exit have stacks the leak checker cannot follow.
    std::map<std::string, std::string> windowEnvironment() const {
        const char* asan = std::getenv("ASAN_OPTIONS");
        std::string options = asan ? std::string(asan) + ":" : std::string();
        options += "detect_leaks=0";
        return {{"DISPLAY", xvfb_->display()}, {"SDL_VIDEODRIVER", ""}, {"WAYLAND_DISPLAY", ""},
                {"ASAN_OPTIONS", options}};
    }

    // Runs the viewer in the window while the input script drives it; the
    // viewer's exit code, or -1 when it did not end within 30 seconds.
    int runDriven(const std::vector<std::string>& viewerArgs, const std::vector<std::string>& actions,
                  std::string* printed = nullptr) {
        std::vector<std::string> args = {ORVELLA_VIEWER_PATH};
        args.insert(args.end(), viewerArgs.begin(), viewerArgs.end());
        ChildProcess viewer(args, windowEnvironment(), "", dir_.file("viewer.out"), dir_.file("viewer.err"));
        std::vector<std::string> driver = {"python3", std::string(ORVELLA_SOURCE_DIR) + "tests/shell/x_window_input.py",
                                           "DIRazo"};
        driver.insert(driver.end(), actions.begin(), actions.end());
        const int driven =
            runProgram(driver, {{"DISPLAY", xvfb_->display()}}, "", dir_.file("driver.out"), dir_.file("driver.err"));
        if (printed) *printed = readFile(dir_.file("driver.out"));
        if (driven == 3) {
            skipped_ = true;  // no libX11 or libXtst for the script: the viewer is ended below
            return -1;
        }
        EXPECT_EQ(driven, 0) << readFile(dir_.file("driver.err"));
        for (int tries = 0; tries < 300 && viewer.running(); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (viewer.running()) return -1;  // the destructor ends it
        return viewer.wait();
    }

    TempDir dir_;
    std::unique_ptr<XvfbServer> xvfb_;
    bool skipped_ = false;
};

TEST_F(XvfbWindowTest, TheWindowShowsWhatTheHeadlessViewerDraws) {
    const std::vector<std::string> common = {"--size", "120x160", "--zoom", "3", "--frames", "6", "--no-overlay"};
    std::vector<std::string> window = common;
    window.insert(window.end(), {"--screenshot", dir_.file("window.png"), "--log", dir_.file("window.txt"),
                                 dir_.file("world.wrl")});
    std::vector<std::string> headless = common;
    headless.insert(headless.end(), {"--headless", "--screenshot", dir_.file("headless.png"), "--log",
                                     dir_.file("headless.txt"), dir_.file("world.wrl")});

    const ViewerRun shown = runViewer(dir_, window, windowEnvironment());
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    const ViewerRun drawn = runViewer(dir_, headless);
    ASSERT_EQ(drawn.exitCode, 0) << drawn.err;

    int width = 0;
    int height = 0;
    std::vector<uint8_t> windowPixels;
    std::vector<uint8_t> headlessPixels;
    ASSERT_TRUE(readPng(dir_.file("window.png"), width, height, &windowPixels));
    EXPECT_EQ(width, 120);
    EXPECT_EQ(height, 160);
    ASSERT_TRUE(readPng(dir_.file("headless.png"), width, height, &headlessPixels));
    EXPECT_TRUE(windowPixels == headlessPixels);
    // The world is there: the middle is the square's colour, a corner the sky's.
    const std::size_t middle = (80 * 120 + 60) * 3;
    EXPECT_EQ(windowPixels[middle], 255);
    EXPECT_NE(windowPixels[0], 255);
}

TEST_F(XvfbWindowTest, KeysArriveAndClosingTheWindowEndsTheRun) {
    std::string printed;
    const int code = runDriven({"--size", "120x160", "--zoom", "3", "--screenshot", dir_.file("closed.png"), "--log",
                                dir_.file("closed.txt"), dir_.file("world.wrl")},
                               {"size", "key", "1", "key", "a", "key", "F1", "wait", "0.3", "close"}, &printed);
    if (skipped_) GTEST_SKIP() << "libX11 and libXtst are needed to drive the window";
    ASSERT_EQ(code, 0) << readFile(dir_.file("viewer.err"));
    EXPECT_EQ(printed, "size 360 480\n");  // the display zoomed 3 times
    const std::string log = readFile(dir_.file("closed.txt"));
    // Virtual keys of the handheld: digit 1, letter A (upper case), F1.
    const std::size_t initialized = log.find("application initialized\n");
    ASSERT_NE(initialized, std::string::npos) << log;
    EXPECT_EQ(log.substr(initialized), "application initialized\nkey: 49\nkey: 65\nkey: 112\n");
    int width = 0;
    int height = 0;
    EXPECT_TRUE(readPng(dir_.file("closed.png"), width, height));

    const int escaped = runDriven({"--screenshot", dir_.file("escaped.png"), "--log", dir_.file("escaped.txt"),
                                   dir_.file("world.wrl")},
                                  {"key", "Escape"});
    EXPECT_EQ(escaped, 0) << readFile(dir_.file("viewer.err"));
    EXPECT_NE(readFile(dir_.file("escaped.txt")).find("application initialized\nkey: 27\n"), std::string::npos);
    EXPECT_TRUE(readPng(dir_.file("escaped.png"), width, height));
    EXPECT_EQ(width, 240);
    EXPECT_EQ(height, 320);
}

}  // namespace
