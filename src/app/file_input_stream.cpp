#include "app/file_input_stream.h"

#include <sys/stat.h>

#include <cstring>

FileInputStream::~FileInputStream() { close(); }

std::unique_ptr<FileInputStream> FileInputStream::open(const std::string& name) {
    std::unique_ptr<FileInputStream> stream(new FileInputStream);
    stream->file_ = std::fopen(name.c_str(), "rb");
    if (!stream->file_) return nullptr;
    // A folder opens for reading here but yields no bytes: it is not a file.
    struct stat info {};
    if (fstat(fileno(stream->file_), &info) == 0 && S_ISDIR(info.st_mode)) return nullptr;
    stream->count_ = static_cast<int32_t>(std::fread(stream->buffer_, 1, kBlockSize, stream->file_));
    return stream;
}

int32_t FileInputStream::read() {
    if (position_ == count_) {
        count_ = file_ ? static_cast<int32_t>(std::fread(buffer_, 1, kBlockSize, file_)) : 0;
        position_ = 0;
        if (count_ == 0) {
            // The end (or a read failure) is final, even for a file that grows.
            close();
            return -1;
        }
    }
    return buffer_[position_++];
}

int32_t FileInputStream::readBytes(unsigned char* into, int32_t count) {
    if (count <= 0) return 0;
    if (position_ < count_) {
        const int32_t n = count_ - position_ < count ? count_ - position_ : count;
        std::memcpy(into, buffer_ + position_, static_cast<std::size_t>(n));
        position_ += n;
        return n;
    }
    const auto n = file_ ? static_cast<int32_t>(std::fread(into, 1, static_cast<std::size_t>(count), file_)) : 0;
    if (n == 0) close();  // as read: the end (or a failure) is final
    return n;
}

void FileInputStream::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    count_ = 0;
    position_ = 0;
}

int32_t FileInputStream::peek(unsigned char* into, int32_t count) {
    if (count > kBlockSize) count = kBlockSize;
    if (count_ - position_ < count && file_) {
        // Move what is left to the front and top the block up behind it.
        const int32_t left = count_ - position_;
        std::memmove(buffer_, buffer_ + position_, static_cast<std::size_t>(left));
        position_ = 0;
        count_ = left + static_cast<int32_t>(std::fread(buffer_ + left, 1, kBlockSize - left, file_));
    }
    const int32_t available = count_ - position_ < count ? count_ - position_ : count;
    std::memcpy(into, buffer_ + position_, static_cast<std::size_t>(available));
    return available;
}
