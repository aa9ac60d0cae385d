#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/render_sample.h"
#include "shell/driver_headless.h"
#include "base/log.h"
#include "shell/test_support.h"

using foundation_test::readFile;
using foundation_test::RecordingDriver;
using foundation_test::TempDir;

namespace {

TEST(RenderSample, InputOperationsOnlyRecord) {
    RecordingDriver driver;
    RenderSample sample(&driver, u"", u"/inst/", 240, 320);
    EXPECT_EQ(sample.renderWidth, 240);
    EXPECT_EQ(sample.renderHeight, 320);
    EXPECT_EQ(sample.frameBuffer, nullptr);

    sample.stylusDown(120, 160);
    EXPECT_TRUE(sample.pickPending);
    sample.stylusMove(10, 20);  // moves keep the press and update the position
    EXPECT_TRUE(sample.pickPending);
    EXPECT_EQ(sample.pickX, 10);
    EXPECT_EQ(sample.pickY, 20);
    sample.stylusUp(99, 99);  // the release position is ignored
    EXPECT_FALSE(sample.pickPending);
    EXPECT_EQ(sample.pickX, 10);

    const int32_t states[4] = {1, 2, 4, 8};
    for (int32_t code = 0; code < 4; ++code) {
        sample.keyDown(code, 0x999);
        EXPECT_EQ(sample.keyState, states[code]);
    }
    sample.keyDown(kKeyUp, 0x26);
    sample.keyDown(kKeyLeft, 0x25);  // one direction at a time
    EXPECT_EQ(sample.keyState, 4);
    sample.keyUp(kKeyUp);  // releasing any key stops all motion
    EXPECT_EQ(sample.keyState, 0);
    sample.keyDown(kKeyRight, 0x27);
    sample.keyUp(kKeyStart);
    EXPECT_EQ(sample.keyState, 0);

    sample.keyDown(kKeyA, 0x41);
    EXPECT_TRUE(sample.lighting);
    sample.keyDown(kKeyA, 0xC1);
    EXPECT_FALSE(sample.lighting);  // twice restores
    sample.keyDown(kKeyB, 0x42);
    sample.keyDown(kKeyC, 0x43);
    EXPECT_TRUE(sample.halfResRequest);
    EXPECT_TRUE(sample.viewLevelRequest);
    EXPECT_EQ(sample.viewLevel, 0);  // applied only by the next frame
    EXPECT_TRUE(driver.calls.empty());
    sample.keyDown(kKeyStart, 0x1B);
    EXPECT_EQ(driver.calls, std::vector<std::string>{"quit"});
}

TEST(RenderSample, InitLogsCommandLineAndInstallDirLiterally) {
    TempDir dir;
    RecordingDriver driver;
    openLog(&driver, dir.file("log.txt"));
    RenderSample percent(&driver, u"100%s %d.wrl", u"/inst/", 240, 320);
    percent.init();
    RenderSample empty(&driver, u"", u"/other/", 240, 320);
    empty.init();
    closeLog();
    EXPECT_EQ(readFile(dir.file("log.txt")),
              "ORVELLA log: version: 1, build: 1100%s %d.wrl\n/inst/\n\n/other/\n");
    EXPECT_EQ(percent.displayWidth, 240);
    EXPECT_EQ(percent.bufferHeight, 320);
    ASSERT_NE(percent.frameBuffer, nullptr);
    EXPECT_EQ(percent.rasterizer.target, percent.frameBuffer.get());
    EXPECT_EQ(percent.rasterizer.driver, &driver);
    EXPECT_EQ(percent.frameBuffer->pixels[0], 0);  // black, not uninitialised
}

TEST(RenderSample, ViewLevelsCycleAndEraseTheOldPicture) {
    RecordingDriver driver;
    RenderSample sample(&driver, u"", u"/", 240, 320);
    sample.init();
    sample.frame();
    // The splash at (0, 0), then the first frame.
    ASSERT_EQ(driver.presents.size(), 2u);
    EXPECT_EQ(driver.presents[0].x, 0);
    EXPECT_EQ(driver.presents[1].width, 240);
    EXPECT_EQ(driver.presents[1].x, 0);

    struct Level {
        int32_t width, height, x, y;
    };
    const Level levels[] = {{160, 213, 40, 53}, {120, 160, 60, 80}, {96, 128, 72, 96},
                            {80, 106, 80, 107}, {240, 320, 0, 0}};
    Level previous{240, 320, 0, 0};
    for (const Level& level : levels) {
        SCOPED_TRACE(level.width);
        driver.presents.clear();
        sample.keyDown(kKeyC, 0x43);
        sample.frame();
        EXPECT_EQ(sample.renderWidth, level.width);
        EXPECT_EQ(sample.renderHeight, level.height);
        EXPECT_EQ(sample.bufferWidth, level.width);
        EXPECT_EQ(sample.rasterizer.targetWidth, level.width);
        ASSERT_EQ(driver.presents.size(), 2u);
        // First the old picture, cleared to the background, at the old place...
        EXPECT_EQ(driver.presents[0].width, previous.width);
        EXPECT_EQ(driver.presents[0].height, previous.height);
        EXPECT_EQ(driver.presents[0].x, previous.x);
        EXPECT_EQ(driver.presents[0].y, previous.y);
        EXPECT_EQ(driver.presents[0].firstPixel, 0);
        // ...then the new frame, centred.
        EXPECT_EQ(driver.presents[1].width, level.width);
        EXPECT_EQ(driver.presents[1].height, level.height);
        EXPECT_EQ(driver.presents[1].x, level.x);
        EXPECT_EQ(driver.presents[1].y, level.y);
        EXPECT_FALSE(driver.presents[1].doubled);
        previous = level;
    }
    EXPECT_EQ(sample.viewLevel, 0);  // five presses come back to the full screen
}

TEST(RenderSample, TheBorderOfASmallerLevelIsErasedOnScreen) {
    DriverHeadless driver(240, 320, 40);
    RenderSample sample(&driver, u"", u"/", 240, 320);
    sample.init();
    sample.keyDown(kKeyC, 0x43);
    sample.frame();  // level 1: 160 x 213 at (40, 53)
    driver.surface().fill(0x1234);  // whatever the screen showed
    sample.keyDown(kKeyC, 0x43);
    sample.frame();  // level 2: 120 x 160 at (60, 80)
    const DisplaySurface& screen = driver.surface();
    EXPECT_EQ(screen.pixel(40, 53), 0);     // inside the old picture: erased
    EXPECT_EQ(screen.pixel(199, 265), 0);
    EXPECT_EQ(screen.pixel(39, 53), 0x1234);  // outside it: untouched
    EXPECT_EQ(screen.pixel(200, 265), 0x1234);
    EXPECT_EQ(screen.pixel(120, 266), 0x1234);
}

TEST(RenderSample, HalfResolutionSizesAndPicks) {
    DriverHeadless driver(240, 320, 40);
    RenderSample sample(&driver, u"", u"/", 240, 320);
    sample.init();
    int32_t x = 0;
    int32_t y = 0;

    // Half resolution at level 0: 120 x 160 doubled over the whole display.
    sample.keyDown(kKeyB, 0x42);
    driver.surface().fill(0x1234);
    sample.frame();
    EXPECT_TRUE(sample.halfRes);
    EXPECT_EQ(sample.bufferWidth, 120);
    EXPECT_EQ(sample.bufferHeight, 160);
    EXPECT_EQ(sample.frameBuffer->width, 120);
    EXPECT_EQ(driver.surface().pixel(0, 0), 0);
    EXPECT_EQ(driver.surface().pixel(239, 319), 0);
    sample.pickPosition(120, 160, x, y);
    EXPECT_EQ(x, 60);
    EXPECT_EQ(y, 80);

    // B again, then level 2 with B: 60 x 80 shown as 120 x 160 at (60, 80).
    sample.keyDown(kKeyB, 0x42);
    sample.frame();
    EXPECT_FALSE(sample.halfRes);
    EXPECT_EQ(sample.bufferWidth, 240);
    sample.keyDown(kKeyC, 0x43);
    sample.frame();
    sample.keyDown(kKeyC, 0x43);
    sample.frame();
    EXPECT_EQ(sample.viewLevel, 2);
    sample.pickPosition(120, 160, x, y);
    EXPECT_EQ(x, 60);  // level 2 picks the frame buffer's middle too
    EXPECT_EQ(y, 80);
    sample.keyDown(kKeyB, 0x42);
    driver.surface().fill(0x1234);
    sample.frame();
    EXPECT_EQ(sample.bufferWidth, 60);
    EXPECT_EQ(sample.bufferHeight, 80);
    EXPECT_EQ(driver.surface().pixel(60, 80), 0);
    EXPECT_EQ(driver.surface().pixel(179, 239), 0);
    EXPECT_EQ(driver.surface().pixel(59, 80), 0x1234);  // the screen is not erased
    EXPECT_EQ(driver.surface().pixel(180, 239), 0x1234);
    sample.pickPosition(120, 160, x, y);
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 40);

