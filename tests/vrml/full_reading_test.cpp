// The full profile's reading rules: strings that run over line ends and
// hexadecimal integers, against the core profile's unchanged reading of the
// same text; the types each profile refuses; WorldInfo and NavigationInfo
// fields kept as read.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/open_stream.h"
#include "app/world_reader.h"
#include "events/node_factory.h"
#include "scene/bindable_nodes.h"
#include "scene/geometry_nodes.h"
#include "scene/node_types.h"
#include "scene/world_nodes.h"
#include "support/memory_stream.h"
#include "vrml/reader_test_support.h"

namespace {

// Hands out one byte per block, so that every token straddles block edges.
class TrickleStream final : public InputStream {
public:
    explicit TrickleStream(std::string bytes) : bytes_(std::move(bytes)) {}
    int32_t read() override { return at_ < bytes_.size() ? static_cast<unsigned char>(bytes_[at_++]) : -1; }
    int32_t readBytes(uint8_t* into, int32_t) override {
        const int32_t byte = read();
        if (byte < 0) return 0;
        into[0] = static_cast<uint8_t>(byte);
        return 1;
    }
    void close() override { at_ = bytes_.size(); }

private:
    std::string bytes_;
    std::size_t at_ = 0;
};

// The tokens of the text, one per entry: words as written, numbers as "#"
// and their value, strings quoted, characters as themselves; then "@" and the
// lexer's line at the end.
std::string tokens(InputStream& stream, bool full) {
    VrmlLexer lexer;
    lexer.addReaderClasses();
    lexer.attachStream(&stream);
    lexer.setMultiLineStrings(full);
    lexer.setHexIntegers(full);
    std::string out;
    for (int32_t kind; (kind = lexer.nextToken()) != kTokenEnd;) {
        if (!out.empty()) out += ' ';
        if (kind == kTokenWord) {
            out += narrowText(lexer.text());
        } else if (kind == kTokenNumber) {
            const double n = lexer.number();
            out += '#';
            out += n == static_cast<double>(static_cast<int64_t>(n)) ? std::to_string(static_cast<int64_t>(n))
                                                                     : std::to_string(n);
        } else if (kind == kTokenString) {
            out += '"';
            out += narrowText(lexer.text());
            out += '"';
        } else {
            out += static_cast<char>(kind);
        }
    }
    out += " @";
    out += std::to_string(lexer.lineNumber());
    return out;
}

TEST(FullReading, TokensOfBothProfiles) {
    struct Case {
        const char* text;
        const char* core;
        const char* full;
    };
    const Case cases[] = {
        // A string over a line end: core closes it there, and the closing
        // quote opens a string that eats "] }" ...
        {"info [ \"one\ntwo\" ] }\nGroup", "info [ \"one\" two \" ] }\" Group @3", "info [ \"one\ntwo\" ] } Group @3"},
        // ... whatever the line ends are; full keeps each as one line feed.
        {"\"a\r\nb\rc\n\nd\" x", "\"a\" b c d \" x\" @5", "\"a\nb\nc\n\nd\" x @5"},
        // A string left open at the end of the input ends there in both.
        {"\"open\nend", "\"open\" end @2", "\"open\nend\" @2"},
        // An escaped line end was already allowed in both.
        {"\"a\\\nb\"", "\"a\nb\" @2", "\"a\nb\" @2"},
        // Hexadecimal integers, both cases of x and of the digits, a sign.
        {"0xFF 0Xff 0x0 -0x1A 0x7fffffff", "#0 xFF #0 Xff #0 x0 #0 x1A #0 x7fffffff @1",
         "#255 #255 #0 #-26 #2147483647 @1"},
        // Digits past 2^53 saturate there; "0x" without digits is 0.
        {"0x1FFFFFFFFFFFFFFFFFFF 0x ]", "#0 x1FFFFFFFFFFFFFFFFFFF #0 x ] @1", "#9007199254740992 #0 ] @1"},
        // Not hexadecimal: another leading digit, a point, a word "0x".
        {"10x5 0.5 00x1 a0x1", "#10 x5 #0.500000 #0 x1 a0x1 @1", "#10 x5 #0.500000 #0 x1 a0x1 @1"},
        // Hex digits end at the first other byte, which starts the next token.
        {"0xABG 0x1e5", "#0 xABG #0 x1e5 @1", "#171 G #485 @1"},
        // A hexadecimal number takes a following exponent word like any number.
        {"0x2 e2", "#0 x2 e2 @1", "#200 @1"},
        // Nothing else changes: comments, decimals, exponents, lines.
        {"# c\n1.5e2 -3 'x' , w\r\n", "#150 #-3 'x' w @3", "#150 #-3 'x' w @3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        for (bool full : {false, true}) {
            const std::string expected = full ? c.full : c.core;
            MemoryStream whole(c.text);
            EXPECT_EQ(tokens(whole, full), expected) << (full ? "full" : "core");
            // The same tokens when every byte comes in a block of its own.
            TrickleStream trickle(c.text);
            EXPECT_EQ(tokens(trickle, full), expected) << (full ? "full, trickled" : "core, trickled");
        }
    }
}

// A test node with the integer and image classes, under the type name
// PixelTexture, beside the catalogue's own nodes.
class IntegerNode : public X3DNode {
public:
    fSFInt32 whichChoice{this, FieldCode::whichChoice, -1};
    fMFInt32 colorIndex{this, FieldCode::colorIndex};
    fSFImage image{this, FieldCode::image};
    fSFVec2f scale{this, FieldCode::scale, Vec2f{1.0f, 1.0f}};
    fSFFloat radius{this, FieldCode::radius, 1.0f};

