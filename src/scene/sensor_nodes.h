// The sensors: ProximitySensor, TimeSensor and TouchSensor. "enabled" and
// "isActive" come from X3DSensorNode; the frame starts and ticks every node of
// the sensor family.
#pragma once

#include "scene/abstract_nodes.h"

class nProximitySensor : public X3DSensorNode {
public:
    fSFVec3f center{this, FieldCode::center, Vec3f{0.0f, 0.0f, 0.0f}};
    fSFVec3f size{this, FieldCode::size, Vec3f{0.0f, 0.0f, 0.0f}};
    fSFVec3f position_changed{this, FieldCode::position_changed, Vec3f{0.0f, 0.0f, 0.0f}};
    fSFRotation orientation_changed{this, FieldCode::orientation_changed, Rotation{0.0f, 0.0f, 1.0f, 0.0f}};

    // While enabled and the camera of this frame stands strictly inside the
    // box (center, size) in world coordinates: sends "position_changed" and
    // then "orientation_changed", the camera's, every frame. The operations
    // of this class are in events/proximity_sensor.cpp.
    void tick(FrameClock* clock) override;
};

class nTimeSensor : public X3DSensorNode {
public:
    fSFTime cycleInterval{this, FieldCode::cycleInterval, 1.0};
    fSFBool loop{this, FieldCode::loop, false};
    fSFTime startTime{this, FieldCode::startTime, 0.0};
    fSFTime stopTime{this, FieldCode::stopTime, 0.0};
    fSFTime cycleTime{this, FieldCode::cycleTime, -1.0};
    fSFFloat fraction_changed{this, FieldCode::fraction_changed, 0.0f};
    fSFTime time{this, FieldCode::time, -1.0};
    // working state
    double cycleCount = 0.0;  // the last whole-cycle count reached

    // "startTime" activates an inactive sensor (fraction 0, isActive TRUE,
    // cycleTime = startTime, in that order); "stopTime" later than startTime
    // deactivates it at once; "enabled" FALSE deactivates it, TRUE re-sends
    // startTime when looping. Other fields change nothing.
    void fieldChanged(X3DField* field) override;
    // A looping sensor sets startTime to the clock's start (and so activates);
    // a single-shot one waits for a "startTime" event.
    void start(FrameClock* clock) override;
    // While active and past startTime: sends "time", then this frame's
    // fraction, cycle and end events (events/time_sensor.cpp gives the order).
    // An interval that is not a positive finite number ends a single-shot
    // sensor with fraction 1 and gives a looping one "time" only.
    void tick(FrameClock* clock) override;
};

class nTouchSensor : public X3DSensorNode {
public:
    fSFString description{this, FieldCode::description};
    fSFVec3f hitPoint_changed{this, FieldCode::hitPoint_changed, Vec3f{0.0f, 0.0f, 0.0f}};
    fSFBool isOver{this, FieldCode::isOver, false};
    fSFTime touchTime{this, FieldCode::touchTime, -1.0};
    // working state, used during one tick only
    bool found = false;                // the node searched for was met
    X3DNode* searchTarget = nullptr;   // not owned: the node searched for

    // When the frame's pick lies among the children of this sensor's parent
    // (at any depth): sends "touchTime" (now) and "isActive" TRUE, then takes
    // the pick so that later TouchSensors do not see it. The operations of
    // this class are in events/touch_sensor.cpp.
    void tick(FrameClock* clock) override;
};
