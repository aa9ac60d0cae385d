// Some editors write a UTF-8 byte-order mark (EF BB BF) before "#VRML". It is
// not text: read as characters it would form a word that swallows the first
// node of the world. The reader drops it when it stands at the very start.
#pragma once

#include <cstdint>

#include "base/input_stream.h"

class ByteOrderMarkFilter final : public InputStream {
public:
    // Reads up to three bytes of source (not owned; null reads as empty) and
    // drops them when they are exactly the mark.
    explicit ByteOrderMarkFilter(InputStream* source);
    // The source's bytes after the mark (or all of them when there is none).
    int32_t read() override;
    // The same bytes as read, in blocks: the held ones first, then the
    // source's own blocks.
    int32_t readBytes(uint8_t* into, int32_t count) override;
    // The source belongs to the caller, who closes it.
    void close() override;

private:
    InputStream* source_;  // not owned
    int32_t held_[3] = {};
    int32_t heldCount_ = 0;
    int32_t heldNext_ = 0;
};
