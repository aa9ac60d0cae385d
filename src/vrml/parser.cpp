// The statement layer of the reader: node lists, node bodies, DEF and USE,
// ROUTE, and the skipping of what the viewer does not support.
//
// Skipping follows brackets, not grammar. An unsupported type name skips one
// bracketed group: a body in braces whole, a single token when no bracket
// follows, and after a closing bracket everything up to the point where later
// opening brackets bring the count back to zero. A node body is read the same
// way, by counting braces, so a body missing its closing brace ends with the
// input. Every loop here stops at the end of the input.
#include "vrml/parser.h"

#include <algorithm>
#include <string_view>

#include "base/input_stream.h"
#include "base/log.h"
#include "scene/factory.h"
#include "scene/fields.h"
#include "scene/grouping_nodes.h"
#include "scene/node.h"
#include "scene/node_types.h"
#include "scene/shape_nodes.h"
#include "vrml/byte_order_mark.h"

namespace {

// World names are handed to the stream layer in a buffer of 256 bytes with a
// terminating zero.
constexpr std::size_t kMaxWorldNameLength = 255;

std::u16string decimal(int32_t value) { return widenText(std::to_string(value)); }

}  // namespace

bool NumberList::grow() {
    if (capacity >= kMaxCount) return false;
    const int64_t wanted = std::min<int64_t>(static_cast<int64_t>(capacity) + std::max(kMinimumGrowth, capacity),
                                             kMaxCount);
    std::unique_ptr<double[]> fresh(new (std::nothrow) double[static_cast<std::size_t>(wanted)]);
    if (!fresh) return false;
    std::copy(items.get(), items.get() + count, fresh.get());
    items = std::move(fresh);
    capacity = static_cast<int32_t>(wanted);
    return true;
}

VrmlParser::VrmlParser(NodeFactory createNode, StreamOpener openStream)
    : createNode_(createNode), openStream_(openStream) {}

X3DNode* VrmlParser::parseWorld(const std::u16string& name) {
    const std::string narrow = narrowText(name.substr(0, kMaxWorldNameLength));
    std::unique_ptr<InputStream> stream = openStream_ ? openStream_(narrow) : nullptr;
    if (!stream) return nullptr;
    X3DNode* root = parseStream(stream.get());
    stream->close();
    return root;
}

X3DNode* VrmlParser::parseStream(InputStream* stream) {
    ByteOrderMarkFilter text(stream);
    lexer.attachStream(&text);
    lexer.addReaderClasses();
    defTable.clear();
    openNodes_.clear();
    auto* root = static_cast<nGroup*>(createNode_(u"SCENEGRAPH", NodeType::Group));
    if (root) readNodeList(true, &root->children);
    // The stream is the caller's; nothing here may read it later.
    lexer.attachStream(nullptr);
    if (!root || root->children.value.count == 0) return nullptr;
    return root;
}

void VrmlParser::readNodeList(bool continueReading, X3DField* field) {
    do {
        const int32_t kind = lexer.nextToken();
        if (kind == kTokenWord) {
            // The lexer's own text, valid until it reads on; readNode looks
            // at a type name only before it does.
            const std::u16string& word = lexer.text();
            if (word == u"ROUTE") {
                readRoute();
            } else if (X3DNode* node = readNodeStatement(word)) {
                addNodeToField(field, node);
            }
        }
        if (kind == kTokenEnd || kind == ']') {
            continueReading = false;
        } else if (kind == '[') {
            continueReading = true;
        }
    } while (continueReading);
}

X3DNode* VrmlParser::readNodeStatement(const std::u16string& word) {
    // Only the words DEF and USE are statements; a string of those letters
    // is a type name like any other text.
    const bool isWord = lexer.kind() == kTokenWord;
    if (isWord && word == u"DEF") {
        lexer.nextToken();
        const std::u16string defName = lexer.text();
        lexer.nextToken();
        return readNode(lexer.text(), defName);
    }
    if (isWord && word == u"USE") {
        lexer.nextToken();
        return resolveUse(lexer.text());
    }
    return readNode(word, u"");
}

X3DNode* VrmlParser::readNode(const std::u16string& typeName, const std::u16string& defName) {
    if (typeName == u"NULL") return nullptr;
    if (openNodes_.size() >= static_cast<std::size_t>(kMaxNodeDepth)) {
        report(u"Node nesting too deep at line: " + lineSuffix(), LogTarget::FileAndStore);
        skipGroup();
        return nullptr;
    }
    const int32_t code = nodeTypeCode(typeName);
    X3DNode* node = code < 0 ? nullptr : createNode_(defName, code);
    if (!node) {
        if (code >= 0) noteRefusedType(code);
        report(u"Unrecognized node type '" + typeName + u"' at line: " + lineSuffix(), LogTarget::FileAndStore);
        if (typeName == u"proto" || typeName == u"externproto") {
            lexer.nextToken();  // the declaration's name
        } else if (typeName == u"PROTO" || typeName == u"EXTERNPROTO") {
            skipDeclaration();
            return nullptr;
        }
        skipGroup();
        return nullptr;
    }
    // Entered before the body, so that a later DEF of the same name inside it
    // replaces this entry and the refusal of a USE of an open node can tell.
    defTable[defName] = node;
    openNodes_.push_back(node);
    readBody(node);
    openNodes_.pop_back();
    return node;
}

