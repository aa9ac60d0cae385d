#include "app/check_world.h"

#include <cinttypes>

#include "scene/node_registry.h"
#include "scene/scene.h"
#include "shell/log.h"
#include "vrml/parser.h"

namespace {
// The log keeps lines of at most this many characters; the printed messages
// are the logged ones.
constexpr std::size_t kMaxLine = 255;
}  // namespace

int checkWorld(const std::string& world, std::FILE* out) {
    VrmlParser parser;
    parser.setMessageObserver([out](const std::u16string& message) {
        std::string line = narrowText(message);
        if (line.size() > kMaxLine) line.resize(kMaxLine);
        std::fprintf(out, "%s\n", line.c_str());
    });
    const std::unique_ptr<Scene> scene = loadWorld(parser, widenText(world));
    if (!scene) {
        std::fputs("world not loaded\n", out);
        return 1;
    }
    std::fprintf(out, "world loaded: %" PRId32 " nodes, %" PRId64 " routes\n", nodeRegistry.count,
                 parser.routeCount());
    return 0;
}
