// libpng reports errors by longjmp back to the setjmp in readPicture. Nothing
// between the two may own resources that need destructors: the libpng
// structures, the bitmap and the row buffers all live in PngJob, whose owner
// (decodePng) outlives the jump and cleans up either way, and readPicture
// itself keeps only plain locals.
#include "app/png_decoder.h"

#include <png.h>

#include <csetjmp>
#include <vector>

#include "app/image_convert.h"

namespace {

struct PngJob {
    InputStream* stream = nullptr;  // not owned
    png_structp png = nullptr;
    png_infop info = nullptr;
    OwnedBitmap bitmap;
    std::vector<uint8_t> rows;  // one row, or the whole picture when interlaced
    std::vector<png_bytep> rowPointers;  // into rows, for an interlaced picture
};

// Hands libpng the next bytes of the stream; the end of the stream is an
// error, which ends the decode.
void readFromStream(png_structp png, png_bytep out, png_size_t count) {
    InputStream* stream = static_cast<InputStream*>(png_get_io_ptr(png));
    for (png_size_t i = 0; i < count; ++i) {
        const int32_t byte = stream->read();
        if (byte < 0) png_error(png, "image data ends early");
        out[i] = static_cast<png_byte>(byte);
    }
}

// Quiet handlers: a broken image is reported once, as "NOT FOUND", by the
// loader, not by libpng on standard error.
void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onWarning(png_structp, png_const_charp) {}

// Asks libpng for blue, green, red bytes whatever the stored format.
void requestBgr24(png_structp png, png_infop info) {
    const int colourType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    if (bitDepth == 16) png_set_strip_16(png);
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    // A tRNS chunk is opacity too: palette expansion would turn it into an
    // alpha channel, which is dropped like a stored one.
    if ((colourType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS)) png_set_strip_alpha(png);
    png_set_bgr(png);
}

// The part of the decode that libpng may leave by longjmp. Returns true with
// job.bitmap filled, or false.
bool readPicture(PngJob& job) {
    if (setjmp(png_jmpbuf(job.png))) return false;
    png_set_read_fn(job.png, job.stream, readFromStream);
    png_read_info(job.png, job.info);
    const png_uint_32 width = png_get_image_width(job.png, job.info);
    const png_uint_32 height = png_get_image_height(job.png, job.info);
    if (!imageSizeAllowed(width, height)) return false;

    requestBgr24(job.png, job.info);
    const bool interlaced = png_set_interlace_handling(job.png) > 1;
    png_read_update_info(job.png, job.info);
    const std::size_t rowBytes = png_get_rowbytes(job.png, job.info);
    if (rowBytes != static_cast<std::size_t>(width) * 3) return false;

    job.bitmap = newBitmap(static_cast<int32_t>(width), static_cast<int32_t>(height), false);
    if (!job.bitmap) return false;
    uint16_t* out = job.bitmap->pixels;
    if (!interlaced) {
        // Row by row: one 24-bit row in memory at a time.
        job.rows.resize(rowBytes);
        for (png_uint_32 y = 0; y < height; ++y, out += width) {
            png_read_row(job.png, job.rows.data(), nullptr);
            convertDibRow(job.rows.data(), static_cast<int32_t>(width), out);
        }
    } else {
        // The passes fill rows in several visits, so the whole picture is kept.
        job.rows.resize(rowBytes * height);
        job.rowPointers.resize(height);
        for (png_uint_32 y = 0; y < height; ++y) job.rowPointers[y] = job.rows.data() + rowBytes * y;
        png_read_image(job.png, job.rowPointers.data());
        for (png_uint_32 y = 0; y < height; ++y, out += width)
            convertDibRow(job.rowPointers[y], static_cast<int32_t>(width), out);
    }
    // The picture is complete here; chunks after the image data (and a missing
    // end chunk) do not matter to it.
    return true;
}

}  // namespace

OwnedBitmap decodePng(InputStream& stream) {
    PngJob job;
    job.stream = &stream;
    job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (!job.png) return nullptr;
    job.info = png_create_info_struct(job.png);
    bool done = false;
    if (job.info) done = readPicture(job);
    png_destroy_read_struct(&job.png, job.info ? &job.info : nullptr, nullptr);
    if (!done) return nullptr;
    return std::move(job.bitmap);
}