    // A press is picked once, in the next frame; a press and release between
    // two frames is not picked at all.
    sample.stylusDown(5, 5);
    sample.frame();
    EXPECT_FALSE(sample.pickPending);
    sample.stylusDown(5, 5);
    sample.stylusUp(5, 5);
    EXPECT_FALSE(sample.pickPending);
}

TEST(RenderSample, LogoBouncesAndRestartsAfterASizeChange) {
    DriverHeadless driver(240, 320, 40);
    RenderSample sample(&driver, u"", u"/", 240, 320);
    sample.init();
    sample.logo = newBitmap(10, 10, false);
    fillBitmap(sample.logo.get(), 0x07E0);
    // Where the splash leaves it: the bottom-right corner, moving by (1, 2).
    sample.logoX = 230;
    sample.logoY = 310;
    sample.logoDX = 1;
    sample.logoDY = 2;
    sample.frame();
    EXPECT_EQ(driver.surface().pixel(230, 310), 0x07E0);
    EXPECT_EQ(driver.surface().pixel(239, 319), 0x07E0);
    EXPECT_EQ(driver.surface().pixel(229, 310), 0);
    const int32_t expected[][2] = {{231, 312}, {230, 310}, {229, 308}, {228, 306}};
    EXPECT_EQ(sample.logoX, expected[0][0]);
    EXPECT_EQ(sample.logoY, expected[0][1]);
    for (int i = 1; i < 4; ++i) {
        sample.frame();
        EXPECT_EQ(sample.logoX, expected[i][0]);
        EXPECT_EQ(sample.logoY, expected[i][1]);
    }
    sample.keyDown(kKeyC, 0x43);
    sample.frame();  // restarts at (0, 0) and keeps moving left and up
    EXPECT_EQ(driver.surface().pixel(40, 53), 0x07E0);
    EXPECT_EQ(sample.logoDX, 1);  // bounced off the left edge at once
    EXPECT_EQ(sample.logoDY, 2);
}

