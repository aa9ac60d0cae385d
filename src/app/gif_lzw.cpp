// GIF LZW decoding.
//
// Codes are packed least significant bit first into data sub-blocks (a count
// byte 1..255, then that many bytes). After a clear code the width is the
// minimum code size + 1; each code after the first defines one new table
// entry (the previous code's string plus the first pixel of this one), and the
// width grows by one bit whenever the next free slot reaches 1 << width, up to
// 12 bits. At 12 bits the table is full: codes go on being read at 12 bits but
// define nothing until the next clear code.
//
// A code's string is recovered by walking its prefix chain backwards onto an
// explicit stack and popping it, so no recursion depends on the data. Codes
// beyond the next free slot are corrupt; they are decoded as if they were the
// next slot (the KwKwK case) and counted. Corrupt codes can also leave prefix
// entries that point forward and so form a cycle; a legal chain never holds
// more than 4096 entries, so a walk that would overflow the stack is a cycle
// and ends the decode as a failure.
#include "app/gif_lzw.h"

#include <memory>

namespace {

constexpr int kMinCodeSize = 2;
constexpr int kMaxCodeSize = 9;
constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;  // 4096 codes
constexpr int kMaxRowWidth = 8192;

struct LzwTables {
    uint8_t suffix[kTableSize];     // last pixel of each code
    uint16_t prefix[kTableSize];    // preceding code of each code
    uint8_t stack[kTableSize];      // pixels of one code, last first
    uint8_t line[kMaxRowWidth];     // one row of palette indices
};

// Pulls codes of a given width out of the data sub-blocks.
class CodeReader {
public:
    explicit CodeReader(InputStream& stream) : stream_(stream) {}

    // The next code of width bits, or -1 when the data ends first.
    int32_t read(int width) {
        uint32_t code = 0;
        int have = 0;
        while (have < width) {
            if (bitsLeft_ == 0) {
                const int32_t byte = nextByte();
                if (byte < 0) return -1;
                byte_ = static_cast<uint32_t>(byte);
                bitsLeft_ = 8;
            }
            const int take = width - have < bitsLeft_ ? width - have : bitsLeft_;
            const uint32_t bits = (byte_ >> (8 - bitsLeft_)) & ((1u << take) - 1);
            code |= bits << have;
            have += take;
            bitsLeft_ -= take;
        }
        return static_cast<int32_t>(code);
    }

private:
    // The next data byte, crossing into the next sub-block when needed; a
    // zero-length block (the terminator) or the end of the stream ends the data.
    int32_t nextByte() {
        if (blockLeft_ == 0) {
            const int32_t count = stream_.read();
            if (count <= 0) return -1;
            blockLeft_ = count;
        }
        --blockLeft_;
        return stream_.read();
    }

    InputStream& stream_;
    int32_t blockLeft_ = 0;  // bytes of the current sub-block not yet read
    uint32_t byte_ = 0;      // the byte bits are taken from
    int bitsLeft_ = 0;       // its bits not yet used (the high ones)
};

// Collects pixels into rows and hands full rows to the canvas.
class RowBuilder {
public:
    RowBuilder(uint8_t* line, int32_t width, GifCanvas& canvas)
        : line_(line), width_(width), canvas_(canvas) {}

    void put(uint8_t pixel) {
        line_[filled_++] = pixel;
        if (filled_ == width_) {
            emitRow(canvas_, line_, width_);
            filled_ = 0;
        }
    }
    void flush() {
        if (filled_ > 0) emitRow(canvas_, line_, filled_);
        filled_ = 0;
    }

private:
    uint8_t* line_;
    int32_t width_;
    GifCanvas& canvas_;
    int32_t filled_ = 0;
};

}  // namespace

