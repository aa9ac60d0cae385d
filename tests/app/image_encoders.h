// PNG and JPEG files of every layout the decoders meet in the wild, written
// with libpng and libjpeg by the tests themselves: any PNG colour type and
// bit depth (with a palette and a tRNS chunk when asked), JPEGs in grey,
// YCbCr, RGB, CMYK and YCCK, with or without Adobe's marker, baseline or
// progressive.
#pragma once

#include <cstdint>
#include <vector>

#include "app/gif_writer.h"

struct PngLayout {
    int width = 1;
    int height = 1;
    int colourType = 2;  // PNG_COLOR_TYPE_*: 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
    int bitDepth = 8;
    bool interlaced = false;
    // One unpacked sample per channel per pixel, each 0 .. 2^bitDepth - 1
    // (palette indices for colour type 3); packed into bytes by the encoder.
    std::vector<uint16_t> samples;
    std::vector<Rgb> palette;        // colour type 3
    std::vector<uint8_t> paletteAlpha;  // tRNS for colour type 3, when not empty
    std::vector<uint16_t> transparentColour;  // tRNS for grey (1 value) or RGB (3 values), when not empty
};
std::vector<uint8_t> encodePngLayout(const PngLayout& layout);

// The stored colour model of a JPEG.
enum class JpegModel { Grey, YCbCr, Rgb, Cmyk, Ycck };

// A JPEG of width x height pixels. Grey takes one sample per pixel, YCbCr and
// Rgb three (red, green, blue), Cmyk and Ycck four (the C, M, Y, K bytes as
// they are to be stored: with adobeMarker, the inverted convention, 255 = no
// ink). Quality 100 unless given.
std::vector<uint8_t> encodeJpegModel(int width, int height, JpegModel model, const std::vector<uint8_t>& samples,
                                     bool adobeMarker, bool progressive, int quality = 100);
