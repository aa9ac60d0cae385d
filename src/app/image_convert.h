// What every image decoder shares: the size a decoded picture may have and
// the conversion of 24-bit rows into RGB565 pixels.
#pragma once

#include <cstdint>

// The largest picture any decoder accepts, in pixels (16384 x 16384). A header
// that claims more is refused before anything is allocated, so a few hostile
// bytes cannot ask for gigabytes.
constexpr int64_t kMaxImagePixels = int64_t{16384} * 16384;

// True when a picture of width x height may be decoded: both at least 1 and
// the pixel count within kMaxImagePixels.
bool imageSizeAllowed(int64_t width, int64_t height);

// Converts count pixels stored as blue, green, red bytes (the byte order of a
// 24-bit device-independent bitmap) into RGB565:
// ((red & 0xF8) << 8) | ((green >> 2) << 5) | (blue >> 3).
// Decoders call it once per row, top row first, so no 24-bit copy of the whole
// picture is ever kept.
void convertDibRow(const uint8_t* bgr, int32_t count, uint16_t* out);
