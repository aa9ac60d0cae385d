#include "app/check_world.h"

#include "app/open_stream.h"
#include "base/log.h"
#include "events/node_factory.h"
#include "scene/node_registry.h"
#include "vrml/load_world.h"

namespace {
// The log keeps lines of at most this many characters; the printed messages
// are the logged ones.
constexpr std::size_t kMaxLine = 255;
}  // namespace

int checkWorld(const std::string& world, std::ostream& out) {
    VrmlParser parser(createNode, openStream);
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
