// SIGINT and SIGTERM end a run the way a quit does: the frame loop stops at
// its next pass, the log is flushed and closed, the screenshot written, and
// the exit code is 128 + the signal, as shells expect.
#pragma once

// Installs the handlers (once; later calls do nothing).
void installStopSignals();
// The signal that asked the run to stop, or 0.
int stopSignal();
// Forgets a received signal (for tests).
void clearStopSignal();
