// ImageSource: where the texture cache gets its pictures. The application's
// driver is one; the rasterizer only keeps a pointer to it.
#pragma once

#include <cstdint>
#include <string>

#include "raster/bitmap.h"

class ImageSource {
public:
    virtual ~ImageSource() = default;
    // Decodes the named image file or URL into a new bitmap owned by the
    // caller, or null. Callers pass -1, -1, 0 for the last three arguments.
    virtual OwnedBitmap loadImage(const std::u16string& name, int32_t transparentColor, int32_t alphaValue,
                                  int32_t reserved) = 0;
};
