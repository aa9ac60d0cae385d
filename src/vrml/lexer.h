// VrmlLexer: splits the bytes of a world file into tokens.
//
// Two layers. readToken is a table-driven tokenizer: every byte value has a set
// of character classes, and the classes decide where numbers, words, quoted
// strings and comments begin and end. nextToken sits on top: it keeps the
// current and the previous token, merges a number with a following exponent
// word ("1.5" then "e-3") into one number, and holds back one token when it has
// read too far.
//
// The lexer takes its input in blocks from an InputStream it does not own, so
// it may have read up to a block past the last token it returned. It never
// checks a header line: "#" opens a comment once the reader classes are
// in place, so "#VRML V2.0 utf8" is skipped like any comment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class InputStream;

// Token kinds; any other kind is the code of a single ordinary character.
constexpr int32_t kTokenEnd = -1;
constexpr int32_t kTokenNumber = -2;
constexpr int32_t kTokenWord = -3;
constexpr int32_t kTokenNothing = -4;  // before the first token
constexpr int32_t kTokenString = '"';

// Character-class bits of the class table.
constexpr uint8_t kClassWhitespace = 1;
constexpr uint8_t kClassNumeric = 2;
constexpr uint8_t kClassWord = 4;
constexpr uint8_t kClassQuote = 8;
constexpr uint8_t kClassComment = 16;

struct VrmlToken {
    int32_t kind = kTokenNothing;
    // The value of a number. Tokens of other kinds carry the value of the most
    // recent number instead (0 before the first one).
    double number = 0.0;
    // The characters of a word or the contents of a string; empty otherwise.
    std::u16string text;
};

class VrmlLexer {
public:
    // Longest word or string text kept, in characters. Characters beyond it
    // are read and dropped, so that a hostile file cannot exhaust memory; the
    // token still ends where the input ends it.
    static constexpr std::size_t kMaxTextLength = std::size_t{1} << 24;
    // Size of the character buffer at construction; it doubles when full.
    static constexpr std::size_t kInitialBufferSize = 20;

    // No stream, line 1, no token; the class table holds the base classes:
    // bytes 0..32 whitespace; letters and 160..255 word; digits, "." and "-"
    // numeric; the double quote and "'" quote; "/" comment.
    VrmlLexer();
    VrmlLexer(const VrmlLexer&) = delete;
    VrmlLexer& operator=(const VrmlLexer&) = delete;

    // Sets the byte source (not owned; it must outlive the reading) and drops
    // any byte held from an earlier source. A null stream reads as an empty
    // input.
    void attachStream(InputStream* stream);

    // Completes the class table for world files: "#" becomes a comment
    // character only; "[", "]", "{" and "}" lose every class; "," becomes
    // whitespace only; "_", "!", "$" to "+", "-" and 128..255 gain the word
    // class. The reader calls it once before the first token.
    void addReaderClasses();

    // The full profile's reading rules; both are off at construction, and the
    // core profile never turns them on, so its tokens stay as they are.
    // With multi-line strings a quoted string runs on over line ends (each is
    // counted and kept in the text as one line feed, whatever the file's line
    // ends) instead of being closed by them.
    void setMultiLineStrings(bool on) { multiLineStrings_ = on; }
    // With hexadecimal integers a number written "0x" or "0X" and hex digits
    // (either case, after an optional "-") reads as that integer; digits past
    // 2^53 saturate there. A "0x" with no digit after it reads as 0 and the
    // "x" is consumed. The reader turns it on for integer values only.
    void setHexIntegers(bool on) { hexIntegers_ = on; }
    bool hexIntegers() const { return hexIntegers_; }

    // The classes of a byte value; values of 256 and above count as word
    // characters, negative values (the end of input) have none.
    uint8_t characterClass(int32_t byte) const;

    // Reads one raw token into rawToken() and returns its kind. A quoted
    // string's kind is its opening quote character, which also closes it (with
    // the reader classes only the double quote opens strings). Every call at
    // the end of the input returns kTokenEnd. Line ends are counted as they are
    // passed, including those that close a comment or an open string.
    int32_t readToken();

    // Advances to the next token and returns the kind of the new current
    // token. A number followed by a word "e<digits>", "e+<digits>" or
    // "e-<digits>" (or with "E") comes back as one number scaled by the power
    // of ten; the exponent word is consumed, and characters after its digits
    // are lost. Otherwise the token after a number is held back and returned
    // by the next call.
    int32_t nextToken();

    // Hands the current token back: the next nextToken returns it again
    // (current() is then the token before it). Only for a current token that
    // is not a number (a number's lookahead is held back already).
    void holdBack();

    // The token that nextToken made current.
    const VrmlToken& current() const { return tokens_[currentSlot_]; }
    int32_t kind() const { return current().kind; }
    const std::u16string& text() const { return current().text; }
    double number() const { return current().number; }

    // The token that readToken read last.
    const VrmlToken& rawToken() const { return raw_; }

    // The line of the input being read, from 1. It is the line of the last
    // byte consumed, so after a token it names the line that token ended on
    // (or a later one when the lookahead has passed line ends).
    int32_t lineNumber() const { return lineNumber_; }

    // Characters the text buffer can hold before it grows again.
    std::size_t bufferSize() const { return buffer_.size(); }

private:
    // Bytes are taken from the stream a block at a time.
    static constexpr int32_t kBlockBytes = 8192;

    bool fill();
    int32_t nextByte();
    void unread(int32_t byte);
    int32_t nextSignificantByte();
    void countLineEnd(int32_t byte);
    void appendChar(int32_t byte);
    void appendRun(const uint8_t* from, const uint8_t* to);
    void finishText();
    void skipComment();
    void readNumber(int32_t byte);
    void readHexDigits(bool negative);
    void readWord(int32_t byte);
    void readString(int32_t quote);
    int32_t readEscape();
    int32_t readRawToken();
    void takeRawToken();
    bool mergeExponent();
    void pushBack();

    InputStream* stream_ = nullptr;  // not owned
    std::u16string buffer_;          // text of the token being read
    std::size_t bufferLength_ = 0;   // characters in use in buffer_
    // The bytes taken from the stream and not yet consumed: [next_, end_) of
    // block_. Handing a byte back is a step back of next_; once the stream
    // has reported its end, ended_ keeps it from being asked again.
    const uint8_t* next_ = nullptr;
    const uint8_t* end_ = nullptr;
    bool ended_ = false;
    int32_t lineNumber_ = 1;
    VrmlToken raw_;
    uint8_t classes_[256] = {};
    // Token layer: the current and the previous token are the two slots, so
    // exchanging them, or making the current one the previous, moves no text.
    VrmlToken& currentToken() { return tokens_[currentSlot_]; }
    VrmlToken& previousToken() { return tokens_[currentSlot_ ^ 1]; }
    void exchangeTokens() { currentSlot_ ^= 1; }
    VrmlToken tokens_[2];
    int32_t currentSlot_ = 0;
    bool pushedBack_ = false;
    bool multiLineStrings_ = false;
    bool hexIntegers_ = false;
    uint8_t block_[kBlockBytes];
};
