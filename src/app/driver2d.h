// Driver2D: the application's only view of the platform. Operations are kept
// in their slot order. The layers below the application see two parts of it
// through their own interfaces: the texture cache its image loading, the log
// its message store.
#pragma once

#include <cstdint>
#include <string>

#include "base/log.h"
#include "raster/bitmap.h"
#include "raster/image_source.h"

class Driver2D : public ImageSource, public LogEcho {
public:
    virtual ~Driver2D() = default;

    // Shows the bitmap on the display with its top-left corner at display
    // pixel (x, y), each pixel as a 2 x 2 block when doubled. A bitmap of the
    // display's size is copied whole whatever x, y and doubled; one larger
    // than the display in either dimension is not drawn.
    virtual void present(const Bitmap& bitmap, int32_t x, int32_t y, bool doubled) = 0;
    // Decodes the named image file or URL into a new bitmap owned by the
    // caller, or null. Callers pass -1, -1, 0 for the last three arguments.
    OwnedBitmap loadImage(const std::u16string& name, int32_t transparentColor, int32_t alphaValue,
                          int32_t reserved) override = 0;
    // Ends the program: the frame loop stops at a later pass with exit code 0.
    virtual void quit() = 0;
    // Text drawn with the platform's font into a new bitmap; unused by the viewer.
    virtual OwnedBitmap renderText(int32_t width, int32_t height, const std::u16string& text) = 0;
    // Milliseconds from a fixed start.
    virtual uint32_t ticks() = 0;
    // No visible effect.
    void refreshMessages() override = 0;
    // No visible effect; unused by the viewer.
    virtual void hideMessages() = 0;
    // Keeps a copy of a log line.
    void addMessage(const char* text) override = 0;
};
