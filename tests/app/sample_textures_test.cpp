// The bundled sample world's textures: made by tools/make_textures.py (the
// committed files are what the tool writes), loaded once each when the world
// is prepared, and on screen in the first frame from the entrance.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include "app/image_test_support.h"
#include "app/render_sample.h"
#include "scene/node_registry.h"
#include "shell/driver_headless.h"

namespace {

const std::string kAssets = ORVELLA_ASSET_DIR;
const char* const kTextures[] = {"brick.gif", "tiles.png", "sign.gif"};

std::u16string wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

TEST(SampleTextures, TheToolWritesTheCommittedFiles) {
    if (std::system("python3 -c pass >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is needed to run the tool";
    TempDir out;
    const std::string command = "python3 " ORVELLA_SOURCE_DIR "tools/make_textures.py " + out.path();
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* name : kTextures) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> committed = readFile(kAssets + name);
        ASSERT_FALSE(committed.empty());
        EXPECT_EQ(readFile(out.file(name)), committed);
    }
}

TEST(SampleTextures, TheSampleWorldDrawsEachFromTheEntrance) {
    DriverHeadless driver{240, 320, 40};
    auto sample = std::make_unique<RenderSample>(&driver, u"", wide(kAssets), 240, 320);
    sample->init();
    ASSERT_NE(sample->scene, nullptr);
    const SimpleArray<TextureEntry*>& cache = sample->rasterizer.textureCache;
    ASSERT_EQ(cache.count, static_cast<int32_t>(std::size(kTextures)));
    driver.frameStarting();
    sample->frame();
    driver.frameFinished();
    const Bitmap& frame = *sample->frameBuffer;
    for (int k = 0; k < cache.count; ++k) {
        SCOPED_TRACE(kTextures[k]);
        const Bitmap& texture = *cache[k]->bitmap;
        EXPECT_EQ(cache[k]->name, wide(kAssets + kTextures[k]));
        EXPECT_EQ(texture.width, texture.height);
        // Lighting is off at the start, so a textured pixel is a texel: the
        // frame shows many pixels of the texture's most common colour.
        std::map<uint16_t, int> counts;
        for (int i = 0; i < texture.width * texture.height; ++i) ++counts[texture.pixels[i]];
        uint16_t common = 0;
        for (const auto& [colour, n] : counts)
            if (n > counts[common]) common = colour;
        int shown = 0;
        for (int i = 0; i < frame.width * frame.height; ++i) shown += frame.pixels[i] == common;
        EXPECT_GT(shown, 300);
    }
    sample.reset();
    releaseNodeRegistry();
}

}  // namespace
