// Builds GIF files for the decoder tests, down to single LZW codes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Packs LZW codes least significant bit first, choosing each code's width the
// way the decoder will: it mirrors the decoder's next free slot and code width
// (each code after the first one following a clear defines a slot; the width
// grows when the next slot reaches 1 << width, up to 12 bits).
class LzwCodeWriter {
public:
    explicit LzwCodeWriter(int minCodeSize);

    int clearCode() const { return 1 << minCodeSize_; }
    int endCode() const { return clearCode() + 1; }
    int firstFree() const { return clearCode() + 2; }
    int width() const { return width_; }
    int nextSlot() const { return nextSlot_; }

    void clear();
    void code(int c);
    void end();
    // The packed bytes, the last one padded with zero bits.
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    void put(int c);

    int minCodeSize_;
    int width_;
    int nextSlot_;
    bool definesSlot_ = true;  // false for the first code after a clear
    uint32_t bitBuffer_ = 0;
    int bitCount_ = 0;
    std::vector<uint8_t> bytes_;
};

// A real LZW encoder (dictionary of strings) that starts with a clear code,
// resets with another when the table is full, and ends with the end code.
std::vector<uint8_t> lzwEncode(const std::vector<uint8_t>& pixels, int minCodeSize);

using Rgb = std::array<uint8_t, 3>;

// Appends the pieces of a GIF file in the order they are called.
class GifBuilder {
public:
    // "GIF" + version, logical screen width and height, flags byte (bit 7:
    // global table, bits 0..2: table size), background index, aspect.
    GifBuilder& header(const std::string& version, int width, int height, uint8_t flags);
    GifBuilder& colourTable(const std::vector<Rgb>& colours);
    // Graphic control extension with one 4-byte block: flags, delay, index.
    GifBuilder& graphicControl(uint8_t flags, uint8_t transparentIndex);
    // Any extension: label, then the given sub-blocks and the terminator.
    GifBuilder& extension(uint8_t label, const std::vector<std::vector<uint8_t>>& blocks);
    GifBuilder& imageDescriptor(int left, int top, int width, int height, uint8_t flags);
    // Minimum code size byte, the packed codes in sub-blocks of at most 255
    // bytes, and the zero-length terminator.
    GifBuilder& imageData(int minCodeSize, const std::vector<uint8_t>& packed);
    GifBuilder& trailer();
    GifBuilder& raw(const std::vector<uint8_t>& bytes);
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// Flags byte of a colour table of 2 << bits entries (bits = 0..7).
uint8_t tableFlags(int bits);

// A whole GIF89a: global table of palette (a power of two, 2..256 entries),
// optional graphic control extension, one image of the given indices.
struct SimpleGif {
    int width = 1;
    int height = 1;
    std::vector<Rgb> palette{{0, 0, 0}, {255, 255, 255}};
    std::vector<uint8_t> indices{0};
    bool transparency = false;
    uint8_t transparentIndex = 0;
    uint8_t descriptorFlags = 0;
    int minCodeSize = 0;  // 0: the table's bits, at least 2
};
std::vector<uint8_t> buildGif(const SimpleGif& gif);
