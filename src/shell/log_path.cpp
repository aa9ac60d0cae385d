#include "shell/log_path.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

// An environment value that names an absolute folder, else empty.
std::string absoluteFolder(const char* variable) {
    const char* value = std::getenv(variable);
    if (!value || value[0] != '/') return std::string();
    return value;
}

}  // namespace

std::string defaultLogPath() {
    std::filesystem::path folder;
    const std::string state = absoluteFolder("XDG_STATE_HOME");
    if (!state.empty()) {
        folder = std::filesystem::path(state) / "orvella";
    } else {
        const std::string home = absoluteFolder("HOME");
        if (home.empty()) return "log.txt";
        folder = std::filesystem::path(home) / ".local" / "state" / "orvella";
    }
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return (folder / "log.txt").string();
}
