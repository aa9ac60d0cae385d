#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "app/gif_decoder.h"
#include "app/gif_writer.h"
#include "app/image_test_support.h"

namespace {

OwnedBitmap decode(const std::vector<uint8_t>& bytes, std::size_t length = SIZE_MAX) {
    MemoryStream stream(bytes, length);
    return decodeGifStream(stream);
}

std::vector<Rgb> greyRamp(int entries) {
    std::vector<Rgb> palette;
    for (int i = 0; i < entries; ++i) {
        const auto v = static_cast<uint8_t>(i * 255 / (entries - 1));
        palette.push_back({v, static_cast<uint8_t>(255 - v), static_cast<uint8_t>(i * 7)});
    }
    return palette;
}

uint16_t paletteEntry(const Rgb& c) {
    return static_cast<uint16_t>(((c[0] >> 3) << 11) | ((c[1] >> 2) << 5) | (c[2] >> 3));
}

// Pixels of the bitmap as palette indices of a palette whose entries differ.
std::vector<int> indicesOf(const Bitmap& bitmap, const std::vector<Rgb>& palette) {
    std::vector<int> out;
    for (int i = 0; i < bitmap.width * bitmap.height; ++i) {
        int found = -1;
        for (std::size_t k = 0; k < palette.size(); ++k)
            if (paletteEntry(palette[k]) == bitmap.pixels[i]) found = static_cast<int>(k);
        out.push_back(found);
    }
    return out;
}

TEST(GifDecoder, TwoEntryTableWithOneBitImage) {
    SimpleGif gif;
    gif.width = 4;
    gif.height = 3;
    gif.palette = {{255, 128, 7}, {8, 4, 255}};
    gif.indices = {0, 1, 1, 0, 1, 0, 0, 1, 1, 1, 0, 0};
    const std::vector<uint8_t> bytes = buildGif(gif);
    ASSERT_EQ(bytes[10] & 7, 0);  // a table of two entries

    OwnedBitmap bitmap = decode(bytes);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->width, 4);
    EXPECT_EQ(bitmap->height, 3);
    EXPECT_EQ(bitmap->alpha, nullptr);
    // (255, 128, 7) -> red 31, green 32, blue 0; (8, 4, 255) -> 1, 1, 31.
    const uint16_t colour[2] = {0xFC00, 0x083F};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(bitmap->pixels[i], colour[gif.indices[static_cast<std::size_t>(i)]]) << i;
}

TEST(GifDecoder, GraphicControlTransparency) {
    SimpleGif gif;
    gif.width = 8;
    gif.height = 2;
    gif.palette = greyRamp(8);
    gif.indices = {0, 1, 2, 3, 4, 5, 6, 7, 5, 5, 0, 7, 3, 5, 2, 1};
    gif.transparency = true;  // flags 0x01, index in byte 3
    gif.transparentIndex = 5;
    OwnedBitmap bitmap = decode(buildGif(gif));
    ASSERT_NE(bitmap, nullptr);
    ASSERT_NE(bitmap->alpha, nullptr);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(bitmap->alpha[i], gif.indices[static_cast<std::size_t>(i)] == 5 ? 0 : 255) << i;
        EXPECT_EQ(bitmap->pixels[i], paletteEntry(gif.palette[gif.indices[static_cast<std::size_t>(i)]]));
    }

    // Without the transparency flag there is no alpha plane.
    GifBuilder opaque;
    opaque.header("89a", 2, 1, tableFlags(0)).colourTable({{0, 0, 0}, {255, 255, 255}})
        .graphicControl(0x04, 1).imageDescriptor(0, 0, 2, 1, 0)
        .imageData(2, lzwEncode({0, 1}, 2)).trailer();
    OwnedBitmap plain = decode(opaque.bytes());
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->alpha, nullptr);

    // A one-byte control block: the index bytes are absent and read as 0.
    GifBuilder shortBlock;
    shortBlock.header("89a", 2, 1, tableFlags(0)).colourTable({{0, 0, 0}, {255, 255, 255}})
        .extension(0xF9, {{0x01}}).imageDescriptor(0, 0, 2, 1, 0)
        .imageData(2, lzwEncode({0, 1}, 2)).trailer();
    OwnedBitmap shortAlpha = decode(shortBlock.bytes());
    ASSERT_NE(shortAlpha, nullptr);
    ASSERT_NE(shortAlpha->alpha, nullptr);
    EXPECT_EQ(shortAlpha->alpha[0], 0);
    EXPECT_EQ(shortAlpha->alpha[1], 255);

    // A control block longer than 16 bytes is skipped unread.
    std::vector<uint8_t> longBlock(17, 0);
    longBlock[0] = 0x01;
    GifBuilder skipped;
    skipped.header("89a", 2, 1, tableFlags(0)).colourTable({{0, 0, 0}, {255, 255, 255}})
        .extension(0xF9, {longBlock}).imageDescriptor(0, 0, 2, 1, 0)
        .imageData(2, lzwEncode({0, 1}, 2)).trailer();
    OwnedBitmap skippedBitmap = decode(skipped.bytes());
    ASSERT_NE(skippedBitmap, nullptr);
    EXPECT_EQ(skippedBitmap->alpha, nullptr);
}

