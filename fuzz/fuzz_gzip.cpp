// libFuzzer harness for the gzip layer under the world reader. The first byte
// steers, the rest is the payload:
//   bits 0-1  the way in: 0 and 1 through openStream on a file in a private
//             temp folder (the signature test and GzipInputStream exactly as
//             a .wrl.gz on disk meets them); 2 the payload straight into
//             GzipInputStream with a small inflation cap taken from the next
//             two bytes; 3 the payload gzip-compressed here (one or two
//             members), read back through GzipInputStream and then read as a
//             world by the parser;
//   bits 2-7  the seed of the chunk sizes the reader takes (1 .. 9000 bytes
//             at a time, with an early close now and then).
// What is checked: a stream never hands out more than its cap, -1 stays -1,
// a close ends the text, and compressed text reads back exactly.
//
// Build and run from the repository root (see the Makefile):
//   make fuzz-build
//   ./build-fuzz/fuzz_gzip -max_len=65536 -timeout=2 -rss_limit_mb=2048 \
//       build-fuzz/corpus_gzip build-fuzz/seed_gzip
#include <unistd.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/gzip_input_stream.h"
#include "app/open_stream.h"
#include "events/node_factory.h"
#include "scene/node_registry.h"
#include "support/memory_stream.h"
#include "vrml/parser.h"

namespace {

// Fails the run (libFuzzer reports it as a crash with the input).
void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz_gzip: %s\n", what);
    std::abort();
}

const std::string& tempFile() {
    static const std::string path = [] {
        char folder[] = "/tmp/orvella-fuzz-gzip-XXXXXX";
        check(::mkdtemp(folder) != nullptr, "no temp folder");
        return std::string(folder) + "/world.wrl.gz";
    }();
    return path;
}

std::string gzipOf(const std::string& text, int level) {
    z_stream z{};
    check(deflateInit2(&z, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK, "deflateInit2");
    std::string out(deflateBound(&z, text.size()) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    check(deflate(&z, Z_FINISH) == Z_STREAM_END, "deflate");
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// Reads the stream to its end in chunks whose sizes follow the seed; stops
// early (and closes) when the seed says so. Returns what was read.
std::string readInChunks(InputStream& stream, uint32_t seed, uint64_t cap, bool mayClose) {
    std::string text;
    uint32_t state = seed * 2654435761u + 1;
    for (;;) {
        state = state * 1103515245u + 12345u;
        const uint32_t chunk = 1 + (state >> 8) % 9000;
        if (mayClose && (state >> 28) == 0xF && !text.empty()) {
            stream.close();
            check(stream.read() == -1, "a byte after close");
            return text;
        }
        for (uint32_t i = 0; i < chunk; ++i) {
            const int32_t byte = stream.read();
            if (byte < 0) {
                check(byte == -1, "a read below -1");
                check(stream.read() == -1 && stream.read() == -1, "a byte after the end");
                return text;
            }
            check(byte <= 255, "a read above 255");
            text.push_back(static_cast<char>(byte));
            check(text.size() <= cap, "more bytes than the cap");
        }
    }
}

void throughOpenStream(const std::string& payload, uint32_t seed) {
    const std::string& path = tempFile();
    FILE* file = std::fopen(path.c_str(), "wb");
    check(file != nullptr, "temp file");
    std::fwrite(payload.data(), 1, payload.size(), file);
    std::fclose(file);
    std::unique_ptr<InputStream> stream = openStream(path);
    check(stream != nullptr, "openStream of an existing file");
    const std::string text = readInChunks(*stream, seed, kMaxInflatedBytes, true);
    const bool gzip = payload.size() >= 2 && static_cast<unsigned char>(payload[0]) == 0x1F &&
                      static_cast<unsigned char>(payload[1]) == 0x8B;
    // Plain bytes pass through untouched (up to an early close).
    if (!gzip) check(payload.compare(0, text.size(), text) == 0, "plain bytes changed");
}

void withCap(const std::string& payload, uint32_t seed) {
    if (payload.size() < 2) return;
    const uint64_t cap = static_cast<unsigned char>(payload[0]) | (static_cast<unsigned char>(payload[1]) << 8);
    MemoryStream* memory = new MemoryStream(reinterpret_cast<const uint8_t*>(payload.data()) + 2, payload.size() - 2);
    std::unique_ptr<GzipInputStream> stream =
        GzipInputStream::create(std::unique_ptr<InputStream>(memory), "fuzz.wrl.gz", cap);
    check(stream != nullptr, "GzipInputStream::create");
    readInChunks(*stream, seed, cap, true);
}

void roundTrip(const std::string& payload, uint32_t seed) {
    // Two members when the seed says so: `cat a.gz b.gz` reads as a + b.
    const std::size_t split = (seed & 1) ? payload.size() / 2 : payload.size();
    const std::string compressed =
        gzipOf(payload.substr(0, split), seed % 10) + (split < payload.size() ? gzipOf(payload.substr(split), 1) : "");
    {
        std::unique_ptr<GzipInputStream> stream =
            GzipInputStream::create(std::make_unique<MemoryStream>(compressed), "fuzz.wrl.gz");
        check(stream != nullptr, "GzipInputStream::create");
        check(readInChunks(*stream, seed, kMaxInflatedBytes, false) == payload, "inflated text differs");
    }
    {
        std::unique_ptr<GzipInputStream> stream =
            GzipInputStream::create(std::make_unique<MemoryStream>(compressed), "fuzz.wrl.gz");
        check(stream != nullptr, "GzipInputStream::create");
        VrmlParser parser(createNode, [](const std::string&) { return std::unique_ptr<InputStream>(); });
        parser.parseStream(stream.get());
    }
    releaseNodeRegistry();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const uint32_t mode = data[0] & 3;
    const uint32_t seed = data[0] >> 2;
    const std::string payload(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (mode) {
    case 0:
    case 1: throughOpenStream(payload, seed); break;
    case 2: withCap(payload, seed); break;
    default: roundTrip(payload, seed); break;
    }
    return 0;
}