void VrmlParser::readBody(X3DNode* node) {
    int32_t depth = 0;
    do {
        const int32_t kind = lexer.nextToken();
        if (kind == kTokenEnd) return;
        if (kind == '{') {
            ++depth;
        } else if (kind == '}') {
            --depth;
        } else if (kind == kTokenWord) {
            // Not copied: the name is done with before the value is read.
            const std::u16string& name = lexer.text();
            if (name == u"ROUTE") {
                readRoute();
            } else if (X3DField* field = node->findField(name)) {
                readFieldValue(field);
            } else {
                // The value after an unknown name is not skipped: its numbers
                // and strings are passed over here one by one, its words are
                // looked up as further field names.
                report(u"Unrecognized field type '" + name + u"' at line: " + lineSuffix(), LogTarget::FileOnly);
            }
        }
    } while (depth > 0);
}

void VrmlParser::skipGroup() {
    int32_t depth = 0;
    do {
        const int32_t kind = lexer.nextToken();
        if (kind == kTokenEnd) return;
        if (kind == '[' || kind == '{') {
            ++depth;
        } else if (kind == ']' || kind == '}') {
            --depth;
        }
    } while (depth != 0);
}

// A VRML97 PROTO or EXTERNPROTO declaration: its name, its interface in
// brackets, then the body in braces (PROTO) or the URL, one string or a
// bracketed list (EXTERNPROTO). Skipping all three parts keeps the interface's
// closing bracket from ending the list that holds the declaration, so the rest
// of the world is still read; uses of the prototype are then reported as
// unrecognised types and skipped one by one.
void VrmlParser::skipDeclaration() {
    lexer.nextToken();  // the name
    skipGroup();        // the interface
    skipGroup();        // the body or the URL
}

bool VrmlParser::isOpen(const X3DNode* node) const {
    return std::find(openNodes_.begin(), openNodes_.end(), node) != openNodes_.end();
}

X3DNode* VrmlParser::resolveUse(const std::u16string& name) {
    auto found = defTable.find(name);
    if (found == defTable.end()) return nullptr;
    X3DNode* node = found->second;
    // Placing a node below itself would make the graph cyclic; the statement
    // yields nothing, like a USE of an undefined name.
    if (isOpen(node)) return nullptr;
    if (node->nodeType != NodeType::Shape) return node;

    auto* original = static_cast<nShape*>(node);
    auto* copy = static_cast<nShape*>(createNode_(u"", NodeType::Shape));
    if (!copy) return nullptr;
    copy->appearance.value = original->appearance.value;
    copy->geometry.value = original->geometry.value;
    if (addRoute(original, u"appearance", copy, u"appearance")) ++routeCount_;
    if (addRoute(original, u"geometry", copy, u"geometry")) ++routeCount_;
    return copy;
}

void VrmlParser::readRoute() {
    lexer.nextToken();
    const std::u16string source = lexer.text();
    lexer.nextToken();  // "TO", not examined
    lexer.nextToken();
    const std::u16string& destination = lexer.text();  // the lexer reads no further here

    // "node.field"; a text without "." is both the node name and the field name.
    auto split = [](std::u16string_view text) {
        const std::size_t dot = text.find(u'.');
        if (dot == std::u16string_view::npos) return std::pair{text, text};
        return std::pair{text.substr(0, dot), text.substr(dot + 1)};
    };
    auto lookup = [this](std::u16string_view nodeName) -> X3DNode* {
        auto found = defTable.find(nodeName);
        return found == defTable.end() ? nullptr : found->second;
    };
    const auto [sourceNode, sourceField] = split(source);
    const auto [destinationNode, destinationField] = split(destination);
    if (addRoute(lookup(sourceNode), sourceField, lookup(destinationNode), destinationField)) {
        ++routeCount_;
    } else {
        report(u"Error in route:" + lineSuffix(), LogTarget::FileAndStore);
    }
}

void VrmlParser::addNodeToField(X3DField* field, X3DNode* node) {
    if (!field || !node) return;
    if (field->type == FieldType::MFNode) {
        if (!static_cast<fMFNode*>(field)->value.append(node)) return;
    } else if (field->type == FieldType::SFNode) {
        static_cast<fSFNode*>(field)->value = node;
    } else {
        return;
    }
    node->parent = field->owner;
}

void VrmlParser::setProfile(Profile profile) {
    profile_ = profile;
    lexer.setMultiLineStrings(profile == Profile::Full);
}

void VrmlParser::noteRefusedType(int32_t code) {
    // A world names few types: a linear search stays cheap.
    if (std::find(refusedTypes_.begin(), refusedTypes_.end(), code) == refusedTypes_.end())
        refusedTypes_.push_back(code);
}

void VrmlParser::reportWorldMessage(const std::u16string& text) { report(text, LogTarget::FileAndStore); }

void VrmlParser::absorbCounts(const VrmlParser& helper) {
    routeCount_ += helper.routeCount_;
    messageCount_ += helper.messageCount_;
    for (int32_t code : helper.refusedTypes_) noteRefusedType(code);
}

void VrmlParser::report(const std::u16string& text, LogTarget target) {
    if (target == LogTarget::FileOnly) {
        logTextFileOnly(text);
    } else {
        logText(text);
    }
    ++messageCount_;
    if (observer_) observer_(text);
}

std::u16string VrmlParser::lineSuffix() const { return decimal(lexer.lineNumber()); }
