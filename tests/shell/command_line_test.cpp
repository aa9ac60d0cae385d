#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "shell/command_line.h"
#include "shell/install_dir.h"
#include "shell/test_support.h"

namespace {

TEST(CommandLine, DefaultsAndEveryOption) {
    ViewerOptions defaults;
    std::string error;
    ASSERT_TRUE(parseCommandLine({}, defaults, error));
    EXPECT_EQ(defaults.width, 240);
    EXPECT_EQ(defaults.height, 320);
    EXPECT_EQ(defaults.zoom, 2);
    EXPECT_EQ(defaults.frameMs, 40u);
    EXPECT_EQ(frameLimit(defaults), -1);  // the desktop runs until quit
    EXPECT_EQ(defaults.world, "");
    // As many drawing threads as cores.
    EXPECT_EQ(defaults.threads, defaultThreads());
    EXPECT_GE(defaults.threads, 1);

    ViewerOptions o;
    ASSERT_TRUE(parseCommandLine({"--size", "320x240", "--zoom=3", "--headless", "--frames", "7", "--frame-ms",
                                  "0", "--input", "in.txt", "--screenshot=out.png", "--log", "l.txt",
                                  "--install-dir", "/opt/o", "--threads", "3", "--check", "world.wrl"},
                                 o, error))
        << error;
    EXPECT_EQ(o.width, 320);
    EXPECT_EQ(o.height, 240);
    EXPECT_EQ(o.zoom, 3);
    EXPECT_TRUE(o.headless);
    EXPECT_EQ(frameLimit(o), 7);
    EXPECT_EQ(o.frameMs, 0u);
    EXPECT_EQ(o.input, "in.txt");
    EXPECT_EQ(o.screenshot, "out.png");
    EXPECT_EQ(o.log, "l.txt");
    EXPECT_EQ(o.installDir, "/opt/o");
    EXPECT_TRUE(o.check);
    EXPECT_EQ(o.threads, 3);
    EXPECT_EQ(o.world, "world.wrl");

    ViewerOptions headless;
    ASSERT_TRUE(parseCommandLine({"--headless"}, headless, error));
    EXPECT_EQ(frameLimit(headless), 1);

    // After "--" everything is the world, even what looks like an option.
    ViewerOptions dashed;
    ASSERT_TRUE(parseCommandLine({"--help", "--", "--size"}, dashed, error));
    EXPECT_TRUE(dashed.help);
    EXPECT_EQ(dashed.world, "--size");
    ViewerOptions url;
    ASSERT_TRUE(parseCommandLine({"http://example.org/a%20b.wrl", "--version"}, url, error));
    EXPECT_EQ(url.world, "http://example.org/a%20b.wrl");
    EXPECT_TRUE(url.version);
}

TEST(CommandLine, BadOptionsAndValuesAreNamed) {
    const struct {
        std::vector<std::string> args;
        const char* named;
    } cases[] = {
        {{"--bogus"}, "--bogus"},
        {{"-x"}, "-x"},
        {{"--size", "240"}, "240"},
        {{"--size", "0x320"}, "0x320"},
        {{"--size", "240x-3"}, "240x-3"},
        {{"--size", "99999x10"}, "99999x10"},
        {{"--size=240X320"}, "240X320"},
        {{"--zoom", "0"}, "--zoom"},
        {{"--zoom", "two"}, "two"},
        {{"--frames", "-1"}, "-1"},
        {{"--frames", "99999999999999999999999"}, "--frames"},
        {{"--frame-ms", "4.5"}, "4.5"},
        {{"--frames"}, "--frames"},
        {{"--log", ""}, "--log"},
        {{"--threads", "0"}, "--threads"},
        {{"--threads=65"}, "65"},
        {{"--threads", "x2"}, "x2"},
        {{"--headless=yes"}, "--headless"},
        {{"a.wrl", "b.wrl"}, "b.wrl"},
        // Options only a headless run uses are refused with a window.
        {{"--input", "in.txt", "w.wrl"}, "--input"},
        {{"--frames", "3", "--frame-ms=20"}, "--frame-ms"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        ViewerOptions o;
        std::string error;
        EXPECT_FALSE(parseCommandLine(c.args, o, error));
        EXPECT_NE(error.find(c.named), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);  // one line
    }
}

TEST(InstallDir, GivenThenInstalledThenSourceAssets) {
    EXPECT_EQ(findInstallDir("/opt/orvella", ""), "/opt/orvella/");
    EXPECT_EQ(findInstallDir("assets/", ""), "assets/");  // already ends in "/"

    foundation_test::TempDir dir;
    std::filesystem::create_directories(dir.file("prefix/bin"));
    const std::string executable = dir.file("prefix/bin/viewer");
    // Not installed: the source tree's assets.
    EXPECT_EQ(findInstallDir("", executable), ORVELLA_ASSET_DIR);
    EXPECT_EQ(findInstallDir("", ""), ORVELLA_ASSET_DIR);
    std::filesystem::create_directories(dir.file("prefix/share/orvella"));
    EXPECT_EQ(findInstallDir("", executable), dir.file("prefix/share/orvella/"));
    EXPECT_EQ(findInstallDir("/given", executable), "/given/");

    // The running test binary knows its own path.
    EXPECT_FALSE(executablePath().empty());
    EXPECT_TRUE(std::filesystem::exists(executablePath()));
}

}  // namespace
