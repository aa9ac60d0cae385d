// Bitmap: the one picture type. The frame buffer, every loaded image and every
// texture are Bitmaps of 16-bit RGB565 pixels (red in bits 15..11, green in
// 10..5, blue in 4..0), row-major, top row first, stride = width, with an
// optional 8-bit opacity plane of the same layout (0 transparent, 255 opaque).
//
// The record is plain: whoever creates a record frees it, releaseBitmap frees
// only its arrays. OwnedBitmap wraps both steps for owners that want RAII.
#pragma once

#include <cstdint>
#include <memory>

#include "base/rgb565.h"

struct Bitmap {
    uint16_t* pixels = nullptr;  // owned; width * height pixels
    uint8_t* alpha = nullptr;    // owned; null when the bitmap has no opacity plane
    int32_t width = 0;
    int32_t height = 0;
};


// Allocates the pixel array (and the alpha plane when asked) of the record and
// stores the size; contents are left uninitialised. Returns the record, or null
// when the arrays cannot be had (size negative, byte count beyond 32 bits, or
// memory exhausted); the record is then left empty (no arrays, size 0 x 0).
Bitmap* createBitmap(Bitmap* record, int32_t width, int32_t height, bool withAlpha);

// Frees the pixel array and the alpha plane; the record itself stays.
void releaseBitmap(Bitmap* bitmap);

// Sets every pixel to the value (a zero value clears bytewise).
void fillBitmap(Bitmap* bitmap, uint16_t value);

// Draws src with its top-left corner at (x, y) of dst, clipped to dst. Blends
// through src's alpha plane when it has one, else copies. dst's own alpha plane
// is neither read nor written.
void blitBitmap(Bitmap* dst, const Bitmap* src, int32_t x, int32_t y);

// Fills the whole of dst from the source rectangle (u0, v0)-(u1, v1), given in
// 16.16 fixed-point source pixels, by bilinear interpolation. The right and
// lower neighbours of samples on the last column or row are clamped to it.
void resampleBitmap(Bitmap* dst, const Bitmap* src, int32_t u0_16, int32_t v0_16,
                    int32_t u1_16, int32_t v1_16);

struct BitmapDeleter {
    void operator()(Bitmap* bitmap) const {
        releaseBitmap(bitmap);
        delete bitmap;
    }
};
using OwnedBitmap = std::unique_ptr<Bitmap, BitmapDeleter>;

// A new record with its arrays, or null when it cannot be made.
OwnedBitmap newBitmap(int32_t width, int32_t height, bool withAlpha);
