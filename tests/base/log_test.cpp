#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <fstream>
#include <iterator>
#include <vector>

#include "base/log.h"
#include "support/temp_dir.h"

namespace {

// The echo the driver gives the log: records what reaches the message store.
struct RecordingDriver : LogEcho {
    std::vector<std::string> calls;
    std::vector<std::string> messages;
    void addMessage(const char* text) override {
        messages.push_back(text);
        calls.push_back(std::string("add:") + text);
    }
    void refreshMessages() override { calls.push_back("refresh"); }
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::string kBanner = "ORVELLA log: version: 1, build: 1";

TEST(Log, BannerJoinsFirstLineAndLinesFollowInOrder) {
    TempDir dir;
    RecordingDriver driver;
    openLog(&driver, dir.file("log.txt"));
    ASSERT_TRUE(logIsOpen());
    EXPECT_EQ(readFile(dir.file("log.txt")), "");  // buffered until closed
    logFormat("initializing application");
    logFormat("");  // an empty command line is an empty line
    logFormat("50% off %s %d");  // fixed text keeps its percent signs
    logFormat("key: %d", 49L);
    closeLog();
    EXPECT_FALSE(logIsOpen());
    EXPECT_EQ(readFile(dir.file("log.txt")),
              kBanner + "initializing application\n\n50% off %s %d\nkey: 49\n");
    const std::vector<std::string> expected = {"refresh", "add:initializing application", "add:",
                                               "add:50% off %s %d", "add:key: 49"};
    EXPECT_EQ(driver.calls, expected);
}

TEST(Log, EchoAndRefreshPerOperation) {
    TempDir dir;
    RecordingDriver driver;
    openLog(&driver, dir.file("log.txt"));
    logStarred("image not found: %s", "a.gif");
    logText(u"wide");
    logTextFileOnly(u"file only");
    logTextAlert(u"alert");
    closeLog();
    EXPECT_EQ(readFile(dir.file("log.txt")),
              kBanner + "* image not found: a.gif\nwide\nfile only\nalert\n");
    const std::vector<std::string> expected = {"refresh",  "add:image not found: a.gif", "refresh", "add:wide",
                                               "add:alert", "refresh"};
    EXPECT_EQ(driver.calls, expected);
}

TEST(Log, LinesAreCutTo255AndWideTextNarrowedToTheLowByte) {
    TempDir dir;
    RecordingDriver driver;
    openLog(&driver, dir.file("log.txt"));
    const std::string longText(300, 'x');
    logFormat(longText.c_str());
    logFormat("%s!", longText.c_str());
    logStarred("%s", longText.c_str());
    logText(std::u16string(256, u'y'));
    // U+0141 keeps 0x41 ('A'); U+2062 keeps 0x62 ('b'); U+00E9 stays the byte 0xE9.
    logText(u"\u0141\u2062\u00e9");
    closeLog();
    const std::string x255(255, 'x');
    const std::string expected =
        kBanner + x255 + "\n" + x255 + "\n* " + x255 + "\n" + std::string(255, 'y') + "\nAb\xE9\n";
    EXPECT_EQ(readFile(dir.file("log.txt")), expected);
    ASSERT_EQ(driver.messages.size(), 5u);
    EXPECT_EQ(driver.messages[0], x255);
    EXPECT_EQ(driver.messages[2], x255);  // starred echo carries no "* "
    EXPECT_EQ(driver.messages[4], "Ab\xE9");
}

TEST(Log, FormatsFillOnlyTheFirstFittingPlaceholder) {
    TempDir dir;
    RecordingDriver driver;
    openLog(&driver, dir.file("log.txt"));
    logFormat("%s and %s", "one");        // the second has no argument: text
    logFormat("%d%%", 100L);              // an escaped percent sign
    logFormat("%s", 7L);                  // a string placeholder given a number
    logFormat("count %d", "text");        // and the other way round
    logFormat("%5d|%-4s|", 42L);          // width kept; the second placeholder is text
    logFormat("%x %n", 255L);             // "%n" never writes anything
    logFormat("trailing %", "x");
    logFormat("%99999999s", "w");         // a huge width stays within one line
    logFormat(nullptr, "x");
    closeLog();
    const std::string expected = kBanner + "one and %s\n100%\n%s\ncount %d\n   42|%-4s|\nff %n\ntrailing %\n" +
                                 std::string(254, ' ') + "w\n\n";
    EXPECT_EQ(readFile(dir.file("log.txt")), expected);
}

TEST(Log, SilentWhileClosedOrNotCreatable) {
    RecordingDriver driver;
    // Never opened: nothing is echoed.
    logFormat("before open");
    logStarred("x %s", "y");
    logTextAlert(u"alert");
    EXPECT_TRUE(driver.calls.empty());

    TempDir dir;
    openLog(&driver, dir.file("missing-folder/log.txt"));
    EXPECT_FALSE(logIsOpen());
    logFormat("key: %d", 49L);
    logFormat("text");
    logStarred("image not found: %s", "a.gif");
    logText(u"w");
    logTextAlert(u"a");
    closeLog();
    EXPECT_TRUE(driver.messages.empty());
    const std::vector<std::string> onlyOpen = {"refresh"};
    EXPECT_EQ(driver.calls, onlyOpen);

    // After closing, lines are dropped again.
    openLog(&driver, dir.file("log.txt"));
    closeLog();
    logFormat("after close");
    EXPECT_EQ(readFile(dir.file("log.txt")), kBanner);
    EXPECT_TRUE(driver.messages.empty());
}

TEST(Log, ReopeningReplacesTheFile) {
    TempDir dir;
    std::ofstream(dir.file("log.txt"), std::ios::binary) << "old content that must go\n";
    openLog(nullptr, dir.file("log.txt"));  // no driver: the file alone
    logFormat("first");
    closeLog();
    EXPECT_EQ(readFile(dir.file("log.txt")), kBanner + "first\n");
}

}  // namespace
