// The copy rules of the display: one block at full size, one copy per row at a
// position, and pixel doubling for the half-resolution frame buffer. The
// application places its picture so that it fits; the clipping here only keeps
// a wrong placement from writing outside the display memory.
#include "shell/display_surface.h"

#include <algorithm>
#include <cstring>
#include <new>

DisplaySurface::DisplaySurface(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return;
    try {
        pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        return;  // empty: the driver reports that it has no display
    }
    width_ = width;
    height_ = height;
}

void DisplaySurface::fill(uint16_t value) { std::fill(pixels_.begin(), pixels_.end(), value); }

void DisplaySurface::present(const Bitmap& bitmap, int32_t x, int32_t y, bool doubled) {
    if (pixels_.empty() || !bitmap.pixels || bitmap.width <= 0 || bitmap.height <= 0) return;
    if (bitmap.width == width_ && bitmap.height == height_) {
        std::memcpy(pixels_.data(), bitmap.pixels, pixels_.size() * sizeof(uint16_t));
        return;
    }
    if (bitmap.width > width_ || bitmap.height > height_) return;
    if (doubled) copyDoubled(bitmap, x, y);
    else copyRows(bitmap, x, y);
}

void DisplaySurface::copyRows(const Bitmap& bitmap, int32_t x, int32_t y) {
    // 64-bit bounds: a placement near the int32 limits must not wrap.
    const int64_t x0 = std::max<int64_t>(x, 0);
    const int64_t x1 = std::min<int64_t>(static_cast<int64_t>(x) + bitmap.width, width_);
    const int64_t y0 = std::max<int64_t>(y, 0);
    const int64_t y1 = std::min<int64_t>(static_cast<int64_t>(y) + bitmap.height, height_);
    if (x0 >= x1 || y0 >= y1) return;
    const std::size_t rowBytes = static_cast<std::size_t>(x1 - x0) * sizeof(uint16_t);
    for (int64_t row = y0; row < y1; ++row) {
        const uint16_t* source = bitmap.pixels + (row - y) * bitmap.width + (x0 - x);
        std::memcpy(&pixels_[static_cast<std::size_t>(row * width_ + x0)], source, rowBytes);
    }
}

void DisplaySurface::copyDoubled(const Bitmap& bitmap, int32_t x, int32_t y) {
    const int64_t x0 = std::max<int64_t>(x, 0);
    const int64_t x1 = std::min<int64_t>(static_cast<int64_t>(x) + 2 * static_cast<int64_t>(bitmap.width), width_);
    const int64_t y0 = std::max<int64_t>(y, 0);
    const int64_t y1 = std::min<int64_t>(static_cast<int64_t>(y) + 2 * static_cast<int64_t>(bitmap.height), height_);
    if (x0 >= x1 || y0 >= y1) return;
    const std::size_t rowBytes = static_cast<std::size_t>(x1 - x0) * sizeof(uint16_t);
    for (int64_t row = y0; row < y1; ++row) {
        uint16_t* destination = &pixels_[static_cast<std::size_t>(row * width_)];
        if (row > y0 && ((row - y) & 1) == 1) {
            // The second row of a pair repeats the first, already written.
            std::memcpy(destination + x0, destination - width_ + x0, rowBytes);
            continue;
        }
        const uint16_t* source = bitmap.pixels + ((row - y) >> 1) * bitmap.width;
        for (int64_t column = x0; column < x1; ++column) destination[column] = source[(column - x) >> 1];
    }
}
