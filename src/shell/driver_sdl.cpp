#include "shell/driver_sdl.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

struct KeyPair {
    SDL_Keycode sdl;
    int32_t virtualKey;
};

constexpr KeyPair kNamedKeys[] = {
    {SDLK_LEFT, 0x25},     {SDLK_UP, 0x26},       {SDLK_RIGHT, 0x27},    {SDLK_DOWN, 0x28},
    {SDLK_ESCAPE, 0x1B},   {SDLK_RETURN, 0x0D},   {SDLK_KP_ENTER, 0x0D}, {SDLK_SPACE, 0x20},
    {SDLK_BACKSPACE, 0x08}, {SDLK_TAB, 0x09},     {SDLK_PAGEUP, 0x21},   {SDLK_PAGEDOWN, 0x22},
    {SDLK_END, 0x23},      {SDLK_HOME, 0x24},     {SDLK_INSERT, 0x2D},   {SDLK_DELETE, 0x2E},
    {SDLK_KP_0, 0x60},     {SDLK_KP_1, 0x61},     {SDLK_KP_2, 0x62},     {SDLK_KP_3, 0x63},
    {SDLK_KP_4, 0x64},     {SDLK_KP_5, 0x65},     {SDLK_KP_6, 0x66},     {SDLK_KP_7, 0x67},
    {SDLK_KP_8, 0x68},     {SDLK_KP_9, 0x69},     {SDLK_F1, 0x70},       {SDLK_F2, 0x71},
    {SDLK_F3, 0x72},       {SDLK_F4, 0x73},       {SDLK_F5, 0x74},       {SDLK_F6, 0x75},
    {SDLK_F7, 0x76},       {SDLK_F8, 0x77},       {SDLK_F9, 0x78},       {SDLK_F10, 0x79},
    {SDLK_F11, 0x7A},      {SDLK_F12, 0x7B},
};

uint16_t clampToDisplay(int32_t windowPixel, int32_t zoom, int32_t displaySide) {
    const int32_t pixel = windowPixel / zoom;
    return static_cast<uint16_t>(std::clamp(pixel, 0, displaySide - 1));
}

// Without a display SDL falls back to drivers that show nothing; a window
// nobody can see (and close) is no start-up, unless SDL_VIDEODRIVER asked
// for such a driver on purpose, as the tests do.
bool onRealDisplay() {
    const char* requested = SDL_getenv("SDL_VIDEODRIVER");
    if (requested && requested[0] != '\0') return true;
    const char* chosen = SDL_GetCurrentVideoDriver();
    if (!chosen) return false;
    return std::strcmp(chosen, "offscreen") != 0 && std::strcmp(chosen, "dummy") != 0;
}

}  // namespace

int32_t virtualKeyFromSdl(int32_t sdlKeyCode) {
    if (sdlKeyCode >= SDLK_a && sdlKeyCode <= SDLK_z) return 0x41 + (sdlKeyCode - SDLK_a);
    if (sdlKeyCode >= SDLK_0 && sdlKeyCode <= SDLK_9) return 0x30 + (sdlKeyCode - SDLK_0);
    for (const KeyPair& pair : kNamedKeys) {
        if (pair.sdl == sdlKeyCode) return pair.virtualKey;
    }
    return 0;
}

DriverSDL::DriverSDL(int32_t displayWidth, int32_t displayHeight, int32_t zoom)
    : ShellDriver(displayWidth, displayHeight), zoom_(zoom) {}

std::unique_ptr<DriverSDL> DriverSDL::create(int32_t displayWidth, int32_t displayHeight, int32_t zoom,
                                             std::string* reason) {
    auto fail = [reason](std::string why) -> std::unique_ptr<DriverSDL> {
        if (reason) *reason = std::move(why);
        return nullptr;
    };
    if (displayWidth <= 0 || displayHeight <= 0 || zoom <= 0) return fail("no display size");
    std::unique_ptr<DriverSDL> driver(new (std::nothrow) DriverSDL(displayWidth, displayHeight, zoom));
    if (!driver || !driver->surface_.ready()) return fail("out of memory for the display");
    if (!driver->open()) {
        const char* said = SDL_GetError();
        if (!driver->videoStarted_ || !onRealDisplay())
            return fail("no display (set DISPLAY or WAYLAND_DISPLAY, or use --headless)");
        return fail(said && said[0] != '\0' ? said : "the window cannot be opened");
    }
    return driver;
}