TEST(GifDecoder, OtherExtensionsGiveNoTransparency) {
    const std::vector<uint8_t> netscape = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    const std::vector<uint8_t> comment(200, 'c');
    GifBuilder builder;
    builder.header("89a", 3, 1, tableFlags(1)).colourTable(greyRamp(4))
        .extension(0xFF, {netscape, {0x01, 0x00, 0x00}})  // looping block starting with 0x01
        .extension(0xFE, {comment, {'x'}})
        .extension(0x01, {std::vector<uint8_t>(12, 1), {'t'}})  // plain text
        .imageDescriptor(0, 0, 3, 1, 0)
        .imageData(2, lzwEncode({3, 2, 1}, 2)).trailer();
    OwnedBitmap bitmap = decode(builder.bytes());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->alpha, nullptr);
    EXPECT_EQ(indicesOf(*bitmap, greyRamp(4)), (std::vector<int>{3, 2, 1}));
}

TEST(GifDecoder, MinimumCodeSizeLimits) {
    for (int size : {1, 10, 0, 12, 255}) {
        GifBuilder builder;
        builder.header("89a", 1, 1, tableFlags(0)).colourTable({{0, 0, 0}, {255, 255, 255}})
            .imageDescriptor(0, 0, 1, 1, 0).imageData(size, lzwEncode({1}, size < 2 || size > 11 ? 2 : size))
            .trailer();
        EXPECT_EQ(decode(builder.bytes()), nullptr) << size;
    }
    // 2 and 9 are the smallest and largest accepted; at 9 the clear code is 512.
    for (int size : {2, 9}) {
        LzwCodeWriter codes(size);
        codes.clear();
        codes.code(1);
        codes.code(0);
        codes.end();
        GifBuilder builder;
        builder.header("89a", 2, 1, tableFlags(0)).colourTable({{0, 0, 0}, {255, 255, 255}})
            .imageDescriptor(0, 0, 2, 1, 0).imageData(size, codes.bytes()).trailer();
        OwnedBitmap bitmap = decode(builder.bytes());
        ASSERT_NE(bitmap, nullptr) << size;
        EXPECT_EQ(bitmap->pixels[0], 0xFFFF);
        EXPECT_EQ(bitmap->pixels[1], 0x0000);
    }
}

TEST(GifDecoder, TableStopsGrowingAtTwelveBits) {
    // Minimum code size 2: first free code 6, so 4096 - 6 definitions fill
    // the table. Literal codes define one slot each, except the first after
    // a clear.
    LzwCodeWriter codes(2);
    std::vector<uint8_t> expected;
    codes.clear();
    for (int i = 0; i < 4096 - 6 + 1; ++i) {
        const int literal = (i * 7 + i / 5) & 3;
        codes.code(literal);
        expected.push_back(static_cast<uint8_t>(literal));
    }
    EXPECT_EQ(codes.nextSlot(), 4096);
    EXPECT_EQ(codes.width(), 12);
    // More codes at 12 bits: literals, and the last slot defined (two pixels:
    // the literals at positions 4089 and 4090 after the clear).
    for (int literal : {3, 1, 2}) {
        codes.code(literal);
        expected.push_back(static_cast<uint8_t>(literal));
    }
    codes.code(4095);
    expected.push_back(expected[4089]);
    expected.push_back(expected[4090]);
    EXPECT_EQ(codes.width(), 12);
    // After a clear, codes are 3 bits wide again.
    codes.clear();
    EXPECT_EQ(codes.width(), 3);
    for (int literal : {2, 2, 6}) codes.code(literal);  // 6: the first slot, "2 2"
    for (int p : {2, 2, 2, 2}) expected.push_back(static_cast<uint8_t>(p));
    codes.end();

    const int width = static_cast<int>(expected.size());
    GifBuilder builder;
    const std::vector<Rgb> palette = greyRamp(4);
    builder.header("89a", width, 1, tableFlags(1)).colourTable(palette)
        .imageDescriptor(0, 0, width, 1, 0).imageData(2, codes.bytes()).trailer();
    OwnedBitmap bitmap = decode(builder.bytes());
    ASSERT_NE(bitmap, nullptr);
    const std::vector<int> got = indicesOf(*bitmap, palette);
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(got[i], expected[i]) << i;
}

