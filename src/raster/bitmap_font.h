// Proportional bitmap-font text drawn straight from a font sheet.
//
// The sheet is one image: row 0 is a marker row, rows 1.. hold the glyphs side
// by side in character order from '!' (33) to '~' (126). A row-0 pixel with
// non-zero alpha at column i >= 1 ends the current glyph at column i - 1 and
// starts the next one at i; the first glyph starts at column 0, and columns
// after the last marker belong to no glyph. Glyph pixels with non-zero alpha
// are drawn in the sheet's own colour; the rest are skipped.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "raster/bitmap.h"

struct Glyph {
    int32_t advance = 0;  // glyph width and pen advance in pixels; 0 when the sheet lacks it
    int32_t origin = 0;   // sheet pixel index of the glyph's top-left pixel (row 1)
};

constexpr int kFirstGlyphCode = 33;  // '!'
constexpr int kLastGlyphCode = 126;  // '~'
constexpr int kGlyphCount = kLastGlyphCode - kFirstGlyphCode + 1;

struct BitmapFont {
    // Not owned by the font record: the application loads the sheet and
    // releases it together with the font.
    Bitmap* sheet = nullptr;
    int32_t glyphHeight = 0;  // sheet height - 1
    std::array<Glyph, kGlyphCount> glyphs{};  // index = character code - 33
};

// Builds the glyph table from the sheet. A sheet without an alpha plane gets
// one of all 255s (every pixel opaque, so every column is a marker); if that
// plane cannot be allocated, or the sheet is null or has no rows, the font is
// left unchanged. Otherwise every glyph's advance is reset to 0 and the first
// (at most 94) markers define the glyphs.
void setFont(BitmapFont* font, Bitmap* sheet);

// Draws text with its top-left corner at (x, y) of the target. A space moves
// the pen by the advance of '!'; codes 33..126 draw their glyph (if defined)
// and move the pen by its advance; any other code draws nothing and leaves the
// pen where it is. Pixels outside the target are skipped; nothing wraps.
void drawText(const BitmapFont& font, const std::u16string& text, Bitmap* target, int32_t x, int32_t y);
