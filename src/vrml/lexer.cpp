// The world-file tokenizer.
//
// Every byte value has a set of classes in a 256-entry table; the first class
// of a token's first byte picks the reader, tested in this order: numeric
// (numbers, and "-" before a digit or "."), word, quote, comment. Anything
// else is a single-character token whose kind is its own code.
//
// Numbers use plain digit arithmetic in doubles (value * 10 + digit, then one
// division by 10^k for k decimal places; DecimalScan), so that the same text
// gives the same value on every machine without a library conversion. Two
// guards keep hostile digit runs defined: digits stop adding precision once the
// value passes kDigitLimit, and a power of ten is applied in steps that stay
// finite, so no run of digits can make inf / inf or 0 * inf.
//
// The input comes in blocks; one byte is handed back at most (the byte that
// ended a token), and it is always the byte just taken, so handing it back is
// a step back in the block. The hot loops (blanks, words, comments, digits)
// run over the block directly and go on into the next one when a token
// straddles the edge. The end of input, once seen, stays, so the stream is
// not asked again.
// Line ends are counted in one place, countLineEnd: CR, LF and CR LF each count
// once. Comments and open strings stop before the line end and leave it to the
// whitespace skip, which counts it.
//
// The full profile adds two rules, each one flag tested where the core path
// branches anyway. Strings run on over line ends: the core reading closes a
// string at the line end, so the closing quote of a two-line string opens a
// new one that eats the rest of its line, "]" and "}" included, and the world
// after a multi-line WorldInfo or Script string is read as part of it. And
// integer values may be written in hexadecimal ("0xFF"), which the core reading
// takes as the number 0 followed by the word "xFF".
#include "vrml/lexer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "base/input_stream.h"
#include "vrml/decimal_scan.h"

