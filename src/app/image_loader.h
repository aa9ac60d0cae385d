// Image loading behind Driver2D::loadImage: GIF through the viewer's own
// decoder, every other name through libpng or libjpeg. Each load is reported
// in the log ("image: NAME W H" with " a" for an alpha plane, or
// "image: NAME NOT FOUND").
#pragma once

#include <string>

#include "raster/bitmap.h"

// Decodes the named image file or http:// URL into a new bitmap, or null.
OwnedBitmap loadImageFile(const std::u16string& name);
