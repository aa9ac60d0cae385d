// PeekableStream: a source stream that can show its next bytes without
// handing them out. openStream looks at the first two bytes of every file and
// URL to tell a gzip-compressed one from plain text, and the reader that then
// gets the stream must still see those bytes.
#pragma once

#include <cstdint>

#include "base/input_stream.h"

class PeekableStream : public InputStream {
public:
    // Copies up to count (1..kBlockSize) of the next bytes into `into` and
    // leaves them to be read; returns how many were copied, fewer than count
    // only when the source has no more (0 at the end or after close).
    virtual int32_t peek(unsigned char* into, int32_t count) = 0;
};
