#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "raster/bitmap_font.h"

namespace {

constexpr uint16_t kBackground = 0x1234;

// A sheet with glyphs of the given widths (in code order from '!'): markers at
// every glyph start and after the last glyph, glyph pixels coloured
// 0x8000 + glyph * 64 + column-in-glyph, opaque except where transparent(x, y)
// says otherwise.
OwnedBitmap makeSheet(const std::vector<int>& widths, int glyphHeight, bool (*transparent)(int, int) = nullptr) {
    int width = 1;
    for (int w : widths) width += w;
    OwnedBitmap sheet = newBitmap(width, glyphHeight + 1, true);
    fillBitmap(sheet.get(), 0);
    std::fill(sheet->alpha, sheet->alpha + width * (glyphHeight + 1), 0);
    int start = 0;
    for (std::size_t g = 0; g < widths.size(); ++g) {
        sheet->alpha[start] = 255;
        for (int y = 1; y <= glyphHeight; ++y)
            for (int x = 0; x < widths[g]; ++x) {
                const int at = y * width + start + x;
                sheet->pixels[at] = static_cast<uint16_t>(0x8000 + g * 64 + x);
                sheet->alpha[at] = (transparent && transparent(x, y - 1)) ? 0 : 255;
            }
        start += widths[g];
    }
    sheet->alpha[start] = 255;
    return sheet;
}

OwnedBitmap target(int w, int h) {
    OwnedBitmap t = newBitmap(w, h, false);
    fillBitmap(t.get(), kBackground);
    return t;
}

int countChanged(const Bitmap& b) {
    int n = 0;
    for (int i = 0; i < b.width * b.height; ++i) n += b.pixels[i] != kBackground;
    return n;
}

TEST(BitmapFont, OpaqueSheetGivesOnePixelGlyphs) {
    // No alpha plane: every column is a marker, each glyph one pixel wide.
    OwnedBitmap sheet = newBitmap(6, 4, false);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) sheet->pixels[y * 6 + x] = static_cast<uint16_t>(0x100 * (x + 1) + y);
    BitmapFont font;
    setFont(&font, sheet.get());
    ASSERT_NE(sheet->alpha, nullptr);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(sheet->alpha[i], 255);
    EXPECT_EQ(font.sheet, sheet.get());
    EXPECT_EQ(font.glyphHeight, 3);
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(font.glyphs[static_cast<std::size_t>(k)].advance, 1) << k;
        EXPECT_EQ(font.glyphs[static_cast<std::size_t>(k)].origin, k + 6) << k;
    }
    // Column 5 starts a glyph that no marker ends.
    EXPECT_EQ(font.glyphs[5].advance, 0);

    OwnedBitmap t = target(10, 6);
    drawText(font, u"!#\"", t.get(), 2, 1);
    const int glyphOfColumn[3] = {0, 2, 1};
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r)
            EXPECT_EQ(t->pixels[(1 + r) * 10 + 2 + c], 0x100 * (glyphOfColumn[c] + 1) + r + 1) << c << "," << r;
    EXPECT_EQ(countChanged(*t), 9);
}

TEST(BitmapFont, GlyphTableLimits) {
    // 60 glyphs: '~' and everything past ']' (code 92) has advance 0.
    OwnedBitmap sheet = makeSheet(std::vector<int>(60, 2), 3);
    BitmapFont font;
    setFont(&font, sheet.get());
    EXPECT_EQ(font.glyphs[59].advance, 2);
    EXPECT_EQ(font.glyphs[60].advance, 0);
    EXPECT_EQ(font.glyphs[93].advance, 0);
    OwnedBitmap t = target(20, 4);
    drawText(font, u"~", t.get(), 0, 0);
    EXPECT_EQ(countChanged(*t), 0);
    // "!~!" draws the second '!' right after the first: '~' did not move the pen.
    drawText(font, u"!~!", t.get(), 0, 0);
    EXPECT_EQ(t->pixels[2], 0x8000);
    EXPECT_EQ(countChanged(*t), 12);

    // 200 markers: only 94 glyphs are recorded.
    OwnedBitmap wide = makeSheet(std::vector<int>(200, 1), 2);
    BitmapFont many;
    setFont(&many, wide.get());
    EXPECT_EQ(many.glyphs[93].advance, 1);
    EXPECT_EQ(many.glyphs[93].origin, 93 + wide->width);

    // No marker at all: no glyphs, and a space does not move.
    OwnedBitmap blank = makeSheet({}, 3);
    blank->alpha[0] = 255;  // column 0 is never read as a marker
    BitmapFont none;
    setFont(&none, blank.get());
    for (const Glyph& g : none.glyphs) EXPECT_EQ(g.advance, 0);

    // A null sheet leaves the font as it was.
    setFont(&font, nullptr);
    EXPECT_EQ(font.sheet, sheet.get());
    EXPECT_EQ(font.glyphs[0].advance, 2);
}

