#include "app/gzip_test_support.h"

#include <zlib.h>

#include <vector>

namespace {

constexpr int kGzipWindowBits = 15 + 16;  // a gzip wrapper, not zlib's
constexpr int kMemoryLevel = 8;

// Feeds `size` bytes of the chunk (repeated) through deflate.
std::string deflateRepeated(const std::string& chunk, uint64_t size, int level) {
    z_stream zs{};
    std::string out;
    if (deflateInit2(&zs, level, Z_DEFLATED, kGzipWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY) != Z_OK) return out;
    std::vector<unsigned char> block(1 << 16);
    uint64_t left = size;
    int result = Z_OK;
    do {
        const uint64_t take = chunk.empty() ? 0 : (left < chunk.size() ? left : chunk.size());
        left -= take;
        zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunk.data()));
        zs.avail_in = static_cast<uInt>(take);
        const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        do {
            zs.next_out = block.data();
            zs.avail_out = static_cast<uInt>(block.size());
            result = deflate(&zs, flush);
            out.append(reinterpret_cast<const char*>(block.data()), block.size() - zs.avail_out);
        } while (zs.avail_out == 0);
    } while (left > 0);
    deflateEnd(&zs);
    return result == Z_STREAM_END ? out : std::string();
}

}  // namespace

std::string gzipBytes(const std::string& text, int level) { return deflateRepeated(text, text.size(), level); }

std::string gzipZeros(uint64_t size) { return deflateRepeated(std::string(1 << 20, '\0'), size, 9); }
