// TimeSensor: the frame clock turned into events.
//
// A sensor is active from a "startTime" event that finds it inactive (a
// looping sensor sends itself one when the clock starts) until a "stopTime"
// event later than its start, an "enabled" FALSE event, the end of its only
// cycle, or a tick at or after a stop time later than its start. "enabled" is
// read only when its own event arrives: a sensor disabled in the file still
// runs.
//
// What one tick sends, with e = now - startTime and ci the cycle interval,
// each event cascading completely before the next is sent:
//   inactive, or e <= 0             nothing
//   otherwise first                 "time" = now, then one of:
//   single shot, a cycle over       "fraction_changed" 1, "isActive" FALSE
//   stop time reached               "isActive" FALSE
//   looping                         "cycleTime" = now (first frame of a new
//                                   cycle only), "fraction_changed"
//   single shot, first cycle        "fraction_changed", or nothing on the
//                                   frame that lands exactly on a cycle end
// The fraction is the part of e past the last whole cycle, over ci; it is
// computed in double and sent as float.
//
// An interval that is not a positive finite number (or one so short that e
// holds more cycles than a double counts exactly) has no fractions. Such a
// cycle counts as already over: a single-shot sensor ends at its first tick
// with fraction 1, as an interval shrinking towards 0 would; a looping one
// sends "time" alone until it is stopped. Nothing sent is ever NaN or
// infinite.
#include <cmath>

#include "scene/frame_clock.h"
#include "scene/sensor_nodes.h"

namespace {

// Beyond 2^53 cycles a double no longer counts whole cycles, and the part of
// a cycle left over is rounding noise.
constexpr double kMaxCycles = 9007199254740992.0;

// Whether e seconds of cycles of ci seconds can be counted.
bool countableCycles(double e, double ci) {
    return ci > 0.0 && std::isfinite(ci) && e / ci <= kMaxCycles;
}

// The part of e past its last whole cycle of ci, in cycles.
double cyclePart(double e, double ci) { return (e - std::trunc(e / ci) * ci) / ci; }

}  // namespace

void nTimeSensor::fieldChanged(X3DField* field) {
    if (field == &startTime) {
        // A start time while active only moves the origin of later fractions.
        if (isActive.value) return;
        cycleCount = 0.0;
        fraction_changed.value = 0.0f;
        fraction_changed.propagate();
        isActive.value = true;
        isActive.propagate();
        cycleTime.value = startTime.value;
        cycleTime.propagate();
    } else if (field == &stopTime) {
        // At once, even when the stop time lies ahead.
        if (!(stopTime.value > startTime.value)) return;
        isActive.value = false;
        isActive.propagate();
    } else if (field == &enabled) {
        if (!enabled.value) {
            isActive.value = false;
            isActive.propagate();
        } else if (loop.value) {
            startTime.propagate();  // told again; the sensor itself is not restarted
        }
    }
}

void nTimeSensor::start(FrameClock* clock) {
    if (clock && loop.value) startTime.setValue(clock->clockStart);
}

void nTimeSensor::tick(FrameClock* clock) {
    if (!clock || !isActive.value) return;
    const double now = clock->now;
    const double e = now - startTime.value;
    if (!(e > 0.0)) return;  // not started yet (or a start time that is no number)
    time.setValue(now);

    const double ci = cycleInterval.value;
    const bool countable = countableCycles(e, ci);
    if (!loop.value && (!countable || (e > ci && std::floor(e / ci) > cycleCount))) {
        fraction_changed.setValue(1.0f);
        isActive.setValue(false);
        return;
    }
    if (stopTime.value > startTime.value && stopTime.value <= now) {
        isActive.setValue(false);
        return;
    }
    if (loop.value) {
        if (!countable) return;
        const double cycles = std::floor(e / ci);
        if (cycles > cycleCount) cycleTime.setValue(now);
        cycleCount = cycles;
        fraction_changed.setValue(static_cast<float>(cyclePart(e, ci)));
        return;
    }
    // Within the first cycle. A frame landing exactly on its end counts one
    // cycle and sends nothing; the next frame ends the sensor.
    if (std::floor(e * (1.0 / ci)) == cycleCount)
        fraction_changed.setValue(static_cast<float>((1.0 / ci) * (e - std::trunc(e / ci) * ci)));
}
