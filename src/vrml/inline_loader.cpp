// The chain of a file is the list of files from the world down to it; a file
// that names one of them again would read forever, so the comparison must
// see through the spellings of one file. Names are folded lexically
// ("a/./b", "a/c/../b"), and local files are then compared by the path the
// file system resolves (symbolic links, the working folder), which the depth
// bound backs up for anything neither can see.
#include "vrml/inline_loader.h"

#include <filesystem>
#include <memory>
#include <new>
#include <system_error>
#include <vector>

#include "base/text.h"
#include "base/world_names.h"
#include "scene/fields.h"
#include "scene/grouping_nodes.h"
#include "scene/node_registry.h"
#include "scene/node_types.h"
#include "scene/shape_nodes.h"
#include "scene/world_nodes.h"

namespace {

// Names handed to the stream layer are cut there as well.
constexpr std::size_t kMaxNameLength = 255;

struct InlineLoad {
    VrmlParser& reader;                // the world's reader: messages and counts
    std::vector<std::u16string> chain;  // identities of the files above the one being read
    int32_t filesRead = 0;
    bool fileLimitReported = false;
};

// The identity of a file for the chain: a URL or an unresolvable path as
// folded text, a local file as the file system resolves it.
std::u16string fileIdentity(const std::u16string& name) {
    if (urlSchemeLength(name) != 0) return name;
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(narrowText(name), error);
    if (error || resolved.empty()) return name;
    return widenText(resolved.string());
}

// A file named by a world must be a regular one: a device (/dev/zero, a
// terminal) or a pipe could hold the reader for ever, and a world chooses its
// Inlines' names. URLs are left to the stream layer.
bool readable(const std::u16string& name) {
    if (urlSchemeLength(name) != 0) return true;
    std::error_code error;
    return std::filesystem::is_regular_file(narrowText(name), error);
}

bool inChain(const InlineLoad& load, const std::u16string& identity) {
    for (const std::u16string& above : load.chain) {
        if (above == identity) return true;
    }
    return false;
}

void loadInlinesIn(InlineLoad& load, int32_t firstNode, int32_t endNode, const std::u16string& baseDirectory);

// Reads the opened stream as the world of the Inline; its nodes join the
// registry after every node made so far.
void readInlinedFile(InlineLoad& load, nInline& node, InputStream& stream, const std::u16string& name,
                     const std::u16string& identity) {
    VrmlParser& reader = load.reader;
    // A parser holds a block of input: on the heap, as the chain may be deep.
    std::unique_ptr<VrmlParser> helper(new (std::nothrow) VrmlParser(reader.nodeFactory(), reader.streamOpener()));
    if (!helper) return;
    helper->setProfile(reader.profile());
    helper->setMessageObserver(reader.messageObserver());
    ++load.filesRead;
    const int32_t firstNode = nodeRegistry.count;
    X3DNode* root = helper->parseStream(&stream);
    const int32_t endNode = nodeRegistry.count;
    reader.absorbCounts(*helper);
    helper.reset();
    if (!root || root->category != NodeCategory::Grouping) return;

    // The file's top-level nodes move under the Inline; its own root group
    // keeps nothing, so no node has two parents.
    SimpleArray<X3DNode*>& top = static_cast<X3DGroupingNode*>(root)->children.value;
    for (X3DNode* child : top) {
        if (!child || !node.children.value.append(child)) continue;
        child->parent = &node;
    }
    top.clear();

    // Texture names in the file are relative to the file, not to the world.
    const std::u16string folder = baseDirectoryOf(name);
    for (int32_t i = firstNode; i < endNode && i < nodeRegistry.count; ++i) {
        X3DNode* made = nodeRegistry[i];
        if (made && made->nodeType == NodeType::ImageTexture) static_cast<nImageTexture*>(made)->baseDirectory = folder;
    }

    load.chain.push_back(identity);
    loadInlinesIn(load, firstNode, endNode, folder);
    load.chain.pop_back();
}

void loadInline(InlineLoad& load, nInline& node, const std::u16string& baseDirectory) {
    node.loadTried = true;
    VrmlParser& reader = load.reader;
    std::vector<std::u16string> unopened;
    for (const std::u16string& entry : node.url.value) {
        if (entry.empty()) continue;
        const std::u16string name = normalizeName(resolveReference(baseDirectory, entry)).substr(0, kMaxNameLength);
        const std::u16string identity = fileIdentity(name);
        if (inChain(load, identity)) {
            reader.reportWorldMessage(u"Inline refused, it includes itself: " + name);
            return;
        }
        if (static_cast<int32_t>(load.chain.size()) > kMaxInlineDepth) {
            reader.reportWorldMessage(u"Inline refused, nested more than " + widenText(std::to_string(kMaxInlineDepth)) +
                                      u" files deep: " + name);
            return;
        }
        if (load.filesRead >= kMaxInlineFiles) {
            if (!load.fileLimitReported) {
                reader.reportWorldMessage(u"Inline refused, the world inlines more than " +
                                          widenText(std::to_string(kMaxInlineFiles)) + u" files: " + name);
            }
            load.fileLimitReported = true;
            return;
        }
        const StreamOpener open = reader.streamOpener();
        std::unique_ptr<InputStream> stream = open && readable(name) ? open(narrowText(name)) : nullptr;
        if (!stream) {
            unopened.push_back(name);
            continue;
        }
        readInlinedFile(load, node, *stream, name, identity);
        stream->close();
        return;
    }
    for (const std::u16string& name : unopened) reader.reportWorldMessage(u"inline: " + name + u" NOT FOUND");
}

void loadInlinesIn(InlineLoad& load, int32_t firstNode, int32_t endNode, const std::u16string& baseDirectory) {
    // Reading a file appends to the registry (and may move its storage):
    // entries are fetched by index, and the range is the one given.
    for (int32_t i = firstNode; i < endNode && i < nodeRegistry.count; ++i) {
        X3DNode* candidate = nodeRegistry[i];
        if (!candidate || candidate->nodeType != NodeType::Inline) continue;
        auto* node = dynamic_cast<nInline*>(candidate);
        if (!node || node->loadTried) continue;
        loadInline(load, *node, baseDirectory);
    }
}

}  // namespace

void loadInlines(VrmlParser& reader, const std::u16string& worldName, int32_t firstNode, int32_t endNode) {
    InlineLoad load{reader, {}, 0, false};
    const std::u16string name = normalizeName(worldName);
    try {
        load.chain.push_back(fileIdentity(name));
        loadInlinesIn(load, firstNode, endNode, baseDirectoryOf(worldName));
    } catch (const std::bad_alloc&) {
        // What was read stays; the Inlines not reached stay empty.
    }
}
