#include "shell/command_line.h"

#include <algorithm>
#include <thread>

namespace {

constexpr int64_t kMaxDisplaySide = 8192;
constexpr int64_t kMaxZoom = 16;
constexpr int64_t kMaxFrames = int64_t{1} << 62;
constexpr int64_t kMaxFrameMs = 86400000;  // one day per frame
constexpr int64_t kMaxThreads = 64;        // the Rasterizer's own limit

// A whole decimal number in min..max, or -1.
int64_t parseCount(const std::string& text, int64_t min, int64_t max) {
    if (text.empty() || text.size() > 19) return -1;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        if (value > (max - (c - '0')) / 10) return -1;
        value = value * 10 + (c - '0');
    }
    return value < min ? -1 : value;
}

bool parseSize(const std::string& text, ViewerOptions& options) {
    const std::size_t cross = text.find('x');
    if (cross == std::string::npos) return false;
    const int64_t width = parseCount(text.substr(0, cross), 1, kMaxDisplaySide);
    const int64_t height = parseCount(text.substr(cross + 1), 1, kMaxDisplaySide);
    if (width < 0 || height < 0) return false;
    options.width = static_cast<int32_t>(width);
    options.height = static_cast<int32_t>(height);
    return true;
}

bool takesValue(const std::string& name) {
    for (const char* option : {"--size", "--zoom", "--frames", "--frame-ms", "--input", "--screenshot", "--log",
                               "--install-dir", "--threads", "--profile"}) {
        if (name == option) return true;
    }
    return false;
}

// Stores the value of an option that takes one; false when it is not valid.
bool applyValue(const std::string& name, const std::string& value, ViewerOptions& options) {
    if (name == "--size") return parseSize(value, options);
    if (name == "--zoom") {
        const int64_t zoom = parseCount(value, 1, kMaxZoom);
        options.zoom = static_cast<int32_t>(zoom);
        return zoom >= 0;
    }
    if (name == "--frames") {
        options.frames = parseCount(value, 0, kMaxFrames);
        return options.frames >= 0;
    }
    if (name == "--frame-ms") {
        const int64_t ms = parseCount(value, 0, kMaxFrameMs);
        options.frameMs = static_cast<uint32_t>(ms);
        return ms >= 0;
    }
    if (name == "--threads") {
        const int64_t threads = parseCount(value, 1, kMaxThreads);
        options.threads = static_cast<int32_t>(threads);
        return threads >= 1;
    }
    if (name == "--profile") {
        // Exactly the two names; the choice is made once, before the world is read.
        if (value == "core") options.profile = Profile::Core;
        else if (value == "full") options.profile = Profile::Full;
        else return false;
        return true;
    }
    if (value.empty()) return false;
    if (name == "--input") options.input = value;
    else if (name == "--screenshot") options.screenshot = value;
    else if (name == "--log") options.log = value;
    else options.installDir = value;
    return true;
}

bool applyFlag(const std::string& name, ViewerOptions& options) {
    if (name == "--headless") options.headless = true;
    else if (name == "--check") options.check = true;
    else if (name == "--no-overlay") options.overlay = false;
    else if (name == "--help" || name == "-h") options.help = true;
    else if (name == "--version") options.version = true;
    else return false;
    return true;
}

}  // namespace

int32_t defaultThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    if (cores == 0) return 1;
    return static_cast<int32_t>(std::min<unsigned>(cores, kMaxThreads));
}

bool parseCommandLine(const std::vector<std::string>& args, ViewerOptions& options, std::string& error) {
    bool optionsEnded = false;
    bool haveWorld = false;
    std::string headlessOnly;  // the first option given that only a headless run uses
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        if (!isOption) {
            if (haveWorld) {
                error = "unexpected argument \"" + arg + "\": only one world can be given";
                return false;
            }
            options.world = arg;
            haveWorld = true;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (!takesValue(name)) {
            ViewerOptions scratch;
            if (!applyFlag(name, scratch)) {
                error = "unknown option \"" + arg + "\"";
                return false;
            }
            if (equals != std::string::npos) {
                error = "option \"" + name + "\" takes no value";
                return false;
            }
            applyFlag(name, options);
            continue;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            error = "option \"" + name + "\" needs a value";
            return false;
        }
        if (!applyValue(name, value, options)) {
            error = "bad value \"" + value + "\" for option \"" + name + "\"";
            return false;
        }
        if (headlessOnly.empty() && (name == "--input" || name == "--frame-ms")) headlessOnly = name;
    }
    // A window takes its input from the user and its time from the clock:
    // these would be ignored without a word.
    if (!headlessOnly.empty() && !options.headless && !options.check) {
        error = "option \"" + headlessOnly + "\" needs --headless";
        return false;
    }
    return true;
}

int64_t frameLimit(const ViewerOptions& options) {
    if (options.frames >= 0) return options.frames;
    return options.headless ? 1 : -1;
}

std::string usageText() {
    return "usage: viewer [OPTIONS] [--] [WORLD]\n"
           "WORLD is a file or an http:// or https:// URL (gzip-compressed or not); without it,\n"
           "sample.wrl from the installation directory.\n"
           "  --size WxH          display size in pixels (default 240x320)\n"
           "  --zoom N            window: each display pixel as N x N screen pixels (default 2)\n"
           "  --headless          no window: off-screen display, virtual clock, scripted input\n"
           "  --frames N          stop after N frames (headless default 1)\n"
           "  --frame-ms MS       headless: virtual milliseconds per frame (default 40)\n"
           "  --input FILE        headless: scripted input\n"
           "  --screenshot FILE   write the display as a PNG when the program ends\n"
           "  --log FILE          log file (default $XDG_STATE_HOME/orvella/log.txt)\n"
           "  --install-dir DIR   folder of font.gif, logo.gif and sample.wrl\n"
           "  --check             load the world only and report it\n"
           "  --no-overlay        no frame-rate line, title or logo (clean screenshots)\n"
           "  --threads N         draw the frame in N bands of rows at once, 1..64 (default: the cores)\n"
           "  --profile core|full node set: core (default) or full, the wider set real-world files use\n"
           "  --help, --version   this text, or the version\n";
}
