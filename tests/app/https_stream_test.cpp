// https:// worlds and images from a local HTTPS server with a certificate the
// test makes: they load when the certificate is trusted through
// ORVELLA_CA_FILE, and fail with the reason on standard error when it is not,
// when it names another host, or when the trusted file is missing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/gzip_test_support.h"
#include "app/image_loader.h"
#include "app/open_stream.h"
#include "app/url_input_stream.h"
#include "base/text.h"
#include "events/node_factory.h"
#include "scene/node_registry.h"
#include "shell/display_surface.h"
#include "shell/png_writer.h"
#include "shell/test_support.h"
#include "support/test_web_server.h"
#include "support/viewer_process.h"
#include "vrml/load_world.h"

using foundation_test::TempDir;
using foundation_test::writeFile;

namespace {

const std::string kWorld =
    "#VRML V2.0 utf8\n"
    "Shape { appearance Appearance { texture ImageTexture { url \"tex.png\" } }\n"
    "  geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] } coordIndex [ 0 1 2 ] } }\n";

std::string drain(InputStream& stream) {
    std::string out;
    for (int32_t c; (c = stream.read()) != -1;) out.push_back(static_cast<char>(c));
    return out;
}

class HttpsTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("no_proxy", "127.0.0.1,localhost", 1);
        unsetenv(kCaFileVariable);
        std::filesystem::create_directories(site_.file("sub"));
        writeFile(site_.file("sub/world.wrl"), kWorld);
        writeFile(site_.file("sub/world.wrz"), gzipBytes(kWorld));
        DisplaySurface picture(5, 3);
        picture.fill(0x07E0);  // green
        ASSERT_TRUE(writePng(picture, site_.file("sub/tex.png")));
        if (!makeTestCertificate(keys_.file("ip.pem"), keys_.file("ip.key"), "127.0.0.1") ||
            !makeTestCertificate(keys_.file("name.pem"), keys_.file("name.key"), "localhost"))
            GTEST_SKIP() << "openssl is needed for the test certificates";
    }
    void TearDown() override {
        unsetenv(kCaFileVariable);
        releaseNodeRegistry();
    }

    TempDir site_;
    TempDir keys_;
};

TEST_F(HttpsTest, ATrustedServerServesWorldsAndTheirTextures) {
    TestWebServer server(site_.path(), keys_.file("ip.pem"), keys_.file("ip.key"));
    if (!server.running()) GTEST_SKIP() << "python3 with ssl is needed for the test server";
    setenv(kCaFileVariable, keys_.file("ip.pem").c_str(), 1);

    for (const char* path : {"/sub/world.wrl", "/sub/world.wrz"}) {
        SCOPED_TRACE(path);
        std::unique_ptr<InputStream> stream = openStream(server.url(path));
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(drain(*stream), kWorld);
    }

    VrmlParser parser(createNode, openStream);
    const std::unique_ptr<Scene> scene = loadWorld(parser, widenText(server.url("/sub/world.wrz")));
    ASSERT_NE(scene, nullptr);
    // The texture's name is relative: it resolves against the URL's folder.
    EXPECT_EQ(narrowText(scene->baseDirectory), server.url("/sub/"));
    const OwnedBitmap texture = loadImageFile(scene->baseDirectory + u"tex.png");
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->width, 5);
    EXPECT_EQ(texture->height, 3);
    EXPECT_EQ(texture->pixels[0], 0x07E0);
}

TEST_F(HttpsTest, UntrustedServersFailWithTheReason) {
    struct Case {
        const char* certificate;  // the server's
        const char* trusted;      // ORVELLA_CA_FILE, "" for none
        const char* reason;       // part of the message on standard error
    };
    const Case cases[] = {
        {"ip", "", "certificate"},           // self-signed, not in the system's store
        {"name", "name", "127.0.0.1"},       // trusted, but made for another host
        {"ip", "missing", "certificate"},    // the trusted file cannot be read
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.certificate << " trusting '" << c.trusted << "'");
        const std::string certificate = keys_.file(std::string(c.certificate) + ".pem");
        TestWebServer server(site_.path(), certificate, keys_.file(std::string(c.certificate) + ".key"));
        if (!server.running()) GTEST_SKIP() << "python3 with ssl is needed for the test server";
        const std::string trusted = c.trusted[0] ? keys_.file(std::string(c.trusted) + ".pem") : std::string();
        if (!trusted.empty()) setenv(kCaFileVariable, trusted.c_str(), 1);
        else unsetenv(kCaFileVariable);
        EXPECT_EQ(openStream(server.url("/sub/world.wrl")), nullptr);
        EXPECT_EQ(loadImageFile(widenText(server.url("/sub/tex.png"))), nullptr);

        // The whole viewer: the world is not loaded, and standard error says why.
        TempDir run;
        const std::string world = server.url("/sub/world.wrz");
        const ViewerRun result =
            runViewer(run, {"--check", "--log", run.file("log.txt"), world}, {{kCaFileVariable, trusted}});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.out, "world not loaded\n");
        EXPECT_EQ(result.err.rfind("viewer: cannot open " + world + ": ", 0), 0u) << result.err;
        EXPECT_NE(result.err.find(c.reason), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;  // one line
    }
}

TEST_F(HttpsTest, TheViewerLoadsATrustedWorld) {
    TestWebServer server(site_.path(), keys_.file("ip.pem"), keys_.file("ip.key"));
    if (!server.running()) GTEST_SKIP() << "python3 with ssl is needed for the test server";
    TempDir run;
    const ViewerRun result = runViewer(run, {"--check", "--log", run.file("log.txt"), server.url("/sub/world.wrz")},
                                       {{kCaFileVariable, keys_.file("ip.pem")}});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.rfind("world loaded: ", 0), 0u) << result.out;
    EXPECT_EQ(result.err, "");
    // Only the exact lower-case prefixes are URLs.
    EXPECT_EQ(openStream("HTTPS://127.0.0.1/sub/world.wrl"), nullptr);
}

}  // namespace
