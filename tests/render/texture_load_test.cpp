// Image textures of a world: the full name each url is loaded under, which
// url is tried, and how nodes share the cache's entries.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "raster/fake_image_driver.h"
#include "raster/rasterizer.h"
#include "events/node_factory.h"
#include "scene/node_registry.h"
#include "scene/node_types.h"
#include "scene/scene.h"
#include "scene/shape_nodes.h"

namespace {

constexpr uint16_t kRed = 0xF800;

class TextureLoadTest : public ::testing::Test {
protected:
    void SetUp() override { rasterizer.driver = &driver; }
    void TearDown() override { releaseNodeRegistry(); }

    nImageTexture* texture(std::initializer_list<std::u16string> urls) {
        auto* node = static_cast<nImageTexture*>(createNode(u"", NodeType::ImageTexture));
        for (const std::u16string& url : urls) node->url.value.append(url);
        return node;
    }

    FakeImageDriver driver;
    Rasterizer rasterizer;
};

// The bytes of a UTF-8 text, one character each, as the reader and the
// command line give them.
std::u16string bytes(const std::string& text) { return std::u16string(text.begin(), text.end()); }

TEST_F(TextureLoadTest, FullNameIsTheWorldsFolderAndTheUrl) {
    struct Case {
        std::u16string world, url, full;
    } cases[] = {
        {u"worlds/sub/room.wrl", u"tex.gif", u"worlds/sub/tex.gif"},
        {u"../room.wrl", u"tex.gif", u"../tex.gif"},
        {u"room.wrl", u"tex.gif", u"tex.gif"},
        {u"/srv/w/room.wrl", u"img/brick.png", u"/srv/w/img/brick.png"},
        {u"dir/room.wrl", u"../up.png", u"dir/../up.png"},
        // A world from a URL: textures come from the URL's folder.
        {u"http://127.0.0.1:8000/w/room.wrl", u"tex.gif", u"http://127.0.0.1:8000/w/tex.gif"},
        {u"http://example.org/room.wrl", u"t.png", u"http://example.org/t.png"},
        // http:// urls stand as they are; the test is exact and case-sensitive.
        {u"http://example.org/w/room.wrl", u"http://other.org/x.png", u"http://other.org/x.png"},
        {u"dir/room.wrl", u"http://other.org/x.png", u"http://other.org/x.png"},
        {u"dir/room.wrl", u"HTTP://other.org/x.png", u"dir/HTTP://other.org/x.png"},
        {u"dir/room.wrl", u" http://other.org/x.png", u"dir/ http://other.org/x.png"},
        // Absolute paths: the file itself, or the path on the world's host.
        {u"dir/room.wrl", u"/usr/share/t.png", u"/usr/share/t.png"},
        {u"http://example.org:81/w/room.wrl", u"/t.png", u"http://example.org:81/t.png"},
        // Spaces and UTF-8 bytes pass through unchanged.
        {bytes("W\xc3\xb6rld dir/room.wrl"), bytes("bild \xc3\xa4.gif"), bytes("W\xc3\xb6rld dir/bild \xc3\xa4.gif")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.full.begin(), c.full.end()));
        driver.requests.clear();
        driver.pictures[c.full] = {64, 64, solid(kRed)};
        Rasterizer fresh;  // an empty cache for every case
        fresh.driver = &driver;
        Scene scene(createNode);
        scene.setWorldName(c.world);
        scene.attachRasterizer(&fresh);
        nImageTexture* node = texture({c.url});
        node->prepare(&scene);
        EXPECT_EQ(driver.requestedNames(), std::vector<std::u16string>{c.full});
        ASSERT_NE(node->textureEntry, nullptr);
        EXPECT_EQ(node->textureEntry->name, c.full);
    }
}

TEST_F(TextureLoadTest, OnlyAFirstUrlThatIsNotEmptyIsTried) {
    driver.pictures[u"dir/b.gif"] = {64, 64, solid(kRed)};
    Scene scene(createNode);
    scene.setWorldName(u"dir/room.wrl");
    scene.attachRasterizer(&rasterizer);
    nImageTexture* emptyFirst = texture({u"", u"b.gif"});
    nImageTexture* none = texture({});
    nImageTexture* missingFirst = texture({u"missing.gif", u"b.gif"});
    scene.initNodes();
    EXPECT_EQ(emptyFirst->textureEntry, nullptr);
    EXPECT_EQ(none->textureEntry, nullptr);
    EXPECT_EQ(missingFirst->textureEntry, nullptr);
    EXPECT_EQ(driver.requestedNames(), std::vector<std::u16string>{u"dir/missing.gif"});
}

TEST_F(TextureLoadTest, NodesNamingOneImageShareOneEntry) {
    driver.pictures[u"dir/tex.gif"] = {64, 64, solid(kRed)};
    driver.pictures[u"dir/Tex.gif"] = {64, 64, solid(kRed)};
    Scene scene(createNode);
    scene.setWorldName(u"dir/room.wrl");
    scene.attachRasterizer(&rasterizer);
    nImageTexture* a = texture({u"tex.gif"});
    nImageTexture* b = texture({u"tex.gif", u"other.gif"});
    nImageTexture* c = texture({u"Tex.gif"});
    scene.initNodes();
    ASSERT_NE(a->textureEntry, nullptr);
    EXPECT_EQ(b->textureEntry, a->textureEntry);
    ASSERT_NE(c->textureEntry, nullptr);
    EXPECT_NE(c->textureEntry, a->textureEntry);
    EXPECT_EQ(driver.requestedNames(), (std::vector<std::u16string>{u"dir/tex.gif", u"dir/Tex.gif"}));
    EXPECT_EQ(rasterizer.textureCache.count, 2);
}

TEST_F(TextureLoadTest, ALaterWorldRetriesAnImageThatFailedAndReusesOneThatLoaded) {
    driver.pictures[u"w/kept.png"] = {32, 32, solid(kRed)};
    nImageTexture* failed = nullptr;
    const TextureEntry* kept = nullptr;
    {
        Scene first(createNode);
        first.setWorldName(u"w/one.wrl");
        first.attachRasterizer(&rasterizer);
        failed = texture({u"late.png"});
        nImageTexture* loaded = texture({u"kept.png"});
        first.initNodes();
        EXPECT_EQ(failed->textureEntry, nullptr);
        kept = loaded->textureEntry;
        ASSERT_NE(kept, nullptr);
    }
    releaseNodeRegistry();
    driver.pictures[u"w/late.png"] = {32, 32, solid(kRed)};
    Scene second(createNode);
    second.setWorldName(u"w/two.wrl");
    second.attachRasterizer(&rasterizer);
    nImageTexture* retried = texture({u"late.png"});
    nImageTexture* reused = texture({u"kept.png"});
    second.initNodes();
    EXPECT_NE(retried->textureEntry, nullptr);
    EXPECT_EQ(reused->textureEntry, kept);
    EXPECT_EQ(driver.requestedNames(), (std::vector<std::u16string>{u"w/late.png", u"w/kept.png", u"w/late.png"}));
}

TEST_F(TextureLoadTest, WithoutARasterizerNothingIsLoaded) {
    Scene scene(createNode);
    scene.setWorldName(u"dir/room.wrl");
    nImageTexture* node = texture({u"tex.gif"});
    node->prepare(&scene);
    EXPECT_EQ(node->textureEntry, nullptr);
    EXPECT_EQ(loadTexture(nullptr, u"tex.gif"), nullptr);
    EXPECT_TRUE(driver.requests.empty());
}

}  // namespace
