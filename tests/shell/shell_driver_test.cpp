#include <gtest/gtest.h>

#include "shell/driver_headless.h"

namespace {

TEST(ShellDriver, PlatformTextImagesAndMessages) {
    DriverHeadless driver(240, 320, 40);
    // Nothing draws text through the platform: a black bitmap of the asked size.
    OwnedBitmap text = driver.renderText(30, 12, u"hello");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->width, 30);
    EXPECT_EQ(text->height, 12);
    EXPECT_EQ(text->alpha, nullptr);
    for (int32_t i = 0; i < 30 * 12; ++i) ASSERT_EQ(text->pixels[i], 0);
    EXPECT_EQ(driver.renderText(-1, 12, u"x"), nullptr);
    EXPECT_EQ(driver.renderText(70000, 70000, u"x"), nullptr);

    // Images come from the image loader; one that does not exist is null.
    EXPECT_EQ(driver.loadImage(u"/no/such/folder/image.gif", -1, -1, 0), nullptr);
    EXPECT_EQ(driver.loadImage(u"/no/such/folder/image.png", -1, -1, 0), nullptr);

    // Refresh and hide have no visible effect; the store keeps what was added.
    driver.addMessage("one");
    driver.refreshMessages();
    driver.hideMessages();
    EXPECT_STREQ(driver.messages().line(5), "one");
    EXPECT_EQ(driver.surface().width(), 240);
    EXPECT_EQ(driver.surface().pixel(0, 0), 0);  // the display starts black
}

}  // namespace
