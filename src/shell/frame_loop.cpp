#include "shell/frame_loop.h"

#include "shell/stop_signals.h"
#include "shell/window_procedure.h"

namespace {
// Shells report a run ended by signal N with 128 + N.
constexpr int32_t kSignalExitBase = 128;
}  // namespace

int32_t runFrameLoop(Applet2D& applet, ShellDriver& driver, int64_t frameLimit) {
    int64_t frames = 0;
    while (frameLimit < 0 || frames < frameLimit) {
        if (const int signal = stopSignal()) return kSignalExitBase + signal;
        driver.frameStarting();
        applet.frame();
        ++frames;
        driver.frameFinished();

        ShellMessage message;
        while (driver.takePointerMessage(message)) windowProcedure(message, &applet, driver);
        while (driver.takeKeyMessage(message)) windowProcedure(message, &applet, driver);
        if (driver.takeAnyMessage(message)) {
            if (message.number == kMessageQuit) return static_cast<int32_t>(message.first);
            windowProcedure(message, &applet, driver);
        }
    }
    return 0;
}
