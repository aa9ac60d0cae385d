#include <gtest/gtest.h>

#include <climits>

#include "raster/bitmap.h"
#include "shell/display_surface.h"

namespace {

constexpr uint16_t kBackground = 0;

// A bitmap whose pixel (x, y) holds (x + 256 * y) % 65535 + 1: never the background.
OwnedBitmap numbered(int32_t width, int32_t height) {
    OwnedBitmap bitmap = newBitmap(width, height, false);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) bitmap->pixels[y * width + x] = static_cast<uint16_t>((x + 256 * y) % 65535 + 1);
    return bitmap;
}

int32_t countNot(const DisplaySurface& surface, uint16_t value) {
    int32_t count = 0;
    for (int32_t i = 0; i < surface.width() * surface.height(); ++i) count += surface.pixels()[i] != value;
    return count;
}

TEST(DisplaySurface, FullSizeIsOneBlockWhateverThePlacement) {
    const OwnedBitmap full = numbered(240, 320);
    for (const auto& [x, y, doubled] : {std::tuple{0, 0, false}, {17, -40, false}, {500, 500, true}}) {
        DisplaySurface surface(240, 320);
        surface.fill(kBackground);
        surface.present(*full, x, y, doubled);
        EXPECT_EQ(surface.pixel(0, 0), 1);
        EXPECT_EQ(surface.pixel(239, 0), 240);
        EXPECT_EQ(surface.pixel(5, 7), static_cast<uint16_t>(5 + 256 * 7 + 1));
        EXPECT_EQ(surface.pixel(239, 319), full->pixels[240 * 320 - 1]);
    }
}

TEST(DisplaySurface, HalfSizeDoubledFillsTheDisplay) {
    const OwnedBitmap half = numbered(120, 160);
    DisplaySurface surface(240, 320);
    surface.fill(kBackground);
    surface.present(*half, 0, 0, true);
    EXPECT_EQ(countNot(surface, kBackground), 240 * 320);
    for (int32_t y = 0; y < 320; y += 37) {
        for (int32_t x = 0; x < 240; x += 13) {
            ASSERT_EQ(surface.pixel(x, y), half->pixels[(y / 2) * 120 + x / 2]) << x << "," << y;
        }
    }
    EXPECT_EQ(surface.pixel(239, 319), half->pixels[159 * 120 + 119]);
}

TEST(DisplaySurface, LargerInOneDimensionDrawsNothing) {
    DisplaySurface surface(240, 320);
    surface.fill(kBackground);
    for (const auto& [w, h] : {std::pair{300, 100}, {100, 400}, {241, 320}, {240, 321}}) {
        const OwnedBitmap big = numbered(w, h);
        surface.present(*big, 0, 0, false);
        surface.present(*big, 0, 0, true);
    }
    EXPECT_EQ(countNot(surface, kBackground), 0);
}

TEST(DisplaySurface, RowCopyAtAPosition) {
    // Level 1 of a 240 x 320 display: 160 x 213 at (40, 53).
    const OwnedBitmap level = numbered(160, 213);
    DisplaySurface surface(240, 320);
    surface.fill(kBackground);
    surface.present(*level, 40, 53, false);
    EXPECT_EQ(countNot(surface, kBackground), 160 * 213);
    EXPECT_EQ(surface.pixel(40, 53), 1);
    EXPECT_EQ(surface.pixel(199, 53), 160);
    EXPECT_EQ(surface.pixel(39, 53), kBackground);
    EXPECT_EQ(surface.pixel(200, 53), kBackground);
    EXPECT_EQ(surface.pixel(40, 52), kBackground);
    EXPECT_EQ(surface.pixel(40, 265), level->pixels[212 * 160]);
    EXPECT_EQ(surface.pixel(40, 266), kBackground);

    // A full-width bitmap shorter than the display goes row by row too.
    const OwnedBitmap band = numbered(240, 10);
    surface.fill(kBackground);
    surface.present(*band, 0, 300, false);
    EXPECT_EQ(countNot(surface, kBackground), 240 * 10);
    EXPECT_EQ(surface.pixel(0, 300), 1);

    // Doubled at a position: half resolution at level 2 (60 x 80 as 120 x 160 at (60, 80)).
    const OwnedBitmap small = numbered(60, 80);
    surface.fill(kBackground);
    surface.present(*small, 60, 80, true);
    EXPECT_EQ(countNot(surface, kBackground), 120 * 160);
    EXPECT_EQ(surface.pixel(60, 80), 1);
    EXPECT_EQ(surface.pixel(61, 81), 1);
    EXPECT_EQ(surface.pixel(62, 80), 2);
    EXPECT_EQ(surface.pixel(179, 239), small->pixels[79 * 60 + 59]);
    EXPECT_EQ(surface.pixel(180, 239), kBackground);
    EXPECT_EQ(surface.pixel(179, 240), kBackground);
}

TEST(DisplaySurface, UnsafePlacementsAreClippedToTheSurface) {
    // Every placement below lies partly or wholly outside the display; a
    // stray write would also be caught by AddressSanitizer.
    struct Case {
        int32_t w, h, x, y;
        bool doubled;
        int32_t visible;  // pixels expected to change
    };
    const Case cases[] = {
        {100, 100, 200, 300, false, 40 * 20},   // over the bottom-right corner
        {100, 100, -90, -95, false, 10 * 5},    // over the top-left corner
        {100, 100, 240, 0, false, 0},           // just right of the display
        {100, 100, 0, -100, false, 0},          // just above it
        {120, 160, 1, 1, true, 239 * 319},      // doubled, one pixel too far
        {120, 160, -1, -1, true, 239 * 319},    // doubled, odd negative offset
        {100, 100, 100, 200, true, 140 * 120},  // doubled past both edges
        {10, 10, INT_MAX, INT_MAX, true, 0},    // would wrap 32-bit arithmetic
        {10, 10, INT_MIN, INT_MIN, false, 0},
        {239, 319, INT_MAX - 5, 0, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h << " at " << c.x << "," << c.y);
        const OwnedBitmap bitmap = numbered(c.w, c.h);
        DisplaySurface surface(240, 320);
        surface.fill(kBackground);
        surface.present(*bitmap, c.x, c.y, c.doubled);
        EXPECT_EQ(countNot(surface, kBackground), c.visible);
    }
    // The odd negative offset shows the second half of the first doubled pixel.
    const OwnedBitmap half = numbered(120, 160);
    DisplaySurface surface(240, 320);
    surface.present(*half, -1, -1, true);
    EXPECT_EQ(surface.pixel(0, 0), 1);
    EXPECT_EQ(surface.pixel(1, 0), 2);
    EXPECT_EQ(surface.pixel(0, 1), 1 + 256);
}

TEST(DisplaySurface, NothingToDrawOrNothingToDrawOn) {
    DisplaySurface empty(0, 0);
    const OwnedBitmap bitmap = numbered(4, 4);
    empty.present(*bitmap, 0, 0, false);  // no display memory: nothing, no crash
    EXPECT_EQ(empty.width(), 0);

    DisplaySurface surface(8, 8);
    surface.fill(kBackground);
    Bitmap hollow;  // no pixel array
    hollow.width = 4;
    hollow.height = 4;
    surface.present(hollow, 0, 0, false);
    EXPECT_EQ(countNot(surface, kBackground), 0);
}

}  // namespace
