// The profile choice: the command line, and the core
// profile's one line about the node types only the full profile draws, as
// the built viewer writes it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/command_line.h"
#include "shell/test_support.h"
#include "support/viewer_process.h"

using foundation_test::readFile;
using foundation_test::TempDir;
using foundation_test::writeFile;

namespace {

TEST(Profile, CommandLineCases) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        Profile profile;
        std::string error;
    };
    const Case cases[] = {
        {{}, true, Profile::Core, ""},
        {{"--profile", "full"}, true, Profile::Full, ""},
        {{"--profile=full", "world.wrl"}, true, Profile::Full, ""},
        {{"--profile", "core"}, true, Profile::Core, ""},
        {{"--profile=full", "--profile", "core"}, true, Profile::Core, ""},
        {{"--check", "--profile", "full", "--", "--profile"}, true, Profile::Full, ""},
        {{"--profile", "basic"}, false, Profile::Core, "bad value \"basic\" for option \"--profile\""},
        {{"--profile", "Full"}, false, Profile::Core, "bad value \"Full\" for option \"--profile\""},
        {{"--profile="}, false, Profile::Core, "bad value \"\" for option \"--profile\""},
        {{"--profile"}, false, Profile::Core, "option \"--profile\" needs a value"},
        {{"--profile", "full", "--profile"}, false, Profile::Core, "option \"--profile\" needs a value"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const std::string& arg : c.args) joined += arg + " ";
        SCOPED_TRACE(joined);
        ViewerOptions options;
        std::string error;
        EXPECT_EQ(parseCommandLine(c.args, options, error), c.ok);
        EXPECT_EQ(error, c.error);
        if (c.ok) {
            EXPECT_EQ(options.profile, c.profile);
        }
    }
    EXPECT_NE(usageText().find("\n  --profile core|full "), std::string::npos) << usageText();
}

TEST(Profile, TheCoreProfileNamesTheTypesOnlyTheFullProfileDraws) {
    const std::string notice = "viewer: this world uses node types that only --profile full draws: ";
    struct Case {
        std::string world;
        std::vector<std::string> extra;  // more arguments
        std::string line;                // the notice's list; empty: no notice
    };
    const Case cases[] = {
        // Each type once, in the order of first appearance, wherever it stands.
        {"Switch { } Box { } Group { children [ Switch { } Sphere { } ] } Box { }", {}, "Switch, Box, Sphere"},
        {"Switch { } Box { } Group { children [ Switch { } Sphere { } ] } Box { }", {"--profile", "full"}, ""},
        {"Transform { children Shape { geometry Cylinder { } } } PointLight { } Inline { url \"x.wrl\" }", {},
         "Cylinder, PointLight, Inline"},
        // Types that stay out in both profiles are not named, nor WorldInfo,
        // which the full profile keeps but which shows nothing.
        {"Group { } Text { } Script { } Sound { } Fog { } WorldInfo { }", {}, ""},
        {"WorldInfo { } Normal { } Color { }", {}, "Normal, Color"},
        {"Group { }", {}, ""},
        // A world made only of such types loads nothing in core: the line
        // says why.
        {"Box { } Cone { }", {}, "Box, Cone"},
        {"Switch { } Box { } Group { children Box { } }", {"--check"}, "Switch, Box"},
        {"Switch { } Box { } Group { }", {"--check", "--profile=full"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.world);
        TempDir dir;
        writeFile(dir.file("world.wrl"), "#VRML V2.0 utf8\n" + c.world + "\n");
        std::vector<std::string> args = {"--headless", "--log", dir.file("log.txt"), "--install-dir", dir.path()};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        args.push_back(dir.file("world.wrl"));
        const ViewerRun run = runViewer(dir, args);
        // Exit codes as ever: 1 only for --check of a world that made nothing.
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const std::size_t at = run.err.find(notice);
        if (c.line.empty()) {
            EXPECT_EQ(at, std::string::npos) << run.err;
            continue;
        }
        ASSERT_NE(at, std::string::npos) << run.err;
        // One whole line, said once.
        EXPECT_TRUE(at == 0 || run.err[at - 1] == '\n') << run.err;
        EXPECT_EQ(run.err.substr(at, run.err.find('\n', at) - at), notice + c.line);
        EXPECT_EQ(run.err.find(notice, at + 1), std::string::npos) << run.err;
        // Neither the log nor the --check report carries it.
        EXPECT_EQ(readFile(dir.file("log.txt")).find("--profile"), std::string::npos);
        EXPECT_EQ(run.out.find("--profile"), std::string::npos) << run.out;
    }
}

}  // namespace
