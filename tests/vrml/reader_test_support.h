// Helpers shared by the reader, scene, binding and --check tests: a stream
// over a string, a driver that keeps the log's message store, a temporary
// folder, and a fixture that reads worlds and releases the node registry (and
// closes the log) when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/memory_stream.h"
#include "app/driver2d.h"
#include "base/input_stream.h"
#include "support/temp_dir.h"
#include "scene/fields.h"
#include "scene/grouping_nodes.h"
#include "scene/node.h"
#include "scene/node_registry.h"
#include "vrml/parser.h"

// Keeps every line the log echoes into the driver's message store.
class MessageStoreDriver final : public Driver2D {
public:
    void present(const Bitmap&, int32_t, int32_t, bool) override {}
    OwnedBitmap loadImage(const std::u16string&, int32_t, int32_t, int32_t) override { return nullptr; }
    void quit() override {}
    OwnedBitmap renderText(int32_t, int32_t, const std::u16string&) override { return nullptr; }
    uint32_t ticks() override { return 0; }
    void refreshMessages() override {}
    void hideMessages() override {}
    void addMessage(const char* text) override { messages.emplace_back(text); }

    std::vector<std::string> messages;
};


class ReaderTest : public ::testing::Test {
protected:
    // Each test starts from an empty registry, whatever ran before it.
    void SetUp() override { releaseNodeRegistry(); }
    void TearDown() override;

    // Reads the text with a fresh parser (kept in `parser`); the root or null.
    X3DNode* parse(const std::string& text);
    // Opens the log into the scratch folder with the recording driver.
    void openTestLog();
    // The log file's text so far (the log is closed to flush it).
    std::string logFileText();

    std::unique_ptr<VrmlParser> parser;
    MessageStoreDriver driver;
    TempDir scratch;
};

// The node list of a grouping node (Group, Transform, Anchor).
const SimpleArray<X3DNode*>& childrenOf(const X3DNode* node);
// The top-level nodes' type codes, in order.
std::vector<int32_t> childTypes(const X3DNode* node);
