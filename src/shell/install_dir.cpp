#include "shell/install_dir.h"

#include <filesystem>
#include <system_error>

namespace {
std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder.push_back('/');
    return folder;
}
}  // namespace

std::string findInstallDir(const std::string& given, const std::string& executable) {
    if (!given.empty()) return withSlash(given);
    if (!executable.empty()) {
        const std::filesystem::path binFolder = std::filesystem::path(executable).parent_path();
        const std::filesystem::path shared = (binFolder / ".." / "share" / "orvella").lexically_normal();
        std::error_code ignored;
        if (std::filesystem::is_directory(shared, ignored)) return withSlash(shared.string());
    }
    return withSlash(ORVELLA_ASSET_DIR);
}

std::string executablePath() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.string();
}
