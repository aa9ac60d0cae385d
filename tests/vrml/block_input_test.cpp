// The lexer takes its input in blocks; whatever size the stream hands out,
// tokens, numbers and line counts must come out as if read byte by byte. A
// stream that hands out a few bytes at a time puts a block edge inside every
// kind of token: digits, a "-" before its digits, a word, a CR LF pair, an
// escape, a comment.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "base/input_stream.h"
#include "vrml/decimal_scan.h"
#include "vrml/lexer.h"

namespace {

// Hands out at most `chunk` bytes per readBytes; 0 once they are all out.
class ChunkStream final : public InputStream {
public:
    ChunkStream(std::string bytes, int32_t chunk) : bytes_(std::move(bytes)), chunk_(chunk) {}
    int32_t read() override { return at_ < bytes_.size() ? static_cast<unsigned char>(bytes_[at_++]) : -1; }
    int32_t readBytes(uint8_t* into, int32_t count) override {
        std::size_t n = std::min<std::size_t>(std::min(count, chunk_), bytes_.size() - at_);
        std::memcpy(into, bytes_.data() + at_, n);
        at_ += n;
        return static_cast<int32_t>(n);
    }
    void close() override { at_ = bytes_.size(); }

private:
    std::string bytes_;
    std::size_t at_ = 0;
    int32_t chunk_;
};

// Each token as kind:text:number, and the line after the last token.
std::string tokens(const std::string& input, int32_t chunk) {
    ChunkStream stream(input, chunk);
    VrmlLexer lexer;
    lexer.addReaderClasses();
    lexer.attachStream(&stream);
    std::string out;
    char number[64];
    for (int guard = 0; guard < 100 && lexer.nextToken() != kTokenEnd; ++guard) {
        std::snprintf(number, sizeof number, "%.17g", lexer.number());
        out += std::to_string(lexer.kind());
        out += ':';
        for (char16_t c : lexer.text()) out += static_cast<char>(c);
        out += ':';
        out += number;
        out += ' ';
    }
    return out + "line " + std::to_string(lexer.lineNumber());
}

TEST(BlockInput, TokensDoNotDependOnWhereTheBlocksEnd) {
    struct Case {
        const char* input;
        const char* expected;
    };
    const Case cases[] = {
        {"123456.789 -0.5", "-2::123456.789 -2::-0.5 line 1"},
        {"-.25 - x", "-2::-0.25 45::-0.25 -3:x:-0.25 line 1"},
        {"1.5e-3 2E+2", "-2::0.0015 -2::200 line 1"},
        {"coordIndex [ 0, 1, -1 ]",
         "-3:coordIndex:0 91::0 -2::0 -2::1 -2::-1 93::-1 line 1"},
        {"a\r\nb\rc\nd", "-3:a:0 -3:b:0 -3:c:0 -3:d:0 line 4"},
        {"# comment\r\n12 // more\n\"s\\\"t\\101\" 3", "-2::12 34:s\"tA:12 -2::3 line 3"},
        // Seventeen significant digits: past 2^53 the digits go on in doubles.
        {"98765432109876543.21", "-2::98765432109876544 line 1"},
        // Cut off inside a number, a string and a word: each ends with the input.
        {"7.2", "-2::7.2000000000000002 line 1"},
        {"\"open", "34:open:0 line 1"},
        {"Trans", "-3:Trans:0 line 1"},
    };
    for (const Case& c : cases) {
        for (int32_t chunk : {1, 2, 3, 5, 8192}) {
            EXPECT_EQ(tokens(c.input, chunk), c.expected) << c.input << " in blocks of " << chunk;
        }
    }
}

TEST(BlockInput, DigitsPastTwoToTheFiftyThreeConvertAsInDoubles) {
    // value * 10 + d in doubles from the first digit to the last, then one
    // division: the exact integer start must not change a bit of that.
    const char* inputs[] = {"9007199254740993", "123456789012345678901234567890", "0.30000000000000004441",
                            "1.00000000000000011102230246251565", "4503599627370497.5"};
    for (const char* input : inputs) {
        double slow = 0.0;
        int64_t decimals = 0;
        bool point = false;
        for (const char* p = input; *p; ++p) {
            if (*p == '.') {
                point = true;
                continue;
            }
            slow = slow * 10.0 + (*p - '0');
            if (point) ++decimals;
        }
        double divisor = 10.0;
        for (int64_t i = 1; i < decimals; ++i) divisor *= 10.0;
        if (decimals > 0) slow /= divisor;
        DecimalScan scan;
        const auto* bytes = reinterpret_cast<const uint8_t*>(input);
        scan.scan(bytes, bytes + std::strlen(input));
        EXPECT_EQ(scan.result(false), slow) << input;
    }
}

}  // namespace
