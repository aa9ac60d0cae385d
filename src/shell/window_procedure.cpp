#include "shell/window_procedure.h"

#include "base/log.h"

namespace {
// Hardware buttons of some handhelds report these codes for A, B, C, Start.
constexpr int32_t kFixedButtonCodes[4] = {0xC1, 0xC2, 0xC3, 0xC4};
constexpr int32_t kFixedDigitCodes[4] = {0x31, 0x32, 0x33, 0x34};
}  // namespace

int32_t logicalKeyUp(const KeyList& keys, int32_t key) {
    const int32_t list[8] = {keys.up, keys.down, keys.left, keys.right, keys.a, keys.b, keys.c, keys.start};
    for (int32_t code = 0; code < 8; ++code) {
        if (list[code] == key) return code;
    }
    return -1;
}

int32_t logicalKeyDown(const KeyList& keys, int32_t key) {
    const int32_t directions[4] = {keys.up, keys.down, keys.left, keys.right};
    for (int32_t code = 0; code < 4; ++code) {
        if (directions[code] == key) return code;
    }
    const int32_t buttons[4] = {keys.a, keys.b, keys.c, keys.start};
    for (int32_t i = 0; i < 4; ++i) {
        if (buttons[i] == key || kFixedButtonCodes[i] == key || kFixedDigitCodes[i] == key) return kKeyA + i;
    }
    return -1;
}

int32_t windowProcedure(const ShellMessage& message, Applet2D* applet, ShellDriver& driver) {
    // The key travels in the low 16 bits, read as a signed value.
    const int32_t key = static_cast<int16_t>(message.first & 0xFFFF);
    const uint16_t x = static_cast<uint16_t>(message.second & 0xFFFF);
    const uint16_t y = static_cast<uint16_t>(message.second >> 16);
    switch (message.number) {
    case kMessageDestroy:
        driver.postQuit(0);
        break;
    case kMessageKeyDown: {
        if (!applet) break;
        logFormat("key: %d", static_cast<long>(key));
        const int32_t code = logicalKeyDown(driver.keyList(), key);
        if (code >= 0) applet->keyDown(code, key);
        break;
    }
    case kMessageKeyUp: {
        if (!applet) break;
        const int32_t code = logicalKeyUp(driver.keyList(), key);
        if (code >= 0) applet->keyUp(code);
        break;
    }
    case kMessageStylusMove:
        if (applet) applet->stylusMove(x, y);
        break;
    case kMessageStylusDown:
        if (applet) applet->stylusDown(x, y);
        break;
    case kMessageStylusUp:
        if (applet) applet->stylusUp(x, y);
        break;
    default:
        break;
    }
    return 0;
}
