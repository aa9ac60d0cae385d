#include <gtest/gtest.h>

#include <png.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "shell/png_writer.h"
#include "shell/test_support.h"

namespace {

// Reads an 8-bit RGB PNG back; false when it is not one.
bool readPng(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    rgb.assign(PNG_IMAGE_SIZE(image), 0);
    const bool read = png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    png_image_free(&image);
    return read;
}

TEST(PngWriter, ChannelsWidenByRepeatingTheirHighBits) {
    const struct {
        uint16_t pixel;
        uint8_t r, g, b;
    } cases[] = {
        {0xFFFF, 255, 255, 255}, {0xF800, 255, 0, 0}, {0x07E0, 0, 255, 0}, {0x001F, 0, 0, 255},
        {0x0000, 0, 0, 0},       {0x0821, 8, 4, 8},   {0x7BEF, 123, 125, 123},
        {0x8410, 132, 130, 132},
    };
    foundation_test::TempDir dir;
    DisplaySurface surface(static_cast<int32_t>(std::size(cases)), 2);
    OwnedBitmap row = newBitmap(surface.width(), 2, false);
    for (int32_t i = 0; i < surface.width(); ++i) {
        row->pixels[i] = cases[i].pixel;
        row->pixels[surface.width() + i] = 0xF800;
    }
    surface.present(*row, 0, 0, false);
    ASSERT_TRUE(writePng(surface, dir.file("shot.png")));

    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(readPng(dir.file("shot.png"), width, height, rgb));
    ASSERT_EQ(width, surface.width());
    ASSERT_EQ(height, 2);
    for (int32_t i = 0; i < width; ++i) {
        SCOPED_TRACE(cases[i].pixel);
        uint8_t widened[3];
        widenRgb565(cases[i].pixel, widened);
        EXPECT_EQ(widened[0], cases[i].r);
        EXPECT_EQ(rgb[i * 3 + 0], cases[i].r);
        EXPECT_EQ(rgb[i * 3 + 1], cases[i].g);
        EXPECT_EQ(rgb[i * 3 + 2], cases[i].b);
        EXPECT_EQ(rgb[(width + i) * 3 + 0], 255);  // second row: pure red
        EXPECT_EQ(rgb[(width + i) * 3 + 1], 0);
    }
}

TEST(PngWriter, FailuresLeaveNoFile) {
    foundation_test::TempDir dir;
    DisplaySurface surface(4, 4);
    EXPECT_FALSE(writePng(surface, dir.file("no-such-folder/shot.png")));
    EXPECT_FALSE(writePng(DisplaySurface(0, 0), dir.file("empty.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("empty.png")));
    EXPECT_FALSE(writePng(surface, dir.path()));  // a folder
    EXPECT_TRUE(std::filesystem::is_directory(dir.path()));
}

}  // namespace
