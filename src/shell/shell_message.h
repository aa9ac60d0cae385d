// The shell's message vocabulary: the message numbers of the handheld's window
// system, which both drivers use internally, and its default key list.
#pragma once

#include <cstdint>

enum MessageNumber : uint32_t {
    kMessageNone = 0x00,  // nothing the window procedure acts on
    kMessageDestroy = 0x02,
    kMessageQuit = 0x12,
    kMessageKeyDown = 0x100,
    kMessageKeyUp = 0x101,
    kMessageStylusMove = 0x200,
    kMessageStylusDown = 0x201,
    kMessageStylusUp = 0x202,
};

// The ranges the frame loop drains before it takes one other message.
constexpr uint32_t kFirstPointerMessage = 0x200;
constexpr uint32_t kLastPointerMessage = 0x20A;
constexpr uint32_t kFirstKeyMessage = 0x100;
constexpr uint32_t kLastKeyMessage = 0x108;

// One message. Keys: first = the virtual-key number. Stylus: second = x in the
// low 16 bits, y in the high 16 bits. Quit: first = the exit code.
struct ShellMessage {
    uint32_t number = kMessageNone;
    uint32_t first = 0;
    uint32_t second = 0;
};

inline ShellMessage stylusMessage(uint32_t number, uint16_t x, uint16_t y) {
    return {number, 0, static_cast<uint32_t>(x) | (static_cast<uint32_t>(y) << 16)};
}

inline ShellMessage keyMessage(uint32_t number, uint32_t virtualKey) { return {number, virtualKey, 0}; }

// The eight hardware keys as virtual-key numbers: arrows, the letters A, B, C
// and Escape for Start.
struct KeyList {
    int32_t up = 0x26;
    int32_t down = 0x28;
    int32_t left = 0x25;
    int32_t right = 0x27;
    int32_t a = 0x41;
    int32_t b = 0x42;
    int32_t c = 0x43;
    int32_t start = 0x1B;
};
