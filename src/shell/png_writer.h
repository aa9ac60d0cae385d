// Screenshots: the display surface written as an 8-bit RGB PNG.
#pragma once

#include <cstdint>
#include <string>

#include "shell/display_surface.h"

// Widens one RGB565 pixel to 8 bits per channel by repeating each channel's
// high bits (r8 = r5 << 3 | r5 >> 2, g8 = g6 << 2 | g6 >> 4), so that 0xFFFF
// is white (255, 255, 255) and 0xF800 is (255, 0, 0).
void widenRgb565(uint16_t pixel, uint8_t rgb[3]);

// Writes the surface to path as a PNG. False when the file cannot be written
// or the surface is empty; a file that did not exist before is then removed
// again, anything that did exist is never removed.
bool writePng(const DisplaySurface& surface, const std::string& path);
