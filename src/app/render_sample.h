// RenderSample: the viewer application. It owns the frame buffer and the
// Rasterizer (and, as they arrive, the overlay font, the logo and the loaded
// world), records input between frames and does all the work in frame.
//
// Members are public and kept in their documented order; the input operations
// only set them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/applet2d.h"
#include "app/driver2d.h"
#include "raster/bitmap.h"
#include "raster/bitmap_font.h"
#include "raster/rasterizer.h"
#include "scene/profile.h"
#include "scene/scene.h"

// The render area at view level i is the display size divided by entry i.
inline constexpr float viewDivisors[5] = {1.0f, 1.5f, 2.0f, 2.5f, 3.0f};

class RenderSample final : public Applet2D {
public:
    // Keeps the driver (not owned), the world name (empty: sample.wrl from
    // the installation directory), the installation directory (ending in
    // "/") and the display size, which is also the first render size.
    RenderSample(Driver2D* driver, std::u16string commandLine, std::u16string installDir, int32_t displayWidth,
                 int32_t displayHeight);
    ~RenderSample() override;
    RenderSample(const RenderSample&) = delete;
    RenderSample& operator=(const RenderSample&) = delete;

    // Logs the command line and the installation directory, fixes the display
    // size, gives the Rasterizer the driver and makes the frame buffer, then
    // loads the world named by the command line (or installDir + "sample.wrl"),
    // attaches it to the Rasterizer, prepares its nodes and starts its clock at
    // ticks() seconds. A world that cannot be loaded leaves scene null: the
    // viewer runs on and shows the background colour, black.
    void init() override;
    // One frame: pending view-level and half-resolution changes, clear to the
    // world's background colour, the world advanced to ticks() seconds and
    // drawn, the lighting switch handed to the world, the pending pick, the
    // logo, and present at the centring offsets (doubled in half resolution).
    // Without a frame buffer (allocation failed) nothing is drawn; the next
    // frame tries again.
    void frame() override;
    void stylusDown(uint16_t x, uint16_t y) override;
    void stylusUp(uint16_t x, uint16_t y) override;
    void stylusMove(uint16_t x, uint16_t y) override;
    // 0..3 set the walking direction, 4 toggles lighting, 5 requests the
    // half-resolution toggle, 6 the next view level, any other code quits.
    void keyDown(int32_t code, int32_t rawKey) override;
    // Stops the motion, whatever the key.
    void keyUp(int32_t code) override;

    // The frame-buffer pixel a stylus position (screen pixels) falls on, for
    // the current view level and resolution.
    void pickPosition(int32_t screenX, int32_t screenY, int32_t& bufferX, int32_t& bufferY) const;

    // --- members, in record order ---

    Driver2D* driver;  // not owned
    std::u16string commandLine;
    std::u16string installDir;
    OwnedBitmap frameBuffer;  // null until init, and while it cannot be allocated
    OwnedBitmap fontImage;    // font.gif, the sheet of font; released with the font
    OwnedBitmap logo;         // logo.gif; null until init, and when it cannot be loaded
    std::unique_ptr<BitmapFont> font;  // the overlay font built from fontImage
    Rasterizer rasterizer;  // its target is always frameBuffer
    std::unique_ptr<Scene> scene;  // the loaded world; null until init, and when none could be loaded
    int32_t pickX = 0;
    int32_t pickY = 0;
    bool pickPending = false;
    int32_t keyState = 0;  // 1 up, 2 down, 4 left, 8 right, 0 none
    bool lighting = false;
    int32_t renderWidth;
    int32_t renderHeight;
    int32_t bufferWidth = 0;
    int32_t bufferHeight = 0;
    int32_t displayWidth = 0;
    int32_t displayHeight = 0;
    bool halfResRequest = false;
    bool halfRes = false;
    bool viewLevelRequest = false;
    int32_t viewLevel = 0;
    int32_t logoX = 0;
    int32_t logoY = 0;
    int32_t logoDX = 0;
    int32_t logoDY = 0;

    // --- settings, not part of the record; set before init ---

    // False: no frame-rate line, no title and no logo in the frames (clean
    // screenshots and thumbnails); the splash and everything else unchanged.
    bool showOverlay = true;
    // Threads the Rasterizer draws with (1: the caller's thread alone; more:
    // bands of rows, the same frames). Taken by init.
    int32_t threads = 1;
    // The node set and reading rules the world is read with. Taken by init;
    // the full profile also starts with lighting on (key A still toggles it).
    Profile profile = Profile::Core;

    // --- diagnostics, after the record ---
    // The world's name as it was loaded, and why it could not be (empty when
    // it was): the file's or URL's failure, "HTTP status N", or "no node
    // read". The entry tells the user.
    std::u16string worldName;
    std::string loadFailure;
    // The core profile's line about the node types of the world that only
    // the full profile draws (app/world_reader.h); empty when there are none.
    std::string profileNotice;

private:
    // The background colour of the world as red, green, blue in 0..1.
    void backgroundColor(float rgb[3]) const;
    // Loads font.gif and logo.gif from the installation directory and shows
    // the splash: the logo centred, "loading" 10 pixels below it.
    void showSplash();
    // The frame rate and the title in the bottom left corner.
    void drawOverlay();
    // Reads the world with a parser made for it, attaches it to the
    // Rasterizer, prepares its nodes and starts its clock; scene stays null
    // when the world cannot be loaded.
    void loadTheWorld();
    // Buffer size from the render size and the resolution mode.
    void updateBufferSize();
    // Replaces the frame buffer with a black one of the buffer size and
    // attaches it to the Rasterizer; null (and a detached Rasterizer) when
    // it cannot be allocated.
    void remakeFrameBuffer();
    void applyViewLevelRequest();
    void applyHalfResRequest();
    void presentAtCentre();
    void moveLogo();
};