int32_t interlacedDisplayRow(int32_t storedRow, int32_t height) {
    // Pass p holds every step-th row from its first one; the passes follow
    // one another in the data.
    struct Pass {
        int32_t first;
        int32_t step;
    };
    constexpr Pass kPasses[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
    int32_t row = storedRow;
    for (const Pass& pass : kPasses) {
        const int32_t rows = (height - pass.first + pass.step - 1) / pass.step;
        if (row < rows) return pass.first + row * pass.step;
        row -= rows;
    }
    return height - 1;  // not reached for storedRow < height
}

namespace {

// Palette colours (and opacity) of count indices at pixel index `at`.
void storePixels(GifCanvas& canvas, int64_t at, const uint8_t* indices, int32_t count) {
    Bitmap& bitmap = *canvas.bitmap;
    uint16_t* out = bitmap.pixels + at;
    const uint16_t* palette = canvas.palette.data();
    for (int32_t i = 0; i < count; ++i) out[i] = palette[indices[i]];
    if (canvas.transparent && bitmap.alpha) {
        uint8_t* opacity = bitmap.alpha + at;
        const uint8_t clear = canvas.transparentIndex;
        for (int32_t i = 0; i < count; ++i) opacity[i] = indices[i] == clear ? 0 : 255;
    }
}

}  // namespace

void emitRow(GifCanvas& canvas, const uint8_t* indices, int32_t n) {
    Bitmap& bitmap = *canvas.bitmap;
    const int64_t total = static_cast<int64_t>(bitmap.width) * bitmap.height;
    const int64_t room = total - canvas.cursor;
    int32_t count = room < n ? static_cast<int32_t>(room) : n;
    if (count <= 0) return;
    if (!canvas.interlaced) {
        storePixels(canvas, canvas.cursor, indices, count);
        canvas.cursor += count;
        return;
    }
    // Row by row, a row that started earlier finished first.
    while (count > 0) {
        const int32_t storedRow = static_cast<int32_t>(canvas.cursor / bitmap.width);
        const int32_t column = static_cast<int32_t>(canvas.cursor % bitmap.width);
        const int32_t take = count < bitmap.width - column ? count : bitmap.width - column;
        const int64_t at = static_cast<int64_t>(interlacedDisplayRow(storedRow, bitmap.height)) * bitmap.width + column;
        storePixels(canvas, at, indices, take);
        indices += take;
        count -= take;
        canvas.cursor += take;
    }
}

bool decodeLzw(InputStream& stream, int32_t rowWidth, GifCanvas& canvas) {
    const int32_t minCodeSize = stream.read();
    if (minCodeSize < kMinCodeSize || minCodeSize > kMaxCodeSize) return false;
    if (rowWidth < 1 || rowWidth > kMaxRowWidth) return false;

    // Zeroed, so entries a corrupt code reaches before they are defined read
    // as pixel 0 with prefix 0 instead of leftover memory.
    auto tables = std::make_unique<LzwTables>();
    uint8_t* suffix = tables->suffix;
    uint16_t* prefix = tables->prefix;
    uint8_t* stack = tables->stack;

    const int32_t clearCode = 1 << minCodeSize;
    const int32_t endCode = clearCode + 1;
    const int32_t firstFree = clearCode + 2;
    int32_t nextSlot = firstFree;
    int codeWidth = minCodeSize + 1;
    int32_t slotLimit = 1 << codeWidth;
    uint32_t badCodes = 0;  // counted for debugging, never reported
    int32_t oldCode = 0;
    uint8_t firstPixel = 0;

    CodeReader reader(stream);
    RowBuilder rows(tables->line, rowWidth, canvas);
    for (;;) {
        int32_t c = reader.read(codeWidth);
        if (c < 0) return false;
        if (c == endCode) break;

        if (c == clearCode) {
            codeWidth = minCodeSize + 1;
            nextSlot = firstFree;
            slotLimit = 1 << codeWidth;
            do {
                c = reader.read(codeWidth);
                if (c < 0) return false;
            } while (c == clearCode);
            if (c == endCode) break;
            if (c >= nextSlot) c = 0;
            oldCode = c;
            firstPixel = static_cast<uint8_t>(c);
            rows.put(firstPixel);
            continue;
        }

        int32_t code = c;
        int32_t depth = 0;
        if (code >= nextSlot) {
            if (code > nextSlot) ++badCodes;
            code = oldCode;
            stack[depth++] = firstPixel;
        }
        while (code >= firstFree) {
            if (depth == kTableSize) return false;
            stack[depth++] = suffix[code];
            code = prefix[code];
        }
        if (depth == kTableSize) return false;
        stack[depth++] = static_cast<uint8_t>(code);

        if (nextSlot < slotLimit) {
            firstPixel = static_cast<uint8_t>(code);
            suffix[nextSlot] = firstPixel;
            prefix[nextSlot] = static_cast<uint16_t>(oldCode);
            ++nextSlot;
            oldCode = c;
        }
        if (nextSlot >= slotLimit && codeWidth < kMaxCodeBits) {
            slotLimit <<= 1;
            ++codeWidth;
        }
        while (depth > 0) rows.put(stack[--depth]);
    }
    (void)badCodes;
    rows.flush();
    return true;
}
