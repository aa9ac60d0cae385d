#include "shell/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

// The libpng part: every object it may jump past is made before setjmp.
bool encode(std::FILE* file, const DisplaySurface& surface, std::vector<uint8_t>& row) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(surface.width()), static_cast<png_uint_32>(surface.height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int32_t y = 0; y < surface.height(); ++y) {
        const uint16_t* source = surface.pixels() + static_cast<std::size_t>(y) * surface.width();
        for (int32_t x = 0; x < surface.width(); ++x) widenRgb565(source[x], &row[static_cast<std::size_t>(x) * 3]);
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool writePng(const DisplaySurface& surface, const std::string& path) {
    if (surface.width() <= 0 || surface.height() <= 0) return false;
    std::vector<uint8_t> row(static_cast<std::size_t>(surface.width()) * 3);
    std::error_code ignored;
    const bool existed = std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool encoded = encode(file, surface, row);
    const bool closed = std::fclose(file) == 0;
    if (encoded && closed) return true;
    // Only a file made here is taken away again: the path may name a device
    // or a file of the user's.
    if (!existed && std::filesystem::is_regular_file(path, ignored)) std::filesystem::remove(path, ignored);
    return false;
}