bool DriverSDL::open() {
    // Closing the window is the destroy message, not an immediate quit.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // SIGINT and SIGTERM are the entry's (they end the run with 128 + the
    // signal, the log flushed), not turned into a quit message by SDL.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    videoStarted_ = true;
    if (!onRealDisplay()) return false;
    const int32_t width = surface_.width();
    const int32_t height = surface_.height();
    window_ = SDL_CreateWindow("DIRazo", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width * zoom_,
                               height * zoom_, SDL_WINDOW_SHOWN);
    if (!window_) return false;
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer_) return false;
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!texture_) return false;
    // Text input events would only take message slots of the frame loop.
    SDL_StopTextInput();
    show();
    return true;
}

DriverSDL::~DriverSDL() {
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    if (videoStarted_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_Quit();
}

void DriverSDL::show() {
    SDL_UpdateTexture(texture_, nullptr, surface_.pixels(), surface_.width() * static_cast<int>(sizeof(uint16_t)));
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

void DriverSDL::present(const Bitmap& bitmap, int32_t x, int32_t y, bool doubled) {
    surface_.present(bitmap, x, y, doubled);
    show();
}

uint32_t DriverSDL::ticks() { return SDL_GetTicks(); }

void DriverSDL::frameFinished() { SDL_PumpEvents(); }

bool DriverSDL::translateInput(const SDL_Event& event, ShellMessage& message) const {
    switch (event.type) {
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        if (event.button.button != SDL_BUTTON_LEFT) return false;
        const uint32_t number = event.type == SDL_MOUSEBUTTONDOWN ? kMessageStylusDown : kMessageStylusUp;
        message = stylusMessage(number, clampToDisplay(event.button.x, zoom_, surface_.width()),
                                clampToDisplay(event.button.y, zoom_, surface_.height()));
        return true;
    }
    case SDL_MOUSEMOTION:
        // The stylus moves only while it touches the screen.
        if ((event.motion.state & SDL_BUTTON_LMASK) == 0) return false;
        message = stylusMessage(kMessageStylusMove, clampToDisplay(event.motion.x, zoom_, surface_.width()),
                                clampToDisplay(event.motion.y, zoom_, surface_.height()));
        return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        if (event.key.repeat != 0) return false;
        const int32_t key = virtualKeyFromSdl(event.key.keysym.sym);
        if (key == 0) return false;
        message = keyMessage(event.type == SDL_KEYDOWN ? kMessageKeyDown : kMessageKeyUp, static_cast<uint32_t>(key));
        return true;
    }
    default:
        return false;
    }
}

bool DriverSDL::takeInput(uint32_t firstType, uint32_t lastType, ShellMessage& message) {
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, firstType, lastType) == 1) {
        if (translateInput(event, message)) return true;
    }
    return false;
}

bool DriverSDL::takePointerMessage(ShellMessage& message) {
    return takeInput(SDL_MOUSEMOTION, SDL_MOUSEWHEEL, message);
}

bool DriverSDL::takeKeyMessage(ShellMessage& message) { return takeInput(SDL_KEYDOWN, SDL_KEYUP, message); }

bool DriverSDL::takeAnyMessage(ShellMessage& message) {
    SDL_Event event;
    if (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) != 1) return false;
    message = ShellMessage{};
    if (event.type == SDL_QUIT) {
        message = ShellMessage{kMessageQuit, static_cast<uint32_t>(quitCode_), 0};
    } else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) {
        message = ShellMessage{kMessageDestroy, 0, 0};
    } else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED) {
        show();  // the window system lost the picture: show the surface again
    } else {
        translateInput(event, message);
    }
    return true;
}

void DriverSDL::postQuit(int32_t exitCode) {
    quitCode_ = exitCode;
    SDL_Event event{};
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
}

bool DriverSDL::readWindow(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height) {
    if (SDL_GetRendererOutputSize(renderer_, &width, &height) != 0) return false;
    pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    const bool read = SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_ARGB8888, pixels.data(),
                                           width * static_cast<int>(sizeof(uint32_t))) == 0;
    SDL_RenderPresent(renderer_);
    return read;
}
