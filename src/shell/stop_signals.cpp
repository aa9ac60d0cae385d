#include "shell/stop_signals.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t receivedSignal = 0;

// Only the flag is set here: everything else (the log, the files) is done by
// the frame loop once it sees it.
extern "C" void onStopSignal(int signal) { receivedSignal = signal; }

}  // namespace

void installStopSignals() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int stopSignal() { return receivedSignal; }

void clearStopSignal() { receivedSignal = 0; }
