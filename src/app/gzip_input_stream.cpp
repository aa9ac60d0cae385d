// Inflation runs block by block: a refill asks zlib for up to 8192 bytes of
// text, and zlib asks for compressed bytes as it needs them, which come from
// the source one read at a time into input_ (the source buffers its own
// blocks, so that costs no system call per byte).
//
// The end of the text is decided in three places: the source runs out
// (inside a member: cut short), zlib reports a damaged stream, or a member
// ends and no other follows. Whichever comes first, ended_ is set and every
// later read returns -1; no path loops without consuming input or producing
// output, so no input can make a read hang.
#include "app/gzip_input_stream.h"

#include <cstring>
#include <new>

#include "base/log.h"

namespace {

constexpr unsigned char kGzipMagic0 = 0x1F;
constexpr unsigned char kGzipMagic1 = 0x8B;
// zlib's window bits: 15 (the 32 KiB window every gzip writer may use), plus
// 16 to read the gzip wrapper (header, CRC-32 and length) instead of zlib's.
constexpr int kGzipWindowBits = 15 + 16;

}  // namespace

bool hasGzipSignature(const unsigned char* head, int32_t count) {
    return count >= 2 && head[0] == kGzipMagic0 && head[1] == kGzipMagic1;
}

GzipInputStream::GzipInputStream(std::unique_ptr<InputStream> source, std::string name, uint64_t maxBytes)
    : source_(std::move(source)), name_(std::move(name)), maxBytes_(maxBytes) {}

std::unique_ptr<GzipInputStream> GzipInputStream::create(std::unique_ptr<InputStream> source, std::string name,
                                                         uint64_t maxBytes) {
    if (!source) return nullptr;
    std::unique_ptr<GzipInputStream> stream(new (std::nothrow)
                                                GzipInputStream(std::move(source), std::move(name), maxBytes));
    if (!stream) return nullptr;
    if (inflateInit2(&stream->zlib_, kGzipWindowBits) != Z_OK) return nullptr;
    stream->zlibOpen_ = true;
    return stream;
}

GzipInputStream::~GzipInputStream() { close(); }

int32_t GzipInputStream::read() {
    if (position_ == count_ && !refill()) return -1;
    return buffer_[position_++];
}

void GzipInputStream::close() {
    if (zlibOpen_) inflateEnd(&zlib_);
    zlibOpen_ = false;
    ended_ = true;
    if (source_) source_->close();
    source_.reset();
    count_ = 0;
    position_ = 0;
}

bool GzipInputStream::refill() {
    count_ = 0;
    position_ = 0;
    if (ended_) return false;
    const uint64_t left = maxBytes_ - total_;
    if (left == 0) {
        // At the cap: one more byte would be one too many.
        unsigned char probe;
        if (inflateInto(&probe, 1) > 0) {
            logFormat(("gzip: " + name_ + " inflates to more than " + std::to_string(maxBytes_) +
                       " bytes; the rest is not read")
                          .c_str());
        }
        ended_ = true;
        return false;
    }
    const uint32_t room = left < static_cast<uint64_t>(kBlockSize) ? static_cast<uint32_t>(left) : kBlockSize;
    count_ = static_cast<int32_t>(inflateInto(buffer_, room));
    total_ += static_cast<uint64_t>(count_);
    return count_ > 0;
}

uint32_t GzipInputStream::inflateInto(unsigned char* out, uint32_t room) {
    zlib_.next_out = out;
    zlib_.avail_out = room;
    while (zlib_.avail_out > 0 && !ended_) {
        if (zlib_.avail_in == 0 && !haveInput(1)) {
            endDamaged(room - zlib_.avail_out);  // the source ended inside a member
            break;
        }
        const uInt inputBefore = zlib_.avail_in;
        const uInt outputBefore = zlib_.avail_out;
        const int result = inflate(&zlib_, Z_NO_FLUSH);
        if (result == Z_STREAM_END) {
            if (!startNextMember()) ended_ = true;
        } else if (result != Z_OK && result != Z_BUF_ERROR) {
            endDamaged(room - zlib_.avail_out);  // a bad header, block or check value
        } else if (zlib_.avail_in == inputBefore && zlib_.avail_out == outputBefore && zlib_.avail_in > 0) {
            endDamaged(room - zlib_.avail_out);  // no progress with input and room: never wait on zlib
        }
    }
    return room - zlib_.avail_out;
}

bool GzipInputStream::haveInput(uint32_t wanted) {
    if (zlib_.avail_in >= wanted) return true;
    if (sourceEnded_ || !source_) return false;
    // Keep the unread bytes, moved to the front, and read more behind them.
    const uInt kept = zlib_.avail_in;
    if (kept > 0) std::memmove(input_, zlib_.next_in, kept);
    uInt filled = kept;
    while (filled < static_cast<uInt>(kBlockSize)) {
        const int32_t byte = source_->read();
        if (byte < 0) {
            sourceEnded_ = true;
            break;
        }
        input_[filled++] = static_cast<unsigned char>(byte);
    }
    zlib_.next_in = input_;
    zlib_.avail_in = filled;
    return filled >= wanted;
}

bool GzipInputStream::startNextMember() {
    if (!haveInput(2) || !hasGzipSignature(zlib_.next_in, static_cast<int32_t>(zlib_.avail_in))) return false;
    return inflateReset(&zlib_) == Z_OK;
}

void GzipInputStream::endDamaged(uint32_t inflatedNow) {
    const uint64_t text = total_ + inflatedNow;
    logFormat(("gzip: " + name_ + " is cut short or damaged after " + std::to_string(text) + " bytes").c_str());
    ended_ = true;
}
