#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>
#include <string>
#include <vector>

#include "app/gif_writer.h"
#include "app/image_loader.h"
#include "app/image_test_support.h"

namespace {

const std::string kBanner = "ORVELLA log: version: 1, build: 1";

std::u16string wide(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

std::vector<uint8_t> transparentGif() {
    SimpleGif gif;
    gif.width = 3;
    gif.height = 2;
    gif.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    gif.indices = {0, 1, 2, 3, 0, 1};
    gif.transparency = true;
    gif.transparentIndex = 3;
    return buildGif(gif);
}

// A colour test card: distinct colours, including values whose low bits the
// conversion drops.
std::vector<uint8_t> testCard(int width, int height) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            rgb.push_back(static_cast<uint8_t>(x * 37 + y * 11 + 7));
            rgb.push_back(static_cast<uint8_t>(255 - x * 13 - y * 29));
            rgb.push_back(static_cast<uint8_t>((x ^ y) * 41 + 3));
        }
    return rgb;
}

// Reference decode with plain libjpeg into RGB bytes.
std::vector<uint8_t> referenceJpegRgb(const std::vector<uint8_t>& jpeg) {
    jpeg_decompress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    std::vector<uint8_t> rgb(static_cast<std::size_t>(info.output_width) * info.output_height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rgb.data() + static_cast<std::size_t>(info.output_scanline) * info.output_width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return rgb;
}

void expectConverted(const Bitmap& bitmap, const std::vector<uint8_t>& rgb) {
    ASSERT_EQ(rgb.size(), static_cast<std::size_t>(bitmap.width) * bitmap.height * 3);
    for (int i = 0; i < bitmap.width * bitmap.height; ++i) {
        const auto at = static_cast<std::size_t>(i) * 3;
        ASSERT_EQ(bitmap.pixels[i], rgb565(rgb[at], rgb[at + 1], rgb[at + 2])) << i;
    }
}

TEST(ImageLoader, GifPathIsASubstringTest) {
    LogCapture log;
    TempDir dir;
    const std::vector<uint8_t> gif = transparentGif();
    // Only the GIF decoder makes an alpha plane, so " a" shows the path.
    for (const std::string name : {"upper.GIF", "lower.gif.bak", "mid.gifx.png", "mixed.Gif", "plain.bin"}) {
        writeFile(dir.file(name), gif);
    }
    struct Case {
        std::string name;
        bool alpha;
    };
    const Case cases[] = {{"upper.GIF", true}, {"lower.gif.bak", true}, {"mid.gifx.png", true},
                          {"mixed.Gif", false}, {"plain.bin", false}};
    for (const Case& c : cases) {
        OwnedBitmap bitmap = loadImageFile(wide(dir.file(c.name)));
        ASSERT_NE(bitmap, nullptr) << c.name;
        EXPECT_EQ(bitmap->alpha != nullptr, c.alpha) << c.name;
        EXPECT_EQ(bitmap->pixels[1], 0x07E0) << c.name;
    }

    // Missing files: only the GIF path writes the starred line.
    log.driver.calls.clear();
    EXPECT_EQ(loadImageFile(wide(dir.file("gone.gif"))), nullptr);
    EXPECT_EQ(loadImageFile(wide(dir.file("gone.Gif"))), nullptr);
    const std::string gone = dir.file("gone.gif");
    const std::string goneMixed = dir.file("gone.Gif");
    EXPECT_EQ(log.driver.calls,
              (std::vector<std::string>{"image not found: " + gone, "<refresh>", "image: " + gone + " NOT FOUND",
                                        "<refresh>", "image: " + goneMixed + " NOT FOUND", "<refresh>"}));
}

TEST(ImageLoader, ReportLinesInLogAndStore) {
    LogCapture log;
    TempDir dir;
    const std::string gif = dir.file("t.gif");
    const std::string png = dir.file("t.png");
    const std::string junk = dir.file("junk.png");
    const std::string missing = dir.file("missing.png");
    writeFile(gif, transparentGif());
    writeFile(png, encodePng(5, 4, testCard(5, 4)));
    writeFile(junk, {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});

    EXPECT_NE(loadImageFile(wide(gif)), nullptr);
    EXPECT_NE(loadImageFile(wide(png)), nullptr);
    EXPECT_EQ(loadImageFile(wide(junk)), nullptr);
    EXPECT_EQ(loadImageFile(wide(missing)), nullptr);

    EXPECT_EQ(log.driver.calls,
              (std::vector<std::string>{"<refresh>", "image: " + gif + " 3 2 a", "image: " + png + " 5 4",
                                        "image: " + junk + " NOT FOUND", "<refresh>",
                                        "image: " + missing + " NOT FOUND", "<refresh>"}));
    EXPECT_EQ(log.fileText(), kBanner + "image: " + gif + " 3 2 a\n" + "image: " + png + " 5 4\n" + "image: " +
                                  junk + " NOT FOUND\n" + "image: " + missing + " NOT FOUND\n");
}

TEST(ImageLoader, PngDecodesWithTheDibConversion) {
    TempDir dir;
    const std::vector<uint8_t> card = testCard(7, 5);
    for (bool interlaced : {false, true}) {
        const std::string name = dir.file(interlaced ? "interlaced.png" : "card.png");
        writeFile(name, encodePng(7, 5, card, interlaced));
        OwnedBitmap bitmap = loadImageFile(wide(name));
        ASSERT_NE(bitmap, nullptr) << name;
        EXPECT_EQ(bitmap->width, 7);
        EXPECT_EQ(bitmap->height, 5);
        EXPECT_EQ(bitmap->alpha, nullptr);
        expectConverted(*bitmap, card);  // also pins top row first
    }

    // Exact values of the conversion: (255, 128, 7) keeps red 31, green 32
    // and drops blue's low bits; (8, 4, 255) gives 1, 1, 31.
    const std::string two = dir.file("two.png");
    writeFile(two, encodePng(2, 1, {255, 128, 7, 8, 4, 255}));
    OwnedBitmap pair = loadImageFile(wide(two));
    ASSERT_NE(pair, nullptr);
    EXPECT_EQ(pair->pixels[0], 0xFC00);
    EXPECT_EQ(pair->pixels[1], 0x083F);

    // Grey with alpha: colour expanded, alpha dropped.
    const std::string grey = dir.file("grey.png");
    writeFile(grey, encodeGreyAlphaPng(2, 1, {200, 0, 100, 255}));
    OwnedBitmap greyBitmap = loadImageFile(wide(grey));
    ASSERT_NE(greyBitmap, nullptr);
    EXPECT_EQ(greyBitmap->alpha, nullptr);
    EXPECT_EQ(greyBitmap->pixels[0], rgb565(200, 200, 200));
    EXPECT_EQ(greyBitmap->pixels[1], rgb565(100, 100, 100));
}

TEST(ImageLoader, JpegDecodesWithTheDibConversion) {
    TempDir dir;
    const std::vector<uint8_t> card = testCard(19, 11);
    for (bool progressive : {false, true}) {
        const std::vector<uint8_t> jpeg = encodeJpeg(19, 11, card, 90, progressive);
        const std::string name = dir.file(progressive ? "p.jpg" : "b.jpeg");
        writeFile(name, jpeg);
        OwnedBitmap bitmap = loadImageFile(wide(name));
        ASSERT_NE(bitmap, nullptr) << name;
        EXPECT_EQ(bitmap->width, 19);
        EXPECT_EQ(bitmap->height, 11);
        EXPECT_EQ(bitmap->alpha, nullptr);
        expectConverted(*bitmap, referenceJpegRgb(jpeg));
    }

    // A JPEG whose picture is complete but whose end marker is missing still
    // decodes; one cut inside the scan does not.
    const std::vector<uint8_t> jpeg = encodeJpeg(19, 11, card, 90);
    const std::string noEnd = dir.file("noend.jpg");
    writeFile(noEnd, std::vector<uint8_t>(jpeg.begin(), jpeg.end() - 2));
    EXPECT_NE(loadImageFile(wide(noEnd)), nullptr);
    const std::string cut = dir.file("cut.jpg");
    writeFile(cut, std::vector<uint8_t>(jpeg.begin(), jpeg.end() - 40));
    EXPECT_EQ(loadImageFile(wide(cut)), nullptr);
}

TEST(ImageLoader, UnreachableUrlIsNotFound) {
    LogCapture log;
    // Port 9 on the loopback address: nothing listens there.
    EXPECT_EQ(loadImageFile(u"http://127.0.0.1:9/texture.png"), nullptr);
    EXPECT_EQ(loadImageFile(u"http://127.0.0.1:9/texture.gif"), nullptr);
    EXPECT_EQ(log.driver.calls,
              (std::vector<std::string>{"<refresh>", "image: http://127.0.0.1:9/texture.png NOT FOUND", "<refresh>",
                                        "image not found: http://127.0.0.1:9/texture.gif", "<refresh>",
                                        "image: http://127.0.0.1:9/texture.gif NOT FOUND", "<refresh>"}));
}

TEST(ImageLoader, NameBytes) {
    EXPECT_EQ(imageNameBytes(u"dir/font.gif"), "dir/font.gif");
    // One character per byte, as a UTF-8 world file or command line gives it.
    EXPECT_EQ(imageNameBytes(u"caf\u00c3\u00a9 1.gif"), "caf\xc3\xa9 1.gif");
    EXPECT_EQ(imageNameBytes(u"caf\u00e9.gif"), "caf\xe9.gif");
    EXPECT_EQ(imageNameBytes(u"\u20ac"), "\xe2\x82\xac");
    EXPECT_EQ(imageNameBytes(u"\U0001F600"), "\xf0\x9f\x98\x80");
    EXPECT_EQ(imageNameBytes(std::u16string(1, char16_t(0xD800)) + u"x"), "?x");
    // 300 characters are cut to 255.
    EXPECT_EQ(imageNameBytes(std::u16string(300, u'a')), std::string(255, 'a'));
    // 254 ASCII + a three-byte character: the character does not fit whole.
    EXPECT_EQ(imageNameBytes(std::u16string(254, u'a') + u"\u20ac"), std::string(254, 'a'));

    // A GIF name reaches the decoder cut to 255 characters: the first 255
    // name an existing file, the rest would not.
    TempDir dir;
    std::string file = dir.file("");
    file += std::string(255 - file.size() - 4, 'f') + ".gif";
    ASSERT_EQ(file.size(), 255u);
    writeFile(file, transparentGif());
    EXPECT_NE(loadImageFile(wide(file + "/and/more/text")), nullptr);
}

}  // namespace
