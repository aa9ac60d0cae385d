// A local file read in blocks of 8192 bytes.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "app/peekable_stream.h"

class FileInputStream final : public PeekableStream {
public:
    ~FileInputStream() override;
    // Opens the file for binary reading and fills the first block. Null when
    // the file cannot be opened.
    static std::unique_ptr<FileInputStream> open(const std::string& name);
    int32_t read() override;
    // What is left of the block, or the next block read straight into `into`.
    int32_t readBytes(uint8_t* into, int32_t count) override;
    void close() override;
    int32_t peek(unsigned char* into, int32_t count) override;

private:
    FileInputStream() = default;

    std::FILE* file_ = nullptr;
    unsigned char buffer_[kBlockSize];
    int32_t count_ = 0;     // bytes valid in buffer_
    int32_t position_ = 0;  // next byte to hand out
};
