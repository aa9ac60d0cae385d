// Hostile worlds, each loaded into the viewer application on the headless
// driver and run for a few frames: every one must finish, and the log must
// name what was refused.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "app/gzip_input_stream.h"
#include "app/gzip_test_support.h"
#include "app/render_sample.h"
#include "base/log.h"
#include "scene/node_registry.h"
#include "shell/driver_headless.h"
#include "support/temp_dir.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

std::string repeat(const std::string& text, std::size_t count) {
    std::string out;
    out.reserve(text.size() * count);
    for (std::size_t i = 0; i < count; ++i) out += text;
    return out;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Loads the file at path, runs three frames and gives back the log lines and
// the seconds it took.
struct WorldRun {
    std::string log;
    double seconds = 0;
    bool loaded = false;
};

WorldRun runWorld(const TempDir& dir, const std::string& path) {
    WorldRun run;
    DriverHeadless driver{240, 320, 40};
    openLog(nullptr, dir.file("log.txt"));
    const auto start = std::chrono::steady_clock::now();
    {
        const std::u16string name(path.begin(), path.end());
        RenderSample sample(&driver, name, u"/nonexistent-orvella-install/", 240, 320);
        sample.init();
        run.loaded = sample.scene != nullptr;
        for (int i = 0; i < 3; ++i) {
            driver.frameStarting();
            sample.frame();
            driver.frameFinished();
        }
    }
    releaseNodeRegistry();
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    closeLog();
    run.log = slurp(dir.file("log.txt"));
    std::printf("[hostile] %s: %.2f s\n", path.c_str(), run.seconds);
    return run;
}

WorldRun runText(const TempDir& dir, const std::string& body) {
    const std::string path = dir.file("world.wrl");
    std::ofstream(path, std::ios::binary) << "#VRML V2.0 utf8\n" << body;
    return runWorld(dir, path);
}

const std::string kSquare =
    "Shape { geometry IndexedFaceSet { coord Coordinate { point [ -1 -1 0, 1 -1 0, 1 1 0 ] } coordIndex [ 0 1 2 ] } }";

struct TextCase {
    const char* name;
    std::string world;
    const char* logged;  // a piece of the log; empty: only that it finishes
    bool loaded;
};

TEST(HostileWorld, ReaderAndTraversalBoundsHold) {
    const std::size_t indexCount = kSanitized ? 1000000 : 10000000;
    const TextCase cases[] = {
        {"100000 nested Transforms",
         repeat("Transform { children [ ", 100000) + kSquare + repeat(" ] }", 100000),
         "Node nesting too deep at line: ", true},
        {"a USE cycle",
         "DEF A Transform { children [ " + kSquare + " DEF B Transform { children [ USE A ] } ] }\n"
         "DEF C Group { children [ USE B USE C ] }\n",
         "", true},
        {"routes in cycles",
         "DEF T TimeSensor { loop TRUE cycleInterval 0.1 }\n"
         "DEF P ScalarInterpolator { key [ 0 1 ] keyValue [ 0 1 ] }\n"
         "DEF Q ScalarInterpolator { key [ 0 1 ] keyValue [ 1 0 ] }\n"
         "DEF X Transform { children [ " + kSquare + " ] }\n"
         "ROUTE T.fraction_changed TO P.set_fraction\n"
         "ROUTE P.value_changed TO Q.set_fraction\n"
         "ROUTE Q.value_changed TO P.set_fraction\n"
         "ROUTE T.cycleTime TO T.set_startTime\n"
         "ROUTE T.isActive TO T.set_enabled\n"
         "ROUTE X.translation_changed TO X.set_translation\n",
         "", true},
        {"millions of indices into 3 points",
         "Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] } coordIndex [ " +
             repeat("0 1 2 -1 ", indexCount / 4) + "] } }",
         "", true},
        {"negative and huge indices",
         "Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
         "  coordIndex [ 0 1 -7 2 -1 0 1 2147483647 -1 0 1 99999999999 -1 -2147483648 1 2 -1 3 4 5 ]\n"
         "  texCoord TextureCoordinate { point [ 0 0 ] } texCoordIndex [ 9 -9 2147483647 ]\n"
         "  color Color { color [ 1 0 0 ] } colorIndex [ 5 -5 99999999999 ] colorPerVertex FALSE } }",
         "", true},
        {"NaN and infinity in every field type",
         "DEF T Transform { translation 1e39 -1e39 nan scale 1e999 1 -1e999 rotation 0 0 0 nan\n"
         "  center nan nan nan scaleOrientation 1e39 0 0 1e39 children [\n"
         "  Shape { appearance Appearance { material Material { diffuseColor 1e39 -1e39 nan\n"
         "      transparency 1e39 shininess -1e39 ambientIntensity nan } }\n"
         "    geometry IndexedFaceSet { coord Coordinate { point [ 1e39 0 0, 0 -1e39 0, nan 1 0, 1e999 1e999 1e999 ] }\n"
         "      coordIndex [ 0 1 2 -1 0 3 2 -1 ] creaseAngle 1e39 } }\n"
         "  Shape { geometry Box { size 1e39 nan -1e39 } } Shape { geometry Sphere { radius nan } }\n"
         "  Shape { geometry Cone { bottomRadius 1e39 height -1e39 } } Shape { geometry Cylinder { radius nan } }\n"
         "  Shape { geometry Text { string \"x\" fontStyle FontStyle { size 1e39 spacing nan } } } ] }\n"
         "DEF TS TimeSensor { cycleInterval 1e39 startTime -1e39 stopTime nan loop TRUE }\n"
         "Viewpoint { position nan 1e39 -1e39 orientation 0 1 0 1e39 fieldOfView nan }\n"
         "NavigationInfo { speed 1e39 avatarSize [ nan 1e39 ] visibilityLimit -1e39 }\n"
         "DirectionalLight { direction nan 0 0 intensity 1e39 }\n"
         "PointLight { location 1e39 0 0 radius nan attenuation 1e39 nan 0 }\n"
         "Background { skyColor [ 1e39 nan 0 ] }\n",
         "", true},
        {"a Viewpoint under a scale-0 Transform",
         "Transform { scale 0 0 0 children [ Viewpoint { position 0 0 5 } " + kSquare + " ] }\n",
         "", true},
    };
    TempDir dir;
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        const WorldRun run = runText(dir, c.world);
        EXPECT_EQ(run.loaded, c.loaded);
        if (*c.logged) {
            EXPECT_NE(run.log.find(c.logged), std::string::npos) << run.log;
        }
    }
}

