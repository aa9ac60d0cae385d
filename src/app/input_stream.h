// InputStream: the one byte source of the readers. openStream picks a local
// file or an http:// URL from the name alone; both read ahead in blocks of
// 8192 bytes so that the per-byte read stays cheap.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class InputStream {
public:
    static constexpr int kBlockSize = 8192;

    // Destroying a stream closes it.
    virtual ~InputStream() = default;
    // The next byte as 0..255, or -1 once the source has no more bytes (and for
    // ever after). A read failure in mid-transfer counts as the end.
    virtual int32_t read() = 0;
    // Releases the source; every later read returns -1.
    virtual void close() = 0;
};

// Opens a URL stream when the name begins with exactly "http://", else a file
// stream. Returns null when the source cannot be opened; writes no message.
// The name is used as given (no base directory is prefixed); names longer than
// 255 characters are cut to 255 first.
std::unique_ptr<InputStream> openStream(const std::string& name);