TEST(RenderSample, NoFrameBufferMeansNoFrameNotACrash) {
    RecordingDriver driver;
    // 70000 x 70000 pixels cannot be allocated.
    RenderSample sample(&driver, u"", u"/", 70000, 70000);
    sample.init();
    EXPECT_EQ(sample.frameBuffer, nullptr);
    EXPECT_EQ(sample.rasterizer.targetPixels, nullptr);
    sample.stylusDown(1, 1);
    sample.frame();
    sample.frame();
    EXPECT_TRUE(driver.presents.empty());
    sample.keyDown(kKeyStart, 0x1B);
    // The two images of the splash were asked for; nothing was presented.
    EXPECT_EQ(driver.calls, (std::vector<std::string>{"loadImage", "loadImage", "quit"}));
}

}  // namespace

namespace {

// True when some pixel of the rectangle differs from value.
bool anyPixelOtherThan(const DisplaySurface& screen, int x0, int y0, int x1, int y1, uint16_t value) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (screen.pixel(x, y) != value) return true;
    return false;
}

// The opaque pixels of the logo stand at (x, y) of the screen.
void expectLogoAt(const DisplaySurface& screen, const Bitmap& logo, int x, int y) {
    int opaque = 0;
    for (int r = 0; r < logo.height; ++r) {
        for (int c = 0; c < logo.width; ++c) {
            if (logo.alpha && logo.alpha[r * logo.width + c] != 255) continue;
            ++opaque;
            ASSERT_EQ(screen.pixel(x + c, y + r), logo.pixels[r * logo.width + c]) << c << "," << r;
        }
    }
    EXPECT_GT(opaque, 0);
}

