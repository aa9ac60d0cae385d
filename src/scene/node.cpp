#include "scene/node.h"

#include "scene/field.h"
#include "scene/name_tables.h"

namespace {

constexpr std::u16string_view kSetPrefix = u"set_";
constexpr std::u16string_view kChangedSuffix = u"_changed";
// "_changed" needs at least one character before it.
constexpr size_t kShortestChangedName = 9;

// Step 1 of the lookup: the first entry equal to the whole name, or -1.
int32_t firstTableEntry(std::u16string_view name) {
    for (int32_t code = 0; code < kFieldNameCount; ++code) {
        if (kFieldNames[code] == name) return code;
    }
    return -1;
}

}  // namespace

X3DNode::X3DNode(int32_t category) : category(category) {}

void X3DNode::fieldChanged(X3DField*) {}

void X3DNode::prepare(Scene*) {}

X3DField* X3DNode::findField(std::u16string_view fieldName) const {
    const int32_t code = lookupFieldCode(fieldName);
    if (code == 0) return nullptr;  // the placeholder entry: no field is under it
    auto found = fields.find(code);
    return found == fields.end() ? nullptr : found->second;
}

void X3DNode::registerField(X3DField* field) { fields[field->nameCode] = field; }

int32_t lookupFieldCode(std::u16string_view fieldName) {
    const int32_t direct = firstTableEntry(fieldName);
    if (direct >= 0) return direct;
    if (fieldName.starts_with(kSetPrefix)) {
        const int32_t code = firstTableEntry(fieldName.substr(kSetPrefix.size()));
        return code >= 0 ? code : 0;
    }
    if (fieldName.size() >= kShortestChangedName && fieldName.ends_with(kChangedSuffix)) {
        const int32_t code = firstTableEntry(fieldName.substr(0, fieldName.size() - kChangedSuffix.size()));
        return code >= 0 ? code : 0;
    }
    return 0;
}

bool addRoute(X3DNode* sourceNode, std::u16string_view sourceFieldName,
              X3DNode* destinationNode, std::u16string_view destinationFieldName) {
    if (!sourceNode || !destinationNode) return false;
    X3DField* source = sourceNode->findField(sourceFieldName);
    X3DField* destination = destinationNode->findField(destinationFieldName);
    if (!source || !destination) return false;
    return source->routes.append(destination);
}
