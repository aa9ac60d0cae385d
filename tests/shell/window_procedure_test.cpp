#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/driver_headless.h"
#include "base/log.h"
#include "shell/message_store.h"
#include "shell/test_support.h"
#include "shell/window_procedure.h"

using foundation_test::readFile;
using foundation_test::TempDir;

namespace {

// Records the input operations it receives.
class RecordingApplet : public Applet2D {
public:
    void init() override { calls.push_back("init"); }
    void frame() override { calls.push_back("frame"); }
    void stylusDown(uint16_t x, uint16_t y) override { record("down", x, y); }
    void stylusUp(uint16_t x, uint16_t y) override { record("up", x, y); }
    void stylusMove(uint16_t x, uint16_t y) override { record("move", x, y); }
    void keyDown(int32_t code, int32_t raw) override { record("key", code, raw); }
    void keyUp(int32_t code) override { calls.push_back("release " + std::to_string(code)); }

    std::vector<std::string> calls;

private:
    void record(const char* what, int32_t a, int32_t b) {
        calls.push_back(std::string(what) + " " + std::to_string(a) + " " + std::to_string(b));
    }
};

TEST(WindowProcedure, KeyTable) {
    const KeyList keys;
    struct Case {
        int32_t key, down, up;
    };
    const Case cases[] = {
        {0x26, 0, 0},   {0x28, 1, 1},   {0x25, 2, 2},   {0x27, 3, 3},   // arrows
        {0x41, 4, 4},   {0x42, 5, 5},   {0x43, 6, 6},   {0x1B, 7, 7},   // A B C Escape
        {0xC1, 4, -1},  {0xC2, 5, -1},  {0xC3, 6, -1},  {0xC4, 7, -1},  // hardware buttons
        {0x31, 4, -1},  {0x32, 5, -1},  {0x33, 6, -1},  {0x34, 7, -1},  // digits 1..4
        {0x30, -1, -1}, {0x35, -1, -1}, {0x44, -1, -1}, {0xC5, -1, -1}, {0, -1, -1}, {-1, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(logicalKeyDown(keys, c.key), c.down);
        EXPECT_EQ(logicalKeyUp(keys, c.key), c.up);
    }
    // A list whose B entry is 0xC2 releases it too; list entries win over fixed codes.
    KeyList device;
    device.b = 0xC2;
    device.a = 0x32;
    EXPECT_EQ(logicalKeyUp(device, 0xC2), 5);
    EXPECT_EQ(logicalKeyDown(device, 0x32), 4);
}

TEST(WindowProcedure, MessagesBecomeInputOperations) {
    TempDir dir;
    DriverHeadless driver(240, 320, 40);
    openLog(&driver, dir.file("log.txt"));
    RecordingApplet applet;
    const ShellMessage messages[] = {
        keyMessage(kMessageKeyDown, 0xC2),
        keyMessage(kMessageKeyUp, 0xC2),  // fixed codes are not recognised on release
        keyMessage(kMessageKeyDown, 0x31),
        keyMessage(kMessageKeyUp, 0x41),
        keyMessage(kMessageKeyDown, 0x26),
        keyMessage(kMessageKeyDown, 0x51),  // Q: logged, then ignored
        keyMessage(kMessageKeyUp, 0x1B),
        keyMessage(kMessageKeyDown, 0x10026),  // only the low 16 bits count
        keyMessage(kMessageKeyDown, 0xFFFF),   // read as a signed value: -1
        stylusMessage(kMessageStylusDown, 120, 160),
        stylusMessage(kMessageStylusMove, 65535, 0),
        stylusMessage(kMessageStylusUp, 7, 9),
        ShellMessage{0x0F, 0, 0},  // anything else: nothing
    };
    for (const ShellMessage& message : messages) EXPECT_EQ(windowProcedure(message, &applet, driver), 0);
    closeLog();
    const std::vector<std::string> expected = {"key 5 194", "key 4 49", "release 4", "key 0 38", "release 7",
                                               "key 0 38",  "down 120 160", "move 65535 0", "up 7 9"};
    EXPECT_EQ(applet.calls, expected);
    EXPECT_EQ(readFile(dir.file("log.txt")),
              "ORVELLA log: version: 1, build: 1key: 194\nkey: 49\nkey: 38\nkey: 81\nkey: 38\nkey: -1\n");
    // The "key: " lines reach the message store too.
    EXPECT_STREQ(driver.messages().line(5), "key: -1");
    EXPECT_STREQ(driver.messages().line(0), "key: 194");
}

TEST(WindowProcedure, DestroyPostsQuitAndNothingReachesAMissingApplet) {
    DriverHeadless driver(240, 320, 40);
    windowProcedure(keyMessage(kMessageKeyDown, 0x41), nullptr, driver);
    windowProcedure(stylusMessage(kMessageStylusDown, 1, 1), nullptr, driver);
    ShellMessage taken;
    EXPECT_FALSE(driver.takeAnyMessage(taken));
    windowProcedure(ShellMessage{kMessageDestroy, 0, 0}, nullptr, driver);
    ASSERT_TRUE(driver.takeAnyMessage(taken));
    EXPECT_EQ(taken.number, kMessageQuit);
    EXPECT_EQ(taken.first, 0u);
}

TEST(MessageStore, KeepsTheLastSixLinesCut) {
    MessageStore store;
    for (int i = 0; i < MessageStore::kLines; ++i) EXPECT_STREQ(store.line(i), "");
    for (int i = 1; i <= 6; ++i) store.add(("line " + std::to_string(i)).c_str());
    EXPECT_STREQ(store.line(0), "line 1");
    EXPECT_STREQ(store.line(5), "line 6");
    store.add("line 7");  // the seventh drops the oldest
    EXPECT_STREQ(store.line(0), "line 2");
    EXPECT_STREQ(store.line(4), "line 6");
    EXPECT_STREQ(store.line(5), "line 7");
    const std::string longLine(400, 'z');
    store.add(longLine.c_str());
    EXPECT_EQ(std::string(store.line(5)), std::string(254, 'z'));
    store.add(nullptr);
    EXPECT_STREQ(store.line(5), "");
    EXPECT_EQ(std::string(store.line(4)), std::string(254, 'z'));
}

}  // namespace
