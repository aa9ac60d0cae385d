// Test doubles and helpers shared by the shell and application tests.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/driver2d.h"
#include "support/temp_dir.h"

namespace foundation_test {

using ::TempDir;

// A Driver2D that records every call it receives, in order.
class RecordingDriver : public Driver2D {
public:
    struct Presented {
        int32_t width, height, x, y;
        bool doubled;
        uint16_t firstPixel;
    };

    void present(const Bitmap& bitmap, int32_t x, int32_t y, bool doubled) override {
        const uint16_t first = (bitmap.pixels && bitmap.width > 0 && bitmap.height > 0) ? bitmap.pixels[0] : 0;
        presents.push_back({bitmap.width, bitmap.height, x, y, doubled, first});
        calls.push_back("present");
    }
    OwnedBitmap loadImage(const std::u16string&, int32_t, int32_t, int32_t) override {
        calls.push_back("loadImage");
        return nullptr;
    }
    void quit() override { calls.push_back("quit"); }
    OwnedBitmap renderText(int32_t, int32_t, const std::u16string&) override { return nullptr; }
    uint32_t ticks() override { return 0; }
    void refreshMessages() override { calls.push_back("refresh"); }
    void hideMessages() override {}
    void addMessage(const char* text) override {
        messages.push_back(text);
        calls.push_back("add:" + std::string(text));
    }

    std::vector<std::string> calls;
    std::vector<std::string> messages;
    std::vector<Presented> presents;
};


inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

}  // namespace foundation_test
