#include "scene/node.h"

#include <cstdint>
#include <cstring>

#include "scene/field.h"
#include "scene/name_tables.h"

namespace {

constexpr std::u16string_view kSetPrefix = u"set_";
constexpr std::u16string_view kChangedSuffix = u"_changed";
// "_changed" needs at least one character before it.
constexpr size_t kShortestChangedName = 9;

// Step 1 of the lookup: the first entry equal to the whole name, or -1. The
// reader asks for every field name it reads, so the names are hashed once
// into an open-addressed table; a name entered twice keeps its first code.
class FieldNameIndex {
public:
    FieldNameIndex() {
        for (int32_t& slot : slots_) slot = -1;
        for (int32_t code = 0; code < kAllFieldNameCount; ++code) {
            const std::u16string_view name = fieldName(code);
            uint32_t at = hash(name);
            while (slots_[at] >= 0 && !same(fieldName(slots_[at]), name)) at = (at + 1) & kMask;
            if (slots_[at] < 0) slots_[at] = code;
        }
    }

    int32_t find(std::u16string_view name) const {
        for (uint32_t at = hash(name);; at = (at + 1) & kMask) {
            const int32_t code = slots_[at];
            if (code < 0 || same(fieldName(code), name)) return code;
        }
    }

private:
    static constexpr uint32_t kSlots = 512;  // a power of two, well above the table's size
    static constexpr uint32_t kMask = kSlots - 1;
    static_assert(kAllFieldNameCount * 2 < static_cast<int32_t>(kSlots), "the index keeps free slots");

    // Length and three characters tell the names of the table apart well
    // enough; the probe compares whole names anyway.
    static uint32_t hash(std::u16string_view name) {
        const std::size_t n = name.size();
        if (n == 0) return 0;
        const uint32_t h = static_cast<uint32_t>(n) * 0x9E3779B1u ^ name[0] * 0x85EBCA77u ^
                           name[n / 2] * 0xC2B2AE3Du ^ name[n - 1] * 0x27D4EB2Fu;
        return (h ^ (h >> 16)) & kMask;
    }
    static bool same(std::u16string_view a, std::u16string_view b) {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0;
    }

    int32_t slots_[kSlots];
};

int32_t firstTableEntry(std::u16string_view name) {
    static const FieldNameIndex index;
    return index.find(name);
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
