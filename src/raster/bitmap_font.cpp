#include "raster/bitmap_font.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr uint8_t kOpaque = 255;
constexpr char16_t kSpace = 32;

// Copies one glyph whose every pixel lies inside the target.
void copyGlyph(const Bitmap& sheet, const Glyph& glyph, int32_t rows, Bitmap& target, int32_t x, int32_t y) {
    for (int32_t r = 0; r < rows; ++r) {
        const int64_t from = glyph.origin + static_cast<int64_t>(r) * sheet.width;
        const uint16_t* in = sheet.pixels + from;
        const uint8_t* opacity = sheet.alpha + from;
        uint16_t* out = target.pixels + static_cast<int64_t>(y + r) * target.width + x;
        for (int32_t p = 0; p < glyph.advance; ++p)
            if (opacity[p]) out[p] = in[p];
    }
}

// Copies the part of one glyph that falls inside the target.
void copyGlyphClipped(const Bitmap& sheet, const Glyph& glyph, int32_t rows, Bitmap& target, int32_t x,
                      int32_t y) {
    const int32_t firstRow = y < 0 ? -y : 0;
    const int32_t lastRow = y + rows > target.height ? target.height - y : rows;
    const int32_t firstColumn = x < 0 ? -x : 0;
    const int32_t lastColumn = x + glyph.advance > target.width ? target.width - x : glyph.advance;
    for (int32_t r = firstRow; r < lastRow; ++r) {
        const int64_t from = glyph.origin + static_cast<int64_t>(r) * sheet.width;
        const uint16_t* in = sheet.pixels + from;
        const uint8_t* opacity = sheet.alpha + from;
        uint16_t* row = target.pixels + static_cast<int64_t>(y + r) * target.width;
        for (int32_t p = firstColumn; p < lastColumn; ++p)
            if (opacity[p]) row[x + p] = in[p];
    }
}

}  // namespace

void setFont(BitmapFont* font, Bitmap* sheet) {
    if (!font || !sheet || !sheet->pixels || sheet->width < 1 || sheet->height < 1) return;
    if (!sheet->alpha) {
        const std::size_t count = static_cast<std::size_t>(sheet->width) * static_cast<std::size_t>(sheet->height);
        // malloc, because releaseBitmap frees the plane with free.
        auto* alpha = static_cast<uint8_t*>(std::malloc(count));
        if (!alpha) return;
        std::memset(alpha, kOpaque, count);
        sheet->alpha = alpha;
    }
    font->sheet = sheet;
    font->glyphHeight = sheet->height - 1;
    for (Glyph& glyph : font->glyphs) glyph = Glyph{};

    int32_t start = 0;
    int k = 0;
    for (int32_t i = 1; i < sheet->width && k < kGlyphCount; ++i) {
        if (!sheet->alpha[i]) continue;
        font->glyphs[static_cast<std::size_t>(k)] = Glyph{i - start, start + sheet->width};
        ++k;
        start = i;
    }
}

void drawText(const BitmapFont& font, const std::u16string& text, Bitmap* target, int32_t x, int32_t y) {
    if (!font.sheet || !target || !target->pixels) return;
    const Bitmap& sheet = *font.sheet;
    const int32_t rows = font.glyphHeight;
    int32_t pen = x;
    for (char16_t c : text) {
        // Nothing further right can be visible, and the pen stays far from overflow.
        if (pen >= target->width) break;
        if (c == kSpace) {
            pen += font.glyphs[0].advance;
            continue;
        }
        if (c < kFirstGlyphCode || c > kLastGlyphCode) continue;
        const Glyph& glyph = font.glyphs[static_cast<std::size_t>(c - kFirstGlyphCode)];
        if (glyph.advance < 1) continue;
        const bool inside = pen >= 0 && y >= 0 && pen + glyph.advance <= target->width && y + rows <= target->height;
        if (inside)
            copyGlyph(sheet, glyph, rows, *target, pen, y);
        else
            copyGlyphClipped(sheet, glyph, rows, *target, pen, y);
        pen += glyph.advance;
    }
}
