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
// as imageNameBytes gives it). Any other
// name is opened with openStream and decoded by what its first bytes say it
// is: PNG, JPEG, or GIF (read by the GIF decoder but, like the other two,
// without an alpha plane). Those pictures have no alpha plane.
//
// Success writes "image: NAME W H", plus " a" when the bitmap has an alpha
// plane, to the log and the driver's message store; failure writes
// "image: NAME NOT FOUND" there and refreshes the driver's messages.
OwnedBitmap loadImageFile(const std::u16string& name);

// The name's bytes for the file system: cut to 255 characters, each
// character narrowed to its low byte. Every name the viewer meets was widened
// byte by byte (command line, world files), so this gives back exactly the
// bytes the user typed or the file held.
std::string imageNameBytes(const std::u16string& name);
