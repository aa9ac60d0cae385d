// The shipped font and logo: they load through the image loader, the font
// yields its 94 glyphs, and the overlay lines draw where they should.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/image_loader.h"
#include "raster/bitmap_font.h"

namespace {

const std::string kAssets = ORVELLA_ASSET_DIR;
constexpr uint16_t kBackground = 0x1234;  // a colour the font does not use

std::u16string wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// Glyph start columns read straight from the sheet's marker row.
std::vector<int> markerColumns(const Bitmap& sheet) {
    std::vector<int> columns;
    for (int x = 0; x < sheet.width; ++x)
        if (sheet.alpha[x]) columns.push_back(x);
    return columns;
}

TEST(Assets, LogoLoads) {
    OwnedBitmap logo = loadImageFile(wide(kAssets + "logo.gif"));
    ASSERT_NE(logo, nullptr);
    EXPECT_GE(logo->width, 64);
    EXPECT_LE(logo->width, 96);
    EXPECT_GE(logo->height, 32);
    EXPECT_LE(logo->height, 48);
    ASSERT_NE(logo->alpha, nullptr);
    // A transparent background around an opaque picture.
    const int count = logo->width * logo->height;
    int opaque = 0;
    for (int i = 0; i < count; ++i) opaque += logo->alpha[i] != 0;
    EXPECT_EQ(logo->alpha[0], 0);
    EXPECT_EQ(logo->alpha[count - 1], 0);
    EXPECT_GT(opaque, count / 8);
    EXPECT_LT(opaque, count * 3 / 4);
}

TEST(Assets, FontSheetAndGlyphs) {
    OwnedBitmap sheet = loadImageFile(wide(kAssets + "font.gif"));
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->height, 9);
    ASSERT_NE(sheet->alpha, nullptr);
    // Markers at the 94 glyph starts and one after the last glyph; glyph
    // cells are at least three columns (stroke plus outline on each side).
    const std::vector<int> markers = markerColumns(*sheet);
    ASSERT_EQ(markers.size(), 95u);
    EXPECT_EQ(markers.front(), 0);
    EXPECT_EQ(markers.back(), sheet->width - 1);

    BitmapFont font;
    setFont(&font, sheet.get());
    EXPECT_EQ(font.glyphHeight, 8);
    for (int k = 0; k < kGlyphCount; ++k) {
        const Glyph& g = font.glyphs[static_cast<std::size_t>(k)];
        EXPECT_EQ(g.advance, markers[static_cast<std::size_t>(k) + 1] - markers[static_cast<std::size_t>(k)]) << k;
        EXPECT_GE(g.advance, 3) << k;
        // White strokes in every glyph.
        int white = 0;
        for (int r = 0; r < font.glyphHeight; ++r)
            for (int p = 0; p < g.advance; ++p) {
                const int at = g.origin + r * sheet->width + p;
                white += sheet->alpha[at] && sheet->pixels[at] == 0xFFFF;
            }
        EXPECT_GT(white, 0) << char(33 + k);
    }
}

// Checks one drawn line against the sheet: each character's cell holds the
// sheet's opaque pixels (cells found from the marker row, independently of
// the glyph table), spaces keep the background, and nothing else changed.
void expectLine(const Bitmap& target, const Bitmap& sheet, const std::u16string& text, int y) {
    const std::vector<int> markers = markerColumns(sheet);
    const int spaceWidth = markers[1] - markers[0];
    int pen = 0;
    std::vector<bool> covered(static_cast<std::size_t>(target.width), false);
    for (char16_t c : text) {
        if (c == u' ') {
            pen += spaceWidth;
            continue;
        }
        const auto k = static_cast<std::size_t>(c - 33);
        const int start = markers[k];
        const int width = markers[k + 1] - start;
        int white = 0;
        for (int r = 0; r < 8; ++r)
            for (int p = 0; p < width; ++p) {
                const int from = (r + 1) * sheet.width + start + p;
                const uint16_t drawn = target.pixels[(y + r) * target.width + pen + p];
                const uint16_t expected = sheet.alpha[from] ? sheet.pixels[from] : kBackground;
                ASSERT_EQ(drawn, expected) << "'" << char(c) << "' at " << p << "," << r;
                white += drawn == 0xFFFF;
            }
        EXPECT_GE(white, 1) << char(c);
        for (int p = 0; p < width; ++p) covered[static_cast<std::size_t>(pen + p)] = true;
        pen += width;
    }
    for (int r = 0; r < 8; ++r) {
        for (int x = 0; x < target.width; ++x) {
            if (covered[static_cast<std::size_t>(x)]) continue;
            ASSERT_EQ(target.pixels[(y + r) * target.width + x], kBackground) << x << "," << r;
        }
    }
}

TEST(Assets, OverlayLinesDrawWhereExpected) {
    OwnedBitmap sheet = loadImageFile(wide(kAssets + "font.gif"));
    ASSERT_NE(sheet, nullptr);
    BitmapFont font;
    setFont(&font, sheet.get());

    // The frame-rate and title lines of a 240 x 320 frame.
    OwnedBitmap frame = newBitmap(240, 320, false);
    fillBitmap(frame.get(), kBackground);
    drawText(font, u"fps: 12", frame.get(), 0, 320 - 20);
    drawText(font, u"Orvella beta 0.1 ", frame.get(), 0, 320 - 10);
    expectLine(*frame, *sheet, u"fps: 12", 300);
    expectLine(*frame, *sheet, u"Orvella beta 0.1 ", 310);
    // The rows between and around the lines are untouched.
    for (int y : {299, 308, 309, 318, 319})
        for (int x = 0; x < 240; ++x) ASSERT_EQ(frame->pixels[y * 240 + x], kBackground) << x << "," << y;
    // The title fits the handheld's width with room to spare.
    const std::vector<int> markers = markerColumns(*sheet);
    int titleWidth = 0;
    for (char16_t c : std::u16string(u"Orvella beta 0.1 "))
        titleWidth += c == u' ' ? markers[1] - markers[0] : markers[c - 32] - markers[c - 33];
    EXPECT_LT(titleWidth, 120);
}

}  // namespace
