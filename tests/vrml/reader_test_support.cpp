#include "vrml/reader_test_support.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "shell/log.h"

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvella-reader-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

std::string ScratchDir::write(const std::string& name, const std::string& bytes) const {
    const std::string file = path(name);
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
}

void ReaderTest::TearDown() {
    closeLog();
    parser.reset();
    releaseNodeRegistry();
}

X3DNode* ReaderTest::parse(const std::string& text) {
    parser = std::make_unique<VrmlParser>();
    StringStream stream(text);
    return parser->parseStream(&stream);
}

void ReaderTest::openTestLog() { openLog(&driver, scratch.path("log.txt")); }

std::string ReaderTest::logFileText() {
    closeLog();
    std::ifstream in(scratch.path("log.txt"), std::ios::binary);
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
