// PNG images through libpng, converted as 24-bit pictures are (no alpha plane).
#pragma once

#include "base/input_stream.h"
#include "raster/bitmap.h"

// Decodes a PNG from the stream's current position (the 8-byte signature is
// the next thing read) into a bitmap without an alpha plane: palette and grey
// images are expanded to RGB, 16-bit samples keep their high byte, an alpha
// channel or transparent colour is dropped, and each pixel becomes
// ((red & 0xF8) << 8) | ((green >> 2) << 5) | (blue >> 3). Returns null for
// any libpng error (bad signature, bad CRC in a critical chunk, data that ends
// early) and for pictures beyond kMaxImagePixels. Writes no message.
OwnedBitmap decodePng(InputStream& stream);