    IntegerNode() : X3DNode(NodeCategory::Other) {}
};

X3DNode* makeIntegerNodes(std::u16string_view name, int32_t code) {
    if (code == NodeType::PixelTexture) return registerNewNode(std::make_unique<IntegerNode>(), name, code);
    return createNode(name, code);
}

class FullValues : public ReaderTest {
protected:
    // The test node read from the body in the profile; null when the world
    // did not read as one test node followed by one Group.
    IntegerNode* read(const std::string& body, Profile profile) {
        parser = std::make_unique<VrmlParser>(makeIntegerNodes, openStream);
        parser->setProfile(profile);
        MemoryStream stream("#VRML V2.0 utf8\nPixelTexture { " + body + " }\nGroup { }\n");
        X3DNode* root = parser->parseStream(&stream);
        if (!root || childTypes(root) != std::vector<int32_t>{NodeType::PixelTexture, NodeType::Group}) return nullptr;
        return static_cast<IntegerNode*>(childrenOf(root)[0]);
    }
};

TEST_F(FullValues, HexadecimalIntegersInIntegerValuesOnly) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    struct Case {
        std::string body;
        Profile profile;
        int32_t whichChoice;
        std::vector<int32_t> colorIndex;
        std::vector<uint32_t> pixels;  // of a whole image; empty: none read
        float scaleX, scaleY, radius;
    };
    const Case cases[] = {
        {"whichChoice 0x1F", Profile::Full, 31, {}, {}, 1, 1, 1},
        {"whichChoice -0x2", Profile::Full, -2, {}, {}, 1, 1, 1},
        // Beyond 32 bits an integer saturates, as a decimal one does.
        {"whichChoice 0xFFFFFFFF", Profile::Full, kMax, {}, {}, 1, 1, 1},
        {"colorIndex [ 0x0, 0xa 0XB -0x1 12 ]", Profile::Full, -1, {0, 10, 11, -1, 12}, {}, 1, 1, 1},
        {"colorIndex 0x10", Profile::Full, -1, {16}, {}, 1, 1, 1},
        {"image 2 1 3 0xFF0000 0x00ff00", Profile::Full, -1, {}, {0xFF0000u, 0x00FF00u}, 1, 1, 1},
        {"image 0x1 0x2 0x4 0xFFFFFFFF 0x80", Profile::Full, -1, {}, {0xFFFFFFFFu, 0x80u}, 1, 1, 1},
        // Float values do not take hexadecimal: 0 and the word x10 (taken
        // as the most recent number), then 2 passed over in the body.
        {"scale 0x10 2", Profile::Full, -1, {}, {}, 0, 0, 1},
        {"radius 0x8", Profile::Full, -1, {}, {}, 1, 1, 0},
        // The rule ends with the integer value: the float after it is decimal.
        {"colorIndex [ 0x3 ] radius 0.25", Profile::Full, -1, {3}, {}, 1, 1, 0.25f},
        // The core profile reads the same text as 0 and a skipped word.
        {"whichChoice 0x1F", Profile::Core, 0, {}, {}, 1, 1, 1},
        {"colorIndex [ 0x0 0xa 12 ]", Profile::Core, -1, {0, 0, 12}, {}, 1, 1, 1},
        {"image 2 1 3 0xFF0000 0x00ff00", Profile::Core, -1, {}, {}, 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body + (c.profile == Profile::Full ? " (full)" : " (core)"));
        IntegerNode* node = read(c.body, c.profile);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->whichChoice.value, c.whichChoice);
        std::vector<int32_t> indices(node->colorIndex.value.begin(), node->colorIndex.value.end());
        EXPECT_EQ(indices, c.colorIndex);
        std::vector<uint32_t> pixels(node->image.value.pixels.begin(), node->image.value.pixels.end());
        EXPECT_EQ(pixels, c.pixels);
        EXPECT_EQ(node->scale.value.x, c.scaleX);
        EXPECT_EQ(node->scale.value.y, c.scaleY);
        EXPECT_EQ(node->radius.value, c.radius);
    }
}

