// Textured worlds drawn by the built viewer, headless, read back from its
// screenshot: GIF, PNG and JPEG textures from files beside the world and
// from a local HTTP server, repeats, far texture coordinates, broken
// texture lists, a missing image, and the forms a world's name takes on the
// command line. The installation folder is empty, so nothing covers the
// picture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/gif_writer.h"
#include "app/image_encoders.h"
#include "app/image_test_support.h"
#include "shell/test_support.h"
#include "support/test_web_server.h"
#include "support/viewer_process.h"

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 320;
// The default Viewpoint looks from (0, 0, 10) with 45 degrees over the 240
// columns: one unit in the plane z = 0 is this many pixels.
const float kPixelsPerUnit =
    static_cast<float>(120.0 / std::tan(static_cast<double>(0.785398f * 0.5f))) / 10.0f;

// The four quarters of the test picture: top left, top right, bottom left,
// bottom right, as the image is stored (top row first).
constexpr uint8_t kQuarters[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
constexpr int kSide = 64;

int quarterOf(int x, int y) { return (y < kSide / 2 ? 0 : 2) + (x < kSide / 2 ? 0 : 1); }

std::vector<uint8_t> quarterRgb() {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) rgb.insert(rgb.end(), kQuarters[quarterOf(x, y)], kQuarters[quarterOf(x, y)] + 3);
    return rgb;
}

// The quarter picture as a GIF, its rows stored in interlace order when asked.
std::vector<uint8_t> quarterGif(bool interlaced) {
    SimpleGif gif;
    gif.width = gif.height = kSide;
    gif.palette.clear();
    for (const auto& c : kQuarters) gif.palette.push_back({c[0], c[1], c[2]});
    std::vector<int> rows;
    if (interlaced) {
        for (const auto& [first, step] : {std::pair{0, 8}, std::pair{4, 8}, std::pair{2, 4}, std::pair{1, 2}})
            for (int y = first; y < kSide; y += step) rows.push_back(y);
        gif.descriptorFlags = 0x40;
    } else {
        for (int y = 0; y < kSide; ++y) rows.push_back(y);
    }
    gif.indices.clear();
    for (int y : rows)
        for (int x = 0; x < kSide; ++x) gif.indices.push_back(static_cast<uint8_t>(quarterOf(x, y)));
    return buildGif(gif);
}

// The quarter picture in Adobe's inverted CMYK: no black ink, so each ink
// byte is the colour byte itself.
std::vector<uint8_t> quarterCmykJpeg() {
    std::vector<uint8_t> cmyk;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const uint8_t* c = kQuarters[quarterOf(x, y)];
            cmyk.insert(cmyk.end(), {c[0], c[1], c[2], 255});
        }
    return encodeJpegModel(kSide, kSide, JpegModel::Cmyk, cmyk, true, false, 95);
}

// A square of side 2 * half centred on (cx, cy) in the plane z = 0, with
// the texture url and texture points for its corners (counter-clockwise
// from the bottom left), or with no texture when url is empty.
std::string square(float cx, float cy, float half, const std::string& url, const std::string& texPoints = "0 0, 1 0, 1 1, 0 1",
                   const std::string& material = "emissiveColor 0 1 1") {
    auto n = [](float v) { return std::to_string(v); };
    std::string shape = "Shape { appearance Appearance { material Material { " + material + " }";
    if (!url.empty()) shape += " texture ImageTexture { url \"" + url + "\" }";
    shape += " }\n  geometry IndexedFaceSet { coord Coordinate { point [ " + n(cx - half) + " " + n(cy - half) + " 0, " +
             n(cx + half) + " " + n(cy - half) + " 0, " + n(cx + half) + " " + n(cy + half) + " 0, " + n(cx - half) +
             " " + n(cy + half) + " 0 ] }\n    coordIndex [ 0 1 2 3 -1 ]";
    if (!texPoints.empty()) shape += " texCoord TextureCoordinate { point [ " + texPoints + " ] }";
    return shape + " } }\n";
}

struct Rgb8 {
    int r, g, b;
};

class TextureWorldTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(folder.file("assets"));
        setenv("no_proxy", "127.0.0.1,localhost", 1);
        setenv("NO_PROXY", "127.0.0.1,localhost", 1);
    }

    // Writes the world text into the named file of the folder.
    void writeWorld(const std::string& name, const std::string& text) {
        foundation_test::writeFile(folder.file(name), "#VRML V2.0 utf8\n" + text);
    }

    // Runs the viewer on the world, named as given, from the working folder
    // (the test folder when empty); keeps the screenshot's pixels.
    void view(const std::string& world, const std::string& workingDir = "") {
        std::filesystem::remove(folder.file("shot.png"));
        const ViewerRun run = runViewer(folder,
                                        {"--headless", "--install-dir", folder.file("assets") + "/", "--log",
                                         folder.file("log.txt"), "--screenshot", folder.file("shot.png"), world},
                                        {}, workingDir.empty() ? folder.path() : workingDir);
        exitCode = run.exitCode;
        log = foundation_test::readFile(folder.file("log.txt"));
        int width = 0, height = 0;
        rgb.clear();
        if (!readPng(folder.file("shot.png"), width, height, &rgb) || width != kWidth || height != kHeight) rgb.clear();
    }

    // The screen pixel of the world point (x, y, 0).
    Rgb8 at(float x, float y) const {
        const int column = static_cast<int>(std::lround(120.0f + x * kPixelsPerUnit));
        const int row = static_cast<int>(std::lround(160.0f - y * kPixelsPerUnit));
        const std::size_t i = static_cast<std::size_t>(row * kWidth + column) * 3;
        if (rgb.size() < i + 3) return {-1, -1, -1};
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }

    // Checks the point against an 8-bit colour as RGB565 shows it (the low
    // bits cut), within tolerance per channel (8: one step of red or blue,
    // two of green, for the codec's loss).
    void expectColour(float x, float y, const uint8_t* colour, int tolerance = 0) const {
        const Rgb8 got = at(x, y);
        const Rgb8 want = {colour[0] & 0xF8, colour[1] & 0xFC, colour[2] & 0xF8};
        EXPECT_NEAR(got.r & 0xF8, want.r, tolerance) << "red at " << x << ", " << y;
        EXPECT_NEAR(got.g & 0xFC, want.g, tolerance) << "green at " << x << ", " << y;
        EXPECT_NEAR(got.b & 0xF8, want.b, tolerance) << "blue at " << x << ", " << y;
    }

    // The four quarters of a square of side 2 * half centred on (cx, cy)
    // show the picture's quarters the right way up (t = 1 is the top row).
    void expectQuarters(float cx, float cy, float half, int tolerance = 0) const {
        const float d = half / 2;
        expectColour(cx - d, cy + d, kQuarters[0], tolerance);
        expectColour(cx + d, cy + d, kQuarters[1], tolerance);
        expectColour(cx - d, cy - d, kQuarters[2], tolerance);
        expectColour(cx + d, cy - d, kQuarters[3], tolerance);
    }

    TempDir folder;
    int exitCode = -1;
    std::string log;
    std::vector<uint8_t> rgb;
};

TEST_F(TextureWorldTest, GifPngAndJpegTexturesShowTheirPicture) {
    struct Case {
        const char* file;
        std::vector<uint8_t> bytes;
        int tolerance;
    } cases[] = {
        {"quarters.gif", quarterGif(false), 0},
        {"quarters.png", encodePng(kSide, kSide, quarterRgb()), 0},
        {"quarters.jpg", encodeJpeg(kSide, kSide, quarterRgb(), 95), 8},
        {"interlaced.gif", quarterGif(true), 0},
        {"cmyk.jpg", quarterCmykJpeg(), 8},
        // Not a power of two: resampled to 128 x 128, the quarters stay.
        {"wide.png", encodePng(100, 60, [] {
             std::vector<uint8_t> rgb;
             for (int y = 0; y < 60; ++y)
                 for (int x = 0; x < 100; ++x) {
                     const uint8_t* c = kQuarters[(y < 30 ? 0 : 2) + (x < 50 ? 0 : 1)];
                     rgb.insert(rgb.end(), c, c + 3);
                 }
             return rgb;
         }()), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        writeFile(folder.file(c.file), c.bytes);
        writeWorld("world.wrl", square(0, 0, 2, c.file));
        view(folder.file("world.wrl"));
        ASSERT_EQ(exitCode, 0);
        ASSERT_FALSE(rgb.empty());
        expectQuarters(0, 0, 2, c.tolerance);
        EXPECT_NE(log.find("image: " + folder.file(c.file) + " "), std::string::npos) << log;
    }
}

TEST_F(TextureWorldTest, RepeatsFarCoordinatesAndShortListsDrawWhatTheyName) {
    writeFile(folder.file("q.gif"), quarterGif(false));

    // Texture points 0..4: sixteen copies of the picture.
    writeWorld("repeat.wrl", square(0, 0, 2, "q.gif", "0 0, 4 0, 4 4, 0 4"));
    view(folder.file("repeat.wrl"));
    ASSERT_FALSE(rgb.empty());
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            SCOPED_TRACE(testing::Message() << "copy " << i << ", " << j);
            expectQuarters(-2 + i + 0.5f, -2 + j + 0.5f, 0.5f);
        }

    // Far from 0..1, either way, the picture wraps: the quarters keep their
    // places (the sanitizer build checks nothing overflows on the way).
    for (const char* points : {"-3 -3, -2 -3, -2 -2, -3 -2", "1000000 1000000, 1000001 1000000, 1000001 1000001, 1000000 1000001",
                               "-1000000 5, -999999 5, -999999 6, -1000000 6"}) {
        SCOPED_TRACE(points);
        writeWorld("far.wrl", square(0, 0, 2, "q.gif", points));
        view(folder.file("far.wrl"));
        ASSERT_FALSE(rgb.empty());
        expectQuarters(0, 0, 2);
    }

    // A texture list shorter than the points (the left square names point
    // 5 of 4) and an index naming no point (the middle one): those faces are
    // refused, the faces after them drawn.
    writeWorld("short.wrl",
               "Shape { appearance Appearance { texture ImageTexture { url \"q.gif\" } }\n"
               "  geometry IndexedFaceSet { coord Coordinate { point [\n"
               "    -3.5 -1 0, -1.5 -1 0, -1.5 1 0, -3.5 1 0,  -1 -1 0, 1 -1 0, 1 1 0, -1 1 0,\n"
               "    1.5 -1 0, 3.5 -1 0, 3.5 1 0, 1.5 1 0 ] }\n"
               "    coordIndex [ 0 1 2 3 -1, 4 5 6 7 -1, 8 9 10 11 -1 ]\n"
               "    texCoord TextureCoordinate { point [ 0 0, 1 0, 1 1, 0 1 ] }\n"
               "    texCoordIndex [ 0 1 2 5 -1, 0 1 2 9 -1, 0 1 2 3 -1 ] } }\n");
    view(folder.file("short.wrl"));
    ASSERT_FALSE(rgb.empty());
    const uint8_t black[3] = {0, 0, 0};
    expectColour(-2.5f, 0, black);
    expectColour(0, 0, black);
    expectQuarters(2.5f, 0, 1);
}

