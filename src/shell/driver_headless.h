// DriverHeadless: the driver without a window. The display is an off-screen
// surface, the clock is virtual and input comes from a script, so a run is the
// same on every machine. Usable in-process from tests.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "shell/input_script.h"
#include "shell/shell_driver.h"

class DriverHeadless final : public ShellDriver {
public:
    // frameMs: virtual milliseconds per frame; script: events in file order.
    DriverHeadless(int32_t displayWidth, int32_t displayHeight, uint32_t frameMs,
                   std::vector<ScriptEvent> script = {});

    // frameMs times the frames started so far: 0 before the first frame,
    // frameMs during it, twice that during the second, and so on (wrapping
    // like a 32-bit millisecond counter).
    uint32_t ticks() override;

    void frameStarting() override { ++framesStarted_; }
    // The script's events for frames up to this one become pending, in file order.
    void frameFinished() override;
    bool takePointerMessage(ShellMessage& message) override;
    bool takeKeyMessage(ShellMessage& message) override;
    bool takeAnyMessage(ShellMessage& message) override;
    void postQuit(int32_t exitCode) override;

    // Queues a message as if it had just arrived.
    void post(const ShellMessage& message) { pending_.push_back(message); }
    int64_t framesStarted() const { return framesStarted_; }

private:
    bool takeInRange(uint32_t first, uint32_t last, ShellMessage& message);

    uint32_t frameMs_;
    int64_t framesStarted_ = 0;
    std::vector<ScriptEvent> script_;  // sorted by frame, file order kept within a frame
    std::size_t nextEvent_ = 0;
    std::deque<ShellMessage> pending_;
};
