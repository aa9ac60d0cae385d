#include "app/file_input_stream.h"

#include <sys/stat.h>

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

void FileInputStream::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    count_ = 0;
    position_ = 0;
}
