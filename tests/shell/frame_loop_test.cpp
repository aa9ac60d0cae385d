#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/driver_headless.h"
#include "shell/frame_loop.h"

namespace {

// Records frames (with the clock) and input; Start quits through the driver,
// as the viewer does.
class LoopApplet : public Applet2D {
public:
    explicit LoopApplet(Driver2D& driver) : driver_(driver) {}
    void init() override {}
    void frame() override { calls.push_back("frame@" + std::to_string(driver_.ticks())); }
    void stylusDown(uint16_t x, uint16_t y) override { record("down", x, y); }
    void stylusUp(uint16_t x, uint16_t y) override { record("up", x, y); }
    void stylusMove(uint16_t x, uint16_t y) override { record("move", x, y); }
    void keyDown(int32_t code, int32_t) override {
        calls.push_back("key " + std::to_string(code));
        if (code == kKeyStart) driver_.quit();
    }
    void keyUp(int32_t code) override { calls.push_back("release " + std::to_string(code)); }

    std::vector<std::string> calls;

private:
    void record(const char* what, int32_t x, int32_t y) {
        calls.push_back(std::string(what) + " " + std::to_string(x) + "," + std::to_string(y));
    }
    Driver2D& driver_;  // not owned
};

using Calls = std::vector<std::string>;
const ShellMessage kOther{0x0F, 0, 0};
const ShellMessage kDestroy{kMessageDestroy, 0, 0};

TEST(FrameLoop, StylusBeforeKeysAndQuitLast) {
    DriverHeadless driver(240, 320, 40);
    LoopApplet applet(driver);
    // Pending before the loop: nothing reaches the applet before the first frame.
    driver.post(keyMessage(kMessageKeyDown, 0x41));
    driver.post(ShellMessage{kMessageQuit, 0, 0});
    driver.post(keyMessage(kMessageKeyUp, 0x41));
    driver.post(stylusMessage(kMessageStylusDown, 3, 4));
    driver.post(stylusMessage(kMessageStylusMove, 5, 6));
    EXPECT_EQ(runFrameLoop(applet, driver, -1), 0);
    // The quit is taken only after every pending stylus and key message; no
    // frame runs after it.
    EXPECT_EQ(applet.calls, (Calls{"frame@40", "down 3,4", "move 5,6", "key 4", "release 4"}));
}

TEST(FrameLoop, OneOtherMessagePerFrame) {
    DriverHeadless driver(240, 320, 40);
    LoopApplet applet(driver);
    for (int i = 0; i < 5; ++i) driver.post(kOther);
    driver.post(ShellMessage{kMessageQuit, 0, 0});
    EXPECT_EQ(runFrameLoop(applet, driver, -1), 0);
    // Five other messages take five frames; the quit is the sixth pass's message.
    EXPECT_EQ(applet.calls, (Calls{"frame@40", "frame@80", "frame@120", "frame@160", "frame@200", "frame@240"}));
}

TEST(FrameLoop, StartEndsThisPassAndClosingTheWindowTheNext) {
    {
        DriverHeadless driver(240, 320, 40);
        LoopApplet applet(driver);
        driver.post(keyMessage(kMessageKeyDown, 0x1B));
        EXPECT_EQ(runFrameLoop(applet, driver, -1), 0);
        EXPECT_EQ(applet.calls, (Calls{"frame@40", "key 7"}));
    }
    {
        DriverHeadless driver(240, 320, 40);
        LoopApplet applet(driver);
        driver.post(kDestroy);
        EXPECT_EQ(runFrameLoop(applet, driver, -1), 0);
        EXPECT_EQ(applet.calls, (Calls{"frame@40", "frame@80"}));
    }
    {
        // A message waiting ahead of the quit delays it by one frame.
        DriverHeadless driver(240, 320, 40);
        LoopApplet applet(driver);
        driver.post(kOther);
        driver.post(keyMessage(kMessageKeyDown, 0x34));  // digit 4 is Start too
        EXPECT_EQ(runFrameLoop(applet, driver, -1), 0);
        EXPECT_EQ(applet.calls, (Calls{"frame@40", "key 7", "frame@80"}));
    }
}

TEST(FrameLoop, ExitCodeAndFrameLimit) {
    {
        DriverHeadless driver(240, 320, 40);
        LoopApplet applet(driver);
        driver.postQuit(3);
        EXPECT_EQ(runFrameLoop(applet, driver, -1), 3);
    }
    {
        DriverHeadless driver(240, 320, 25);
        LoopApplet applet(driver);
        EXPECT_EQ(driver.ticks(), 0u);  // during init
        EXPECT_EQ(runFrameLoop(applet, driver, 3), 0);
        EXPECT_EQ(applet.calls, (Calls{"frame@25", "frame@50", "frame@75"}));
    }
    {
        DriverHeadless driver(240, 320, 40);
        LoopApplet applet(driver);
        EXPECT_EQ(runFrameLoop(applet, driver, 0), 0);
        EXPECT_TRUE(applet.calls.empty());
    }
}

TEST(FrameLoop, ScriptedEventsArriveAfterTheirFrame) {
    const std::string text =
        "# a tap, a key and a close\n"
        "2 key c\n"
        "\n"
        "1 down 10 20\n"
        "2 down 30 40\n"
        "2 release c\n"
        "3 quit\n";
    InputScript script = parseInputScript(text, KeyList{});
    ASSERT_EQ(script.errorLine, 0) << script.error;
    DriverHeadless driver(240, 320, 40, script.events);
    LoopApplet applet(driver);
    EXPECT_EQ(runFrameLoop(applet, driver, 10), 0);
    EXPECT_EQ(applet.calls, (Calls{"frame@40", "down 10,20", "frame@80", "down 30,40", "key 6", "release 6",
                                   "frame@120", "frame@160"}));
}

TEST(FrameLoop, VirtualClockWrapsLikeAMillisecondCounter) {
    DriverHeadless driver(8, 8, 0x80000000u);
    LoopApplet applet(driver);
    runFrameLoop(applet, driver, 3);
    EXPECT_EQ(applet.calls, (Calls{"frame@2147483648", "frame@0", "frame@2147483648"}));
}

}  // namespace
