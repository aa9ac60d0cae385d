#include "app/check_world.h"


#include "scene/node_registry.h"
#include "scene/scene.h"
#include "shell/log.h"
#include "vrml/parser.h"

namespace {
// The log keeps lines of at most this many characters; the printed messages
// are the logged ones.
constexpr std::size_t kMaxLine = 255;
}  // namespace

int checkWorld(const std::string& world, std::ostream& out) {
    VrmlParser parser;
    parser.setMessageObserver([&out](const std::u16string& message) {
        std::string line = narrowText(message);
        if (line.size() > kMaxLine) line.resize(kMaxLine);
        out << line << '\n';
    });
    const std::unique_ptr<Scene> scene = loadWorld(parser, widenText(world));
    if (!scene) {
        out << "world not loaded\n";
        return 1;
    }
    out << "world loaded: " << nodeRegistry.count << " nodes, " << parser.routeCount() << " routes\n";
    return 0;
}
