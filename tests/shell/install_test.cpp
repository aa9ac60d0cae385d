// The installed viewer: `cmake --install` into a staging folder (DESTDIR),
// then the staged viewer run from another folder finds its assets with no
// option, and the thumbnailer entry's command makes a square PNG of a world.
#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "shell/test_support.h"
#include "support/child_process.h"
#include "support/viewer_process.h"

using foundation_test::readFile;
using foundation_test::TempDir;
using foundation_test::writeFile;

namespace {

const std::string kPrefix = "/opt/orvella-install-test";

// A world drawn only in the middle of the picture, gzipped (as a .wrz is).
// Compressed by python3's gzip module: this test links no zlib.
bool writeGzippedWorld(const TempDir& dir, const std::string& name) {
    writeFile(dir.file("plain.wrl"),
              "#VRML V2.0 utf8\n"
              "Background { skyColor [ 0 0 1 ] }\n"
              // The thumbnailer reads with the full profile, which lights the
              // world and frames a world without a Viewpoint: a black diffuse
              // colour and the default camera keep the square where it was.
              "Viewpoint { position 0 0 10 }\n"
              "Shape { appearance Appearance { material Material { diffuseColor 0 0 0 emissiveColor 1 1 0 } }\n"
              "  geometry IndexedFaceSet { coord Coordinate { point [ -1 -1 0, 1 -1 0, 1 1 0, -1 1 0 ] }\n"
              "    coordIndex [ 0 1 2 3 -1 ] } }\n");
    return runProgram({"python3", "-c",
                       "import gzip, sys; open(sys.argv[2], 'wb').write(gzip.compress(open(sys.argv[1], 'rb').read()))",
                       dir.file("plain.wrl"), dir.file(name)}) == 0;
}

std::string lineStarting(const std::string& text, const std::string& start) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(start, 0) == 0) return line.substr(start.size());
    }
    return std::string();
}

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        const int code = runProgram({ORVELLA_CMAKE_COMMAND, "--install", ORVELLA_BUILD_DIR, "--prefix", kPrefix},
                                    {{"DESTDIR", stage_.path()}}, "", stage_.file("install.out"),
                                    stage_.file("install.err"));
        ASSERT_EQ(code, 0) << readFile(stage_.file("install.err"));
        root_ = stage_.path() + kPrefix;
    }

    TempDir stage_;
    std::string root_;  // the staged prefix
    TempDir elsewhere_;
};

TEST_F(InstallTest, TheStagedTreeHoldsTheViewerAssetsAndEntries) {
    for (const char* file : {"bin/viewer", "share/orvella/font.gif", "share/orvella/logo.gif",
                             "share/orvella/sample.wrl", "share/applications/orvella.desktop",
                             "share/thumbnailers/orvella.thumbnailer", "share/mime/packages/orvella.xml"}) {
        EXPECT_TRUE(std::filesystem::is_regular_file(root_ + "/" + file)) << file;
    }
    // The entries name the viewer where it will be, not where it was staged.
    const std::string desktop = readFile(root_ + "/share/applications/orvella.desktop");
    EXPECT_EQ(lineStarting(desktop, "Exec="), kPrefix + "/bin/viewer -- %f");
    EXPECT_EQ(lineStarting(desktop, "MimeType="), "model/vrml;x-world/x-vrml;");
    const std::string mime = readFile(root_ + "/share/mime/packages/orvella.xml");
    for (const char* glob : {"\"*.wrl\"", "\"*.wrz\"", "\"*.wrl.gz\""}) EXPECT_NE(mime.find(glob), std::string::npos);
}