TEST_F(TextureWorldTest, AMissingTextureDrawsTheMaterialAndIsReported) {
    writeWorld("world.wrl", square(0, 0, 2, "absent.png", "0 0, 1 0, 1 1, 0 1", "emissiveColor 1 0.5 0"));
    view(folder.file("world.wrl"));
    ASSERT_EQ(exitCode, 0);
    const uint8_t orange[3] = {255, 127, 0};
    expectColour(-1, 1, orange);
    expectColour(1, -1, orange);
    EXPECT_NE(log.find("image: " + folder.file("absent.png") + " NOT FOUND\n"), std::string::npos) << log;
}

TEST_F(TextureWorldTest, TexturesResolveAgainstTheWorldAsItIsNamed) {
    // One picture beside each world; the working folder and the name decide
    // which folder is "beside".
    std::filesystem::create_directories(folder.file("dir/sub"));
    std::filesystem::create_directories(folder.file("W\xc3\xb6rld dir"));
    writeFile(folder.file("dir/q.gif"), quarterGif(false));
    writeFile(folder.file("W\xc3\xb6rld dir/bild \xc3\xa4.gif"), quarterGif(true));
    writeWorld("dir/world.wrl", square(0, 0, 2, "q.gif"));
    writeWorld("W\xc3\xb6rld dir/world.wrl", square(0, 0, 2, "bild \xc3\xa4.gif"));
    struct Case {
        std::string world, workingDir, loaded;
    } cases[] = {
        {"dir/world.wrl", folder.path(), "dir/q.gif"},
        {"../world.wrl", folder.file("dir/sub"), "../q.gif"},
        {"world.wrl", folder.file("dir"), "q.gif"},
        {folder.file("dir/world.wrl"), folder.file("dir/sub"), folder.file("dir/q.gif")},
        {"W\xc3\xb6rld dir/world.wrl", folder.path(), "W\xc3\xb6rld dir/bild \xc3\xa4.gif"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.world);
        view(c.world, c.workingDir);
        ASSERT_EQ(exitCode, 0);
        ASSERT_FALSE(rgb.empty());
        expectQuarters(0, 0, 2);
        EXPECT_NE(log.find("image: " + c.loaded + " 64 64\n"), std::string::npos) << log;
    }
}

TEST_F(TextureWorldTest, AWorldFromAUrlTakesItsTexturesFromTheUrlsFolder) {
    std::filesystem::create_directories(folder.file("site/w"));
    writeFile(folder.file("site/w/q.gif"), quarterGif(false));
    writeFile(folder.file("site/w/q.png"), encodePng(kSide, kSide, quarterRgb()));
    writeFile(folder.file("site/top.png"), encodePng(kSide, kSide, quarterRgb()));
    TestWebServer server(folder.file("site"));
    if (!server.running()) GTEST_SKIP() << "python3 is needed for the test server";
    writeWorld("site/w/world.wrl", square(-2.5f, 0, 1, "q.gif") + square(0, 0, 1, "q.png") +
                                       square(2.5f, 0, 1, server.url("/top.png")) + square(0, 3, 1, "/top.png"));
    view(server.url("/w/world.wrl"));
    ASSERT_EQ(exitCode, 0);
    ASSERT_FALSE(rgb.empty());
    expectQuarters(-2.5f, 0, 1);
    expectQuarters(0, 0, 1);
    expectQuarters(2.5f, 0, 1);
    expectQuarters(0, 3, 1);
    EXPECT_NE(log.find("image: " + server.url("/w/q.gif") + " 64 64\n"), std::string::npos) << log;
    EXPECT_NE(log.find("image: " + server.url("/w/q.png") + " 64 64\n"), std::string::npos) << log;
    // Named twice (as a URL and as a path on the host), loaded once.
    const std::string top = "image: " + server.url("/top.png") + " 64 64\n";
    ASSERT_NE(log.find(top), std::string::npos) << log;
    EXPECT_EQ(log.find(top, log.find(top) + 1), std::string::npos) << log;
}

}  // namespace
