#include "app/image_convert.h"

#include "base/rgb565.h"

bool imageSizeAllowed(int64_t width, int64_t height) {
    if (width < 1 || height < 1) return false;
    return width * height <= kMaxImagePixels;
}

void convertDibRow(const uint8_t* bgr, int32_t count, uint16_t* out) {
    for (int32_t i = 0; i < count; ++i, bgr += 3) {
        const uint32_t blue = bgr[0];
        const uint32_t green = bgr[1];
        const uint32_t red = bgr[2];
        out[i] = rgb565FromBytes(red, green, blue);
    }
}
