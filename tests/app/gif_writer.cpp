#include "app/gif_writer.h"

#include <map>
#include <utility>

LzwCodeWriter::LzwCodeWriter(int minCodeSize)
    : minCodeSize_(minCodeSize), width_(minCodeSize + 1), nextSlot_(firstFree()) {}

void LzwCodeWriter::put(int c) {
    bitBuffer_ |= static_cast<uint32_t>(c) << bitCount_;
    bitCount_ += width_;
    while (bitCount_ >= 8) {
        bytes_.push_back(static_cast<uint8_t>(bitBuffer_ & 0xFF));
        bitBuffer_ >>= 8;
        bitCount_ -= 8;
    }
}

void LzwCodeWriter::clear() {
    put(clearCode());
    width_ = minCodeSize_ + 1;
    nextSlot_ = firstFree();
    definesSlot_ = false;
}

void LzwCodeWriter::code(int c) {
    put(c);
    if (!definesSlot_) {
        definesSlot_ = true;
        return;
    }
    if (nextSlot_ < (1 << width_)) ++nextSlot_;
    if (nextSlot_ >= (1 << width_) && width_ < 12) ++width_;
}

void LzwCodeWriter::end() {
    put(endCode());
    if (bitCount_ > 0) bytes_.push_back(static_cast<uint8_t>(bitBuffer_ & 0xFF));
    bitBuffer_ = 0;
    bitCount_ = 0;
}

std::vector<uint8_t> lzwEncode(const std::vector<uint8_t>& pixels, int minCodeSize) {
    LzwCodeWriter writer(minCodeSize);
    std::map<std::pair<int, int>, int> table;  // (prefix code, pixel) -> code
    int nextCode = writer.firstFree();
    writer.clear();
    int current = -1;
    for (uint8_t pixel : pixels) {
        if (current < 0) {
            current = pixel;
            continue;
        }
        auto found = table.find({current, pixel});
        if (found != table.end()) {
            current = found->second;
            continue;
        }
        writer.code(current);
        table[{current, pixel}] = nextCode++;
        if (nextCode == 4096) {
            writer.clear();
            table.clear();
            nextCode = writer.firstFree();
        }
        current = pixel;
    }
    if (current >= 0) writer.code(current);
    writer.end();
    return writer.bytes();
}

GifBuilder& GifBuilder::header(const std::string& version, int width, int height, uint8_t flags) {
    for (char c : "GIF" + version) bytes_.push_back(static_cast<uint8_t>(c));
    bytes_.push_back(static_cast<uint8_t>(width & 0xFF));
    bytes_.push_back(static_cast<uint8_t>(width >> 8));
    bytes_.push_back(static_cast<uint8_t>(height & 0xFF));
    bytes_.push_back(static_cast<uint8_t>(height >> 8));
    bytes_.push_back(flags);
    bytes_.push_back(0);  // background index
    bytes_.push_back(0);  // aspect
    return *this;
}

GifBuilder& GifBuilder::colourTable(const std::vector<Rgb>& colours) {
    for (const Rgb& c : colours) bytes_.insert(bytes_.end(), c.begin(), c.end());
    return *this;
}

GifBuilder& GifBuilder::graphicControl(uint8_t flags, uint8_t transparentIndex) {
    return extension(0xF9, {{flags, 0, 0, transparentIndex}});
}

GifBuilder& GifBuilder::extension(uint8_t label, const std::vector<std::vector<uint8_t>>& blocks) {
    bytes_.push_back(0x21);
    bytes_.push_back(label);
    for (const auto& block : blocks) {
        bytes_.push_back(static_cast<uint8_t>(block.size()));
        bytes_.insert(bytes_.end(), block.begin(), block.end());
    }
    bytes_.push_back(0);
    return *this;
}

GifBuilder& GifBuilder::imageDescriptor(int left, int top, int width, int height, uint8_t flags) {
    bytes_.push_back(0x2C);
    for (int v : {left, top, width, height}) {
        bytes_.push_back(static_cast<uint8_t>(v & 0xFF));
        bytes_.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    }
    bytes_.push_back(flags);
    return *this;
}

GifBuilder& GifBuilder::imageData(int minCodeSize, const std::vector<uint8_t>& packed) {
    bytes_.push_back(static_cast<uint8_t>(minCodeSize));
    for (std::size_t at = 0; at < packed.size(); at += 255) {
        const std::size_t n = packed.size() - at < 255 ? packed.size() - at : 255;
        bytes_.push_back(static_cast<uint8_t>(n));
        bytes_.insert(bytes_.end(), packed.begin() + static_cast<long>(at), packed.begin() + static_cast<long>(at + n));
    }
    bytes_.push_back(0);
    return *this;
}

GifBuilder& GifBuilder::trailer() {
    bytes_.push_back(0x3B);
    return *this;
}

GifBuilder& GifBuilder::raw(const std::vector<uint8_t>& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

uint8_t tableFlags(int bits) { return static_cast<uint8_t>(0x80 | (bits & 7)); }

std::vector<uint8_t> buildGif(const SimpleGif& gif) {
    int bits = 0;
    while ((2 << bits) < static_cast<int>(gif.palette.size())) ++bits;
    GifBuilder builder;
    builder.header("89a", gif.width, gif.height, tableFlags(bits)).colourTable(gif.palette);
    if (gif.transparency) builder.graphicControl(0x01, gif.transparentIndex);
    // Codes for every index of the table, never below 2 bits.
    const int minCodeSize = gif.minCodeSize > 0 ? gif.minCodeSize : (bits + 1 < 2 ? 2 : bits + 1);
    builder.imageDescriptor(0, 0, gif.width, gif.height, gif.descriptorFlags)
        .imageData(minCodeSize, lzwEncode(gif.indices, minCodeSize))
        .trailer();
    return builder.bytes();
}
