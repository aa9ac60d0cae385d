// FrameClock: the time record handed to the sensors in start and tick.
#pragma once

class X3DNode;
class Scene;

struct FrameClock {
    double clockStart = 0.0;     // seconds given to startClock
    double now = 0.0;            // seconds of the current frame
    double lastFrameTime = 0.0;  // seconds of the previous frame (= now in the first)
    X3DNode* pickResult = nullptr;  // not owned: the node hit by the last stylus press
    Scene* clockScene = nullptr;    // not owned: the world itself, for the camera
};
