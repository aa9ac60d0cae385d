// ShellDriver: what both drivers share. The Driver2D operations that do not
// depend on the window system live here (the display surface, the message
// store, image loading, the blank renderText); each driver adds its clock and
// its message source, which the frame loop drains.
#pragma once

#include <cstdint>

#include "app/driver2d.h"
#include "shell/display_surface.h"
#include "shell/message_store.h"
#include "shell/shell_message.h"

class ShellDriver : public Driver2D {
public:
    ShellDriver(int32_t displayWidth, int32_t displayHeight);

    // --- Driver2D ---

    // Copies the bitmap onto the display surface by its copy rules.
    void present(const Bitmap& bitmap, int32_t x, int32_t y, bool doubled) override;
    // Forwards to the image loader.
    OwnedBitmap loadImage(const std::u16string& name, int32_t transparentColor, int32_t alphaValue,
                          int32_t reserved) override;
    // Posts the quit message with exit code 0.
    void quit() override { postQuit(0); }
    // A black bitmap of the asked size (null when the size cannot be had):
    // nothing in the viewer draws text through the platform.
    OwnedBitmap renderText(int32_t width, int32_t height, const std::u16string& text) override;
    void refreshMessages() override {}
    void hideMessages() override {}
    void addMessage(const char* text) override { messages_.add(text); }

    // --- message source of the frame loop ---

    // Called just before each frame starts and just after it has ended
    // (after present): the driver's chance to advance its clock and to
    // collect the events that arrived.
    virtual void frameStarting() {}
    virtual void frameFinished() {}
    // Remove and return the oldest pending stylus message / key message /
    // message of any kind. False when there is none.
    virtual bool takePointerMessage(ShellMessage& message) = 0;
    virtual bool takeKeyMessage(ShellMessage& message) = 0;
    virtual bool takeAnyMessage(ShellMessage& message) = 0;
    // Queues the quit message with the exit code.
    virtual void postQuit(int32_t exitCode) = 0;

    const DisplaySurface& surface() const { return surface_; }
    DisplaySurface& surface() { return surface_; }
    const MessageStore& messages() const { return messages_; }
    const KeyList& keyList() const { return keys_; }

protected:
    DisplaySurface surface_;
    MessageStore messages_;
    KeyList keys_;
};