TEST(BitmapFont, SpacesAndOtherCodes) {
    // '!' 3 wide, '"' 5, '#' 2 ... 'a' (code 97) and 'b' get widths of their own.
    std::vector<int> widths(94, 1);
    widths[0] = 3;
    widths['a' - 33] = 4;
    widths['b' - 33] = 2;
    OwnedBitmap sheet = makeSheet(widths, 2);
    BitmapFont font;
    setFont(&font, sheet.get());

    OwnedBitmap t = target(30, 3);
    drawText(font, u"a b", t.get(), 1, 0);
    // 'b' starts at 1 + advance('a') + advance('!') = 1 + 4 + 3 = 8.
    const uint16_t bColumn0 = static_cast<uint16_t>(0x8000 + ('b' - 33) * 64);
    EXPECT_EQ(t->pixels[8], bColumn0);
    EXPECT_EQ(t->pixels[9], bColumn0 + 1);
    EXPECT_EQ(t->pixels[5], kBackground);  // the space draws nothing
    EXPECT_EQ(t->pixels[10], kBackground);
    EXPECT_EQ(countChanged(*t), (4 + 2) * 2);

    // Control characters and codes above 126 draw nothing and keep the pen.
    OwnedBitmap u = target(30, 3);
    drawText(font, std::u16string(u"a\n\t\u00e9\u007f\u20acb") + char16_t(0), u.get(), 1, 0);
    EXPECT_EQ(u->pixels[5], bColumn0);
    EXPECT_EQ(countChanged(*u), (4 + 2) * 2);
}

TEST(BitmapFont, ClipsPerPixelAndSkipsTransparentPixels) {
    // One 4 x 3 glyph whose centre column is transparent.
    OwnedBitmap sheet = makeSheet({4}, 3, [](int x, int) { return x == 1; });
    BitmapFont font;
    setFont(&font, sheet.get());
    ASSERT_EQ(font.glyphs[0].advance, 4);

    // At x = -2 only glyph columns 2 and 3 land, on target columns 0 and 1.
    OwnedBitmap t = target(6, 5);
    drawText(font, u"!!", t.get(), -2, 1);
    EXPECT_EQ(t->pixels[1 * 6 + 0], 0x8002);
    EXPECT_EQ(t->pixels[1 * 6 + 1], 0x8003);
    // The second glyph at x = 2: columns 2, (3 skipped: transparent), 4, 5.
    EXPECT_EQ(t->pixels[1 * 6 + 2], 0x8000);
    EXPECT_EQ(t->pixels[1 * 6 + 3], kBackground);
    EXPECT_EQ(t->pixels[1 * 6 + 5], 0x8003);
    EXPECT_EQ(countChanged(*t), 5 * 3);

    // Off every edge: above, below, right (glyph column 1 is transparent), far left.
    for (auto [x, y, visible] : {std::tuple{0, -2, 3}, {0, 4, 3}, {4, 0, 3}, {-4, 0, 0}, {6, 0, 0},
                                 {0, -3, 0}, {0, 5, 0}}) {
        OwnedBitmap e = target(6, 5);
        drawText(font, u"!", e.get(), x, y);
        EXPECT_EQ(countChanged(*e), visible) << x << "," << y;
    }
}

}  // namespace
