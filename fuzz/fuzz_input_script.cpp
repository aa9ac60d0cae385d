// libFuzzer harness for the headless driver's input script: the bytes are
// read by parseInputScript with the key list the viewer passes (KeyList{}).
// Checked besides the sanitizers: a script is either read whole (no error,
// events in range) or refused with a line and a reason and no events; and a
// script read whole, written out again in the script's own words, reads
// back to the same events.
//
// Build and run from the repository root (see the Makefile):
//   make fuzz-build
//   ./build-fuzz/fuzz_input_script -max_len=16384 -timeout=1 \
//       build-fuzz/corpus_input_script build-fuzz/seed_input_script
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "shell/input_script.h"

namespace {

void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz_input_script: %s\n", what);
    std::abort();
}

// One event as a script line.
std::string lineOf(const ScriptEvent& event) {
    std::string line = std::to_string(event.frame) + " ";
    const uint32_t x = event.message.second & 0xFFFF;
    const uint32_t y = event.message.second >> 16;
    switch (event.message.number) {
    case kMessageStylusDown: return line + "down " + std::to_string(x) + " " + std::to_string(y);
    case kMessageStylusMove: return line + "move " + std::to_string(x) + " " + std::to_string(y);
    case kMessageStylusUp: return line + "up " + std::to_string(x) + " " + std::to_string(y);
    case kMessageKeyDown: return line + "key " + std::to_string(event.message.first);
    case kMessageKeyUp: return line + "release " + std::to_string(event.message.first);
    case kMessageDestroy: return line + "quit";
    default: check(false, "an event of no known kind"); return line;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const KeyList keys{};
    const InputScript script = parseInputScript(text, keys);
    if (script.errorLine != 0) {
        check(script.errorLine > 0, "a negative error line");
        check(!script.error.empty(), "an error line without a reason");
        check(script.events.empty(), "events kept from a refused script");
        return 0;
    }
    check(script.error.empty(), "a reason without an error line");
    std::string again;
    for (const ScriptEvent& event : script.events) {
        check(event.frame >= 1, "a frame before the first");
        if (event.message.number == kMessageKeyDown || event.message.number == kMessageKeyUp)
            check(event.message.first <= 0xFFFF, "a virtual key beyond 0xFFFF");
        again += lineOf(event) + "\n";
    }
    const InputScript reread = parseInputScript(again, keys);
    check(reread.errorLine == 0, "a written-out script refused");
    check(reread.events.size() == script.events.size(), "a written-out script with other events");
    for (std::size_t i = 0; i < script.events.size(); ++i) {
        const ScriptEvent& a = script.events[i];
        const ScriptEvent& b = reread.events[i];
        check(a.frame == b.frame && a.message.number == b.message.number && a.message.first == b.message.first &&
                  a.message.second == b.message.second,
              "a written-out event reads back differently");
    }
    return 0;
}
