// The LZW stage of the GIF reader and the canvas its rows land on.
#pragma once

#include <array>
#include <cstdint>

#include "base/input_stream.h"
#include "raster/bitmap.h"

// Where decoded rows of palette indices go: the palette already turned into
// RGB565 and the result bitmap with its write position.
struct GifCanvas {
    std::array<uint16_t, 256> palette{};  // entries beyond the colour table stay 0 (black)
    bool transparent = false;             // a graphic control extension asked for transparency
    uint8_t transparentIndex = 0;
    bool interlaced = false;              // rows are stored in the four-pass interlace order
    Bitmap* bitmap = nullptr;  // not owned; alpha plane present exactly when transparent
    // -- working state --
    int64_t cursor = 0;  // index of the next pixel (and alpha byte) to store
};

// Stores palette[index] for each of the n indices at the canvas cursor and
// advances it; with transparency also stores alpha 0 for the transparent index
// and 255 for any other. Pixels beyond width x height are dropped. The cursor
// counts pixels in stored order; for an interlaced image each stored row goes
// to its display row (pass 1: rows 0, 8, 16, ...; pass 2: 4, 12, ...;
// pass 3: 2, 6, ...; pass 4: 1, 3, ...).
void emitRow(GifCanvas& canvas, const uint8_t* indices, int32_t n);

// The display row of stored row storedRow (0 .. height - 1) of an interlaced
// image of the given height.
int32_t interlacedDisplayRow(int32_t storedRow, int32_t height);

// Reads the minimum code size and the LZW-coded data sub-blocks of one image
// from the stream and hands the pixels to emitRow in rows of rowWidth
// (1..8192), ending with a partial row if the data stops mid-row. Stops at the
// end code. Returns false when the code size is outside 2..9, the data ends
// before the end code, or corrupt codes would send the decoder round a cycle
// of table entries; the tables are never read or written outside their 4096
// entries, whatever the input.
bool decodeLzw(InputStream& stream, int32_t rowWidth, GifCanvas& canvas);
