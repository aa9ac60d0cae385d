// The viewer application's lifecycle and frame. The frame is one straight
// pipeline; navigation and picking join it where marked.
#include "app/render_sample.h"

#include "app/navigation.h"
#include "app/open_stream.h"
#include "app/world_reader.h"
#include "base/log.h"
#include "scene/shape_nodes.h"
#include "vrml/load_world.h"

namespace {

// The driver's milliseconds as the world's seconds.
constexpr double kSecondsPerTick = 0.001;
constexpr char16_t kDefaultWorld[] = u"sample.wrl";
constexpr char16_t kFontFile[] = u"font.gif";
constexpr char16_t kLogoFile[] = u"logo.gif";
constexpr char16_t kTitle[] = u"Orvella beta 0.1 ";
// The overlay's two lines stand 20 and 10 pixels above the bottom edge.
constexpr int32_t kFpsLineOffset = 20;
constexpr int32_t kTitleLineOffset = 10;
// "loading" stands this far below the splash logo.
constexpr int32_t kLoadingGap = 10;
// The logo starts in the bottom-right corner and moves by this much per frame.
constexpr int32_t kLogoStepX = 1;
constexpr int32_t kLogoStepY = 2;
// Answers from this status on are errors (their body is read all the same).
constexpr long kFirstHttpError = 400;
// Image loads pass no transparent colour, no alpha value and 0 reserved.
constexpr int32_t kNoValue = -1;

}  // namespace

RenderSample::RenderSample(Driver2D* driver_, std::u16string commandLine_, std::u16string installDir_,
                           int32_t displayWidth_, int32_t displayHeight_)
    : driver(driver_),
      commandLine(std::move(commandLine_)),
      installDir(std::move(installDir_)),
      renderWidth(displayWidth_),
      renderHeight(displayHeight_) {}

RenderSample::~RenderSample() {
    // The world goes first, then the frame buffer, the font and the logo; the
    // Rasterizer and the strings follow as members.
    scene.reset();
    rasterizer.attachTarget(nullptr);
    frameBuffer.reset();
    font.reset();
    fontImage.reset();
    logo.reset();
}

void RenderSample::init() {
    logFormat(narrowText(commandLine).c_str());
    logFormat(narrowText(installDir).c_str());

    displayWidth = bufferWidth = renderWidth;
    displayHeight = bufferHeight = renderHeight;
    rasterizer.driver = driver;
    rasterizer.setThreads(threads);
    if (profile == Profile::Full) lighting = true;
    remakeFrameBuffer();
    showSplash();
    loadTheWorld();
}

void RenderSample::showSplash() {
    font = std::make_unique<BitmapFont>();
    fontImage = driver->loadImage(installDir + kFontFile, kNoValue, kNoValue, 0);
    setFont(font.get(), fontImage.get());
    logo = driver->loadImage(installDir + kLogoFile, kNoValue, kNoValue, 0);

    // Without a logo the splash centres "loading" alone.
    const int32_t logoWidth = logo ? logo->width : 0;
    const int32_t logoHeight = logo ? logo->height : 0;
    if (frameBuffer) {
        if (logo) blitBitmap(frameBuffer.get(), logo.get(), (renderWidth - logoWidth) / 2, (renderHeight - logoHeight) / 2);
        drawText(*font, u"loading", frameBuffer.get(), (renderWidth - logoWidth) / 2,
                 logoHeight + (renderHeight - logoHeight) / 2 + kLoadingGap);
        driver->present(*frameBuffer, 0, 0, false);
    }
    logoX = renderWidth - logoWidth;
    logoY = renderHeight - logoHeight;
    logoDX = kLogoStepX;
    logoDY = kLogoStepY;
}

void RenderSample::loadTheWorld() {
    {
        // The parser lives for this one load only.
        std::unique_ptr<VrmlParser> parser = makeWorldReader(profile);
        worldName = commandLine.empty() ? installDir + kDefaultWorld : commandLine;
        if (parser) {
            scene = loadWorld(*parser, worldName);
            profileNotice = fullProfileNotice(profile, parser->refusedTypes());
        }
    }
    if (!scene) {
        // Nothing to show but the background (black), the overlay and the
        // logo; the world's own open was the last one made.
        const OpenReport& report = lastOpenReport();
        if (!report.failure.empty()) loadFailure = report.failure;
        else if (report.httpStatus >= kFirstHttpError) loadFailure = "HTTP status " + std::to_string(report.httpStatus);
        else loadFailure = "no node read";
        return;
    }
    scene->attachRasterizer(&rasterizer);
    scene->font = font.get();
    // The full profile's first frame is lit already (the core one keeps the
    // switch for the frames after the first, as it always has).
    if (profile == Profile::Full) scene->lighting = lighting;
    scene->initNodes();
    const uint32_t ticks = driver->ticks();
    scene->startClock(static_cast<double>(ticks) * kSecondsPerTick, ticks);
}

