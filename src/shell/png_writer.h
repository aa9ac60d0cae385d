// Screenshots: the display surface written as an 8-bit RGB PNG.
#pragma once

#include <cstdint>
#include <string>

#include "base/rgb565.h"
#include "shell/display_surface.h"

// Writes the surface to path as a PNG. False when the file cannot be written
// or the surface is empty; a file that did not exist before is then removed
// again, anything that did exist is never removed.
bool writePng(const DisplaySurface& surface, const std::string& path);
