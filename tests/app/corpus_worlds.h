// The worlds of the shared corpus of third-party files, for the tests that
// run every one of them: each ".wrl" file below ../shared/corpus, and the
// compressed ones (".wrz", ".wrl.gz"), in name order. Empty when the corpus
// is not there (a user's clone has none).
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

inline bool isCorpusWorld(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    auto endsWith = [&name](const std::string& tail) {
        return name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
    };
    return endsWith(".wrl") || endsWith(".wrz") || endsWith(".wrl.gz");
}

inline std::vector<std::filesystem::path> corpusWorlds() {
    std::vector<std::filesystem::path> files;
    const std::filesystem::path corpus = std::filesystem::path(ORVELLA_SHARED_DIR) / "corpus";
    std::error_code error;
    if (!std::filesystem::is_directory(corpus, error)) return files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus, error)) {
        if (entry.is_regular_file() && isCorpusWorld(entry.path())) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}
