// VrmlParser: reads a VRML97 world in text form and builds the scene graph.
//
// The accepted language is a subset of VRML97: node statements of the
// catalogue (type name, then fields between braces), optionally after
// "DEF name"; "USE name" wherever a node may stand; ROUTE statements at any
// level; NULL. Every other word that stands where a node may stand is reported
// and skipped as one bracketed group, and reading goes on: a reader never
// stops at bad input, and the end of the input closes whatever is open.
//
// Two guards keep hostile files harmless. A USE of a node whose body is still
// being read (the node itself or one that encloses it) is refused, so the graph
// never holds a cycle. And no more than kMaxNodeDepth nodes are ever open at
// once: a node nested deeper is not made and its body is skipped whole, so the
// recursion of the reader stays within a fixed depth (base/limits.h holds
// the bounds of every later walk).
//
// A parser is made for one load, used for one parseWorld (or parseStream) and
// then destroyed. The nodes it makes belong to the node registry.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/input_stream.h"
#include "base/limits.h"
#include "scene/factory.h"
#include "scene/profile.h"
#include "vrml/lexer.h"

class InputStream;
class X3DField;
struct PixelImage;
class X3DNode;


// The scratch list of numbers of one multi-valued value. Grows geometrically
// (by at least 100 slots, by its capacity once that is larger), so that a
// list of n numbers costs O(n) copies.
struct NumberList {
    static constexpr int32_t kMinimumGrowth = 100;
    // Largest number of doubles whose byte size fits in 32 bits.
    static constexpr int32_t kMaxCount = static_cast<int32_t>(0xFFFFFFFFu / sizeof(double));

    int32_t capacity = 0;
    std::unique_ptr<double[]> items;  // null until the first append
    int32_t count = 0;

    // Appends a value; false (list unchanged) when storage cannot be had.
    bool append(double value) {
        if (count == capacity && !grow()) return false;
        items[count++] = value;
        return true;
    }

private:
    bool grow();
};

class VrmlParser {
public:
    // The line of the lexer when a message was composed is part of its text.
    using MessageObserver = std::function<void(const std::u16string& message)>;

    // Nodes come from the factory, the world's bytes from the opener.
    VrmlParser(NodeFactory createNode, StreamOpener openStream);
    VrmlParser(const VrmlParser&) = delete;
    VrmlParser& operator=(const VrmlParser&) = delete;

    // Opens the world (a file path or an http:// URL) and reads it. The name
    // is narrowed to 8 bits by keeping the low byte of each character and cut
    // to 255 characters. Returns the root group, or null when the world cannot
    // be opened or yields no top-level node. The stream is closed afterwards.
    X3DNode* parseWorld(const std::u16string& name);

    // Reads a whole world from the stream (not owned; it must outlive the
    // call). Returns the root group "SCENEGRAPH" whose "children" hold the
    // top-level nodes, or null when it holds none (the root then stays in the
    // registry, like every node made during a failed read).
    X3DNode* parseStream(InputStream* stream);

    // Reads node statements into a node-valued field (fMFNode or fSFNode).
    // With the continue flag set the list runs to the end of the input or the
    // first "]" read at this level; with it clear, a "[" opens a list up to
    // its "]", and a node written without brackets is read alone.
    void readNodeList(bool continueReading, X3DField* field);

    // Reads one node whose type name has just been read, and returns it, or
    // null for "NULL", for a type without a class (reported, its body
    // skipped) and for a node nested beyond kMaxNodeDepth (reported, skipped).
    // A made node is entered in defTable under defName before its body is
    // read. typeName may be the lexer's own text: it is not looked at once
    // the lexer reads on.
    X3DNode* readNode(const std::u16string& typeName, const std::u16string& defName);

    // The node DEF'd under name, or null when there is none or when its body
    // is still being read. The USE of a Shape gives a new Shape that shares
    // the DEF'd one's appearance and geometry (with a route from each of those
    // fields to the new one's).
    X3DNode* resolveUse(const std::u16string& name);

