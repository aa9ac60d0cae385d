#include "vrml/byte_order_mark.h"

namespace {
constexpr int32_t kMark[3] = {0xEF, 0xBB, 0xBF};
}

ByteOrderMarkFilter::ByteOrderMarkFilter(InputStream* source) : source_(source) {
    if (!source_) return;
    while (heldCount_ < 3) {
        const int32_t byte = source_->read();
        if (byte < 0) break;
        held_[heldCount_++] = byte;
        if (byte != kMark[heldCount_ - 1]) return;
    }
    if (heldCount_ == 3) heldCount_ = 0;
}

int32_t ByteOrderMarkFilter::read() {
    if (heldNext_ < heldCount_) return held_[heldNext_++];
    return source_ ? source_->read() : -1;
}

int32_t ByteOrderMarkFilter::readBytes(uint8_t* into, int32_t count) {
    int32_t n = 0;
    while (n < count && heldNext_ < heldCount_) into[n++] = static_cast<uint8_t>(held_[heldNext_++]);
    if (n > 0 || !source_) return n;
    return source_->readBytes(into, count);
}

void ByteOrderMarkFilter::close() { source_ = nullptr; heldCount_ = heldNext_ = 0; }
