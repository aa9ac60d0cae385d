// RGB565: the one pixel format of the viewer. Red in bits 15..11, green in
// 10..5, blue in 4..0. Every conversion between 8-bit channels, float colours
// and pixels goes through here.
#pragma once

#include <cstdint>

constexpr int kRgb565RedShift = 11;
constexpr int kRgb565GreenShift = 5;

// The top 5, 6 and 5 bits of three channels 0..255.
constexpr uint16_t rgb565FromBytes(uint32_t r, uint32_t g, uint32_t b) {
    return static_cast<uint16_t>(((r & 0xF8) << 8) | ((g & 0xFC) << 3) | ((b & 0xFF) >> 3));
}

// The fields as 8-bit channels with their low bits zero (what blending and
// lighting compute with).
constexpr uint32_t rgb565Red(uint32_t pixel) { return ((pixel >> kRgb565RedShift) & 0x1F) << 3; }
constexpr uint32_t rgb565Green(uint32_t pixel) { return (pixel >> 3) & 0xFC; }
constexpr uint32_t rgb565Blue(uint32_t pixel) { return (pixel & 0x1F) << 3; }

// The fields widened to 8 bits by repeating their top bits, so that 0x1F
// gives 255 (what a screenshot shows).
inline void widenRgb565(uint16_t pixel, uint8_t rgb[3]) {
    const unsigned r5 = (pixel >> kRgb565RedShift) & 0x1F;
    const unsigned g6 = (pixel >> kRgb565GreenShift) & 0x3F;
    const unsigned b5 = pixel & 0x1F;
    rgb[0] = static_cast<uint8_t>((r5 << 3) | (r5 >> 2));
    rgb[1] = static_cast<uint8_t>((g6 << 2) | (g6 >> 4));
    rgb[2] = static_cast<uint8_t>((b5 << 3) | (b5 >> 2));
}

// One float component 0..1 as a channel 0..255: times 255, truncated toward
// zero. Below 0 and NaN give 0, above 1 (infinity included) gives 255, so no
// value of a world file reaches an out-of-range conversion.
constexpr uint32_t channelFromUnit(float value) {
    if (!(value > 0.0f)) return 0;
    if (value >= 1.0f) return 255;
    return static_cast<uint32_t>(value * 255.0f);
}

// A colour given as three floats in 0..1. (1, 1, 1) gives 0xFFFF.
constexpr uint16_t packRgb565(float r, float g, float b) {
    return rgb565FromBytes(channelFromUnit(r), channelFromUnit(g), channelFromUnit(b));
}
