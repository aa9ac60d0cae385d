#include <gtest/gtest.h>

#include <string>

#include "shell/input_script.h"

namespace {

TEST(InputScript, EveryEventKind) {
    const std::string text =
        "# comment\r\n"
        "   # indented comment\n"
        "\t\n"
        "1 down 0 0\r\n"
        "1   move\t65535 7\n"
        "2 up 12 34\n"
        "3 key up\n3 key down\n3 key left\n3 key right\n"
        "3 key a\n3 key b\n3 key c\n3 key start\n"
        "4 release 49\n"
        "4 key 0xC2\n"
        "5 quit\n"
        "999999 key 0";  // no final line break
    const InputScript script = parseInputScript(text, KeyList{});
    ASSERT_EQ(script.errorLine, 0) << script.error;
    ASSERT_EQ(script.events.size(), 15u);
    const struct {
        int64_t frame;
        uint32_t number, first, second;
    } expected[] = {
        {1, kMessageStylusDown, 0, 0},
        {1, kMessageStylusMove, 0, 65535u | (7u << 16)},
        {2, kMessageStylusUp, 0, 12u | (34u << 16)},
        {3, kMessageKeyDown, 0x26, 0}, {3, kMessageKeyDown, 0x28, 0}, {3, kMessageKeyDown, 0x25, 0},
        {3, kMessageKeyDown, 0x27, 0}, {3, kMessageKeyDown, 0x41, 0}, {3, kMessageKeyDown, 0x42, 0},
        {3, kMessageKeyDown, 0x43, 0}, {3, kMessageKeyDown, 0x1B, 0},
        {4, kMessageKeyUp, 49, 0},
        {4, kMessageKeyDown, 0xC2, 0},
        {5, kMessageDestroy, 0, 0},
        {999999, kMessageKeyDown, 0, 0},
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(script.events[i].frame, expected[i].frame);
        EXPECT_EQ(script.events[i].message.number, expected[i].number);
        EXPECT_EQ(script.events[i].message.first, expected[i].first);
        EXPECT_EQ(script.events[i].message.second, expected[i].second);
    }
}

TEST(InputScript, MalformedLinesNameTheirLineNumber) {
    const struct {
        const char* text;
        int32_t line;
    } cases[] = {
        {"1 jump", 1},
        {"# ok\n\n1 down 1 2\n0 down 1 2", 4},        // frames count from 1
        {"x down 1 2", 1},
        {"-1 down 1 2", 1},
        {"1", 1},
        {"1 down 1", 1},
        {"1 down 1 2 3", 1},
        {"1 down -1 2", 1},
        {"1 down 65536 0", 1},
        {"1 move 1.5 2", 1},
        {"1 key", 1},
        {"1 key escape", 1},                           // names are the eight of the list
        {"1 key A", 1},                                // and lower case
        {"1 key 65536", 1},
        {"1 key 0x", 1},
        {"1 release up up", 1},
        {"1 quit now", 1},
        {"1 DOWN 1 2", 1},
        {"1 down 1 2 # trailing comment", 1},
        {"1 down 1 2\n2 up 1 2\n\n3 up 1 2 extra\n4 quit", 4},
        {"99999999999999999999 quit", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const InputScript script = parseInputScript(c.text, KeyList{});
        EXPECT_EQ(script.errorLine, c.line);
        EXPECT_FALSE(script.error.empty());
        EXPECT_TRUE(script.events.empty());
    }
}

}  // namespace
