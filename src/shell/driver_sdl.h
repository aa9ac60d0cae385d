// DriverSDL: the desktop driver. Its display memory is an RGB565 surface of
// the display's size, shown in a window titled "DIRazo" through an RGB565
// texture, each display pixel as zoom x zoom screen pixels. The left mouse
// button is the stylus (in display pixels); keys become the handheld's
// virtual-key numbers; closing the window is the destroy message.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "shell/shell_driver.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

// The virtual-key number of an SDL key code, or 0 for keys the viewer ignores:
// letters 0x41..0x5A (upper case whatever the shift state), digits 0x30..0x39,
// keypad digits 0x60..0x69, arrows 0x25..0x28, Escape 0x1B, Return 0x0D,
// Space 0x20, Backspace 0x08, Tab 0x09, F1..F12 0x70..0x7B, Page Up/Down
// 0x21/0x22, End 0x23, Home 0x24, Insert 0x2D, Delete 0x2E.
int32_t virtualKeyFromSdl(int32_t sdlKeyCode);

class DriverSDL final : public ShellDriver {
public:
    // Opens the window, or null when there is no display to open it on; then
    // reason (when given) says why: no display, no memory for the display,
    // or the window system's own words (a window too large, say).
    static std::unique_ptr<DriverSDL> create(int32_t displayWidth, int32_t displayHeight, int32_t zoom,
                                             std::string* reason = nullptr);
    ~DriverSDL() override;
    DriverSDL(const DriverSDL&) = delete;
    DriverSDL& operator=(const DriverSDL&) = delete;

    // Copies onto the display surface, then shows the surface in the window.
    void present(const Bitmap& bitmap, int32_t x, int32_t y, bool doubled) override;
    // Milliseconds since the window was opened.
    uint32_t ticks() override;

    // Collects what the window system has for the window.
    void frameFinished() override;
    bool takePointerMessage(ShellMessage& message) override;
    bool takeKeyMessage(ShellMessage& message) override;
    bool takeAnyMessage(ShellMessage& message) override;
    void postQuit(int32_t exitCode) override;

    // Reads back what the window shows, as 0xAARRGGBB, row by row; false when
    // the renderer cannot read.
    bool readWindow(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height);

private:
    DriverSDL(int32_t displayWidth, int32_t displayHeight, int32_t zoom);
    bool open();
    void show();
    // The shell message of a pointer or key event; false for events that
    // carry nothing for the viewer (moves without the button, key repeats).
    bool translateInput(const SDL_Event& event, ShellMessage& message) const;
    bool takeInput(uint32_t firstType, uint32_t lastType, ShellMessage& message);

    int32_t zoom_;
    int32_t quitCode_ = 0;
    bool videoStarted_ = false;
    SDL_Window* window_ = nullptr;      // owned
    SDL_Renderer* renderer_ = nullptr;  // owned
    SDL_Texture* texture_ = nullptr;    // owned
};
