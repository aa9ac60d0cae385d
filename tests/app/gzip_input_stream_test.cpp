// The gzip layer under the reader: every size inflates exactly, members follow
// each other, and a stream that is cut, damaged or far too large ends the text
// cleanly with one log line.
#include <gtest/gtest.h>

#include <string>

#include "app/gzip_input_stream.h"
#include "app/gzip_test_support.h"
#include "app/open_stream.h"
#include "base/log.h"
#include "shell/test_support.h"
#include "support/memory_stream.h"

using foundation_test::readFile;
using foundation_test::TempDir;
using foundation_test::writeFile;

namespace {

std::string pattern(std::size_t size) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<char>((i * 7 + i / 256 + i * i / 4099) & 0xFF);
    return out;
}

// Every byte until the end; checks that the end stays the end.
std::string drain(InputStream& stream) {
    std::string out;
    for (int32_t c; (c = stream.read()) != -1;) out.push_back(static_cast<char>(c));
    EXPECT_EQ(stream.read(), -1);
    EXPECT_EQ(stream.read(), -1);
    return out;
}

std::unique_ptr<GzipInputStream> gzipOver(const std::string& bytes, uint64_t cap = kMaxInflatedBytes) {
    return GzipInputStream::create(std::make_unique<MemoryStream>(bytes), "test.wrz", cap);
}

// The log, opened once per test (creating files is slow on some disks); each
// call of the returned one gives the lines written while the body ran.
class LogTail {
public:
    explicit LogTail(const TempDir& dir) : path_(dir.file("log.txt")) {
        openLog(nullptr, path_);
        offset_ = std::string("ORVELLA log: version: 1, build: 1").size();
    }
    ~LogTail() { closeLog(); }
    template <class Body>
    std::string operator()(Body body) {
        body();
        flushLog();
        const std::string log = readFile(path_);
        const std::string lines = log.size() > offset_ ? log.substr(offset_) : std::string();
        offset_ = log.size();
        return lines;
    }

private:
    std::string path_;
    std::size_t offset_;
};

TEST(GzipInputStream, EverySizeAndLevelInflatesExactly) {
    TempDir dir;
    LogTail logOf(dir);
    for (std::size_t size : {0u, 1u, 8191u, 8192u, 8193u, 65536u, 200000u}) {
        for (int level : {0, 1, 9}) {
            SCOPED_TRACE(testing::Message() << size << " bytes, level " << level);
            const std::string text = pattern(size);
            std::string log = logOf([&] {
                std::unique_ptr<GzipInputStream> stream = gzipOver(gzipBytes(text, level));
                ASSERT_NE(stream, nullptr);
                EXPECT_EQ(drain(*stream), text);
            });
            EXPECT_EQ(log, "");  // a whole stream says nothing
        }
    }
}

TEST(GzipInputStream, OpenStreamTellsGzipByItsBytesNotItsName) {
    TempDir dir;
    const std::string text = "#VRML V2.0 utf8\n" + pattern(30000);
    struct Case {
        const char* name;
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"world.wrz", gzipBytes(text), text},
        {"world.wrl.gz", gzipBytes(text), text},
        {"served.wrl", gzipBytes(text), text},                     // gzip under a plain name
        {"plain.wrl.gz", text, text},                              // a plain file under a gzip name stays plain
        {"one.wrl", "\x1F", "\x1F"},                               // half a signature is text
        {"magic.wrl", "\x1F\x8B", ""},                             // the signature alone: a cut-short stream
        {"two.wrl", gzipBytes("ab") + gzipBytes("cd"), "abcd"},    // members follow each other
        {"tail.wrl", gzipBytes("ab") + std::string("\0\0junk", 6), "ab"},  // trailing bytes are ignored
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(dir.file(c.name), c.bytes);
        std::unique_ptr<InputStream> stream = openStream(dir.file(c.name));
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(drain(*stream), c.expected);
    }
}

TEST(GzipInputStream, ACutStreamKeepsWhatInflatedAndSaysSoOnce) {
    TempDir dir;
    LogTail logOf(dir);
    const std::string text = pattern(50000);
    const std::string whole = gzipBytes(text, 6);
    // Every cut inside the header and the first block, then coarser steps
    // through the rest, the 8-byte trailer included.
    for (std::size_t cut = 0; cut < whole.size(); cut += cut < 600 ? 1 : 97) {
        SCOPED_TRACE(cut);
        std::string got;
        const std::string log = logOf([&] {
            std::unique_ptr<GzipInputStream> stream = gzipOver(whole.substr(0, cut));
            ASSERT_NE(stream, nullptr);
            got = drain(*stream);
        });
        ASSERT_LE(got.size(), text.size());
        EXPECT_EQ(got, text.substr(0, got.size()));
        EXPECT_EQ(log, "gzip: test.wrz is cut short or damaged after " + std::to_string(got.size()) + " bytes\n");
    }
}

