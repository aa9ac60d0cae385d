// InputStream: the one byte source of the readers. The streams themselves
// (files, URLs) live with the application; the readers below it see only this
// interface and are handed an opener.
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
    // Copies up to count (at least 1) of the next bytes into `into` and returns
    // how many it copied: 0 only at the end (or after close), fewer than count
    // when the source has no more at hand. Readers that take their input in
    // blocks use this; streams that hold their bytes in blocks override it to
    // hand them over whole. This one reads byte by byte.
    virtual int32_t readBytes(uint8_t* into, int32_t count) {
        int32_t n = 0;
        while (n < count) {
            const int32_t byte = read();
            if (byte < 0) break;
            into[n++] = static_cast<uint8_t>(byte);
        }
        return n;
    }
    // Releases the source; every later read returns -1.
    virtual void close() = 0;
};

// Opens the named source, or returns null when it cannot be opened.
using StreamOpener = std::unique_ptr<InputStream> (*)(const std::string& name);