void RenderSample::frame() {
    if (viewLevelRequest) applyViewLevelRequest();
    if (halfResRequest) applyHalfResRequest();
    if (!frameBuffer) {
        remakeFrameBuffer();
        if (!frameBuffer) return;  // no memory for a picture: skip this frame
    }

    float background[3];
    backgroundColor(background);
    rasterizer.clearColor(background[0], background[1], background[2]);
    rasterizer.resetDepth();

    if (scene) {
        const uint32_t ticks = driver->ticks();
        scene->updateAndDraw(static_cast<double>(ticks) * kSecondsPerTick, ticks);
        navigate(*scene, keyState);
        // The switch takes effect from the next frame on.
        scene->lighting = lighting;
    }
    // Everything below reads or writes the frame buffer itself.
    rasterizer.flush();
    drawOverlay();

    if (pickPending) {
        int32_t x = 0;
        int32_t y = 0;
        pickPosition(pickX, pickY, x, y);
        pickPending = false;
        // A hit shape is seen by the anchors and the TouchSensors of the next
        // frame; a miss leaves the pick as it was.
        if (scene) {
            const PickResult hit = scene->pick(x, y);
            if (hit.hitShape) scene->frameClock.pickResult = hit.hitShape;
        }
    }

    moveLogo();
    presentAtCentre();
}

void RenderSample::drawOverlay() {
    if (!font || !showOverlay) return;  // no font only before init
    const int32_t fps = scene ? scene->fps : 0;
    drawText(*font, u"fps: " + widenText(std::to_string(fps)), frameBuffer.get(), 0, bufferHeight - kFpsLineOffset);
    drawText(*font, kTitle, frameBuffer.get(), 0, bufferHeight - kTitleLineOffset);
}

void RenderSample::stylusDown(uint16_t x, uint16_t y) {
    pickPending = true;
    pickX = x;
    pickY = y;
}

void RenderSample::stylusUp(uint16_t, uint16_t) { pickPending = false; }

void RenderSample::stylusMove(uint16_t x, uint16_t y) {
    pickX = x;
    pickY = y;
}

void RenderSample::keyDown(int32_t code, int32_t) {
    switch (code) {
    case kKeyUp: keyState = kNavUp; break;
    case kKeyDown: keyState = kNavDown; break;
    case kKeyLeft: keyState = kNavLeft; break;
    case kKeyRight: keyState = kNavRight; break;
    case kKeyA: lighting = !lighting; break;
    case kKeyB: halfResRequest = true; break;
    case kKeyC: viewLevelRequest = true; break;
    default: driver->quit(); break;
    }
}

void RenderSample::keyUp(int32_t) { keyState = 0; }

void RenderSample::pickPosition(int32_t screenX, int32_t screenY, int32_t& bufferX, int32_t& bufferY) const {
    bufferX = screenX - ((displayWidth - renderWidth) >> 1);
    bufferY = screenY - ((displayHeight - renderHeight) >> 1);
    if (halfRes) {
        bufferX >>= 1;
        bufferY >>= 1;
    }
}

void RenderSample::backgroundColor(float rgb[3]) const {
    // The bound Background's first sky colour; black without a world.
    const Color4f colour = scene ? scene->backgroundColor() : Color4f{};
    rgb[0] = colour.r;
    rgb[1] = colour.g;
    rgb[2] = colour.b;
}

void RenderSample::updateBufferSize() {
    bufferWidth = halfRes ? renderWidth / 2 : renderWidth;
    bufferHeight = halfRes ? renderHeight / 2 : renderHeight;
}

void RenderSample::remakeFrameBuffer() {
    frameBuffer.reset();
    frameBuffer = newBitmap(bufferWidth, bufferHeight, false);
    // Black from the start: the picture never shows uninitialised memory.
    if (frameBuffer) fillBitmap(frameBuffer.get(), 0);
    rasterizer.attachTarget(frameBuffer.get());
    if (frameBuffer && !rasterizer.targetPixels) {
        // No depth buffer to go with it: a frame buffer that cannot be drawn into is none.
        rasterizer.attachTarget(nullptr);
        frameBuffer.reset();
    }
    // The world projects for the target's size: tell it of every change.
    if (scene) scene->attachRasterizer(&rasterizer);
}

void RenderSample::applyViewLevelRequest() {
    viewLevel = viewLevel + 1 == 5 ? 0 : viewLevel + 1;
    viewLevelRequest = false;
    if (frameBuffer) {
        // Erase the old picture: the next one may cover less of the screen.
        float background[3];
        backgroundColor(background);
        fillBitmap(frameBuffer.get(), packRgb565(background[0], background[1], background[2]));
        presentAtCentre();
    }
    const float scale = 1.0f / viewDivisors[viewLevel];
    renderWidth = static_cast<int32_t>(static_cast<float>(displayWidth) * scale);
    renderHeight = static_cast<int32_t>(static_cast<float>(displayHeight) * scale);
    updateBufferSize();
    logoX = logoY = 0;
    remakeFrameBuffer();
}

void RenderSample::applyHalfResRequest() {
    halfResRequest = false;
    frameBuffer.reset();
    halfRes = !halfRes;
    updateBufferSize();
    logoX = logoY = 0;
    // The doubled picture covers the same area, so the screen needs no erasing.
    remakeFrameBuffer();
}

void RenderSample::presentAtCentre() {
    driver->present(*frameBuffer, (displayWidth - renderWidth) >> 1, (displayHeight - renderHeight) >> 1, halfRes);
}

void RenderSample::moveLogo() {
    if (!logo || !showOverlay) return;
    blitBitmap(frameBuffer.get(), logo.get(), logoX, logoY);
    // Bounce off the edges; the position itself is not clamped, so the logo may
    // stand partly outside for a frame (the blit clips).
    logoX += logoDX;
    if (logoX + logo->width > bufferWidth || logoX < 0) logoDX = -logoDX;
    logoY += logoDY;
    if (logoY + logo->height > bufferHeight || logoY < 0) logoDY = -logoDY;
}