TEST(GifDecoder, RealEncoderRoundTrip) {
    // Long runs exercise chained codes, the KwKwK case and table resets.
    SimpleGif gif;
    gif.width = 300;
    gif.height = 97;
    gif.palette = greyRamp(256);
    gif.minCodeSize = 8;
    gif.indices.clear();
    for (int y = 0; y < gif.height; ++y)
        for (int x = 0; x < gif.width; ++x)
            gif.indices.push_back(static_cast<uint8_t>(y < 40 ? (x / 30) : ((x * x + y * 3) % 251)));
    OwnedBitmap bitmap = decode(buildGif(gif));
    ASSERT_NE(bitmap, nullptr);
    for (std::size_t i = 0; i < gif.indices.size(); ++i)
        ASSERT_EQ(bitmap->pixels[i], paletteEntry(gif.palette[gif.indices[i]])) << i;
}

TEST(GifDecoder, InterlacedRowsComeOutInDisplayOrder) {
    for (int height = 1; height <= 21; ++height) {
        SCOPED_TRACE(height);
        // The display rows in the order the four passes store them.
        std::vector<int> storedOrder;
        for (int y = 0; y < height; y += 8) storedOrder.push_back(y);
        for (int y = 4; y < height; y += 8) storedOrder.push_back(y);
        for (int y = 2; y < height; y += 4) storedOrder.push_back(y);
        for (int y = 1; y < height; y += 2) storedOrder.push_back(y);
        ASSERT_EQ(storedOrder.size(), static_cast<std::size_t>(height));

        SimpleGif gif;
        gif.width = 3;
        gif.height = height;
        gif.palette = greyRamp(32);
        gif.descriptorFlags = 0x40;
        gif.indices.clear();
        for (int k = 0; k < height; ++k) gif.indices.insert(gif.indices.end(), 3, static_cast<uint8_t>(k));
        OwnedBitmap bitmap = decode(buildGif(gif));
        ASSERT_NE(bitmap, nullptr);
        std::vector<int> expected(static_cast<std::size_t>(3 * height));
        for (int k = 0; k < height; ++k)
            for (int x = 0; x < 3; ++x) expected[static_cast<std::size_t>(storedOrder[k] * 3 + x)] = k;
        EXPECT_EQ(indicesOf(*bitmap, gif.palette), expected);
    }
}

TEST(GifDecoder, ShortInterlacedImageLeavesUnreachedRowsTransparentBlack) {
    // Ten rows, data for the first pass (rows 0 and 8) and half of row 4.
    SimpleGif gif;
    gif.width = 4;
    gif.height = 10;
    gif.palette = {{255, 255, 255}, {255, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    gif.descriptorFlags = 0x40;
    gif.transparency = true;
    gif.transparentIndex = 3;
    gif.indices = {1, 1, 1, 1, 0, 0, 0, 0, 1, 1};
    OwnedBitmap bitmap = decode(buildGif(gif));
    ASSERT_NE(bitmap, nullptr);
    ASSERT_NE(bitmap->alpha, nullptr);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 4; ++x) {
            SCOPED_TRACE(testing::Message() << x << "," << y);
            const int i = y * 4 + x;
            const bool reached = y == 0 || y == 8 || (y == 4 && x < 2);
            const uint16_t colour = y == 8 ? 0xFFFF : 0xF800;
            EXPECT_EQ(bitmap->pixels[i], reached ? colour : 0);
            EXPECT_EQ(bitmap->alpha[i], reached ? 255 : 0);
        }
    }
}

