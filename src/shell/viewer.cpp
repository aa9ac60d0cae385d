// Start-up order: the driver (window or off-screen display), the log, the
// installation directory, the application; "initializing application", init,
// "application initialized"; the frame loop; then the log is closed, the
// application destroyed and the screenshot written.
#include "shell/viewer.h"

#include <cstdio>
#include <new>
#include <memory>

#include "app/check_world.h"
#include "app/render_sample.h"
#include "scene/node_registry.h"
#include "shell/command_line.h"
#include "shell/driver_headless.h"
#include "shell/driver_sdl.h"
#include "shell/frame_loop.h"
#include "shell/install_dir.h"
#include "base/log.h"
#include "shell/log_path.h"
#include "shell/png_writer.h"
#include "shell/stop_signals.h"

namespace {

constexpr int kExitStartFailed = 1;
constexpr int kExitUsage = 2;

// The bytes of a regular file; false for a folder, a missing or unreadable
// file, or a read error part way.
bool readWholeFile(const std::string& path, std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char block[8192];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) text.append(block, got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

// The headless input script, or an error message naming the file and line.
bool loadScript(const std::string& path, const KeyList& keys, std::vector<ScriptEvent>& events, std::string& error) {
    if (path.empty()) return true;
    std::string text;
    if (!readWholeFile(path, text)) {
        error = "cannot read input script \"" + path + "\"";
        return false;
    }
    InputScript script = parseInputScript(text, keys);
    if (script.errorLine > 0) {
        error = "input script \"" + path + "\", line " + std::to_string(script.errorLine) + ": " + script.error;
        return false;
    }
    events = std::move(script.events);
    return true;
}

// The driver, or null when it has no display (no window system, or no memory
// for the display surface).
std::unique_ptr<ShellDriver> makeDriver(const ViewerOptions& options, std::vector<ScriptEvent> events,
                                        std::string& reason) {
    if (!options.headless) return DriverSDL::create(options.width, options.height, options.zoom, &reason);
    std::unique_ptr<ShellDriver> driver(
        new (std::nothrow) DriverHeadless(options.width, options.height, options.frameMs, std::move(events)));
    if (!driver || !driver->surface().ready()) {
        reason = "out of memory for the display";
        return nullptr;
    }
    return driver;
}

// The application's whole life on an open driver; returns the loop's exit code.
int runApplication(const ViewerOptions& options, ShellDriver& driver, std::ostream& err) {
    openLog(&driver, options.log.empty() ? defaultLogPath() : options.log);
    const std::string installDir = findInstallDir(options.installDir, executablePath());
    auto application = std::make_unique<RenderSample>(&driver, widenText(options.world), widenText(installDir),
                                                      options.width, options.height);
    application->showOverlay = options.overlay;
    application->threads = options.threads;
    application->profile = options.profile;
    logFormat("initializing application");
    application->init();
    logFormat("application initialized");
    // The viewer runs on with an empty world; the user is told why.
    if (!application->loadFailure.empty())
        err << "viewer: cannot load the world \"" << narrowText(application->worldName)
            << "\": " << application->loadFailure << "\n";
    if (!application->profileNotice.empty()) err << application->profileNotice << "\n";
    const int exitCode = runFrameLoop(*application, driver, frameLimit(options));
    closeLog();
    application.reset();
    releaseNodeRegistry();
    return exitCode;
}

// --check: the world is read with no display and no application, but the log
// is written as in a normal run, the reader's messages included.
int runCheck(const ViewerOptions& options, std::ostream& out, std::ostream& err) {
    DriverHeadless driver(options.width, options.height, options.frameMs, {});
    openLog(&driver, options.log.empty() ? defaultLogPath() : options.log);
    const std::string installDir = findInstallDir(options.installDir, executablePath());
    const int exitCode =
        checkWorld(options.world.empty() ? installDir + "sample.wrl" : options.world, out, options.profile, &err);
    closeLog();
    releaseNodeRegistry();
    return exitCode;
}

}  // namespace

int runViewer(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ViewerOptions options;
    std::string error;
    if (!parseCommandLine(args, options, error)) {
        err << "viewer: " << error << "\n" << usageText();
        return kExitUsage;
    }
    if (options.help) {
        out << usageText();
        return 0;
    }
    if (options.version) {
        out << "Orvella beta 0.1 (viewer, log version 1, build 1)\n";
        return 0;
    }
    if (options.check) return runCheck(options, out, err);

    std::vector<ScriptEvent> events;
    if (options.headless && !loadScript(options.input, KeyList{}, events, error)) {
        err << "viewer: " << error << "\n";
        return kExitUsage;
    }
    installStopSignals();
    std::string reason;
    std::unique_ptr<ShellDriver> driver = makeDriver(options, std::move(events), reason);
    if (!driver) {
        err << "Error while initializing applivation\n" << "viewer: " << reason << "\n";
        return kExitStartFailed;
    }
    int exitCode = runApplication(options, *driver, err);
    if (!options.screenshot.empty() && !writePng(driver->surface(), options.screenshot)) {
        err << "viewer: cannot write the screenshot \"" << options.screenshot << "\"\n";
        if (exitCode == 0) exitCode = kExitStartFailed;
    }
    return exitCode;
}