TEST(HostileWorld, HugeGifHeaderIsNotFound) {
    TempDir dir;
    // A GIF whose screen and image claim 40000 x 40000 pixels, with a
    // two-colour table and almost no data.
    const unsigned char gif[] = {'G', 'I', 'F', '8', '9', 'a', 0x40, 0x9C, 0x40, 0x9C, 0x80, 0, 0,
                                 0, 0, 0, 255, 255, 255, ',', 0, 0, 0, 0, 0x40, 0x9C, 0x40, 0x9C, 0,
                                 2, 2, 0x44, 0x01, 0, ';'};
    std::ofstream(dir.file("big.gif"), std::ios::binary).write(reinterpret_cast<const char*>(gif), sizeof gif);
    const WorldRun run = runText(dir, "Shape { appearance Appearance { texture ImageTexture { url \"big.gif\" } }\n"
                                 "  geometry Box { } }\n");
    EXPECT_TRUE(run.loaded);
    EXPECT_NE(run.log.find("big.gif NOT FOUND"), std::string::npos) << run.log;
}

TEST(HostileWorld, ServerThatNeverAnswers) {
    GTEST_SKIP() << "a server that accepts and never answers is given up after the 60 s stall limit of the URL "
                    "stream (kStallSeconds), too long for the test suite";
}

TEST(HostileWorld, EndlessStringIsCut) {
    TempDir dir;
    const std::size_t size = kSanitized ? (std::size_t{20} << 20) : (std::size_t{200} << 20);
    const std::string path = dir.file("string.wrl");
    {
        std::ofstream out(path, std::ios::binary);
        out << "#VRML V2.0 utf8\nShape { geometry Text { string \"";
        const std::string chunk(1 << 20, 'a');
        for (std::size_t i = 0; i < size >> 20; ++i) out << chunk;
    }
    const WorldRun run = runWorld(dir, path);
    EXPECT_LT(run.seconds, 60.0);
}

TEST(HostileWorld, GzipBombIsCut) {
    TempDir dir;
    const std::string path = dir.file("bomb.wrl");
    const std::string bomb = gzipZeros(kMaxInflatedBytes + (uint64_t{1} << 20));
    std::ofstream(path, std::ios::binary) << bomb;
    const WorldRun run = runWorld(dir, path);
    EXPECT_FALSE(run.loaded);
    EXPECT_NE(run.log.find("gzip: " + path + " inflates to more than 268435456 bytes; the rest is not read"),
              std::string::npos)
        << run.log;
}

}  // namespace
