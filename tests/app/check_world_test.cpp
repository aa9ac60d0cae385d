// The --check mode, in-process: the reader's messages as they are logged,
// then the one summary line, and the exit code.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/check_world.h"
#include "base/log.h"
#include "vrml/reader_test_support.h"

namespace {

using CheckWorld = ReaderTest;

// Runs checkWorld into a string; returns the exit code and the text.
std::pair<int, std::string> check(const std::string& world) {
    std::ostringstream out;
    const int code = checkWorld(world, out);
    return {code, out.str()};
}

TEST_F(CheckWorld, MessagesThenTheSummary) {
    openTestLog();
    const std::string world = scratch.write(
        "world.wrl",
        "#VRML V2.0 utf8\n"
        "Group {\n"
        "  children Foo { }\n"
        "  bogus 1\n"
        "}\n"
        "DEF S Shape { geometry IndexedFaceSet { } }\n"
        "USE S\n"
        "DEF T TimeSensor { } DEF I ScalarInterpolator { }\n"
        "ROUTE T.fraction_changed TO I.set_fraction\n"
        "ROUTE T.nothing TO I.set_fraction\n");
    const auto [code, text] = check(world);
    EXPECT_EQ(code, 0);
    // Nodes: root, Group, S, its IndexedFaceSet, the copy of S, T, I and the
    // three defaults. Routes: one ROUTE and two for the USE of S.
    EXPECT_EQ(text,
              "Unrecognized node type 'Foo' at line: 3\n"
              "Unrecognized field type 'bogus' at line: 4\n"
              "Error in route:10\n"
              "world loaded: 10 nodes, 3 routes\n");
    EXPECT_EQ(logFileText(),
              "ORVELLA log: version: 1, build: 1"
              "Unrecognized node type 'Foo' at line: 3\n"
              "Unrecognized field type 'bogus' at line: 4\n"
              "Error in route:10\n");
}

TEST_F(CheckWorld, WorldsThatDoNotLoad) {
    for (const std::string& world : {scratch.write("empty.wrl", ""), scratch.file("missing.wrl")}) {
        SCOPED_TRACE(world);
        const auto [code, text] = check(world);
        EXPECT_EQ(code, 1);
        EXPECT_EQ(text, "world not loaded\n");
    }
    const auto [code, text] = check(scratch.write("only.wrl", "Sphere { }\n\nBox { }"));
    EXPECT_EQ(code, 1);
    EXPECT_EQ(text,
              "Unrecognized node type 'Sphere' at line: 1\n"
              "Unrecognized node type 'Box' at line: 3\n"
              "world not loaded\n");
}

TEST_F(CheckWorld, LongMessagesArePrintedAsLogged) {
    const std::string longName(400, 'Z');
    const auto [code, text] = check(scratch.write("long.wrl", longName + " { }\nGroup { }"));
    EXPECT_EQ(code, 0);
    const std::string message = ("Unrecognized node type '" + longName).substr(0, 255);
    EXPECT_EQ(text, message + "\nworld loaded: 5 nodes, 0 routes\n");
}

}  // namespace
