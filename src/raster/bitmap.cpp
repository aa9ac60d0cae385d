#include "raster/bitmap.h"

#include <cstdlib>
#include <cstring>

namespace {

// RGB565 field extraction for blending and resampling.
constexpr int kRedShift = 11;
constexpr int kGreenShift = 5;
constexpr uint32_t kGreenBits = 0x3F;
constexpr uint32_t kBlueBits = 0x1F;
// Red and blue are resampled together in one packed value, green alone.
constexpr int32_t kRedBlueMask = 0xF81F;
constexpr int32_t kGreenMask = 0x07E0;
// Resampling weights are 6-bit fractions taken from bits 10..15 of 16.16.
constexpr int kFractionShift = 10;
constexpr int32_t kFractionMask = 63;
constexpr int kWeightBits = 6;

void* allocateBytes(uint64_t bytes) {
    // Requests whose byte count does not fit in 32 bits are refused.
    if (bytes > 0xFFFFFFFFull) return nullptr;
    return std::malloc(bytes == 0 ? 1 : static_cast<std::size_t>(bytes));
}

int32_t lerpMasked(int32_t a, int32_t b, int32_t weight, int32_t mask) {
    return (a + (((b - a) * weight) >> kWeightBits)) & mask;
}

// One packed channel group of a bilinear sample.
int32_t bilinear(uint16_t tl, uint16_t tr, uint16_t bl, uint16_t br, int32_t s, int32_t t,
                 int32_t mask) {
    const int32_t left = lerpMasked(tl & mask, bl & mask, t, mask);
    const int32_t right = lerpMasked(tr & mask, br & mask, t, mask);
    return left + (((right - left) * s) >> kWeightBits);
}

}  // namespace

Bitmap* createBitmap(Bitmap* record, int32_t width, int32_t height, bool withAlpha) {
    record->pixels = nullptr;
    record->alpha = nullptr;
    record->width = 0;
    record->height = 0;
    if (width < 0 || height < 0) return nullptr;
    const uint64_t count = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    // A pixel count beyond 0x7FFFFFFF asks for 0xFFFFFFFF + bytes, which fails.
    const uint64_t pixelBytes = count > 0x7FFFFFFFull ? 0x100000000ull : count * 2;
    auto* pixels = static_cast<uint16_t*>(allocateBytes(pixelBytes));
    if (!pixels) return nullptr;
    uint8_t* alpha = nullptr;
    if (withAlpha) {
        alpha = static_cast<uint8_t*>(allocateBytes(count));
        if (!alpha) {
            std::free(pixels);
            return nullptr;
        }
    }
    record->pixels = pixels;
    record->alpha = alpha;
    record->width = width;
    record->height = height;
    return record;
}

void releaseBitmap(Bitmap* bitmap) {
    if (!bitmap) return;
    std::free(bitmap->pixels);
    std::free(bitmap->alpha);
    bitmap->pixels = nullptr;
    bitmap->alpha = nullptr;
}

OwnedBitmap newBitmap(int32_t width, int32_t height, bool withAlpha) {
    OwnedBitmap bitmap(new Bitmap);
    if (!createBitmap(bitmap.get(), width, height, withAlpha)) return nullptr;
    return bitmap;
}

void fillBitmap(Bitmap* bitmap, uint16_t value) {
    if (!bitmap || !bitmap->pixels) return;
    const std::size_t count = static_cast<std::size_t>(bitmap->width) * static_cast<std::size_t>(bitmap->height);
    if (value == 0) {
        std::memset(bitmap->pixels, 0, count * 2);
        return;
    }
    for (std::size_t i = 0; i < count; ++i) bitmap->pixels[i] = value;
}

