// JPEG images through libjpeg-turbo, converted as 24-bit pictures are.
#pragma once

#include "base/input_stream.h"
#include "raster/bitmap.h"

// Decodes a JPEG (baseline or progressive; grey, YCbCr, RGB, CMYK or YCCK)
// from the stream's current position (the SOI marker is the next thing read)
// into a bitmap without an alpha plane, each pixel ((red & 0xF8) << 8) |
// ((green >> 2) << 5) | (blue >> 3). CMYK and YCCK become colour as
// (255 - ink) x (255 - black) / 255, with the samples read as inverted when
// the file carries Adobe's marker. Returns null for any libjpeg error, for entropy-coded data
// that stops before the picture is complete, for pictures beyond
// kMaxImagePixels, for progressive files of more than 1000 scans and for
// decodes that would need more than 1 GiB of working memory. A file whose
// picture is complete but lacks the end marker decodes. Writes no message.
OwnedBitmap decodeJpeg(InputStream& stream);
