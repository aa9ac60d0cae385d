#include "app/check_world.h"

#include "app/open_stream.h"
#include "app/world_reader.h"
#include "base/log.h"
#include "scene/node_registry.h"
#include "vrml/load_world.h"

namespace {
// The log keeps lines of at most this many characters; the printed messages
// are the logged ones.
constexpr std::size_t kMaxLine = 255;
}  // namespace

int checkWorld(const std::string& world, std::ostream& out, Profile profile, std::ostream* notice) {
    std::unique_ptr<VrmlParser> reader = makeWorldReader(profile);
    if (!reader) {
        out << "world not loaded\n";
        return 1;
    }
    VrmlParser& parser = *reader;
    parser.setMessageObserver([&out](const std::u16string& message) {
        std::string line = narrowText(message);
        if (line.size() > kMaxLine) line.resize(kMaxLine);
        out << line << '\n';
    });
    const std::unique_ptr<Scene> scene = loadWorld(parser, widenText(world));
    const std::string line = fullProfileNotice(profile, parser.refusedTypes());
    if (notice && !line.empty()) *notice << line << '\n';
    if (!scene) {
        out << "world not loaded\n";
        return 1;
    }
    out << "world loaded: " << nodeRegistry.count << " nodes, " << parser.routeCount() << " routes\n";
    return 0;
}
