// The frame's order: the world reacts (sensors), the camera is set up, then
// the world is drawn; and the frame rate.
//
// The order is fixed because sensors and camera see each other: TimeSensors
// and TouchSensors tick before the camera is set up (a viewpoint they bind is
// shown this frame), ProximitySensors after it (they see this frame's
// camera), and a stylus pick lives for one frame only. Every sensor's sends
// cascade completely inside its tick, before the next sensor ticks.
#include "scene/abstract_nodes.h"
#include "scene/node_registry.h"
#include "scene/node_types.h"
#include "scene/scene.h"

namespace {

// The frame rate is measured over this many frames.
constexpr int32_t kFramesPerMeasurement = 10;
constexpr int64_t kMillisecondsPerSecond = 1000;

// Every sensor of the registry that `wanted` accepts gets its tick, in
// registry order. The count is read afresh after each call: a sensor may make
// nodes, and those are visited too.
template <class Wanted>
void tickSensors(FrameClock& clock, Wanted wanted) {
    for (int32_t i = 0; i < nodeRegistry.count; ++i) {
        X3DNode* node = nodeRegistry[i];
        if (!node || node->category != NodeCategory::Sensor || !wanted(*node)) continue;
        if (auto* sensor = dynamic_cast<X3DSensorNode*>(node)) sensor->tick(&clock);
    }
}

}  // namespace

void Scene::startClock(double seconds, uint32_t tickCount) {
    // A world without a Viewpoint is framed once, before its first frame.
    if (profile == Profile::Full) frameWorld();
    frameClock.clockStart = seconds;
    frameClock.now = seconds;
    frameClock.lastFrameTime = seconds;
    frameClock.pickResult = nullptr;
    frameClock.clockScene = this;
    for (int32_t i = 0; i < nodeRegistry.count; ++i) {
        X3DNode* node = nodeRegistry[i];
        if (!node || node->category != NodeCategory::Sensor) continue;
        if (auto* sensor = dynamic_cast<X3DSensorNode*>(node)) sensor->start(&frameClock);
    }
    fps = 0;
    fpsFrames = 0;
    fpsTick = static_cast<int32_t>(tickCount);
}

void Scene::updateAndDraw(double seconds, uint32_t tickCount) {
    frameClock.lastFrameTime = frameClock.now;
    frameClock.now = seconds;

    activateAnchor(frameClock.pickResult);

    // TimeSensors and TouchSensors: before the camera, so what they bind or
    // move is seen this frame.
    tickSensors(frameClock, [](const X3DNode& node) { return node.nodeType != NodeType::ProximitySensor; });
    frameClock.pickResult = nullptr;  // a pick is seen by one frame only

    setNearFar();
    setupView();

    // ProximitySensors: after the camera, so they see where it is now.
    tickSensors(frameClock, [](const X3DNode& node) { return node.nodeType == NodeType::ProximitySensor; });

    drawWorld();

    if (++fpsFrames >= kFramesPerMeasurement) {
        // Unsigned difference: right across the wrap of the millisecond count.
        const uint32_t elapsed = tickCount - static_cast<uint32_t>(fpsTick);
        if (elapsed != 0) fps = static_cast<int32_t>(kFramesPerMeasurement * kMillisecondsPerSecond / elapsed);
        fpsFrames = 0;
        fpsTick = static_cast<int32_t>(tickCount);
    }
}