TEST(GifDecoder, LocalColourTableReplacesGlobalOne) {
    GifBuilder builder;
    builder.header("89a", 2, 1, tableFlags(0)).colourTable({{0, 0, 0}, {0, 0, 0}})
        .imageDescriptor(0, 0, 2, 1, tableFlags(0)).colourTable({{255, 0, 0}, {0, 0, 255}})
        .imageData(2, lzwEncode({1, 0}, 2)).trailer();
    OwnedBitmap bitmap = decode(builder.bytes());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->pixels[0], 0x001F);
    EXPECT_EQ(bitmap->pixels[1], 0xF800);
}

TEST(GifDecoder, RejectsMalformedContainers) {
    const std::vector<uint8_t> good = buildGif(SimpleGif{});
    ASSERT_NE(decode(good), nullptr);

    // Signatures: "GIF", two digits, then 'A'..'z'.
    const std::vector<std::string> accepted = {"GIF87a", "GIF89a", "GIF00A", "GIF99z"};
    const std::vector<std::string> rejected = {"GIX89a", "gif89a", "GIF8Aa", "GIFx9a", "GIF89{", "GIF89@"};
    for (const auto& signature : accepted) {
        std::vector<uint8_t> bytes = good;
        std::copy(signature.begin(), signature.end(), bytes.begin());
        EXPECT_NE(decode(bytes), nullptr) << signature;
    }
    for (const auto& signature : rejected) {
        std::vector<uint8_t> bytes = good;
        std::copy(signature.begin(), signature.end(), bytes.begin());
        EXPECT_EQ(decode(bytes), nullptr) << signature;
    }

    // No global colour table, even when the image has a local one.
    GifBuilder noTable;
    noTable.header("89a", 1, 1, 0x00).imageDescriptor(0, 0, 1, 1, tableFlags(0))
        .colourTable({{0, 0, 0}, {255, 255, 255}}).imageData(2, lzwEncode({1}, 2)).trailer();
    EXPECT_EQ(decode(noTable.bytes()), nullptr);

    // The trailer, or any other byte, where the image should start.
    GifBuilder trailerOnly;
    trailerOnly.header("89a", 1, 1, tableFlags(0)).colourTable({{0, 0, 0}, {1, 1, 1}}).trailer();
    EXPECT_EQ(decode(trailerOnly.bytes()), nullptr);
    GifBuilder stray;
    stray.header("89a", 1, 1, tableFlags(0)).colourTable({{0, 0, 0}, {1, 1, 1}}).raw({0x00, 0x2C});
    EXPECT_EQ(decode(stray.bytes()), nullptr);

    // Sizes: wider than 8192, or empty.
    for (auto [w, h, ok] : {std::tuple{8193, 1, false}, {8192, 1, true}, {0, 5, false}, {5, 0, false}}) {
        GifBuilder builder;
        builder.header("89a", 1, 1, tableFlags(0)).colourTable({{0, 0, 0}, {1, 1, 1}})
            .imageDescriptor(0, 0, w, h, 0).imageData(2, lzwEncode({1}, 2)).trailer();
        EXPECT_EQ(decode(builder.bytes()) != nullptr, ok) << w << "x" << h;
    }
}

