// MemoryStream: an InputStream over a copy of some bytes, for tests,
// benchmarks and fuzz targets. Counts the reads made after the end, so a
// test can tell that a reader stopped asking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/input_stream.h"

class MemoryStream final : public InputStream {
public:
    explicit MemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}
    MemoryStream(const uint8_t* bytes, std::size_t size) : bytes_(reinterpret_cast<const char*>(bytes), size) {}
    // The first `length` bytes (all when longer than the vector).
    explicit MemoryStream(const std::vector<uint8_t>& bytes, std::size_t length = SIZE_MAX)
        : MemoryStream(bytes.data(), length < bytes.size() ? length : bytes.size()) {}

    int32_t read() override {
        if (position_ >= bytes_.size()) {
            ++readsAtEnd_;
            return -1;
        }
        return static_cast<unsigned char>(bytes_[position_++]);
    }
    // A call at the end counts as one read after the end, like read's.
    int32_t readBytes(uint8_t* into, int32_t count) override {
        if (position_ >= bytes_.size()) {
            ++readsAtEnd_;
            return 0;
        }
        const std::size_t left = bytes_.size() - position_;
        const std::size_t n = left < static_cast<std::size_t>(count) ? left : static_cast<std::size_t>(count);
        bytes_.copy(reinterpret_cast<char*>(into), n, position_);
        position_ += n;
        return static_cast<int32_t>(n);
    }
    void close() override { position_ = bytes_.size(); }

    std::size_t position() const { return position_; }
    int readsAtEnd() const { return readsAtEnd_; }

private:
    std::string bytes_;
    std::size_t position_ = 0;
    int readsAtEnd_ = 0;
};
