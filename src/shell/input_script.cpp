#include "shell/input_script.h"

#include <sstream>

namespace {

constexpr int64_t kMaxFrame = int64_t{1} << 62;
constexpr int64_t kMaxCoordinate = 0xFFFF;
constexpr int64_t kMaxVirtualKey = 0xFFFF;

// A whole token as a number in 0..limit (decimal, or hex after "0x" when
// allowed); -1 when it is not one.
int64_t parseNumber(const std::string& token, int64_t limit, bool allowHex) {
    std::size_t i = 0;
    int base = 10;
    if (allowHex && token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
        base = 16;
        i = 2;
    }
    if (i >= token.size()) return -1;
    int64_t value = 0;
    for (; i < token.size(); ++i) {
        const char c = token[i];
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0 || value > (limit - digit) / base) return -1;
        value = value * base + digit;
    }
    return value;
}

int64_t parseKeyName(const std::string& name, const KeyList& keys) {
    const struct {
        const char* name;
        int32_t key;
    } names[] = {{"up", keys.up}, {"down", keys.down}, {"left", keys.left}, {"right", keys.right},
                 {"a", keys.a},   {"b", keys.b},       {"c", keys.c},       {"start", keys.start}};
    for (const auto& entry : names) {
        if (name == entry.name) return entry.key;
    }
    return parseNumber(name, kMaxVirtualKey, true);
}

// Reads one event line; an empty error means success.
std::string parseEvent(const std::vector<std::string>& words, const KeyList& keys, ScriptEvent& event) {
    event.frame = parseNumber(words[0], kMaxFrame, false);
    if (event.frame < 1) return "frame number expected, found \"" + words[0] + "\"";
    if (words.size() < 2) return "event expected after the frame number";
    const std::string& kind = words[1];
    if (kind == "down" || kind == "move" || kind == "up") {
        if (words.size() != 4) return "\"" + kind + "\" takes X and Y";
        const int64_t x = parseNumber(words[2], kMaxCoordinate, false);
        const int64_t y = parseNumber(words[3], kMaxCoordinate, false);
        if (x < 0 || y < 0) return "bad position \"" + words[2] + " " + words[3] + "\"";
        const uint32_t number = kind == "down" ? kMessageStylusDown : kind == "up" ? kMessageStylusUp : kMessageStylusMove;
        event.message = stylusMessage(number, static_cast<uint16_t>(x), static_cast<uint16_t>(y));
        return std::string();
    }
    if (kind == "key" || kind == "release") {
        if (words.size() != 3) return "\"" + kind + "\" takes one key name";
        const int64_t key = parseKeyName(words[2], keys);
        if (key < 0) return "unknown key \"" + words[2] + "\"";
        event.message = keyMessage(kind == "key" ? kMessageKeyDown : kMessageKeyUp, static_cast<uint32_t>(key));
        return std::string();
    }
    if (kind == "quit") {
        if (words.size() != 2) return "\"quit\" takes nothing";
        event.message = ShellMessage{kMessageDestroy, 0, 0};
        return std::string();
    }
    return "unknown event \"" + kind + "\"";
}

}  // namespace

InputScript parseInputScript(const std::string& text, const KeyList& keys) {
    InputScript script;
    std::istringstream lines(text);
    std::string line;
    int32_t lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream wordStream(line);
        std::vector<std::string> words;
        for (std::string word; wordStream >> word;) words.push_back(word);
        if (words.empty() || words[0][0] == '#') continue;
        ScriptEvent event;
        std::string error = parseEvent(words, keys, event);
        if (!error.empty()) {
            script.events.clear();
            script.errorLine = lineNumber;
            script.error = std::move(error);
            return script;
        }
        script.events.push_back(event);
    }
    return script;
}
