// TimeSensor: every event it sends, in order, from start, the three fields it
// reacts to and each tick, recorded through routes into a listening node.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "events/node_factory.h"
#include "scene/frame_clock.h"
#include "scene/node_registry.h"
#include "scene/node_types.h"
#include "scene/sensor_nodes.h"

namespace {

// Writes each event it receives as "name value" into one line.
class Listener : public X3DNode {
public:
    Listener() : X3DNode(NodeCategory::Other) {}
    fSFTime time{this, FieldCode::time, 0.0};
    fSFTime cycleTime{this, FieldCode::cycleTime, 0.0};
    fSFTime startTime{this, FieldCode::startTime, 0.0};
    fSFFloat fraction{this, FieldCode::fraction_changed, 0.0f};
    fSFBool active{this, FieldCode::isActive, false};

    void fieldChanged(X3DField* field) override {
        std::ostringstream out;
        if (field == &time) out << "time " << time.value;
        if (field == &cycleTime) out << "cycleTime " << cycleTime.value;
        if (field == &startTime) out << "startTime " << startTime.value;
        if (field == &fraction) out << "fraction " << fraction.value;
        if (field == &active) out << "active " << (active.value ? "TRUE" : "FALSE");
        if (!heard.empty()) heard += "; ";
        heard += out.str();
    }
    std::string heard;
};

enum class Op { Start, Tick, StartTime, StopTime, Enabled };

struct Step {
    Op op;
    double value;          // clock start, now, the time sent, or enabled (0 / 1)
    const char* expected;  // what the listener hears, in order
};

struct Case {
    const char* name;
    double interval;
    bool loop;
    double fileStopTime;
    bool fileEnabled;
    std::vector<Step> steps;
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

const char* const kStartedAt0 = "fraction 0; active TRUE; cycleTime 0; startTime 0";

TEST(TimeSensor, EventsInOrder) {
    const Case cases[] = {
        {"looping, interval 2, started at 100", 2, true, 0, true,
         {{Op::Start, 100, "fraction 0; active TRUE; cycleTime 100; startTime 100"},
          {Op::Tick, 100, ""},
          {Op::Tick, 101, "time 101; fraction 0.5"},
          {Op::Tick, 103, "time 103; cycleTime 103; fraction 0.5"},
          {Op::Tick, 103.5, "time 103.5; fraction 0.75"},
          {Op::Tick, 106, "time 106; cycleTime 106; fraction 0"}}},
        {"single shot started by an event at 10", 1, false, 0, true,
         {{Op::Start, 10, ""},
          {Op::Tick, 10.25, ""},
          {Op::StartTime, 10, "fraction 0; active TRUE; cycleTime 10; startTime 10"},
          {Op::Tick, 10.25, "time 10.25; fraction 0.25"},
          {Op::Tick, 11, "time 11"},
          {Op::Tick, 11.1, "time 11.1; fraction 1; active FALSE"},
          {Op::Tick, 12, ""},
          {Op::Enabled, 1, ""}}},
        {"a start time in the future", 1, false, 0, true,
         {{Op::StartTime, 50, "fraction 0; active TRUE; cycleTime 50; startTime 50"},
          {Op::Tick, 20, ""},
          {Op::Tick, 50, ""},
          {Op::Tick, 50.5, "time 50.5; fraction 0.5"}}},
        {"a stop time of start + 100 stops at once", 2, true, 0, true,
         {{Op::Start, 0, kStartedAt0},
          {Op::Tick, 1, "time 1; fraction 0.5"},
          {Op::StopTime, 100, "active FALSE"},
          {Op::Tick, 2, ""},
          {Op::StartTime, 5, "fraction 0; active TRUE; cycleTime 5; startTime 5"},
          {Op::Tick, 6, "time 6; fraction 0.5"}}},
        {"a stop time not after the start never stops", 1, true, 5, true,
         {{Op::StartTime, 10, "fraction 0; active TRUE; cycleTime 10; startTime 10"},
          {Op::Tick, 12.5, "time 12.5; cycleTime 12.5; fraction 0.5"},
          {Op::StopTime, 10, ""},
          {Op::StopTime, 9, ""},
          {Op::Tick, 13, "time 13; cycleTime 13; fraction 0"}}},
        {"a later stop time is reached by a tick", 4, true, 12, true,
         {{Op::StartTime, 10, "fraction 0; active TRUE; cycleTime 10; startTime 10"},
          {Op::Tick, 11, "time 11; fraction 0.25"},
          {Op::Tick, 12, "time 12; active FALSE"},
          {Op::Tick, 13, ""}}},
        {"enabled FALSE stops, TRUE only re-sends the start time", 2, true, 0, true,
         {{Op::Start, 0, kStartedAt0},
          {Op::Enabled, 0, "active FALSE"},
          {Op::Tick, 1.5, ""},
          {Op::Enabled, 1, "startTime 0"},
          {Op::Tick, 2, ""}}},
        {"disabled in the file, it still starts and runs", 2, true, 0, false,
         {{Op::Start, 0, kStartedAt0}, {Op::Tick, 1, "time 1; fraction 0.5"}}},
        {"a second start time while active moves the origin only", 2, true, 0, true,
         {{Op::Start, 0, kStartedAt0},
          {Op::Tick, 1, "time 1; fraction 0.5"},
          {Op::StartTime, 0.5, "startTime 0.5"},
          {Op::Tick, 1.5, "time 1.5; fraction 0.5"}}},
        // Intervals without fractions: a single shot ends at once, a loop
        // sends the time alone.
        {"single shot, interval 0", 0, false, 0, true,
         {{Op::StartTime, 1, "fraction 0; active TRUE; cycleTime 1; startTime 1"},
          {Op::Tick, 1.5, "time 1.5; fraction 1; active FALSE"}}},
        {"single shot, interval NaN", kNaN, false, 0, true,
         {{Op::StartTime, 0, kStartedAt0}, {Op::Tick, 1, "time 1; fraction 1; active FALSE"}}},
        {"single shot, interval -1", -1, false, 0, true,
         {{Op::StartTime, 0, kStartedAt0}, {Op::Tick, 1, "time 1; fraction 1; active FALSE"}}},
        {"looping, interval 0", 0, true, 0, true, {{Op::Start, 0, kStartedAt0}, {Op::Tick, 1, "time 1"}}},
        {"looping, interval -2", -2, true, 0, true, {{Op::Start, 0, kStartedAt0}, {Op::Tick, 1, "time 1"}}},
        {"looping, interval infinite", kInfinity, true, 0, true,
         {{Op::Start, 0, kStartedAt0}, {Op::Tick, 1, "time 1"}}},
        {"looping, interval 1e-300", 1e-300, true, 3, true,
         {{Op::Start, 0, kStartedAt0}, {Op::Tick, 1, "time 1"}, {Op::Tick, 3, "time 3; active FALSE"}}},
    };
    for (const Case& c : cases) {
        auto* sensor = static_cast<nTimeSensor*>(createNode(u"", NodeType::TimeSensor));
        ASSERT_NE(sensor, nullptr);
        sensor->cycleInterval.value = c.interval;
        sensor->loop.value = c.loop;
        sensor->stopTime.value = c.fileStopTime;
        sensor->enabled.value = c.fileEnabled;
        auto listener = std::make_unique<Listener>();
        sensor->time.routes.append(&listener->time);
        sensor->cycleTime.routes.append(&listener->cycleTime);
        sensor->startTime.routes.append(&listener->startTime);
        sensor->fraction_changed.routes.append(&listener->fraction);
        sensor->isActive.routes.append(&listener->active);

        FrameClock clock;
        int step = 0;
        for (const Step& s : c.steps) {
            listener->heard.clear();
            switch (s.op) {
            case Op::Start: clock.clockStart = clock.now = s.value; sensor->start(&clock); break;
            case Op::Tick: clock.now = s.value; sensor->tick(&clock); break;
            case Op::StartTime: sensor->startTime.setValue(s.value); break;
            case Op::StopTime: sensor->stopTime.setValue(s.value); break;
            case Op::Enabled: sensor->enabled.setValue(s.value != 0); break;
            }
            EXPECT_EQ(listener->heard, s.expected) << c.name << ", step " << step;
            ++step;
        }
        releaseNodeRegistry();
    }
}

}  // namespace
