// The viewer's own GIF reader: the first image of a GIF87a/GIF89a file with a
// global colour table, as RGB565, with an alpha plane when a graphic control
// extension names a transparent colour.
#pragma once

#include <string>

#include "base/input_stream.h"
#include "raster/bitmap.h"

// Opens the name with openStream (a file, or an http:// URL) and decodes it.
// When the stream cannot be opened writes "* image not found: NAME" to the log
// (the store gets the line without "* " and is refreshed) and returns null.
// Any malformed file gives null without a message of its own.
OwnedBitmap decodeGif(const std::string& name);

// Decodes a GIF from the stream's current position (the "GIF" signature is the
// next thing read). Returns null for a bad signature or version, a missing
// global colour table, no image before the trailer, an image wider than 8192
// pixels, of zero size or beyond kMaxImagePixels, a minimum code size outside
// 2..9, or data that ends before the LZW end code. Rows come out in display
// order (an interlaced image's rows are put back where its passes say) at the
// top-left of a bitmap of the image's own size; pixels the data does not reach are 0 and, with an
// alpha plane, transparent. A local colour table, when present, replaces the
// global one for the image. The stream is left open.
OwnedBitmap decodeGifStream(InputStream& stream);