// Installs into different staging folders at once (as ctest runs these
// fixtures side by side) each finish with whole entries of their own.
TEST(InstallRace, SimultaneousInstallsIntoSeparateFoldersAllSucceed) {
    constexpr int kRuns = 16;
    std::vector<TempDir> stages(kRuns);
    std::vector<std::unique_ptr<ChildProcess>> runs;
    for (int i = 0; i < kRuns; ++i) {
        runs.push_back(std::make_unique<ChildProcess>(
            std::vector<std::string>{ORVELLA_CMAKE_COMMAND, "--install", ORVELLA_BUILD_DIR, "--prefix", kPrefix},
            std::map<std::string, std::string>{{"DESTDIR", stages[i].path()}}, "", stages[i].file("install.out"),
            stages[i].file("install.err")));
    }
    for (int i = 0; i < kRuns; ++i) {
        ASSERT_EQ(runs[i]->wait(), 0) << readFile(stages[i].file("install.err"));
        const std::string root = stages[i].path() + kPrefix;
        EXPECT_EQ(lineStarting(readFile(root + "/share/applications/orvella.desktop"), "Exec="),
                  kPrefix + "/bin/viewer -- %f");
        EXPECT_NE(lineStarting(readFile(root + "/share/thumbnailers/orvella.thumbnailer"), "Exec=").find("--profile"),
                  std::string::npos);
    }
}

TEST_F(InstallTest, TheInstalledViewerFindsItsAssetsFromAnyFolder) {
    const std::string viewer = root_ + "/bin/viewer";
    const int code = runProgram({viewer, "--headless", "--frames", "2", "--log", "log.txt", "--screenshot", "shot.png"},
                                {}, elsewhere_.path(), elsewhere_.file("out"), elsewhere_.file("err"));
    EXPECT_EQ(code, 0) << readFile(elsewhere_.file("err"));
    const std::string log = readFile(elsewhere_.file("log.txt"));
    const std::string assets = root_ + "/share/orvella/";
    // No world given: an empty line, then the installed asset folder.
    EXPECT_NE(log.find("\n\n" + assets + "\n"), std::string::npos) << log;
    EXPECT_NE(log.find("image: " + assets + "font.gif "), std::string::npos) << log;
    EXPECT_EQ(log.find("NOT FOUND"), std::string::npos) << log;
    int width = 0;
    int height = 0;
    EXPECT_TRUE(readPng(elsewhere_.file("shot.png"), width, height));
}

TEST_F(InstallTest, TheThumbnailerEntryMakesASquarePng) {
    if (!writeGzippedWorld(elsewhere_, "world.wrz")) GTEST_SKIP() << "python3 is needed to compress the world";
    const std::string entry = readFile(root_ + "/share/thumbnailers/orvella.thumbnailer");
    std::istringstream words(lineStarting(entry, "Exec="));
    std::vector<std::string> command;
    // The thumbnail service's substitutions: %s the size, %o the output, %i the input.
    for (std::string word; words >> word;) {
        for (std::size_t at; (at = word.find("%s")) != std::string::npos;) word.replace(at, 2, "96");
        if (word == "%o") word = "thumb.png";
        if (word == "%i") word = elsewhere_.file("world.wrz");
        command.push_back(word);
    }
    ASSERT_FALSE(command.empty());
    ASSERT_EQ(command[0], kPrefix + "/bin/viewer");
    // Thumbnails show files written by others: the full node set.
    const auto profile = std::find(command.begin(), command.end(), "--profile");
    ASSERT_NE(profile, command.end());
    ASSERT_NE(profile + 1, command.end());
    EXPECT_EQ(*(profile + 1), "full");
    command[0] = root_ + "/bin/viewer";
    const int code = runProgram(command, {}, elsewhere_.path(), elsewhere_.file("out"), elsewhere_.file("err"));
    ASSERT_EQ(code, 0) << readFile(elsewhere_.file("err"));
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(readPng(elsewhere_.file("thumb.png"), width, height, &rgb));
    EXPECT_EQ(width, 96);
    EXPECT_EQ(height, 96);
    auto at = [&](int x, int y) {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
        return (rgb[i] << 16) | (rgb[i + 1] << 8) | rgb[i + 2];
    };
    EXPECT_EQ(at(48, 48), 0xFFFF00);  // the world, inflated and drawn
    // No overlay: the bottom rows, where the frame rate and the title stand,
    // and the corner the logo starts in show only the background.
    for (int y = 76; y < 96; ++y) {
        for (int x = 0; x < 96; ++x) ASSERT_EQ(at(x, y), 0x0000FF) << x << ", " << y;
    }
}

}  // namespace
