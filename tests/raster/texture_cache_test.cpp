// The texture cache: side rounding, the square conversion of loaded images,
// and the cache's search, sharing and retry rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "raster/fake_image_driver.h"
#include "raster/rasterizer.h"
#include "raster/texture_cache.h"

namespace {

constexpr uint16_t kRed = 0xF800;
constexpr uint16_t kBlue = 0x001F;

TEST(TextureCache, SideRoundsToTheNearestPowerOfTwoTiesUp) {
    struct Case {
        int32_t n, side;
    } cases[] = {
        {-5, 32},  {0, 32},    {1, 32},    {31, 32},   {32, 32},   {47, 32},   {48, 64},  {50, 64},
        {63, 64},  {64, 64},   {95, 64},   {96, 128},  {100, 128}, {127, 128}, {128, 128}, {191, 128},
        {192, 256}, {255, 256}, {256, 256}, {300, 256}, {65535, 256}, {1 << 30, 256},
    };
    for (const Case& c : cases) EXPECT_EQ(textureSize(c.n), c.side) << c.n;
}

TEST(TextureCache, LoadedImagesBecomeSquareTextures) {
    struct Case {
        int32_t width, height, side;
        bool keptAsLoaded;
    } cases[] = {
        {100, 50, 128, false}, {48, 48, 64, false}, {300, 20, 256, false}, {64, 64, 64, true},
        {32, 32, 32, true},    {256, 256, 256, true}, {512, 512, 256, false}, {1, 1, 32, false},
        {1, 300, 256, false},  {300, 1, 256, false},  {64, 32, 64, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        FakeImageDriver driver;
        driver.pictures[u"img"] = {c.width, c.height, leftRight(c.width / 2, kRed, kBlue)};
        Rasterizer rasterizer;
        rasterizer.driver = &driver;
        const TextureEntry* entry = rasterizer.getTexture(u"img");
        ASSERT_NE(entry, nullptr);
        ASSERT_NE(entry->bitmap, nullptr);
        EXPECT_EQ(entry->name, u"img");
        EXPECT_EQ(entry->bitmap->width, c.side);
        EXPECT_EQ(entry->bitmap->height, c.side);
        EXPECT_EQ(entry->bitmap == driver.lastLoaded, c.keptAsLoaded);
        EXPECT_EQ(entry->bitmap->alpha, nullptr);
        // The picture's halves stay halves: the first and last column of
        // every row keep their colour (a 1-pixel-wide image is all blue).
        const Bitmap& t = *entry->bitmap;
        for (int32_t y = 0; y < t.height; ++y) {
            ASSERT_EQ(t.pixels[y * t.width], c.width == 1 ? kBlue : kRed) << y;
            ASSERT_EQ(t.pixels[y * t.width + t.width - 1], kBlue) << y;
        }
    }
}

TEST(TextureCache, ASquareImageKeepsItsAlphaPlane) {
    FakeImageDriver driver;
    driver.pictures[u"a.gif"] = {128, 128, solid(kRed), true};
    Rasterizer rasterizer;
    rasterizer.driver = &driver;
    const TextureEntry* entry = rasterizer.getTexture(u"a.gif");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->bitmap, driver.lastLoaded);
    EXPECT_NE(entry->bitmap->alpha, nullptr);
}

TEST(TextureCache, ImagesTooWideForSixteenSixteenAreThinnedFirst) {
    // 40000 columns do not fit 16.16 in 32 bits; the texture still shows the
    // four quarters (red top left and bottom right), and the sanitizer build
    // sees no read outside the image.
    for (const auto& [width, height] : {std::pair{40000, 3}, std::pair{5, 33000}, std::pair{32768, 32}}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        OwnedBitmap image = newBitmap(width, height, false);
        ASSERT_NE(image, nullptr);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) image->pixels[static_cast<int64_t>(y) * width + x] = (x < width / 2) == (y < height / 2) ? kRed : kBlue;
        OwnedBitmap texture = makeTextureBitmap(std::move(image));
        ASSERT_NE(texture, nullptr);
        ASSERT_EQ(texture->width, 256);
        EXPECT_EQ(texture->pixels[0], kRed);
        EXPECT_EQ(texture->pixels[255], kBlue);
        EXPECT_EQ(texture->pixels[255 * 256], kBlue);
        EXPECT_EQ(texture->pixels[255 * 256 + 255], kRed);
    }
    EXPECT_EQ(makeTextureBitmap(nullptr), nullptr);
}

TEST(TextureCache, EntriesAreFoundByExactNameAndFailuresAreRetried) {
    FakeImageDriver driver;
    driver.pictures[u"dir/tex.gif"] = {64, 64, solid(kRed)};
    driver.pictures[u"dir/TEX.gif"] = {64, 64, solid(kBlue)};
    Rasterizer rasterizer;
    rasterizer.driver = &driver;

    const TextureEntry* first = rasterizer.getTexture(u"dir/tex.gif");
    const TextureEntry* again = rasterizer.getTexture(u"dir/tex.gif");
    const TextureEntry* otherCase = rasterizer.getTexture(u"dir/TEX.gif");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(again, first);
    ASSERT_NE(otherCase, nullptr);
    EXPECT_NE(otherCase, first);
    EXPECT_EQ(otherCase->bitmap->pixels[0], kBlue);
    // A longer or shorter name is another name.
    EXPECT_EQ(rasterizer.getTexture(u"dir/tex.gi"), nullptr);
    EXPECT_EQ(rasterizer.getTexture(u"dir/tex.gif "), nullptr);

    // A failed load caches nothing: the next request asks again, and once
    // the image is there it is loaded and kept.
    EXPECT_EQ(rasterizer.getTexture(u"late.png"), nullptr);
    EXPECT_EQ(rasterizer.getTexture(u"late.png"), nullptr);
    driver.pictures[u"late.png"] = {10, 10, solid(kRed)};
    const TextureEntry* late = rasterizer.getTexture(u"late.png");
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(rasterizer.getTexture(u"late.png"), late);

    EXPECT_EQ(driver.requestedNames(),
              (std::vector<std::u16string>{u"dir/tex.gif", u"dir/TEX.gif", u"dir/tex.gi", u"dir/tex.gif ",
                                           u"late.png", u"late.png", u"late.png"}));
    for (const auto& r : driver.requests) {
        EXPECT_EQ(r.transparentColor, -1);
        EXPECT_EQ(r.alphaValue, -1);
        EXPECT_EQ(r.reserved, 0);
    }
    ASSERT_EQ(rasterizer.textureCache.count, 3);
    EXPECT_EQ(rasterizer.textureCache[0], first);
    EXPECT_EQ(rasterizer.textureCache[1], otherCase);
    EXPECT_EQ(rasterizer.textureCache[2], late);
}

TEST(TextureCache, TheLoaderSeesANameUpToItsFirstNul) {
    FakeImageDriver driver;
    driver.pictures[u"a.png"] = {32, 32, solid(kRed)};
    Rasterizer rasterizer;
    rasterizer.driver = &driver;
    const std::u16string name(u"a.png\0.gif", 10);
    const TextureEntry* entry = rasterizer.getTexture(name);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->name, name);  // the cache keeps the whole name
    EXPECT_EQ(driver.requestedNames(), std::vector<std::u16string>{u"a.png"});
}

TEST(TextureCache, WithoutADriverNothingIsLoaded) {
    Rasterizer rasterizer;
    EXPECT_EQ(rasterizer.getTexture(u"tex.gif"), nullptr);
    EXPECT_EQ(rasterizer.textureCache.count, 0);
}

}  // namespace
