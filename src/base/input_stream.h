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
    // Releases the source; every later read returns -1.
    virtual void close() = 0;
};

// Opens the named source, or returns null when it cannot be opened.
using StreamOpener = std::unique_ptr<InputStream> (*)(const std::string& name);
