#include "events/node_factory.h"
#include "app/open_stream.h"
#include "vrml/reader_test_support.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "base/log.h"

void ReaderTest::TearDown() {
    closeLog();
    parser.reset();
    releaseNodeRegistry();
}

X3DNode* ReaderTest::parse(const std::string& text) {
    parser = std::make_unique<VrmlParser>(createNode, openStream);
    MemoryStream stream(text);
    return parser->parseStream(&stream);
}

void ReaderTest::openTestLog() { openLog(&driver, scratch.file("log.txt")); }

std::string ReaderTest::logFileText() {
    closeLog();
    std::ifstream in(scratch.file("log.txt"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

const SimpleArray<X3DNode*>& childrenOf(const X3DNode* node) {
    return static_cast<const X3DGroupingNode*>(node)->children.value;
}

std::vector<int32_t> childTypes(const X3DNode* node) {
    std::vector<int32_t> types;
    for (const X3DNode* child : childrenOf(node)) types.push_back(child->nodeType);
    return types;
}
