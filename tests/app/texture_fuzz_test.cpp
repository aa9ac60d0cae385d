// Hostile images through the whole texture path: seeded mutations of GIF,
// PNG and JPEG files (interlaced, palette with tRNS, 16-bit, CMYK,
// progressive, wider than 256) are written beside a world, loaded by name
// through the image loader and made into textures. Each must give a square
// texture of a size the fillers take, or no texture; the sanitizer build
// catches any read or write out of bounds.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/gif_writer.h"
#include "app/image_encoders.h"
#include "app/image_test_support.h"
#include "raster/rasterizer.h"

namespace {

std::vector<uint8_t> colourRamp(int width, int height, int channels) {
    std::vector<uint8_t> samples;
    for (int i = 0; i < width * height; ++i)
        for (int k = 0; k < channels; ++k) samples.push_back(static_cast<uint8_t>(i * (3 + k * 5) + k * 40));
    return samples;
}

struct Seed {
    const char* extension;
    std::vector<uint8_t> bytes;
};

std::vector<Seed> seeds() {
    std::vector<Seed> out;
    for (uint8_t flags : {uint8_t{0}, uint8_t{0x40}}) {
        SimpleGif gif;
        gif.width = 37;
        gif.height = 21;
        gif.palette = {};
        for (int i = 0; i < 16; ++i)
            gif.palette.push_back({static_cast<uint8_t>(i * 16), static_cast<uint8_t>(255 - i * 9), static_cast<uint8_t>(i)});
        gif.indices.clear();
        for (int i = 0; i < gif.width * gif.height; ++i) gif.indices.push_back(static_cast<uint8_t>((i / 5 + i % 7) % 16));
        gif.descriptorFlags = flags;
        gif.transparency = flags != 0;
        gif.transparentIndex = 3;
        out.push_back({".gif", buildGif(gif)});
    }
    out.push_back({".png", encodePng(300, 6, colourRamp(300, 6, 3))});
    PngLayout palette;
    palette.width = 19;
    palette.height = 11;
    palette.colourType = 3;
    palette.bitDepth = 4;
    palette.interlaced = true;
    for (int i = 0; i < 16; ++i) palette.palette.push_back({static_cast<uint8_t>(i * 15), 0, static_cast<uint8_t>(255 - i)});
    palette.paletteAlpha = {0, 64, 255};
    for (int i = 0; i < palette.width * palette.height; ++i) palette.samples.push_back(static_cast<uint16_t>(i % 16));
    out.push_back({".png", encodePngLayout(palette)});
    PngLayout deep;
    deep.width = 13;
    deep.height = 40;
    deep.colourType = 4;
    deep.bitDepth = 16;
    for (int i = 0; i < deep.width * deep.height * 2; ++i) deep.samples.push_back(static_cast<uint16_t>(i * 977));
    out.push_back({".png", encodePngLayout(deep)});
    out.push_back({".jpg", encodeJpeg(40, 24, colourRamp(40, 24, 3), 80)});
    out.push_back({".jpg", encodeJpeg(40, 24, colourRamp(40, 24, 3), 80, true)});
    out.push_back({".jpg", encodeJpegModel(24, 300, JpegModel::Cmyk, colourRamp(24, 300, 4), true, false, 70)});
    out.push_back({".jpeg", encodeJpegModel(33, 17, JpegModel::Ycck, colourRamp(33, 17, 4), true, true, 70)});
    out.push_back({".jpg", encodeJpegModel(16, 16, JpegModel::Grey, colourRamp(16, 16, 1), false, false, 90)});
    return out;
}

void mutate(std::vector<uint8_t>& bytes, std::mt19937& random) {
    const int edits = 1 + static_cast<int>(random() % 6);
    for (int e = 0; e < edits && !bytes.empty(); ++e) {
        const std::size_t at = random() % bytes.size();
        switch (random() % 6) {
        case 0: bytes[at] = static_cast<uint8_t>(random()); break;
        case 1: bytes[at] ^= static_cast<uint8_t>(1u << (random() % 8)); break;
        case 2: bytes[at] = (random() % 2) ? 0xFF : 0x00; break;
        case 3: bytes.insert(bytes.begin() + static_cast<long>(at), static_cast<uint8_t>(random())); break;
        case 4: bytes.erase(bytes.begin() + static_cast<long>(at)); break;
        default:
            // Header sizes: a byte among the first 30 (where every format
            // keeps its width and height) set to something large.
            bytes[at % 30 < bytes.size() ? at % 30 : at] = static_cast<uint8_t>(0x7F + random() % 0x81);
            break;
        }
    }
    if (random() % 4 == 0 && !bytes.empty()) bytes.resize(random() % bytes.size());
}

bool usableTexture(const TextureEntry& entry) {
    const Bitmap* b = entry.bitmap;
    if (!b || !b->pixels || b->width != b->height) return false;
    return b->width == 32 || b->width == 64 || b->width == 128 || b->width == 256;
}

TEST(TextureFuzz, MutatedImagesGiveASquareTextureOrNone) {
    const std::vector<Seed> originals = seeds();
    TempDir folder;
    LogCapture log;
    std::mt19937 random(20240917);
    constexpr int kRounds = 2400;
    constexpr int kRoundsPerCache = 60;  // a fresh cache now and then keeps memory small
    int accepted = 0;
    std::unique_ptr<Rasterizer> rasterizer;
    for (int round = 0; round < kRounds; ++round) {
        if (round % kRoundsPerCache == 0) {
            rasterizer = std::make_unique<Rasterizer>();
            rasterizer->driver = &log.driver;
        }
        const Seed& seed = originals[static_cast<std::size_t>(round) % originals.size()];
        std::vector<uint8_t> bytes = seed.bytes;
        mutate(bytes, random);
        // Now and then under another format's name: content decides then.
        const char* extension = random() % 5 == 0 ? ".img" : seed.extension;
        std::string name = "m";
        name += std::to_string(round);
        name += extension;
        const std::string path = folder.file(name);
        writeFile(path, bytes);
        const TextureEntry* entry = rasterizer->getTexture(std::u16string(path.begin(), path.end()));
        if (!entry) continue;
        ++accepted;
        ASSERT_TRUE(usableTexture(*entry)) << path;
    }
    // Many mutations leave a picture (a changed colour, pixel data); far
    // from all do.
    EXPECT_GT(accepted, kRounds / 10);
    EXPECT_LT(accepted, kRounds);
}

// A black GIF of the size; its data ends after the first pixel.
std::vector<uint8_t> plainGif(int width, int height) {
    GifBuilder builder;
    builder.header("89a", width, height, tableFlags(0)).colourTable({{0, 0, 0}, {1, 1, 1}})
        .imageDescriptor(0, 0, width, height, 0).imageData(2, lzwEncode({1}, 2)).trailer();
    return builder.bytes();
}

TEST(TextureFuzz, PicturesBeyondThePixelCapAreNotFound) {
    // A PNG and a GIF whose headers claim more pixels than any decoder
    // accepts, and a GIF wider than one LZW row: refused before anything is
    // allocated, reported as not found.
    std::vector<uint8_t> png = encodePng(2, 2, colourRamp(2, 2, 3));
    // IHDR width and height (bytes 16..23) to 20000 x 20000; the chunk's CRC
    // is then wrong, so fix it the way libpng checks it.
    const uint8_t size[8] = {0, 0, 0x4E, 0x20, 0, 0, 0x4E, 0x20};
    std::copy(size, size + 8, png.begin() + 16);
    uLong crc = crc32(0, png.data() + 12, 17);
    for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    TempDir folder;
    writeFile(folder.file("huge.png"), png);
    writeFile(folder.file("wide.gif"), plainGif(8193, 1));
    writeFile(folder.file("tall.gif"), plainGif(8192, 40000));
    LogCapture log;
    Rasterizer rasterizer;
    rasterizer.driver = &log.driver;
    const char* const names[] = {"huge.png", "wide.gif", "tall.gif"};
    for (const char* name : names) {
        const std::string path = folder.file(name);
        EXPECT_EQ(rasterizer.getTexture(std::u16string(path.begin(), path.end())), nullptr) << name;
    }
    const std::string text = log.fileText();
    for (const char* name : names)
        EXPECT_NE(text.find("image: " + folder.file(name) + " NOT FOUND\n"), std::string::npos) << text;
}

}  // namespace