void blitBitmap(Bitmap* dst, const Bitmap* src, int32_t x, int32_t y) {
    if (!dst || !src || !dst->pixels || !src->pixels) return;
    if (x >= dst->width || y >= dst->height) return;
    if (static_cast<int64_t>(x) + src->width < 1 || static_cast<int64_t>(y) + src->height < 1) return;

    const int32_t skipColumns = x < 0 ? -x : 0;
    const int32_t skipRows = y < 0 ? -y : 0;
    const int32_t startColumn = x < 0 ? 0 : x;
    const int32_t startRow = y < 0 ? 0 : y;
    int32_t columns = src->width - skipColumns;
    if (columns > dst->width - startColumn) columns = dst->width - startColumn;
    int32_t rows = src->height - skipRows;
    if (rows > dst->height - startRow) rows = dst->height - startRow;

    for (int32_t r = 0; r < rows; ++r) {
        const int64_t srcRow = static_cast<int64_t>(skipRows + r) * src->width + skipColumns;
        uint16_t* out = dst->pixels + static_cast<int64_t>(startRow + r) * dst->width + startColumn;
        const uint16_t* in = src->pixels + srcRow;
        if (!src->alpha) {
            std::memcpy(out, in, static_cast<std::size_t>(columns) * 2);
            continue;
        }
        const uint8_t* opacity = src->alpha + srcRow;
        for (int32_t c = 0; c < columns; ++c) {
            // 255 stands for 256 so that a fully opaque pixel copies exactly.
            const uint32_t a = opacity[c] == 255 ? 256u : opacity[c];
            const uint32_t b = 256u - a;
            const uint32_t d = out[c];
            const uint32_t s = in[c];
            const uint32_t red = ((d >> kRedShift) * b + (s >> kRedShift) * a) >> 8;
            const uint32_t green = ((((d >> kGreenShift) & kGreenBits) * b + ((s >> kGreenShift) & kGreenBits) * a) >> 8) & kGreenBits;
            const uint32_t blue = (((d & kBlueBits) * b + (s & kBlueBits) * a) >> 8) & kBlueBits;
            out[c] = static_cast<uint16_t>((red << kRedShift) | (green << kGreenShift) | blue);
        }
    }
}

void resampleBitmap(Bitmap* dst, const Bitmap* src, int32_t u0, int32_t v0, int32_t u1, int32_t v1) {
    if (!dst || !src || !dst->pixels || !src->pixels) return;
    if (dst->width < 1 || dst->height < 1 || src->width < 1 || src->height < 1) return;
    if ((u1 >> 16) >= src->width) u1 = (src->width - 1) << 16;
    if ((v1 >> 16) >= src->height) v1 = (src->height - 1) << 16;
    const int32_t du = (u1 - u0) / dst->width;
    const int32_t dv = (v1 - v0) / dst->height;
    const int32_t lastColumn = src->width - 1;
    const int32_t lastRow = src->height - 1;

    for (int32_t r = 0; r < dst->height; ++r) {
        const int32_t v = v0 + r * dv;
        int32_t row = v >> 16;
        if (row < 0) row = 0;
        if (row > lastRow) row = lastRow;
        // The row below a sample on the last row is the last row itself.
        const int32_t rowBelow = row < lastRow ? row + 1 : row;
        const int32_t t = (v >> kFractionShift) & kFractionMask;
        const uint16_t* top = src->pixels + static_cast<int64_t>(row) * src->width;
        const uint16_t* bottom = src->pixels + static_cast<int64_t>(rowBelow) * src->width;
        uint16_t* out = dst->pixels + static_cast<int64_t>(r) * dst->width;
        for (int32_t c = 0; c < dst->width; ++c) {
            const int32_t u = u0 + c * du;
            int32_t column = u >> 16;
            if (column < 0) column = 0;
            if (column > lastColumn) column = lastColumn;
            const int32_t right = column < lastColumn ? column + 1 : column;
            const int32_t s = (u >> kFractionShift) & kFractionMask;
            const int32_t redBlue = bilinear(top[column], top[right], bottom[column], bottom[right], s, t, kRedBlueMask);
            const int32_t green = bilinear(top[column], top[right], bottom[column], bottom[right], s, t, kGreenMask);
            out[c] = static_cast<uint16_t>((green & kGreenMask) | (redBlue & ~kGreenMask));
        }
    }
}