    // Reads the three words after "ROUTE" and connects the fields; reports
    // "Error in route:" when no route could be made.
    void readRoute();

    // Places the node into a node-valued field (appended to an fMFNode, the
    // value of an fSFNode) and makes the field's owner its parent. Fields of
    // other classes are left alone.
    void addNodeToField(X3DField* field, X3DNode* node);

    // Reads one value for the field from the tokens and stores it, by the
    // field's FieldType; the current token is the value's last afterwards.
    void readFieldValue(X3DField* field);

    // Gathers the numbers and strings of one multi-valued value into
    // numberList and stringList: exactly groupSize tokens without brackets,
    // everything up to the "]" with them (the end of input closes the list).
    void collectValueTokens(int32_t groupSize);

    // Reads an SFImage value into image (replacing it): its header, then its
    // pixels while the tokens are numbers. An image that is not whole keeps
    // its header and no pixels.
    void readImageValue(PixelImage& image);

    // The reading rules of the profile, chosen before the world is read
    // (the core profile at construction). The full profile's strings run on
    // over line ends, and its integer values (SFInt32, MFInt32, SFImage) may
    // be written in hexadecimal; the core profile reads as it always has. The
    // node set is the factory's business: hand the full profile's factory in
    // with it.
    void setProfile(Profile profile);
    Profile profile() const { return profile_; }

    // The NodeType codes of the type names in the table that were read and
    // got no node (the factory has no class for them), each once, in the
    // order of first appearance. Names outside the table are not in it.
    const std::vector<int32_t>& refusedTypes() const { return refusedTypes_; }

    // Sends a message of the world's reading that has no line of its own
    // (the whole of an inlined file, say) through the reader's funnel: logged
    // for the file and the message store, counted, handed to the observer.
    void reportWorldMessage(const std::u16string& text);

    // Takes on the routes, messages and refused types of a reader that read
    // a file on this one's behalf (an inlined world), so that the counts and
    // the refused types cover the whole world.
    void absorbCounts(const VrmlParser& helper);

    // Every message is also handed to the observer (after it is logged).
    void setMessageObserver(MessageObserver observer) { observer_ = std::move(observer); }
    // Messages sent so far.
    int64_t messageCount() const { return messageCount_; }
    // Routes made so far: by ROUTE statements and two per USE of a Shape.
    int64_t routeCount() const { return routeCount_; }
    // The factory the parser makes its nodes with.
    NodeFactory nodeFactory() const { return createNode_; }
    // The opener it reads worlds through, and the observer of its messages.
    StreamOpener streamOpener() const { return openStream_; }
    const MessageObserver& messageObserver() const { return observer_; }

    // --- members, in record order ---

    VrmlLexer lexer;
    // Nodes not owned. Looked up by views as well (ROUTE names are parts of a
    // word), hence the transparent comparison.
    std::map<std::u16string, X3DNode*, std::less<>> defTable;
    std::vector<std::u16string> stringList;
    NumberList numberList;

private:
    // Where a message goes besides the observer.
    enum class LogTarget { FileAndStore, FileOnly };

    // The one funnel for messages: logs the text, counts it, tells the
    // observer.
    void report(const std::u16string& text, LogTarget target);
    std::u16string lineSuffix() const;

    void readBody(X3DNode* node);
    // readFieldValue's body, under whatever reading rules it set.
    void readValue(X3DField* field);
    void skipGroup();
    void skipDeclaration();
    bool isOpen(const X3DNode* node) const;
    // A node where one may stand, the current token being its first: "DEF"
    // name type, "USE" name, or a type name. word may be the lexer's own text.
    X3DNode* readNodeStatement(const std::u16string& word);

    NodeFactory createNode_;
    StreamOpener openStream_;
    MessageObserver observer_;
    int64_t messageCount_ = 0;
    int64_t routeCount_ = 0;
    std::vector<X3DNode*> openNodes_;  // not owned: nodes whose bodies are being read
    Profile profile_ = Profile::Core;
    std::vector<int32_t> refusedTypes_;
    void noteRefusedType(int32_t code);
};