class FullWorlds : public ReaderTest {
protected:
    X3DNode* read(const std::string& text, Profile profile) {
        parser = makeWorldReader(profile);
        parser->setMessageObserver([this](const std::u16string& m) { messages.push_back(narrowText(m)); });
        MemoryStream stream(text);
        return parser->parseStream(&stream);
    }
    std::vector<std::string> messages;
};

TEST_F(FullWorlds, MultiLineStringsNoLongerSwallowTheWorld) {
    const std::string text =
        "#VRML V2.0 utf8\n"
        "WorldInfo { title \"A world\"\n"
        "  info [ \"first line\n"
        "second line\" \"third\" ] }\n"
        "Anchor { description \"two\n"
        "lines\" }\n"
        "NavigationInfo { type [ \"WALK\" \"ANY\" ] speed 2.5 headlight FALSE avatarSize [ 0.5 2 1 ]\n"
        "  visibilityLimit 100 bogus }\n";
    X3DNode* root = read(text, Profile::Full);
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(childTypes(root), (std::vector<int32_t>{NodeType::WorldInfo, NodeType::Anchor, NodeType::NavigationInfo}));
    const auto* info = static_cast<nWorldInfo*>(childrenOf(root)[0]);
    EXPECT_EQ(info->title.value, u"A world");
    ASSERT_EQ(info->info.value.count, 2);
    EXPECT_EQ(info->info.value[0], u"first line\nsecond line");
    EXPECT_EQ(info->info.value[1], u"third");
    EXPECT_EQ(static_cast<nAnchor*>(childrenOf(root)[1])->description.value, u"two\nlines");
    const auto* navigation = static_cast<nNavigationInfo*>(childrenOf(root)[2]);
    ASSERT_EQ(navigation->type.value.count, 2);
    EXPECT_EQ(navigation->type.value[0], u"WALK");
    EXPECT_EQ(navigation->type.value[1], u"ANY");
    EXPECT_EQ(navigation->speed.value, 2.5f);
    EXPECT_FALSE(navigation->headlight.value);
    ASSERT_EQ(navigation->avatarSize.value.count, 3);
    EXPECT_EQ(navigation->avatarSize.value[1], 2.0f);
    EXPECT_EQ(navigation->visibilityLimit.value, 100.0f);
    // The lines inside strings are counted: the stray field is on line 8.
    EXPECT_EQ(messages, std::vector<std::string>{"Unrecognized field type 'bogus' at line: 8"});

    // The core profile reads the same text as it always has: WorldInfo is
    // refused and skipped as one group, and its first string stops at the
    // line end, so the closing quote opens a string that takes "] }": the
    // skip runs on over the rest of the file, and no node is left.
    messages.clear();
    EXPECT_EQ(read(text, Profile::Core), nullptr);
    EXPECT_EQ(parser->refusedTypes(), std::vector<int32_t>{NodeType::WorldInfo});
    EXPECT_EQ(messages, std::vector<std::string>{"Unrecognized node type 'WorldInfo' at line: 2"});
}

TEST_F(FullWorlds, RefusedTypesInOrderOfFirstAppearance) {
    struct Case {
        std::string world;
        Profile profile;
        std::vector<int32_t> refused;
    };
    const Case cases[] = {
        {"Switch { choice [ Shape { geometry Box { } } ] } Box { } Sphere { } Switch { }", Profile::Core,
         {NodeType::Switch, NodeType::Box, NodeType::Sphere}},
        // Inside a kept node, and names outside the table are not listed.
        {"Group { children [ Foo { } Cone { } ] } Script { } Cone { } Text { }", Profile::Core,
         {NodeType::Cone, NodeType::Text}},
        {"Group { }", Profile::Core, {}},
        // The full profile builds WorldInfo and Inline; Text stays out.
        {"WorldInfo { } Inline { } Text { } Sound { } Text { }", Profile::Full, {NodeType::Text, NodeType::Sound}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.world);
        read("#VRML V2.0 utf8\n" + c.world + " Group { }\n", c.profile);
        EXPECT_EQ(parser->refusedTypes(), c.refused);
    }
}

}  // namespace
