#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "support/memory_stream.h"
#include "base/input_stream.h"
#include "vrml/lexer.h"

namespace {

// A lexer with the world-file classes over its own stream.
struct ReaderLexer {
    explicit ReaderLexer(std::string bytes, bool readerClasses = true) : stream(std::move(bytes)) {
        if (readerClasses) lexer.addReaderClasses();
        lexer.attachStream(&stream);
    }
    MemoryStream stream;
    VrmlLexer lexer;
};

std::string narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

std::string numberText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

std::string describe(const VrmlToken& token) {
    switch (token.kind) {
    case kTokenNumber: return "n:" + numberText(token.number);
    case kTokenWord: return "w:" + narrow(token.text);
    case kTokenString: return "s:" + narrow(token.text);
    case '\'': return "q:" + narrow(token.text);  // only without the reader classes
    default: return "c:" + std::string(1, static_cast<char>(token.kind));
    }
}

// The tokens of nextToken up to the end, one description each, blank-separated.
std::string tokensOf(const std::string& input, bool readerClasses = true) {
    ReaderLexer r(input, readerClasses);
    std::string out;
    for (int guard = 0; guard < 1000 && r.lexer.nextToken() != kTokenEnd; ++guard) {
        if (!out.empty()) out += ' ';
        out += describe(r.lexer.current());
    }
    return out;
}

struct Case {
    const char* input;
    const char* tokens;
};

TEST(VrmlLexer, NumbersAndExponents) {
    const Case cases[] = {
        {"1e5", "n:100000"},
        {"1E+5", "n:100000"},
        {"1e+5", "n:100000"},
        {"1 E5", "n:100000"},
        {"2e-2", "n:0.02"},
        {"1.5e-3", "n:0.0015"},
        {"3e2x", "n:300"},                 // the x after the exponent digits is lost
        {"3e2x 4", "n:300 n:4"},
        {"1 else", "n:1 w:else"},          // a word starting with e is not an exponent
        {"1 e5", "n:100000"},              // the two need not touch
        {"1 ,e5", "n:100000"},             // a comma is only whitespace
        {"1 e", "n:1 w:e"},
        {"1 e+", "n:1 w:e+"},
        {"1 e-x", "n:1 w:e-x"},
        {"1 \"e5\"", "n:1 s:e5"},          // a string is never an exponent
        {"1 2 e3", "n:1 n:2000"},          // a held-back number is examined too
        {"e5", "w:e5"},
        {"abc e5", "w:abc w:e5"},
        {"1e0000000000000000002", "n:100"},  // leading zeros of a long exponent
        {"2.5e-00000000001", "n:0.25"},
        {"+5", "w:+5"},
        {"-5", "n:-5"},
        {"-x", "c:- w:x"},
        {"- 5", "c:- n:5"},
        {"-", "c:-"},
        {"--5", "c:- n:-5"},
        {"1-2", "n:1 n:-2"},
        {"1.2.3", "n:1.2 n:0.3"},
        {".", "n:0"},
        {"-.", "n:-0"},
        {"-.5", "n:-0.5"},
        {"..5", "n:0 n:0.5"},
        {"007", "n:7"},
        {"1.", "n:1"},
        {"3.14abc", "n:3.14 w:abc"},
        {"1,2,3", "n:1 n:2 n:3"},
        {"0.1 0.2", "n:0.1 n:0.2"},
        {"123456789012", "n:123456789012"},
    };
    for (const Case& c : cases) EXPECT_EQ(tokensOf(c.input), c.tokens) << "input: " << c.input;
}

TEST(VrmlLexer, WordsStringsCommentsAndCharacters) {
    const Case cases[] = {
        {"Shape { }", "w:Shape c:{ c:}"},
        {"a,b", "w:a w:b"},
        {"children [ USE x ]", "w:children c:[ w:USE w:x c:]"},
        {"'abc'", "w:'abc'"},
        {"set_fraction A.b-c+d1 x!$%&()*", "w:set_fraction w:A.b-c+d1 w:x!$%&()*"},
        {"\"a b\" \"\"", "s:a b s:"},
        {"\"open\nnext", "s:open w:next"},   // an open string ends at the line end
        {"\"open", "s:open"},                // ... or at the end of the input
        {"a / comment 1 2\nb # more\nc", "w:a w:b w:c"},
        {"1/2 3\n4", "n:1 n:4"},
        {"#VRML V2.0 utf8\nGroup", "w:Group"},
        {"x # no line end", "w:x"},
        {"a=b;c", "w:a c:= w:b c:; w:c"},
        {"", ""},
        {"  \t\r\n ,, ", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(tokensOf(c.input), c.tokens) << "input: " << c.input;

    // 'abc' is one word of five characters, quotes included.
    ReaderLexer r("'abc'");
    ASSERT_EQ(r.lexer.nextToken(), kTokenWord);
    EXPECT_EQ(r.lexer.text(), u"'abc'");
    // Bytes above 127 are word characters and keep their values.
    ReaderLexer high("\xE9t\xE9 \x80x");
    ASSERT_EQ(high.lexer.nextToken(), kTokenWord);
    EXPECT_EQ(high.lexer.text(), u"\u00e9t\u00e9");
    ASSERT_EQ(high.lexer.nextToken(), kTokenWord);
    EXPECT_EQ(high.lexer.text(), u"\u0080x");
    // Ordinary characters and numbers carry no text.
    ReaderLexer plain("{ 5");
    plain.lexer.nextToken();
    EXPECT_TRUE(plain.lexer.text().empty());
    plain.lexer.nextToken();
    EXPECT_TRUE(plain.lexer.text().empty());
}

TEST(VrmlLexer, ClassTableBeforeAndAfterTheReaderClasses) {
    VrmlLexer lexer;
    EXPECT_EQ(lexer.characterClass(0), kClassWhitespace);
    EXPECT_EQ(lexer.characterClass(' '), kClassWhitespace);
    EXPECT_EQ(lexer.characterClass(','), 0);
    EXPECT_EQ(lexer.characterClass('#'), 0);
    EXPECT_EQ(lexer.characterClass('-'), kClassNumeric);
    EXPECT_EQ(lexer.characterClass('\''), kClassQuote);
    EXPECT_EQ(lexer.characterClass('+'), 0);
    EXPECT_EQ(lexer.characterClass(128), 0);
    EXPECT_EQ(lexer.characterClass(160), kClassWord);
    EXPECT_EQ(lexer.characterClass(-1), 0);
    EXPECT_EQ(lexer.characterClass(256), kClassWord);
    // Without the reader classes "#" and "," are ordinary and "'" opens a
    // string that the same quote closes.
    EXPECT_EQ(tokensOf("# a,b 'x y'", false), "c:# w:a c:, w:b q:x y");
    EXPECT_EQ(tokensOf("\"a\"", false), "s:a");

    lexer.addReaderClasses();
    struct Expect {
        int byte;
        uint8_t classes;
    };
    const Expect table[] = {
        {0, kClassWhitespace},      {32, kClassWhitespace},  {',', kClassWhitespace},
        {'0', kClassNumeric},       {'9', kClassNumeric},    {'.', kClassNumeric},
        {'-', kClassNumeric | kClassWord},
        {'a', kClassWord},          {'Z', kClassWord},       {'_', kClassWord},
        {'!', kClassWord},          {'$', kClassWord},       {'%', kClassWord},
        {'&', kClassWord},          {'(', kClassWord},       {')', kClassWord},
        {'*', kClassWord},          {'+', kClassWord},       {128, kClassWord},
        {159, kClassWord},          {255, kClassWord},
        {'\'', kClassWord | kClassQuote},
        {'"', kClassQuote},         {'#', kClassComment},    {'/', kClassComment},
        {'[', 0}, {']', 0}, {'{', 0}, {'}', 0}, {'=', 0}, {'@', 0}, {'\\', 0}, {127, 0},
    };
    for (const Expect& e : table) EXPECT_EQ(lexer.characterClass(e.byte), e.classes) << "byte " << e.byte;
}

// The printed form above loses control characters; escapes are compared whole.
TEST(VrmlLexer, StringEscapes) {
    struct EscapeCase {
        const char* input;
        std::u16string text;
    };
    const EscapeCase cases[] = {
        {R"("\a\b\f\n\r\t\v")", u"\a\b\f\n\r\t\v"},
        {R"("\"q\"")", u"\"q\""},
        {R"("\\")", u"\\"},
        {R"("\q\ \#")", u"q #"},
        {R"("\101\1012")", u"AA2"},   // three digits at most
        {R"("\377")", u"\u00ff"},
        {R"("\477")", u"'7"},         // first digit above 3: two digits, \47 = "'"
        {R"("\7x")", u"\ax"},
        {R"("\08")", std::u16string(1, u'\0') + u"8"},
        {R"("\8")", u"8"},            // not octal: the character itself
        {"\"a\\", u"a"},              // a backslash at the end of the input
        {"\"a\\\nb\"", u"a\nb"},      // an escaped line end continues the string
        {"\"a\\\r\nb\"", u"a\nb"},
        {"\"a\\\rb\"", u"a\nb"},
    };
    for (const EscapeCase& c : cases) {
        ReaderLexer r(c.input);
        ASSERT_EQ(r.lexer.nextToken(), kTokenString) << c.input;
        EXPECT_EQ(r.lexer.text(), c.text) << c.input;
        EXPECT_EQ(r.lexer.nextToken(), kTokenEnd) << c.input;
    }
    // The escaped line end is counted like any other.
    for (const char* input : {"\"a\\\nb\" x", "\"a\\\r\nb\" x", "\"a\\\rb\" x"}) {
        ReaderLexer r(input);
        r.lexer.nextToken();
        ASSERT_EQ(r.lexer.nextToken(), kTokenWord);
        EXPECT_EQ(r.lexer.lineNumber(), 2) << input;
    }
}

// One world written with each line-end convention.
std::string withLineEnds(const std::string& lf, const std::string& lineEnd) {
    std::string out;
    for (char c : lf) out += c == '\n' ? lineEnd : std::string(1, c);
    return out;
}

TEST(VrmlLexer, LineCountsAgreeForCrLfAndCrLf) {
    const std::string world =
        "#VRML V2.0 utf8\n"
        "\n"
        "Transform { # comment\n"
        "  translation 1 2 3 / slash comment\n"
        "  children [ Shape {} ]\n"
        "  \"open string\n"
        "  \"closed\" 4e\n"
        "5\n"
        "}\n";
    struct Seen {
        std::string token;
        int32_t line;
        bool operator==(const Seen&) const = default;
    };
    std::vector<Seen> reference;
    for (const char* lineEnd : {"\n", "\r", "\r\n"}) {
        ReaderLexer r(withLineEnds(world, lineEnd));
        std::vector<Seen> seen;
        while (r.lexer.nextToken() != kTokenEnd) seen.push_back({describe(r.lexer.current()), r.lexer.lineNumber()});
        EXPECT_EQ(r.lexer.lineNumber(), 10);
        if (reference.empty()) reference = seen;
        EXPECT_EQ(seen, reference) << "line end " << (lineEnd[0] == '\r' ? "CR" : "LF") << lineEnd[1];
    }
    // Lines of tokens that are not numbers (numbers read one token ahead).
    const std::vector<Seen> expected = {
        {"w:Transform", 3}, {"c:{", 3}, {"w:translation", 4}, {"n:1", 4}, {"n:2", 4}, {"n:3", 5},
        {"w:children", 5}, {"c:[", 5}, {"w:Shape", 5}, {"c:{", 5}, {"c:}", 5}, {"c:]", 5},
        {"s:open string", 6}, {"s:closed", 7}, {"n:4", 7}, {"w:e", 7}, {"n:5", 9}, {"c:}", 9},
    };
    EXPECT_EQ(reference, expected);

    // LF CR is two line ends, CR CR two, CR LF one.
    const std::pair<const char*, int32_t> pairs[] = {{"\n\rx", 3}, {"\r\rx", 3}, {"\r\nx", 2}, {"\n\nx", 3}};
    for (const auto& [input, lines] : pairs) {
        ReaderLexer r(input);
        r.lexer.nextToken();
        EXPECT_EQ(r.lexer.lineNumber(), lines);
    }
}

TEST(VrmlLexer, OpenStringEndsAtLineEndAndNextTokenIsOnNextLine) {
    ReaderLexer r("a \"unterminated \\\"x\nnext \"");
    ASSERT_EQ(r.lexer.nextToken(), kTokenWord);
    ASSERT_EQ(r.lexer.nextToken(), kTokenString);
    EXPECT_EQ(r.lexer.text(), u"unterminated \"x");
    EXPECT_EQ(r.lexer.lineNumber(), 1);
    ASSERT_EQ(r.lexer.nextToken(), kTokenWord);
    EXPECT_EQ(r.lexer.text(), u"next");
    EXPECT_EQ(r.lexer.lineNumber(), 2);
    // The last quote opens a string that the end of input closes.
    ASSERT_EQ(r.lexer.nextToken(), kTokenString);
    EXPECT_EQ(r.lexer.text(), u"");
    EXPECT_EQ(r.lexer.nextToken(), kTokenEnd);
}

TEST(VrmlLexer, HugeAndOverlongNumbersStayDefined) {
    struct NumberCase {
        std::string input;
        double value;
    };
    const std::string hundredDigits(100, '9');
    const NumberCase cases[] = {
        {"1e999", INFINITY},
        {"-1e999", -INFINITY},
        {"1e-999", 0.0},
        {"1e4294967296", INFINITY},           // more than nine exponent digits
        {"1e-99999999999999999999", 0.0},
        {"0e999", 0.0},                       // 0 times a huge power stays 0, not NaN
        {"0e99999999999", 0.0},
        {"1e22", 1e22},                       // 10^22 is still exact
        {"5e-324", 5e-324},
        {"1" + std::string(400, '0'), INFINITY},
        {"1" + std::string(400, '0') + "e-999", INFINITY},
        {"0." + std::string(1000, '0') + "1", 0.0},
    };
    for (const NumberCase& c : cases) {
        ReaderLexer r(c.input);
        ASSERT_EQ(r.lexer.nextToken(), kTokenNumber) << c.input.substr(0, 40);
        EXPECT_EQ(r.lexer.number(), c.value) << c.input.substr(0, 40);
        EXPECT_EQ(r.lexer.nextToken(), kTokenEnd);
    }
    // Digits that no double can hold are dropped from the fraction instead of
    // dividing infinity by infinity.
    for (const std::string& input : {"1." + std::string(400, '1'), "0." + std::string(400, '9'),
                                     "-" + hundredDigits + "." + std::string(400, '5') + "e-100"}) {
        ReaderLexer r(input);
        ASSERT_EQ(r.lexer.nextToken(), kTokenNumber);
        EXPECT_FALSE(std::isnan(r.lexer.number()));
        EXPECT_TRUE(std::isfinite(r.lexer.number()));
    }
    ReaderLexer ones("1." + std::string(400, '1'));
    ones.lexer.nextToken();
    EXPECT_NEAR(ones.lexer.number(), 1.0 + 1.0 / 9.0, 1e-12);
    ReaderLexer big("1e308");
    big.lexer.nextToken();
    EXPECT_NEAR(big.lexer.number() / 1e308, 1.0, 1e-13);
}

TEST(VrmlLexer, NonNumberTokensKeepTheMostRecentNumber) {
    ReaderLexer r("word 5 foo \"s\" [ -2.5 e1 bar 1e2 baz");
    struct Step {
        int32_t kind;
        double number;
    };
    const Step steps[] = {
        {kTokenWord, 0.0},   {kTokenNumber, 5.0},    {kTokenWord, 5.0}, {kTokenString, 5.0},
        {'[', 5.0},          {kTokenNumber, -25.0},  {kTokenWord, -25.0},
        {kTokenNumber, 100.0}, {kTokenWord, 100.0},  {kTokenEnd, 100.0},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(r.lexer.nextToken(), s.kind);
        EXPECT_EQ(r.lexer.number(), s.number);
    }
}

TEST(VrmlLexer, EndOfInputIsFinal) {
    ReaderLexer r("a 1");
    EXPECT_EQ(r.lexer.current().kind, kTokenNothing);
    EXPECT_EQ(r.lexer.lineNumber(), 1);
    EXPECT_EQ(r.lexer.nextToken(), kTokenWord);
    EXPECT_EQ(r.lexer.nextToken(), kTokenNumber);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(r.lexer.nextToken(), kTokenEnd);
        EXPECT_EQ(r.lexer.readToken(), kTokenEnd);
    }
    // The stream is not asked again once it has reported its end.
    EXPECT_EQ(r.stream.readsAtEnd(), 1);
    // Without a stream the input is empty.
    VrmlLexer unattached;
    EXPECT_EQ(unattached.nextToken(), kTokenEnd);
    EXPECT_EQ(unattached.nextToken(), kTokenEnd);
}

TEST(VrmlLexer, ReadTokenIsTheRawLayer) {
    ReaderLexer r("1e5 -x 2");
    const std::vector<std::string> expected = {"n:1", "w:e5", "c:-", "w:x", "n:2"};
    for (const std::string& token : expected) {
        r.lexer.readToken();
        EXPECT_EQ(describe(r.lexer.rawToken()), token);
    }
    EXPECT_EQ(r.lexer.readToken(), kTokenEnd);
}

TEST(VrmlLexer, BufferDoublesAndLongTextsStayWhole) {
    struct Growth {
        std::size_t length;
        std::size_t bufferSize;
    };
    for (const Growth& g : {Growth{5, 20}, Growth{20, 20}, Growth{21, 40}, Growth{1000, 1280}}) {
        ReaderLexer r(std::string(g.length, 'w'));
        EXPECT_EQ(r.lexer.bufferSize(), VrmlLexer::kInitialBufferSize);
        r.lexer.nextToken();
        EXPECT_EQ(r.lexer.text().size(), g.length);
        EXPECT_EQ(r.lexer.bufferSize(), g.bufferSize) << g.length;
    }
    // A string of several megabytes is kept whole, and so is what follows it.
    const std::size_t length = 6u << 20;
    ReaderLexer big("\"" + std::string(length, 's') + "\" after");
    ASSERT_EQ(big.lexer.nextToken(), kTokenString);
    EXPECT_EQ(big.lexer.text().size(), length);
    EXPECT_EQ(big.lexer.text().back(), u's');
    ASSERT_EQ(big.lexer.nextToken(), kTokenWord);
    EXPECT_EQ(big.lexer.text(), u"after");
}

TEST(VrmlLexer, OverlongWordIsCutButStillEndsWhereTheInputEndsIt) {
    const std::size_t over = VrmlLexer::kMaxTextLength + 100;
    ReaderLexer r(std::string(over, 'a') + " b");
    ASSERT_EQ(r.lexer.nextToken(), kTokenWord);
    EXPECT_EQ(r.lexer.text().size(), VrmlLexer::kMaxTextLength);
    ASSERT_EQ(r.lexer.nextToken(), kTokenWord);
    EXPECT_EQ(r.lexer.text(), u"b");
    EXPECT_EQ(r.lexer.nextToken(), kTokenEnd);
}

TEST(VrmlLexer, ManyCommentLinesDoNotNest) {
    std::string input;
    for (int i = 0; i < 200000; ++i) input += "# c\n";
    input += "last";
    ReaderLexer r(input);
    ASSERT_EQ(r.lexer.nextToken(), kTokenWord);
    EXPECT_EQ(r.lexer.text(), u"last");
    EXPECT_EQ(r.lexer.lineNumber(), 200001);
}

}  // namespace
