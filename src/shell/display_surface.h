// DisplaySurface: the display memory of the drivers, a block of RGB565 pixels
// of the display's size, rows of `width` pixels without padding, top row first.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/bitmap.h"

class DisplaySurface {
public:
    // A black surface; a size that is not positive, or whose memory cannot be
    // had, gives an empty surface, on which present draws nothing.
    DisplaySurface(int32_t width, int32_t height);
    // False for an empty surface.
    bool ready() const { return !pixels_.empty(); }

    // Copies a bitmap onto the surface:
    // - exactly the display's size: copied whole, whatever x, y and doubled;
    // - larger than the display in either dimension: nothing is drawn;
    // - otherwise its top-left corner goes to (x, y), each pixel as a 2 x 2
    //   block when doubled. What would fall outside the surface is clipped.
    void present(const Bitmap& bitmap, int32_t x, int32_t y, bool doubled);
    // Sets every pixel to the value.
    void fill(uint16_t value);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    const uint16_t* pixels() const { return pixels_.data(); }
    uint16_t pixel(int32_t x, int32_t y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }

private:
    void copyRows(const Bitmap& bitmap, int32_t x, int32_t y);
    void copyDoubled(const Bitmap& bitmap, int32_t x, int32_t y);

    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<uint16_t> pixels_;
};
