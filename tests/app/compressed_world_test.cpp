// Compressed worlds through the whole application: a gzipped world, from a
// file under any name or from a web server, draws exactly the pixels of the
// plain one, and the reader's messages and line numbers are the text's.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/check_world.h"
#include "app/gzip_input_stream.h"
#include "app/gzip_test_support.h"
#include "app/open_stream.h"
#include "app/render_sample.h"
#include "base/log.h"
#include "scene/node_registry.h"
#include "shell/driver_headless.h"
#include "shell/test_support.h"
#include "support/test_web_server.h"

using foundation_test::TempDir;
using foundation_test::writeFile;

namespace {

const std::string kWorld =
    "#VRML V2.0 utf8\n"
    "Background { skyColor [ 0.1 0.2 0.5 ] } Viewpoint { position 0 0 4 }\n"
    "Box { size 1 1 1 }\n"  // line 3: not built, reported with its line
    "Transform { rotation 0 1 0 0.5 children [\n"
    "  Shape { appearance Appearance { material Material { emissiveColor 1 0.5 0 } }\n"
    "    geometry IndexedFaceSet { coord Coordinate { point [ -1 -1 0, 1 -1 0, 1 1 0, -1 1 0 ] }\n"
    "      coordIndex [ 0 1 2 3 -1 ] } }\n"
    "  Shape { appearance Appearance { material Material { diffuseColor 0 1 0.5 } }\n"
    "    geometry IndexedFaceSet { coord Coordinate { point [ 0 0 -1, 2 0 -1, 0 2 -1 ] }\n"
    "      coordIndex [ 0 1 2 -1 ] } }\n"
    "] }\n"
    "Sphere { }\n";  // line 12

// The display after three frames of the application on the world (two with
// lighting on), without the overlay so that nothing but the world is drawn.
std::vector<uint16_t> render(const std::string& world) {
    DriverHeadless driver(120, 160, 40);
    std::vector<uint16_t> pixels;
    {
        RenderSample sample(&driver, widenText(world), u"/nonexistent-orvella-install/", 120, 160);
        sample.showOverlay = false;
        sample.init();
        for (int frame = 0; frame < 3; ++frame) {
            if (frame == 1) sample.keyDown(kKeyA, 0x41);
            driver.frameStarting();
            sample.frame();
            driver.frameFinished();
        }
        if (!sample.scene) return pixels;
        const DisplaySurface& screen = driver.surface();
        pixels.assign(screen.pixels(), screen.pixels() + screen.width() * screen.height());
    }
    releaseNodeRegistry();
    return pixels;
}

std::string check(const std::string& world) {
    std::ostringstream out;
    const int code = checkWorld(world, out);
    releaseNodeRegistry();
    return std::to_string(code) + ": " + out.str();
}

TEST(CompressedWorld, FilesAndServedFilesDrawThePlainPixels) {
    TempDir dir;
    writeFile(dir.file("plain.wrl"), kWorld);
    const std::vector<uint16_t> plain = render(dir.file("plain.wrl"));
    ASSERT_FALSE(plain.empty());
    ASSERT_GT(std::count_if(plain.begin(), plain.end(), [&](uint16_t p) { return p != plain[0]; }), 3000);

    const std::string packed = gzipBytes(kWorld, 9);
    for (const char* name : {"world.wrz", "world.wrl.gz", "gzip-named-plain.wrl"}) writeFile(dir.file(name), packed);
    for (const char* name : {"world.wrz", "world.wrl.gz", "gzip-named-plain.wrl"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(render(dir.file(name)), plain);
    }

    setenv("no_proxy", "127.0.0.1,localhost", 1);
    TestWebServer server(dir.path());
    if (!server.running()) GTEST_SKIP() << "python3 is needed for the web server";
    for (const char* name : {"/world.wrl.gz", "/gzip-named-plain.wrl", "/plain.wrl"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(render(server.url(name)), plain);
    }
}

TEST(CompressedWorld, MessagesAndLineNumbersAreThoseOfTheText) {
    TempDir dir;
    writeFile(dir.file("plain.wrl"), kWorld);
    writeFile(dir.file("packed.wrz"), gzipBytes(kWorld));
    const std::string plain = check(dir.file("plain.wrl"));
    EXPECT_EQ(plain,
              "0: Unrecognized node type 'Box' at line: 3\n"
              "Unrecognized node type 'Sphere' at line: 12\n"
              "world loaded: 17 nodes, 0 routes\n");
    EXPECT_EQ(check(dir.file("packed.wrz")), plain);

    // A cut-short world reads as the text that inflated, a plain file cut
    // at the same byte. Stored blocks (level 0) put text byte k at stream
    // byte 10 + 5 + k: the gzip header, then the block's own.
    const std::string stored = gzipBytes(kWorld, 0);
    for (std::size_t text : {std::size_t{0}, std::size_t{10}, std::size_t{55}, std::size_t{75}, std::size_t{300}, kWorld.size() - 1}) {
        SCOPED_TRACE(text);
        writeFile(dir.file("cut.wrz"), stored.substr(0, 10 + 5 + text));
        writeFile(dir.file("cut.wrl"), kWorld.substr(0, text));
        EXPECT_EQ(check(dir.file("cut.wrz")), check(dir.file("cut.wrl")));
    }
}

// The corpus's gzipped worlds: each loads, and reads exactly as its inflated
// text does as a plain file.
TEST(CompressedWorld, TheCorpusGzipWorldsLoad) {
    const std::filesystem::path corpus = std::filesystem::path(ORVELLA_SHARED_DIR) / "corpus";
    std::error_code error;
    if (!std::filesystem::is_directory(corpus, error)) GTEST_SKIP() << "no shared corpus";
    std::vector<std::string> packed;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus, error)) {
        if (!entry.is_regular_file()) continue;
        unsigned char head[2] = {};
        std::FILE* file = std::fopen(entry.path().c_str(), "rb");
        const std::size_t got = file ? std::fread(head, 1, 2, file) : 0;
        if (file) std::fclose(file);
        if (hasGzipSignature(head, static_cast<int32_t>(got))) packed.push_back(entry.path().string());
    }
    std::sort(packed.begin(), packed.end());
    EXPECT_EQ(packed.size(), 3u);
    TempDir dir;
    for (const std::string& world : packed) {
        SCOPED_TRACE(world);
        std::unique_ptr<InputStream> stream = openStream(world);
        ASSERT_NE(stream, nullptr);
        std::string text;
        for (int32_t c; (c = stream->read()) != -1;) text.push_back(static_cast<char>(c));
        ASSERT_EQ(text.rfind("#VRML V2.0 utf8", 0), 0u) << text.substr(0, 40);
        writeFile(dir.file("inflated.wrl"), text);
        const std::string report = check(world);
        EXPECT_NE(report.find("world loaded: "), std::string::npos) << report;
        EXPECT_EQ(report, check(dir.file("inflated.wrl")));
    }
}

}  // namespace