TEST(RenderSample, SplashOverlayAndLogoFromTheInstalledImages) {
    DriverHeadless driver(240, 320, 40);
    // No world: the splash, the overlay and the logo still show.
    RenderSample sample(&driver, u"/nonexistent/none.wrl", widenText(ORVELLA_ASSET_DIR), 240, 320);
    sample.init();
    ASSERT_NE(sample.logo, nullptr);
    ASSERT_NE(sample.fontImage, nullptr);
    EXPECT_EQ(sample.font->sheet, sample.fontImage.get());
    EXPECT_GT(sample.font->glyphs[0].advance, 0);
    const Bitmap& logo = *sample.logo;
    const int logoX = (240 - logo.width) / 2;
    const int logoY = (320 - logo.height) / 2;

    // The splash: the logo centred, "loading" 10 pixels below it, left-aligned.
    const DisplaySurface& screen = driver.surface();
    expectLogoAt(screen, logo, logoX, logoY);
    const int textTop = logo.height + logoY + 10;
    EXPECT_TRUE(anyPixelOtherThan(screen, logoX, textTop, logoX + 40, textTop + sample.font->glyphHeight, 0));
    EXPECT_FALSE(anyPixelOtherThan(screen, 0, textTop, logoX, textTop + sample.font->glyphHeight, 0));
    EXPECT_EQ(sample.logoX, 240 - logo.width);
    EXPECT_EQ(sample.logoY, 320 - logo.height);

    // The first frame: black background, the logo in the bottom-right corner,
    // "fps: 0" and the title in the bottom-left corner.
    sample.frame();
    expectLogoAt(screen, logo, 240 - logo.width, 320 - logo.height);
    EXPECT_TRUE(anyPixelOtherThan(screen, 0, 300, 30, 300 + sample.font->glyphHeight, 0));
    EXPECT_TRUE(anyPixelOtherThan(screen, 0, 310, 60, 310 + sample.font->glyphHeight, 0));
    EXPECT_FALSE(anyPixelOtherThan(screen, 0, 0, 240, 290, 0));
    EXPECT_EQ(sample.logoX, 240 - logo.width + 1);
    EXPECT_EQ(sample.logoY, 320 - logo.height + 2);
}

TEST(RenderSample, MissingImagesAreSkipped) {
    DriverHeadless driver(240, 320, 40);
    RenderSample sample(&driver, u"/nonexistent/none.wrl", u"/nonexistent/", 240, 320);
    sample.init();
    EXPECT_EQ(sample.logo, nullptr);
    EXPECT_EQ(sample.fontImage, nullptr);
    sample.frame();
    sample.frame();
    EXPECT_FALSE(anyPixelOtherThan(driver.surface(), 0, 0, 240, 320, 0));
}

}  // namespace
