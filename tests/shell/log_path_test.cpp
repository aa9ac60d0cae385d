#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "shell/log_path.h"
#include "support/temp_dir.h"

namespace {

// Restores an environment variable when the test ends.
class EnvironmentValue {
public:
    explicit EnvironmentValue(const char* name) : name_(name) {
        const char* value = std::getenv(name);
        if (value) saved_ = value;
        had_ = value != nullptr;
    }
    ~EnvironmentValue() {
        if (had_) setenv(name_, saved_.c_str(), 1);
        else unsetenv(name_);
    }
    void set(const std::string& value) { setenv(name_, value.c_str(), 1); }
    void unset() { unsetenv(name_); }

private:
    const char* name_;
    std::string saved_;
    bool had_ = false;
};

TEST(Log, DefaultPathFollowsTheStateFolderAndCreatesIt) {
    EnvironmentValue state("XDG_STATE_HOME");
    EnvironmentValue home("HOME");
    TempDir dir;

    state.set(dir.file("state"));
    EXPECT_EQ(defaultLogPath(), dir.file("state/orvella/log.txt"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("state/orvella")));

    home.set(dir.file("home"));
    state.unset();
    EXPECT_EQ(defaultLogPath(), dir.file("home/.local/state/orvella/log.txt"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("home/.local/state/orvella")));

    state.set("relative/state");  // not absolute: ignored
    EXPECT_EQ(defaultLogPath(), dir.file("home/.local/state/orvella/log.txt"));
    state.set("");
    EXPECT_EQ(defaultLogPath(), dir.file("home/.local/state/orvella/log.txt"));
}

}  // namespace
