#include "support/viewer_process.h"

#include <png.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>

#include "support/child_process.h"

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
    std::vector<std::string> command = {ORVELLA_VIEWER_PATH};
    command.insert(command.end(), args.begin(), args.end());
    const std::string outPath = dir.file("stdout.txt");
    const std::string errPath = dir.file("stderr.txt");
    // The child takes the limit with it; the test process gets its own back
    // at once.
    rlimit saved{};
    getrlimit(RLIMIT_AS, &saved);
    if (launch.addressLimit != 0) {
        rlimit limited = saved;
        limited.rlim_cur = static_cast<rlim_t>(launch.addressLimit);
        setrlimit(RLIMIT_AS, &limited);
    }
    ChildProcess viewer(command, launch.overrides, launch.workingDir, outPath, errPath);
    if (launch.addressLimit != 0) setrlimit(RLIMIT_AS, &saved);
    if (viewer.started() && launch.signal != 0) {
        usleep(static_cast<useconds_t>(launch.afterMilliseconds) * 1000);
        kill(viewer.pid(), launch.signal);
    }
    ViewerRun run;
    run.exitCode = viewer.wait();
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

