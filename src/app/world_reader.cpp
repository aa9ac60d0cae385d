#include "app/world_reader.h"

#include <new>

#include "app/open_stream.h"
#include "base/text.h"
#include "events/full_node_factory.h"
#include "events/node_factory.h"
#include "scene/name_tables.h"

std::unique_ptr<VrmlParser> makeWorldReader(Profile profile) {
    const NodeFactory factory = profile == Profile::Full ? createNodeFull : createNode;
    std::unique_ptr<VrmlParser> reader(new (std::nothrow) VrmlParser(factory, openStream));
    if (reader) reader->setProfile(profile);
    return reader;
}

std::string fullProfileNotice(Profile profile, const std::vector<int32_t>& refusedTypes) {
    if (profile != Profile::Core) return std::string();
    std::string types;
    for (int32_t code : refusedTypes) {
        if (!fullProfileOnly(code)) continue;
        if (!types.empty()) types += ", ";
        types += narrowText(std::u16string(nodeTypeName(code)));
    }
    if (types.empty()) return std::string();
    return "viewer: this world uses node types that only --profile full draws: " + types;
}
