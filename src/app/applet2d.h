// Applet2D: the application as the entry and the window procedure see it.
// Operations are kept in their slot order. Input operations are only called
// between two calls of frame, never during one.
#pragma once

#include <cstdint>

// The logical key codes, the only key vocabulary the application knows.
enum LogicalKey : int32_t {
    kKeyUp = 0,
    kKeyDown = 1,
    kKeyLeft = 2,
    kKeyRight = 3,
    kKeyA = 4,
    kKeyB = 5,
    kKeyC = 6,
    kKeyStart = 7,
};

class Applet2D {
public:
    virtual ~Applet2D() = default;

    virtual void init() = 0;   // once, after construction
    virtual void frame() = 0;  // one complete frame, presentation included
    // Stylus positions are screen pixels.
    virtual void stylusDown(uint16_t x, uint16_t y) = 0;
    virtual void stylusUp(uint16_t x, uint16_t y) = 0;
    virtual void stylusMove(uint16_t x, uint16_t y) = 0;
    // code: logical key 0..7; rawKey: the platform key code.
    virtual void keyDown(int32_t code, int32_t rawKey) = 0;
    virtual void keyUp(int32_t code) = 0;
};
