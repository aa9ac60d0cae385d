// Hostile input: valid GIF, PNG and JPEG files, mutated and truncated with a
// fixed seed, go through every decoder. Each must return null or a sane
// bitmap; the sanitizer build catches any read or write out of bounds.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "app/gif_decoder.h"
#include "app/gif_writer.h"
#include "app/image_convert.h"
#include "app/image_test_support.h"
#include "app/jpeg_decoder.h"
#include "app/png_decoder.h"

namespace {

std::vector<std::vector<uint8_t>> seedFiles() {
    std::vector<std::vector<uint8_t>> files;
    SimpleGif gif;
    gif.width = 23;
    gif.height = 13;
    gif.palette.clear();
    for (int i = 0; i < 16; ++i)
        gif.palette.push_back({static_cast<uint8_t>(i * 16), static_cast<uint8_t>(i * 9), static_cast<uint8_t>(255 - i)});
    gif.indices.clear();
    for (int i = 0; i < gif.width * gif.height; ++i) gif.indices.push_back(static_cast<uint8_t>((i / 7 + i % 3) % 16));
    gif.transparency = true;
    gif.transparentIndex = 2;
    files.push_back(buildGif(gif));

    std::vector<uint8_t> rgb;
    for (int i = 0; i < 24 * 16; ++i) {
        rgb.push_back(static_cast<uint8_t>(i * 3));
        rgb.push_back(static_cast<uint8_t>(i * 5 + 17));
        rgb.push_back(static_cast<uint8_t>(i / 3));
    }
    files.push_back(encodePng(24, 16, rgb));
    files.push_back(encodePng(24, 16, rgb, true));
    files.push_back(encodeJpeg(24, 16, rgb, 75));
    files.push_back(encodeJpeg(24, 16, rgb, 75, true));
    return files;
}

void expectSane(const OwnedBitmap& bitmap) {
    if (!bitmap) return;
    EXPECT_NE(bitmap->pixels, nullptr);
    EXPECT_TRUE(imageSizeAllowed(bitmap->width, bitmap->height));
}

// Runs all three decoders over the bytes; returns how many accepted them.
int decodeAll(const std::vector<uint8_t>& bytes) {
    int accepted = 0;
    {
        MemoryStream stream(bytes);
        OwnedBitmap b = decodeGifStream(stream);
        expectSane(b);
        accepted += b != nullptr;
    }
    {
        MemoryStream stream(bytes);
        OwnedBitmap b = decodePng(stream);
        expectSane(b);
        accepted += b != nullptr;
    }
    {
        MemoryStream stream(bytes);
        OwnedBitmap b = decodeJpeg(stream);
        expectSane(b);
        accepted += b != nullptr;
    }
    return accepted;
}

TEST(ImageFuzz, EveryTruncationOfEverySeed) {
    for (const auto& file : seedFiles()) {
        ASSERT_EQ(decodeAll(file), 1);
        // Nothing decodes from fewer bytes than a header holds.
        for (std::size_t length = 0; length < 20; ++length)
            EXPECT_EQ(decodeAll(std::vector<uint8_t>(file.begin(), file.begin() + static_cast<long>(length))), 0);
        for (std::size_t length = 20; length < file.size(); ++length)
            decodeAll(std::vector<uint8_t>(file.begin(), file.begin() + static_cast<long>(length)));
    }
}

TEST(ImageFuzz, SeededMutations) {
    const auto seeds = seedFiles();
    std::mt19937 random(20240611);
    int accepted = 0;
    constexpr int kRounds = 3000;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<uint8_t> bytes = seeds[static_cast<std::size_t>(round) % seeds.size()];
        const int edits = 1 + static_cast<int>(random() % 6);
        for (int e = 0; e < edits && !bytes.empty(); ++e) {
            const std::size_t at = random() % bytes.size();
            switch (random() % 5) {
            case 0: bytes[at] = static_cast<uint8_t>(random()); break;
            case 1: bytes[at] ^= static_cast<uint8_t>(1u << (random() % 8)); break;
            case 2: bytes[at] = (random() % 2) ? 0xFF : 0x00; break;
            case 3: bytes.insert(bytes.begin() + static_cast<long>(at), static_cast<uint8_t>(random())); break;
            default: bytes.erase(bytes.begin() + static_cast<long>(at)); break;
            }
        }
        if (random() % 3 == 0 && !bytes.empty()) bytes.resize(random() % bytes.size());
        accepted += decodeAll(bytes);
    }
    // Some mutations leave a decodable file (a changed palette byte, pixel
    // data); far from all do.
    EXPECT_GT(accepted, 0);
    EXPECT_LT(accepted, kRounds);
}

}  // namespace
