// FileInputStream hands its bytes out in blocks too (readBytes), and the two
// ways of reading may be mixed: what was peeked, read byte by byte or asked
// for in blocks of any size comes out once, in order, and the end is final.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/open_stream.h"
#include "shell/test_support.h"

using foundation_test::TempDir;
using foundation_test::writeFile;

namespace {

TEST(FileBlockRead, MixedReadsGiveEveryByteOnceAndTheEndStays) {
    TempDir dir;
    std::string content(20000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>((i * 13 + i / 97) & 0xFF);
    writeFile(dir.file("w.wrl"), content);
    // Block sizes below, at and above the stream's own block of 8192 bytes.
    for (int32_t ask : {1, 100, 8191, 8192, 8193, 30000}) {
        SCOPED_TRACE(ask);
        std::unique_ptr<InputStream> stream = openStream(dir.file("w.wrl"));
        ASSERT_NE(stream, nullptr);
        std::string out;
        uint8_t block[30000];
        for (int turn = 0;; ++turn) {
            if (turn % 3 == 2) {
                const int32_t byte = stream->read();
                if (byte < 0) break;
                out.push_back(static_cast<char>(byte));
                continue;
            }
            const int32_t n = stream->readBytes(block, ask);
            ASSERT_GE(n, 0);
            ASSERT_LE(n, ask);
            if (n == 0) break;
            out.append(reinterpret_cast<const char*>(block), static_cast<std::size_t>(n));
        }
        EXPECT_EQ(out, content);
        EXPECT_EQ(stream->readBytes(block, ask), 0);
        EXPECT_EQ(stream->read(), -1);
    }
}

}  // namespace
