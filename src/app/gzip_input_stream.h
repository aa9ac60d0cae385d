// GzipInputStream: the text of a gzip-compressed world (".wrz", ".wrl.gz",
// or gzip under any name), inflated with zlib as it is read. It sits between
// the source stream and the reader, so the lexer counts the lines of the
// inflated text and every message names those.
//
// Hostile input ends the data, never the program:
// - a stream cut short, or damaged (a bad header, a bad block, a wrong
//   check value), ends after the last byte that inflated, as the end of a
//   file would; the log says so once;
// - a stream that inflates to more than kMaxInflatedBytes (256 MiB, far more
//   than any world the viewer can draw) is cut there, with one log line: a
//   small file cannot make the viewer read without end;
// - several gzip members one after the other (what `cat a.gz b.gz` makes)
//   read as one text; bytes after the last member that do not start another
//   one are ignored.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/input_stream.h"

// The most bytes a compressed stream inflates to: 256 MiB.
inline constexpr uint64_t kMaxInflatedBytes = uint64_t{256} << 20;

// True when the bytes start with the gzip signature 1F 8B.
bool hasGzipSignature(const unsigned char* head, int32_t count);

class GzipInputStream final : public InputStream {
public:
    // Inflates source (owned), whose first bytes are a gzip header. The name
    // is only for the log lines. Null when zlib cannot be set up (no memory).
    static std::unique_ptr<GzipInputStream> create(std::unique_ptr<InputStream> source, std::string name,
                                                   uint64_t maxBytes = kMaxInflatedBytes);
    ~GzipInputStream() override;
    GzipInputStream(const GzipInputStream&) = delete;
    GzipInputStream& operator=(const GzipInputStream&) = delete;

    // The next inflated byte, or -1 after the last one (for ever after).
    int32_t read() override;
    // Ends the inflation and closes the source.
    void close() override;

private:
    GzipInputStream(std::unique_ptr<InputStream> source, std::string name, uint64_t maxBytes);
    // Inflates the next block into buffer_; false at the end of the text.
    bool refill();
    // Inflates up to room bytes into out; fewer only at the end of the text.
    uint32_t inflateInto(unsigned char* out, uint32_t room);
    // Tops the compressed input up to at least `wanted` bytes if the source
    // has them; false when fewer remain.
    bool haveInput(uint32_t wanted);
    // After a member's end: true when another member follows (and is begun).
    bool startNextMember();
    // Ends the text with the log line for a cut-short or damaged stream;
    // inflatedNow: the bytes of the block being filled.
    void endDamaged(uint32_t inflatedNow);

    std::unique_ptr<InputStream> source_;
    std::string name_;
    uint64_t maxBytes_;
    // --- working state ---
    z_stream zlib_{};
    bool zlibOpen_ = false;
    bool ended_ = false;        // no more text: the last member ended, or the stream broke
    bool sourceEnded_ = false;  // the source returned -1
    uint64_t total_ = 0;        // inflated bytes handed to buffer_ so far
    unsigned char input_[kBlockSize];
    unsigned char buffer_[kBlockSize];
    int32_t count_ = 0;     // bytes valid in buffer_
    int32_t position_ = 0;  // next byte to hand out
};
