#include "scene/factory.h"

#include "scene/name_tables.h"
#include "scene/node.h"
#include "scene/node_registry.h"

int32_t nodeTypeCode(std::u16string_view typeName) {
    for (int32_t code = 0; code < kAllNodeNameCount; ++code) {
        if (nodeTypeName(code) == typeName) return code;
    }
    return -1;
}

X3DNode* registerNewNode(std::unique_ptr<X3DNode> node, std::u16string_view name, int32_t code) {
    if (!node) return nullptr;
    node->name.assign(name);
    node->nodeType = code;
    if (!nodeRegistry.append(node.get())) return nullptr;
    return node.release();
}