TEST(GifDecoder, ShortAndOverlongDataStayInsideTheImage) {
    // 3 x 2 with only four pixels before the end code: the partial last row
    // is kept and the rest is black and transparent.
    SimpleGif gif;
    gif.width = 3;
    gif.height = 2;
    gif.palette = {{255, 255, 255}, {0, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    gif.indices = {0, 2, 3, 0};
    gif.transparency = true;
    gif.transparentIndex = 3;
    OwnedBitmap bitmap = decode(buildGif(gif));
    ASSERT_NE(bitmap, nullptr);
    const uint16_t pixels[6] = {0xFFFF, 0x07E0, 0x001F, 0xFFFF, 0, 0};
    const uint8_t alpha[6] = {255, 255, 0, 255, 0, 0};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(bitmap->pixels[i], pixels[i]) << i;
        EXPECT_EQ(bitmap->alpha[i], alpha[i]) << i;
    }

    // Far more pixels than the image holds: the extra ones are dropped.
    gif.indices.assign(5000, 2);
    bitmap = decode(buildGif(gif));
    ASSERT_NE(bitmap, nullptr);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(bitmap->pixels[i], 0x07E0);
}

TEST(GifDecoder, CorruptCodes) {
    const std::vector<Rgb> palette = greyRamp(4);
    auto build = [&](const LzwCodeWriter& codes, int width) {
        GifBuilder builder;
        builder.header("89a", width, 1, tableFlags(1)).colourTable(palette)
            .imageDescriptor(0, 0, width, 1, 0).imageData(2, codes.bytes()).trailer();
        return builder.bytes();
    };

    // A code beyond the next free slot decodes as that slot: after "1" the
    // next slot is 6, and both 6 and 7 give "1 1".
    for (int code : {6, 7}) {
        LzwCodeWriter codes(2);
        codes.clear();
        codes.code(1);
        codes.code(code);
        codes.end();
        OwnedBitmap bitmap = decode(build(codes, 3));
        ASSERT_NE(bitmap, nullptr) << code;
        EXPECT_EQ(indicesOf(*bitmap, palette), (std::vector<int>{1, 1, 1})) << code;
    }

    // Data that starts without a clear code decodes from an empty table.
    {
        LzwCodeWriter codes(2);
        codes.code(2);
        codes.code(3);
        codes.end();
        OwnedBitmap bitmap = decode(build(codes, 2));
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(indicesOf(*bitmap, palette), (std::vector<int>{2, 3}));
    }

    // Corrupt codes that make two table entries each other's prefix: slot 17
    // gets prefix 30 (a bad code), later slot 30 gets prefix 17. Decoding
    // code 30 would never end; it fails instead.
    {
        LzwCodeWriter codes(2);
        codes.clear();
        while (codes.nextSlot() < 16) codes.code(1);
        ASSERT_EQ(codes.width(), 5);
        codes.code(30);  // bad: defines 16, old code 30
        codes.code(0);   // defines 17 with prefix 30
        while (codes.nextSlot() < 29) codes.code(2);
        codes.code(17);  // defines 29, old code 17
        codes.code(1);   // defines 30 with prefix 17
        codes.code(30);
        codes.end();
        EXPECT_EQ(decode(build(codes, 64)), nullptr);
    }
}

TEST(GifDecoder, TruncationFailsUntilTheEndCodeIsIn) {
    SimpleGif gif;
    gif.width = 17;
    gif.height = 9;
    gif.palette = greyRamp(16);
    gif.transparency = true;
    gif.transparentIndex = 4;
    gif.indices.clear();
    for (int i = 0; i < gif.width * gif.height; ++i) gif.indices.push_back(static_cast<uint8_t>((i * 5) % 16));
    const std::vector<uint8_t> bytes = buildGif(gif);
    OwnedBitmap whole = decode(bytes);
    ASSERT_NE(whole, nullptr);
    // The file ends: last data sub-block (holding the end code), the block
    // terminator, the trailer. Losing either of the last two changes nothing.
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        OwnedBitmap part = decode(bytes, length);
        if (length + 2 >= bytes.size()) {
            ASSERT_NE(part, nullptr) << length;
            EXPECT_EQ(0, std::memcmp(part->pixels, whole->pixels, 17 * 9 * 2));
        } else {
            EXPECT_EQ(part, nullptr) << length;
        }
    }
}

TEST(GifDecoder, MissingFileIsReportedWithAStar) {
    LogCapture log;
    TempDir dir;
    EXPECT_EQ(decodeGif(dir.file("absent.gif")), nullptr);
    const std::string line = "image not found: " + dir.file("absent.gif");
    EXPECT_EQ(log.driver.calls, (std::vector<std::string>{"<refresh>", line, "<refresh>"}));
    EXPECT_EQ(log.fileText(), "ORVELLA log: version: 1, build: 1* " + line + "\n");

    // A present file reads the same as the bytes in memory.
    SimpleGif gif;
    gif.indices = {1};
    writeFile(dir.file("one.gif"), buildGif(gif));
    OwnedBitmap bitmap = decodeGif(dir.file("one.gif"));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->pixels[0], 0xFFFF);
}

}  // namespace
