#include "support/viewer_process.h"

#include <fcntl.h>
#include <png.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <fstream>
#include <iterator>

extern char** environ;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Launch {
    std::map<std::string, std::string> overrides;
    std::string workingDir;  // empty: the test's own
    int signal = 0;
    int afterMilliseconds = 0;
    uint64_t addressLimit = 0;  // 0: none
};

ViewerRun spawnViewer(const TempDir& dir, const std::vector<std::string>& args, const Launch& launch) {
    const std::map<std::string, std::string>& overrides = launch.overrides;
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        if (!overrides.count(text.substr(0, text.find('=')))) environment.push_back(text);
    }
    for (const auto& [name, value] : overrides) {
        if (!value.empty()) environment.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (std::string& text : environment) envp.push_back(text.data());
    envp.push_back(nullptr);

    std::vector<std::string> argStrings = {ORVELLA_VIEWER_PATH};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& text : argStrings) argv.push_back(text.data());
    argv.push_back(nullptr);

    const std::string outPath = dir.file("stdout.txt");
    const std::string errPath = dir.file("stderr.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (!launch.workingDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, launch.workingDir.c_str());
    ViewerRun run;
    pid_t pid = 0;
    // The child takes the limit with it; the test process gets its own back
    // at once.
    rlimit saved{};
    getrlimit(RLIMIT_AS, &saved);
    if (launch.addressLimit != 0) {
        rlimit limited = saved;
        limited.rlim_cur = static_cast<rlim_t>(launch.addressLimit);
        setrlimit(RLIMIT_AS, &limited);
    }
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    if (launch.addressLimit != 0) setrlimit(RLIMIT_AS, &saved);
    if (spawned == 0) {
        int status = 0;
        if (launch.signal != 0) {
            usleep(static_cast<useconds_t>(launch.afterMilliseconds) * 1000);
            kill(pid, launch.signal);
        }
        waitpid(pid, &status, 0);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = readFile(outPath);
    run.err = readFile(errPath);
    return run;
}

}  // namespace

ViewerRun runViewer(const TempDir& dir, const std::vector<std::string>& args,
                    const std::map<std::string, std::string>& overrides, const std::string& workingDir) {
    return spawnViewer(dir, args, Launch{overrides, workingDir});
}

ViewerRun runViewerThenSignal(const TempDir& dir, const std::vector<std::string>& args, int signal,
                              int afterMilliseconds) {
    return spawnViewer(dir, args, Launch{{}, {}, signal, afterMilliseconds});
}

ViewerRun runViewerInAddressSpace(const TempDir& dir, const std::vector<std::string>& args, uint64_t bytes) {
    return spawnViewer(dir, args, Launch{{}, {}, 0, 0, bytes});
}

bool readPng(const std::string& path, int& width, int& height, std::vector<uint8_t>* rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    const bool read = png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    png_image_free(&image);
    if (rgb) *rgb = std::move(pixels);
    return read;
}

