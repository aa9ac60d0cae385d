// Image loading behind Driver2D::loadImage: GIF through the viewer's own
// decoder, every other name through libpng or libjpeg. Each load is reported
// in the log ("image: NAME W H" with " a" for an alpha plane, or
// "image: NAME NOT FOUND").
#pragma once

#include <string>

#include "raster/bitmap.h"

// Decodes the named image file or http:// URL into a new bitmap, or null.
//
// A name containing ".gif" or ".GIF" anywhere is read by decodeGif (the name
// cut to 255 characters and turned into bytes by imageNameBytes). Any other
// name is opened with openStream and decoded by what its first bytes say it
// is: PNG, JPEG, or GIF (read by the GIF decoder but, like the other two,
// without an alpha plane). Those pictures have no alpha plane.
//
// Success writes "image: NAME W H", plus " a" when the bitmap has an alpha
// plane, to the log and the driver's message store; failure writes
// "image: NAME NOT FOUND" there and refreshes the driver's messages.
OwnedBitmap loadImageFile(const std::u16string& name);

// The name as bytes, cut to at most 255 characters and then to at most 255
// bytes without splitting a character: a character up to 0xFF is the byte of
// that value (names read from files and the command line hold one character
// per byte), a larger one is UTF-8, and an unpaired surrogate becomes '?'.
std::string imageNameBytes(const std::u16string& name);
