// The value layer of the reader: one field value read from the tokens, chosen
// by the field's FieldType.
//
// Single values are a fixed number of tokens, and a token that is not a number
// in a number position gives the most recent number (the lexer keeps it on
// every token). Multi-valued values are one item without brackets or a
// bracketed list; their numbers and strings are gathered into the two scratch
// lists first, so that the field can be sized once. Numbers are grouped by the
// item size (two, three or four); an incomplete last group is dropped, never
// read past the numbers collected. A value read into a multi-valued field
// replaces what it held, defaults included; node lists are the exception and
// append.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "scene/fields.h"
#include "vrml/parser.h"

namespace {

float toFloat(double value) { return static_cast<float>(value); }

// Truncation toward zero. Values beyond the 32-bit range saturate and NaN
// gives 0, so that no text can ask for an undefined conversion.
int32_t toInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    if (value <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

// Sizes the array for n elements and appends make(i) for i = 0 .. n - 1.
// When n slots cannot be had the field is left empty: the old contents are
// replaced either way.
template <class T, class Make>
void fillArray(SimpleArray<T>& array, int32_t n, Make make) {
    if (!array.resetReserve(n)) {
        array.clear();
        return;
    }
    for (int32_t i = 0; i < n; ++i) array.append(make(i));
}

}  // namespace

void VrmlParser::collectValueTokens(int32_t groupSize) {
    numberList.count = 0;
    stringList.clear();
    int32_t tokens = 0;
    bool bracketed = false;
    do {
        const int32_t kind = lexer.nextToken();
        if (kind == kTokenEnd || kind == ']') break;
        if (kind == kTokenNumber) {
            numberList.append(lexer.number());
        } else if (kind == '[') {
            bracketed = true;
        } else if (kind == kTokenString) {
            stringList.push_back(lexer.text());
        }
        ++tokens;
    } while (bracketed || tokens != groupSize);
}

void VrmlParser::readFieldValue(X3DField* field) {
    // Integer values may be hexadecimal in the full profile. The rule holds
    // for this value's tokens alone, its lookahead included (a field name or
    // a bracket, which it does not change).
    const bool integers = field->type == FieldType::SFInt32 || field->type == FieldType::MFInt32 ||
                          field->type == FieldType::SFImage;
    if (integers && profile_ == Profile::Full) {
        lexer.setHexIntegers(true);
        readValue(field);
        lexer.setHexIntegers(false);
        return;
    }
    readValue(field);
}

void VrmlParser::readValue(X3DField* field) {
    // The next token's number, as a float (most recent number when not one).
    auto nextFloat = [this] {
        lexer.nextToken();
        return toFloat(lexer.number());
    };
    const double* numbers = nullptr;  // the collected numbers, once collected

    switch (field->type) {
    case FieldType::SFBool: {
        lexer.nextToken();
        static_cast<fSFBool*>(field)->value = lexer.text() == u"TRUE";
        break;
    }
    case FieldType::SFColor: {
        Color4f& colour = static_cast<fSFColor*>(field)->value;
        colour.r = nextFloat();
        colour.g = nextFloat();
        colour.b = nextFloat();
        break;
    }
    case FieldType::SFFloat:
        static_cast<fSFFloat*>(field)->value = nextFloat();
        break;
    case FieldType::SFNode: {
        lexer.nextToken();
        // A "NULL", an unsupported type or an unresolved USE leaves the value.
        if (X3DNode* node = readNodeStatement(lexer.text())) addNodeToField(field, node);
        break;
    }
    case FieldType::SFRotation: {
        Rotation& rotation = static_cast<fSFRotation*>(field)->value;
        rotation.x = nextFloat();
        rotation.y = nextFloat();
        rotation.z = nextFloat();
        rotation.angle = nextFloat();
        break;
    }
    case FieldType::SFString:
        lexer.nextToken();
        static_cast<fSFString*>(field)->value = lexer.text();
        break;
    case FieldType::SFTime:
        lexer.nextToken();
        static_cast<fSFTime*>(field)->value = lexer.number();
        break;
    case FieldType::SFVec3f: {
        Vec3f& vector = static_cast<fSFVec3f*>(field)->value;
        vector.x = nextFloat();
        vector.y = nextFloat();
        vector.z = nextFloat();
        break;
    }
    case FieldType::MFColor: {
        collectValueTokens(3);
        numbers = numberList.items.get();
        SimpleArray<Color4f>& colours = static_cast<fMFColor*>(field)->value;
        // Keeps its storage and grows past it, as colour lists are short.
        colours.clear();
        for (int32_t i = 0; i + 3 <= numberList.count; i += 3)
            colours.append(Color4f{toFloat(numbers[i]), toFloat(numbers[i + 1]), toFloat(numbers[i + 2]), 0.0f});
        break;
    }
    case FieldType::MFFloat:
        collectValueTokens(1);
        numbers = numberList.items.get();
        fillArray(static_cast<fMFFloat*>(field)->value, numberList.count, [&](int32_t i) { return toFloat(numbers[i]); });
        break;
    case FieldType::MFInt32:
        collectValueTokens(1);
        numbers = numberList.items.get();
        fillArray(static_cast<fMFInt32*>(field)->value, numberList.count, [&](int32_t i) { return toInt32(numbers[i]); });
        break;
    case FieldType::MFNode:
        readNodeList(false, field);
        break;
    case FieldType::MFRotation:
        collectValueTokens(4);
        numbers = numberList.items.get();
        fillArray(static_cast<fMFRotation*>(field)->value, numberList.count / 4, [&](int32_t i) {
            const double* n = numbers + 4 * i;
            return Rotation{toFloat(n[0]), toFloat(n[1]), toFloat(n[2]), toFloat(n[3])};
        });
        break;
    case FieldType::MFString: {
        collectValueTokens(1);
        const auto count = static_cast<int32_t>(
            std::min<std::size_t>(stringList.size(), static_cast<std::size_t>(std::numeric_limits<int32_t>::max())));
        fillArray(static_cast<fMFString*>(field)->value, count, [&](int32_t i) { return stringList[static_cast<std::size_t>(i)]; });
        break;
    }
    case FieldType::MFVec2f:
        collectValueTokens(2);
        numbers = numberList.items.get();
        fillArray(static_cast<fMFVec2f*>(field)->value, numberList.count / 2, [&](int32_t i) {
            return Vec2f{toFloat(numbers[2 * i]), toFloat(numbers[2 * i + 1])};
        });
        break;
    case FieldType::MFVec3f:
        collectValueTokens(3);
        numbers = numberList.items.get();
        fillArray(static_cast<fMFVec3f*>(field)->value, numberList.count / 3, [&](int32_t i) {
            const double* n = numbers + 3 * i;
            return Vec3f{toFloat(n[0]), toFloat(n[1]), toFloat(n[2])};
        });
        break;
    case FieldType::SFInt32:
        lexer.nextToken();
        static_cast<fSFInt32*>(field)->value = toInt32(lexer.number());
        break;
    case FieldType::SFVec2f: {
        Vec2f& vector = static_cast<fSFVec2f*>(field)->value;
        vector.x = nextFloat();
        vector.y = nextFloat();
        break;
    }
    case FieldType::SFImage:
        readImageValue(static_cast<fSFImage*>(field)->value);
        break;
    }
}

namespace {

// A pixel number as written; out-of-range values saturate, NaN gives 0.
uint32_t toPixel(double value) {
    if (!(value > 0.0)) return 0;
    if (value >= 4294967295.0) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(value);
}

}  // namespace

// Width, height and components, then one number per pixel. The pixels are
// read only while the tokens are numbers, so that a header claiming more than
// the file holds cannot swallow the rest of the world: the first token that is
// not a number is handed back to the node's body. Storage grows with the
// numbers actually read, never with what the header claims.
void VrmlParser::readImageValue(PixelImage& image) {
    image = PixelImage{};
    int32_t header[3] = {0, 0, 0};
    for (int32_t& value : header) {
        if (lexer.nextToken() != kTokenNumber) {
            lexer.holdBack();
            return;
        }
        value = toInt32(lexer.number());
    }
    image.width = header[0];
    image.height = header[1];
    image.components = header[2];
    if (image.width <= 0 || image.height <= 0 || image.components < 1 || image.components > 4) return;
    const int64_t wanted = int64_t{image.width} * image.height;
    int64_t read = 0;
    bool whole = true;
    while (read < wanted) {
        if (lexer.nextToken() != kTokenNumber) {
            lexer.holdBack();
            whole = false;
            break;
        }
        if (whole && !image.pixels.append(toPixel(lexer.number()))) whole = false;
        ++read;
    }
    if (!whole) image.pixels = SimpleArray<uint32_t>{};
}
