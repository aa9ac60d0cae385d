// Test doubles and fixtures shared by the image tests: a stream over bytes in
// memory, a driver that records what the log echoes, a temporary folder, and
// PNG/JPEG encoders built on libpng and libjpeg.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/memory_stream.h"
#include "app/driver2d.h"
#include "support/temp_dir.h"
#include "base/input_stream.h"

// Records addMessage and refreshMessages calls in order: a message as its
// text, a refresh as "<refresh>".
class RecordingDriver final : public Driver2D {
public:
    void present(const Bitmap&, int32_t, int32_t, bool) override {}
    OwnedBitmap loadImage(const std::u16string& name, int32_t, int32_t, int32_t) override;
    void quit() override {}
    OwnedBitmap renderText(int32_t, int32_t, const std::u16string&) override { return nullptr; }
    uint32_t ticks() override { return 0; }
    void refreshMessages() override { calls.push_back("<refresh>"); }
    void hideMessages() override {}
    void addMessage(const char* text) override { calls.push_back(text); }

    std::vector<std::string> calls;
};


// Opens the log into a file of its own with a recording driver, and closes it
// at the end of the test.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    // The log file's text so far (the log is closed to flush it first).
    std::string fileText();
    RecordingDriver driver;

private:
    TempDir dir_;
};

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> readFile(const std::string& path);

// width x height pixels of red, green, blue bytes.
std::vector<uint8_t> encodePng(int width, int height, const std::vector<uint8_t>& rgb, bool interlaced = false);
// A grey + alpha PNG (two bytes per pixel).
std::vector<uint8_t> encodeGreyAlphaPng(int width, int height, const std::vector<uint8_t>& greyAlpha);
std::vector<uint8_t> encodeJpeg(int width, int height, const std::vector<uint8_t>& rgb, int quality,
                                bool progressive = false);

// The pixel the 24-bit conversion makes of one colour.
uint16_t rgb565(uint8_t red, uint8_t green, uint8_t blue);