TEST(GzipInputStream, DamagedBytesEndTheTextWithoutACrash) {
    TempDir dir;
    LogTail logOf(dir);
    const std::string text = pattern(20000);
    const std::string whole = gzipBytes(text, 9);
    int cases = 0;
    int noticed = 0;
    for (std::size_t at = 2; at < whole.size(); at += at < 40 ? 1 : 31) {
        for (unsigned char flip : {0x01, 0x80, 0xFF}) {
            std::string bytes = whole;
            bytes[at] = static_cast<char>(bytes[at] ^ flip);
            std::string got;
            const std::string log = logOf([&] {
                std::unique_ptr<GzipInputStream> stream = gzipOver(bytes);
                ASSERT_NE(stream, nullptr);
                got = drain(*stream);
            });
            ++cases;
            if (log.empty()) {
                EXPECT_EQ(got, text) << at;  // only the unchecked header bytes (time, system) pass unnoticed
            } else {
                ++noticed;
                EXPECT_EQ(log.find('\n'), log.size() - 1) << log;  // one line
            }
        }
    }
    // The CRC-32 and the length catch every flip in the data; of the
    // header's bytes 2..9, only the time (4..7), the extra flags (8) and the
    // system (9) are free, and the flag byte's "text" hint (bit 0).
    EXPECT_GE(noticed, cases - 3 * 6 - 1);
}

TEST(GzipInputStream, TheCapCutsTheTextWithOneLine) {
    TempDir dir;
    LogTail logOf(dir);
    struct Case {
        std::size_t size;
        uint64_t cap;
        std::size_t kept;
        bool cut;
    };
    const Case cases[] = {
        {1000, 1000, 1000, false},  // exactly the cap is no bomb
        {1001, 1000, 1000, true},
        {100000, 8192, 8192, true},
        {100000, 8193, 8193, true},
        {0, 0, 0, false},
        {1, 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " bytes, cap " << c.cap);
        const std::string text = pattern(c.size);
        std::string got;
        const std::string log = logOf([&] {
            std::unique_ptr<GzipInputStream> stream = gzipOver(gzipBytes(text), c.cap);
            ASSERT_NE(stream, nullptr);
            got = drain(*stream);
        });
        EXPECT_EQ(got, text.substr(0, c.kept));
        EXPECT_EQ(log, c.cut ? "gzip: test.wrz inflates to more than " + std::to_string(c.cap) +
                                   " bytes; the rest is not read\n"
                             : "");
    }
}

TEST(GzipInputStream, ABombIsCutAt256MiB) {
    TempDir dir;
    LogTail logOf(dir);
    const std::string bomb = gzipZeros(kMaxInflatedBytes + (uint64_t{1} << 20));
    ASSERT_FALSE(bomb.empty());
    ASSERT_LT(bomb.size(), 400000u);  // a small file
    writeFile(dir.file("bomb.wrl"), bomb);
    uint64_t count = 0;
    bool allZero = true;
    const std::string log = logOf([&] {
        std::unique_ptr<InputStream> stream = openStream(dir.file("bomb.wrl"));
        ASSERT_NE(stream, nullptr);
        for (int32_t c; (c = stream->read()) != -1; ++count) allZero &= c == 0;
        EXPECT_EQ(stream->read(), -1);
    });
    EXPECT_EQ(count, kMaxInflatedBytes);
    EXPECT_TRUE(allZero);
    EXPECT_EQ(log, "gzip: " + dir.file("bomb.wrl") + " inflates to more than 268435456 bytes; the rest is not read\n");
}

TEST(GzipInputStream, CloseEndsTheTextAndClosesTheSource) {
    auto source = std::make_unique<MemoryStream>(gzipBytes(pattern(40000)));
    MemoryStream* raw = source.get();
    std::unique_ptr<GzipInputStream> stream = GzipInputStream::create(std::move(source), "x");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->read(), 0);
    EXPECT_LT(raw->position(), 20000u);  // the text is inflated as it is read, not all at once
    stream->close();
    EXPECT_EQ(stream->read(), -1);
    EXPECT_EQ(GzipInputStream::create(nullptr, "x"), nullptr);
}

}  // namespace
