// GIF container parsing: header, colour tables, extensions and the image
// descriptor; the pixel data itself goes through decodeLzw.
#include "app/gif_decoder.h"

#include <cstring>

#include "app/gif_lzw.h"
#include "app/image_convert.h"
#include "app/open_stream.h"
#include "base/log.h"
#include "base/rgb565.h"

namespace {

constexpr int kHeaderSize = 13;  // signature, version, logical screen descriptor
constexpr int kDescriptorSize = 9;
constexpr int kExtensionBufferSize = 16;
constexpr int32_t kMaxGifWidth = 8192;  // one row must fit the LZW line buffer
constexpr uint8_t kColourTableFlag = 0x80;
constexpr uint8_t kTableSizeBits = 0x07;
constexpr int32_t kExtensionIntroducer = 0x21;
constexpr int32_t kImageSeparator = 0x2C;
constexpr int32_t kGraphicControlLabel = 0xF9;
constexpr uint8_t kInterlaceFlag = 0x40;
constexpr uint8_t kTransparencyFlag = 0x01;
constexpr int kTransparentIndexByte = 3;

bool readBytes(InputStream& stream, uint8_t* out, int count) {
    for (int i = 0; i < count; ++i) {
        const int32_t byte = stream.read();
        if (byte < 0) return false;
        out[i] = static_cast<uint8_t>(byte);
    }
    return true;
}

bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// "GIF", two decimal digits, and a letter-range byte ('A'..'z'): GIF87a and
// GIF89a, and any later version written the same way.
bool signatureValid(const uint8_t* header) {
    return header[0] == 'G' && header[1] == 'I' && header[2] == 'F' && isDigit(header[3]) &&
           isDigit(header[4]) && header[5] >= 'A' && header[5] <= 'z';
}

// Reads 1 << ((flags & 7) + 1) red, green, blue triples into the palette.
bool readColourTable(InputStream& stream, uint8_t flags, GifCanvas& canvas) {
    const int entries = 1 << ((flags & kTableSizeBits) + 1);
    for (int i = 0; i < entries; ++i) {
        uint8_t rgb[3];
        if (!readBytes(stream, rgb, 3)) return false;
        canvas.palette[static_cast<std::size_t>(i)] = rgb565FromBytes(rgb[0], rgb[1], rgb[2]);
    }
    return true;
}

// Reads the sub-blocks of one extension up to its zero-length terminator.
// Short blocks of a graphic control extension may switch transparency on;
// everything else is skipped.
bool readExtension(InputStream& stream, GifCanvas& canvas) {
    const int32_t label = stream.read();
    if (label < 0) return false;
    for (;;) {
        const int32_t size = stream.read();
        if (size < 0) return false;
        if (size == 0) return true;
        if (size > kExtensionBufferSize) {
            for (int32_t i = 0; i < size; ++i)
                if (stream.read() < 0) return false;
            continue;
        }
        // Zeroed, so a block shorter than four bytes names index 0 rather
        // than whatever an earlier block left there.
        uint8_t block[kExtensionBufferSize] = {};
        if (!readBytes(stream, block, size)) return false;
        if (label == kGraphicControlLabel && (block[0] & kTransparencyFlag)) {
            canvas.transparent = true;
            canvas.transparentIndex = block[kTransparentIndexByte];
        }
    }
}

uint16_t littleEndian16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

// Pixels and opacity from pixel index `from` on: black and transparent, so
// a short image never shows leftover memory.
void clearFrom(const GifCanvas& canvas, int64_t from) {
    Bitmap& bitmap = *canvas.bitmap;
    const int64_t total = static_cast<int64_t>(bitmap.width) * bitmap.height;
    const int64_t rest = total - from;
    if (rest <= 0) return;
    std::memset(bitmap.pixels + from, 0, static_cast<std::size_t>(rest) * 2);
    if (bitmap.alpha) std::memset(bitmap.alpha + from, 0, static_cast<std::size_t>(rest));
}

}  // namespace

OwnedBitmap decodeGifStream(InputStream& stream) {
    uint8_t header[kHeaderSize];
    if (!readBytes(stream, header, kHeaderSize) || !signatureValid(header)) return nullptr;
    const uint8_t screenFlags = header[10];
    if (!(screenFlags & kColourTableFlag)) return nullptr;

    GifCanvas canvas;
    if (!readColourTable(stream, screenFlags, canvas)) return nullptr;

    int32_t next = stream.read();
    while (next == kExtensionIntroducer) {
        if (!readExtension(stream, canvas)) return nullptr;
        next = stream.read();
    }
    if (next != kImageSeparator) return nullptr;

    uint8_t descriptor[kDescriptorSize];
    if (!readBytes(stream, descriptor, kDescriptorSize)) return nullptr;
    // Left and top (bytes 0..3) are ignored: the image goes to the top-left.
    const int32_t width = littleEndian16(descriptor + 4);
    const int32_t height = littleEndian16(descriptor + 6);
    const uint8_t imageFlags = descriptor[8];
    if (width > kMaxGifWidth || !imageSizeAllowed(width, height)) return nullptr;
    // Skipping a local table would make its colours the LZW data; using it
    // shows the image as drawn.
    if ((imageFlags & kColourTableFlag) && !readColourTable(stream, imageFlags, canvas)) return nullptr;

    OwnedBitmap bitmap = newBitmap(width, height, canvas.transparent);
    if (!bitmap) return nullptr;
    canvas.bitmap = bitmap.get();
    // Stored in interlace order the rows would come out scrambled; each goes
    // to its display row instead. Rows the data never reaches are then
    // scattered, so the picture starts black and transparent.
    canvas.interlaced = (imageFlags & kInterlaceFlag) != 0;
    if (canvas.interlaced) clearFrom(canvas, 0);
    if (!decodeLzw(stream, width, canvas)) return nullptr;
    if (!canvas.interlaced) clearFrom(canvas, canvas.cursor);
    return bitmap;
}

OwnedBitmap decodeGif(const std::string& name) {
    std::unique_ptr<InputStream> stream = openStream(name);
    if (!stream) {
        logStarred("image not found: %s", name.c_str());
        return nullptr;
    }
    OwnedBitmap bitmap = decodeGifStream(*stream);
    stream->close();
    return bitmap;
}
