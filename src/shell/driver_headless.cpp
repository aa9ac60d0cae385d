#include "shell/driver_headless.h"

#include <algorithm>

DriverHeadless::DriverHeadless(int32_t displayWidth, int32_t displayHeight, uint32_t frameMs,
                               std::vector<ScriptEvent> script)
    : ShellDriver(displayWidth, displayHeight), frameMs_(frameMs), script_(std::move(script)) {
    std::stable_sort(script_.begin(), script_.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.frame < b.frame; });
}

uint32_t DriverHeadless::ticks() {
    return static_cast<uint32_t>(static_cast<uint64_t>(frameMs_) * static_cast<uint64_t>(framesStarted_));
}

void DriverHeadless::frameFinished() {
    while (nextEvent_ < script_.size() && script_[nextEvent_].frame <= framesStarted_) {
        pending_.push_back(script_[nextEvent_].message);
        ++nextEvent_;
    }
}

bool DriverHeadless::takeInRange(uint32_t first, uint32_t last, ShellMessage& message) {
    const auto found = std::find_if(pending_.begin(), pending_.end(), [&](const ShellMessage& m) {
        return m.number >= first && m.number <= last;
    });
    if (found == pending_.end()) return false;
    message = *found;
    pending_.erase(found);
    return true;
}

bool DriverHeadless::takePointerMessage(ShellMessage& message) {
    return takeInRange(kFirstPointerMessage, kLastPointerMessage, message);
}

bool DriverHeadless::takeKeyMessage(ShellMessage& message) {
    return takeInRange(kFirstKeyMessage, kLastKeyMessage, message);
}

bool DriverHeadless::takeAnyMessage(ShellMessage& message) {
    if (pending_.empty()) return false;
    message = pending_.front();
    pending_.pop_front();
    return true;
}

void DriverHeadless::postQuit(int32_t exitCode) {
    pending_.push_back(ShellMessage{kMessageQuit, static_cast<uint32_t>(exitCode), 0});
}
