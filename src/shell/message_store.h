// MessageStore: the last six lines given to addMessage, kept for the run.
#pragma once

class MessageStore {
public:
    static constexpr int kLines = 6;
    static constexpr int kLineBytes = 255;  // 254 characters and the terminator

    // Drops the oldest line and keeps the text, cut to 254 bytes, as the newest.
    // A null text is kept as an empty line.
    void add(const char* text);
    // Line 0 is the oldest, line 5 the newest; unused lines are empty.
    const char* line(int index) const { return lines_[index]; }

private:
    char lines_[kLines][kLineBytes] = {};
};
