// The desktop driver on SDL's "dummy" video driver (a window without a screen;
// unlike "offscreen" it loads no GL stack), so that it runs where there is no display.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <vector>

#include "shell/driver_sdl.h"
#include "shell/frame_loop.h"

namespace {

class DriverSdlTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("SDL_VIDEODRIVER", "dummy", 1); }
};

TEST_F(DriverSdlTest, OpensPresentsZoomedAndCloses) {
    std::unique_ptr<DriverSDL> driver = DriverSDL::create(24, 32, 3);
    ASSERT_NE(driver, nullptr) << SDL_GetError();
    SDL_Window* window = nullptr;
    for (Uint32 id = 1; id < 64 && !window; ++id) window = SDL_GetWindowFromID(id);
    ASSERT_NE(window, nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(window), "DIRazo");

    // Half resolution at a quarter of the display: 6 x 8 doubled at (6, 8).
    OwnedBitmap frame = newBitmap(6, 8, false);
    fillBitmap(frame.get(), 0xF800);
    frame->pixels[0] = 0x001F;
    driver->present(*frame, 6, 8, true);
    const DisplaySurface& surface = driver->surface();
    EXPECT_EQ(surface.pixel(6, 8), 0x001F);
    EXPECT_EQ(surface.pixel(7, 9), 0x001F);
    EXPECT_EQ(surface.pixel(8, 8), 0xF800);
    EXPECT_EQ(surface.pixel(17, 23), 0xF800);
    EXPECT_EQ(surface.pixel(18, 23), 0x0000);
    EXPECT_EQ(surface.pixel(5, 8), 0x0000);

    // The window shows each display pixel as 3 x 3 screen pixels.
    std::vector<uint32_t> shown;
    int32_t width = 0;
    int32_t height = 0;
    if (!driver->readWindow(shown, width, height)) GTEST_SKIP() << "renderer cannot read back: " << SDL_GetError();
    ASSERT_EQ(width, 72);
    ASSERT_EQ(height, 96);
    auto at = [&](int x, int y) { return shown[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF; };
    EXPECT_EQ(at(6 * 3, 8 * 3), 0x0000FFu);
    EXPECT_EQ(at(7 * 3 + 2, 9 * 3 + 2), 0x0000FFu);
    EXPECT_EQ(at(8 * 3, 8 * 3), 0xFF0000u);
    EXPECT_EQ(at(17 * 3 + 2, 23 * 3 + 2), 0xFF0000u);
    EXPECT_EQ(at(18 * 3, 23 * 3), 0x000000u);
}

// Counts frames and quits on Start, like the viewer.
class CountingApplet : public Applet2D {
public:
    explicit CountingApplet(Driver2D& driver) : driver_(driver) {}
    void init() override {}
    void frame() override { ++frames; }
    void stylusDown(uint16_t x, uint16_t y) override { taps.push_back({x, y}); }
    void stylusUp(uint16_t, uint16_t) override {}
    void stylusMove(uint16_t, uint16_t) override {}
    void keyDown(int32_t code, int32_t) override {
        keys.push_back(code);
        if (code == kKeyStart) driver_.quit();
    }
    void keyUp(int32_t) override {}
    int frames = 0;
    std::vector<int32_t> keys;
    std::vector<std::pair<int, int>> taps;

private:
    Driver2D& driver_;  // not owned
};

TEST_F(DriverSdlTest, EventsReachTheLoopInDisplayPixels) {
    std::unique_ptr<DriverSDL> driver = DriverSDL::create(24, 32, 2);
    ASSERT_NE(driver, nullptr) << SDL_GetError();
    CountingApplet applet(*driver);
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);

    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_2;
    SDL_PushEvent(&key);
    key.key.repeat = 1;  // auto-repeat is ignored
    SDL_PushEvent(&key);
    SDL_Event click{};
    click.type = SDL_MOUSEBUTTONDOWN;
    click.button.button = SDL_BUTTON_LEFT;
    click.button.x = 21;
    click.button.y = 500;  // beyond the window: kept on the display
    SDL_PushEvent(&click);
    click.button.button = SDL_BUTTON_RIGHT;  // only the left button is the stylus
    SDL_PushEvent(&click);
    SDL_Event escape{};
    escape.type = SDL_KEYDOWN;
    escape.key.keysym.sym = SDLK_ESCAPE;
    SDL_PushEvent(&escape);

    EXPECT_EQ(runFrameLoop(applet, *driver, 50), 0);
    EXPECT_EQ(applet.frames, 1);
    EXPECT_EQ(applet.keys, (std::vector<int32_t>{kKeyB, kKeyStart}));
    ASSERT_EQ(applet.taps.size(), 1u);
    EXPECT_EQ(applet.taps[0], std::make_pair(10, 31));
}

TEST(DriverSdlKeys, VirtualKeyNumbers) {
    EXPECT_EQ(virtualKeyFromSdl(SDLK_a), 0x41);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_z), 0x5A);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_0), 0x30);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_4), 0x34);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_UP), 0x26);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_DOWN), 0x28);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_LEFT), 0x25);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_RIGHT), 0x27);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_ESCAPE), 0x1B);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_1), 0x61);  // keypad digits are not the digit keys
    EXPECT_EQ(virtualKeyFromSdl(SDLK_F1), 0x70);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_LSHIFT), 0);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_CAPSLOCK), 0);
}

}  // namespace
