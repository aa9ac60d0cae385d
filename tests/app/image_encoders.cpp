#include "app/image_encoders.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <stdexcept>

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

int channelsOf(int colourType) {
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY: return 1;
    case PNG_COLOR_TYPE_PALETTE: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    default: return 4;
    }
}

// One row of samples packed the way PNG stores them: big-endian 16-bit
// samples, or 1, 2 and 4-bit samples from the high bits of each byte.
std::vector<uint8_t> packRow(const uint16_t* samples, int count, int bitDepth) {
    std::vector<uint8_t> row;
    if (bitDepth == 16) {
        for (int i = 0; i < count; ++i) {
            row.push_back(static_cast<uint8_t>(samples[i] >> 8));
            row.push_back(static_cast<uint8_t>(samples[i]));
        }
        return row;
    }
    row.assign(static_cast<std::size_t>((count * bitDepth + 7) / 8), 0);
    for (int i = 0; i < count; ++i) {
        const int bit = i * bitDepth;
        row[static_cast<std::size_t>(bit / 8)] |= static_cast<uint8_t>(samples[i] << (8 - bitDepth - bit % 8));
    }
    return row;
}

}  // namespace

std::vector<uint8_t> encodePngLayout(const PngLayout& layout) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("png write failed");
    }
    png_set_write_fn(png, &out, appendBytes, nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(layout.width), static_cast<png_uint_32>(layout.height),
                 layout.bitDepth, layout.colourType, layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (const Rgb& c : layout.palette) palette.push_back(png_color{c[0], c[1], c[2]});
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!layout.paletteAlpha.empty()) {
        png_set_tRNS(png, info, layout.paletteAlpha.data(), static_cast<int>(layout.paletteAlpha.size()), nullptr);
    } else if (!layout.transparentColour.empty()) {
        png_color_16 colour{};
        if (layout.transparentColour.size() == 1) {
            colour.gray = layout.transparentColour[0];
        } else {
            colour.red = layout.transparentColour[0];
            colour.green = layout.transparentColour[1];
            colour.blue = layout.transparentColour[2];
        }
        png_set_tRNS(png, info, nullptr, 0, &colour);
    }
    const int perRow = layout.width * channelsOf(layout.colourType);
    std::vector<std::vector<uint8_t>> rows;
    std::vector<png_bytep> rowPointers;
    for (int y = 0; y < layout.height; ++y)
        rows.push_back(packRow(layout.samples.data() + static_cast<std::size_t>(y) * perRow, perRow, layout.bitDepth));
    for (auto& row : rows) rowPointers.push_back(row.data());
    png_set_rows(png, info, rowPointers.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::vector<uint8_t> encodeJpegModel(int width, int height, JpegModel model, const std::vector<uint8_t>& samples,
                                     bool adobeMarker, bool progressive, int quality) {
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    const bool ink = model == JpegModel::Cmyk || model == JpegModel::Ycck;
    info.input_components = model == JpegModel::Grey ? 1 : ink ? 4 : 3;
    info.in_color_space = model == JpegModel::Grey ? JCS_GRAYSCALE : ink ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    switch (model) {
    case JpegModel::Grey: jpeg_set_colorspace(&info, JCS_GRAYSCALE); break;
    case JpegModel::YCbCr: jpeg_set_colorspace(&info, JCS_YCbCr); break;
    case JpegModel::Rgb: jpeg_set_colorspace(&info, JCS_RGB); break;
    case JpegModel::Cmyk: jpeg_set_colorspace(&info, JCS_CMYK); break;
    case JpegModel::Ycck: jpeg_set_colorspace(&info, JCS_YCCK); break;
    }
    // set_colorspace chooses the markers; the Adobe one is ours to decide.
    info.write_Adobe_marker = adobeMarker ? TRUE : FALSE;
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    const std::size_t stride = static_cast<std::size_t>(width) * info.input_components;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data()) + info.next_scanline * stride;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}