namespace {

// Any non-zero finite double times 10^1000 is infinite and divided by it is
// zero, so longer exponents change nothing; capping the digit run keeps the
// integer arithmetic in range.
constexpr int64_t kMaxExponent = 1000;
// 10^300 is finite, so one scaling step never multiplies 0 by inf or divides
// inf by inf.
constexpr int64_t kMaxScaleStep = 300;

bool isDigit(int32_t c) { return c >= '0' && c <= '9'; }
bool isOctalDigit(int32_t c) { return c >= '0' && c <= '7'; }

// 0..15 for a hexadecimal digit of either case, -1 for any other byte.
int32_t hexDigitValue(uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// value * 10^n, or value / 10^n. A single step for n <= 300; beyond that the
// result is what the exact product would round to: inf, 0 or the value itself
// when it is 0 or infinite.
double scaleByPowerOfTen(double value, int64_t n, bool divide) {
    while (n > 0 && value != 0.0 && std::isfinite(value)) {
        const int64_t step = std::min(n, kMaxScaleStep);
        const double p = DecimalScan::powerOfTen(step);
        value = divide ? value / p : value * p;
        n -= step;
    }
    return value;
}

}  // namespace

VrmlLexer::VrmlLexer() {
    buffer_.resize(kInitialBufferSize);
    for (int c = 0; c <= 32; ++c) classes_[c] = kClassWhitespace;
    for (int c = 'a'; c <= 'z'; ++c) classes_[c] = kClassWord;
    for (int c = 'A'; c <= 'Z'; ++c) classes_[c] = kClassWord;
    for (int c = 160; c <= 255; ++c) classes_[c] = kClassWord;
    for (int c = '0'; c <= '9'; ++c) classes_[c] = kClassNumeric;
    classes_['.'] = kClassNumeric;
    classes_['-'] = kClassNumeric;
    classes_['"'] = kClassQuote;
    classes_['\''] = kClassQuote;
    classes_['/'] = kClassComment;
}

void VrmlLexer::attachStream(InputStream* stream) {
    stream_ = stream;
    next_ = end_ = nullptr;
    ended_ = false;
}

void VrmlLexer::addReaderClasses() {
    classes_['#'] = kClassComment;
    classes_['['] = 0;
    classes_[']'] = 0;
    classes_['{'] = 0;
    classes_['}'] = 0;
    classes_[','] = kClassWhitespace;
    classes_['_'] |= kClassWord;
    classes_['!'] |= kClassWord;
    for (int c = '$'; c <= '+'; ++c) classes_[c] |= kClassWord;
    classes_['-'] |= kClassWord;
    for (int c = 128; c <= 255; ++c) classes_[c] |= kClassWord;
}

uint8_t VrmlLexer::characterClass(int32_t byte) const {
    if (byte < 0) return 0;
    if (byte > 255) return kClassWord;
    return classes_[byte];
}

// Takes the next block from the stream when the current one is used up;
// false at the end of the input.
bool VrmlLexer::fill() {
    if (ended_) return false;
    const int32_t count = stream_ ? stream_->readBytes(block_, kBlockBytes) : 0;
    if (count <= 0) {
        ended_ = true;
        next_ = end_ = nullptr;
        return false;
    }
    next_ = block_;
    end_ = block_ + count;
    return true;
}

inline int32_t VrmlLexer::nextByte() {
    if (next_ == end_ && !fill()) return kTokenEnd;
    return *next_++;
}

// Hands back the byte nextByte just returned; the end of input needs nothing.
inline void VrmlLexer::unread(int32_t byte) {
    if (byte >= 0) --next_;
}

void VrmlLexer::countLineEnd(int32_t byte) {
    if (byte != '\r' && byte != '\n') return;
    // Saturates rather than wrapping on a file of more than 2^31 lines.
    if (lineNumber_ < std::numeric_limits<int32_t>::max()) ++lineNumber_;
    if (byte == '\r') {
        const int32_t next = nextByte();
        if (next != '\n') unread(next);
    }
}

void VrmlLexer::appendChar(int32_t byte) {
    if (bufferLength_ == kMaxTextLength) return;
    if (bufferLength_ == buffer_.size())
        buffer_.resize(std::min(buffer_.size() * 2, kMaxTextLength));
    buffer_[bufferLength_++] = static_cast<char16_t>(byte);
}

// appendChar for each byte of [from, to), with the same growth.
void VrmlLexer::appendRun(const uint8_t* from, const uint8_t* to) {
    while (from < to && bufferLength_ < kMaxTextLength) {
        if (bufferLength_ == buffer_.size())
            buffer_.resize(std::min(buffer_.size() * 2, kMaxTextLength));
        const std::size_t room = buffer_.size() - bufferLength_;
        const std::size_t n = std::min(room, static_cast<std::size_t>(to - from));
        char16_t* out = buffer_.data() + bufferLength_;
        for (std::size_t i = 0; i < n; ++i) out[i] = from[i];
        bufferLength_ += n;
        from += n;
    }
}

void VrmlLexer::finishText() {
    raw_.text.assign(buffer_.data(), bufferLength_);
    bufferLength_ = 0;
}

// The first byte that is not whitespace (consumed), counting the line ends
// passed; kTokenEnd at the end of the input.
int32_t VrmlLexer::nextSignificantByte() {
    for (;;) {
        // The position stays in a register over runs of blanks.
        const uint8_t* at = next_;
        const uint8_t* const end = end_;
        bool lineEnd = false;
        while (at < end) {
            const uint8_t byte = *at++;
            if (!(classes_[byte] & kClassWhitespace)) {
                next_ = at;
                return byte;
            }
            if (byte == '\n' || byte == '\r') {
                next_ = at;
                countLineEnd(byte);  // may take the next block for a CR
                lineEnd = true;
                break;
            }
        }
        if (lineEnd) continue;  // from wherever countLineEnd left the input
        next_ = at;
        if (!fill()) return kTokenEnd;
    }
}

void VrmlLexer::skipComment() {
    // The line end is left in the block for the whitespace skip to count.
    for (;;) {
        for (; next_ < end_; ++next_) {
            if (*next_ == '\n' || *next_ == '\r') return;
        }
        if (!fill()) return;
    }
}

int32_t VrmlLexer::readToken() { return readRawToken(); }

// readToken's body, kept inline so that nextToken runs it without a call.
inline int32_t VrmlLexer::readRawToken() {
    raw_.text.clear();
    bufferLength_ = 0;
    for (;;) {
        const int32_t byte = nextSignificantByte();
        if (byte < 0) {
            raw_.kind = kTokenEnd;
            return raw_.kind;
        }
        const uint8_t classes = characterClass(byte);
        if (classes & kClassNumeric) {
            readNumber(byte);
        } else if (classes & kClassWord) {
            readWord(byte);
        } else if (classes & kClassQuote) {
            readString(byte);
        } else if (classes & kClassComment) {
            skipComment();
            continue;
        } else {
            raw_.kind = byte;
        }
        return raw_.kind;
    }
}

inline void VrmlLexer::readNumber(int32_t byte) {
    bool negative = false;
    if (byte == '-') {
        const int32_t next = nextByte();
        if (!isDigit(next) && next != '.') {
            unread(next);
            raw_.kind = '-';
            return;
        }
        negative = true;
        byte = next;
    }
    DecimalScan scan;
    if (hexIntegers_ && byte == '0') {
        const int32_t next = nextByte();
        if (next == 'x' || next == 'X') {
            readHexDigits(negative);
            return;
        }
        // The "0" stays consumed (the peek may have taken the next block, so
        // it cannot be handed back); a leading 0 adds nothing to the scan.
        unread(next);
    } else {
        unread(byte);  // a digit or ".": the scan starts with it
    }
    do {
        next_ = scan.scan(next_, end_);
    } while (!scan.ended() && fill());
    raw_.number = scan.result(negative);
    raw_.kind = kTokenNumber;
}

// The digits after "0x". A double holds every integer up to 2^53 exactly, far
// beyond the 32 bits an integer field keeps, so the value saturates there
// rather than lose its low digits.
void VrmlLexer::readHexDigits(bool negative) {
    constexpr uint64_t kHexLimit = uint64_t{1} << 53;
    uint64_t value = 0;
    for (;;) {
        const uint8_t* at = next_;
        for (int32_t digit; at < end_ && (digit = hexDigitValue(*at)) >= 0; ++at)
            value = value >= kHexLimit ? kHexLimit : value * 16 + static_cast<uint64_t>(digit);
        const bool stopped = at < end_;
        next_ = at;
        if (stopped || !fill()) break;
    }
    const double magnitude = static_cast<double>(std::min(value, kHexLimit));
    raw_.number = negative ? -magnitude : magnitude;
    raw_.kind = kTokenNumber;
}

void VrmlLexer::readWord(int32_t byte) {
    appendChar(byte);
    constexpr uint8_t kWordOrNumeric = kClassWord | kClassNumeric;
    do {
        const uint8_t* start = next_;
        while (next_ < end_ && (classes_[*next_] & kWordOrNumeric)) ++next_;
        appendRun(start, next_);
    } while (next_ == end_ && fill());
    finishText();
    raw_.kind = kTokenWord;
}

void VrmlLexer::readString(int32_t quote) {
    for (;;) {
        int32_t byte = nextByte();
        if (byte == quote) break;
        if (byte < 0) break;
        if (byte == '\n' || byte == '\r') {
            if (multiLineStrings_) {
                // Kept as one line feed, as an escaped line end is.
                countLineEnd(byte);
                appendChar('\n');
                continue;
            }
            // Left for the whitespace skip, which counts the line.
            unread(byte);
            break;
        }
        if (byte == '\\') {
            byte = readEscape();
            if (byte < 0) break;
        }
        appendChar(byte);
    }
    finishText();
    raw_.kind = quote;
}

int32_t VrmlLexer::readEscape() {
    const int32_t byte = nextByte();
    switch (byte) {
    case 'a': return 7;
    case 'b': return 8;
    case 'f': return 12;
    case 'n': return 10;
    case 'r': return 13;
    case 't': return 9;
    case 'v': return 11;
    case '\r':
    case '\n':
        // An escaped line end continues the string on the next line. It is
        // counted like any line end and stored as one line feed, so that CR,
        // LF and CR LF files read alike.
        countLineEnd(byte);
        return '\n';
    default: break;
    }
    if (!isOctalDigit(byte)) return byte;  // itself, or the end of input
    int32_t value = byte - '0';
    const int32_t second = nextByte();
    if (!isOctalDigit(second)) {
        unread(second);
        return value;
    }
    value = value * 8 + (second - '0');
    // A third digit only after 0..3 keeps the value within a byte.
    if (byte > '3') return value;
    const int32_t third = nextByte();
    if (!isOctalDigit(third)) {
        unread(third);
        return value;
    }
    return value * 8 + (third - '0');
}

// The raw token into the current slot; most tokens have no text, and
// emptying a text is cheaper than assigning an empty one.
inline void VrmlLexer::takeRawToken() {
    VrmlToken& token = currentToken();
    token.kind = raw_.kind;
    token.number = raw_.number;
    if (raw_.text.empty()) {
        token.text.clear();
    } else {
        token.text = raw_.text;
    }
}

int32_t VrmlLexer::nextToken() {
    // Exchanging the slots and then overwriting the current one is "copy the
    // current token into the previous one and read a new current one".
    exchangeTokens();
    if (pushedBack_) {
        pushedBack_ = false;
    } else {
        readRawToken();
        takeRawToken();
    }
    if (currentToken().kind != kTokenNumber) return currentToken().kind;

    // One token of lookahead: is the number followed by its exponent?
    exchangeTokens();
    readRawToken();
    takeRawToken();
    if (currentToken().kind != kTokenWord || !mergeExponent()) pushBack();
    return kTokenNumber;
}

bool VrmlLexer::mergeExponent() {
    const std::u16string& word = currentToken().text;
    if (currentToken().kind != kTokenWord || word.empty() || (word[0] != u'e' && word[0] != u'E'))
        return false;
    std::size_t at = 1;
    bool divide = false;
    if (word.size() > 1 && (word[1] == u'+' || word[1] == u'-')) {
        divide = word[1] == u'-';
        at = 2;
    }
    if (at >= word.size() || !isDigit(word[at])) return false;
    int64_t exponent = 0;
    for (; at < word.size() && isDigit(word[at]); ++at)
        exponent = std::min(exponent * 10 + (word[at] - u'0'), kMaxExponent);

    const double value = scaleByPowerOfTen(previousToken().number, exponent, divide);
    currentToken() = previousToken();
    currentToken().number = value;
    // Tokens that are not numbers carry the most recent number: the merged one.
    raw_.number = value;
    return true;
}

void VrmlLexer::holdBack() {
    if (pushedBack_ || currentToken().kind == kTokenNumber) return;
    pushBack();
}

void VrmlLexer::pushBack() {
    exchangeTokens();
    pushedBack_ = true;
}
