// Textures: every image a world names is loaded once, through the driver's
// loadImage, turned into a square power-of-two Bitmap the span fillers can
// address with a mask and a shift, and kept in the Rasterizer's cache under
// its full name for the rest of the run. Rasterizer::getTexture is the cache
// itself; the two functions below are its arithmetic, public so that the
// rounding and the conversion can be checked on their own.
#pragma once

#include <cstdint>

#include "raster/bitmap.h"

// The texture side for an image dimension n: the nearest of 32, 64, 128 and
// 256, a tie going to the larger (48 gives 64, 96 gives 128, 192 gives 256);
// below 32 gives 32, 256 and above give 256.
int32_t textureSize(int32_t n);

// The texture made of a loaded image: with s the larger textureSize of its
// two sides, the image itself when it already is s x s (its alpha plane, if
// any, kept), else a new s x s bitmap without alpha plane resampled
// bilinearly from the whole image, the image being released. Images with a
// side of 32768 or more (beyond the resampler's 16.16 coordinates) are first
// thinned to every k-th column or row so that they fit. Returns null (the
// image released) when the image is empty or the new bitmap cannot be had.
OwnedBitmap makeTextureBitmap(OwnedBitmap image);
