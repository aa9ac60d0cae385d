// X3DNode: the base of every node in the scene graph. It carries the NodeType
// code, the DEF name, the registry of the node's fields keyed by field-name
// code, the parent link and the family code, and declares the operations that
// later layers give a body (reactions to events, preparation after loading).
//
// Nodes are made by the factory only and owned by the node registry; a node is
// destroyed through its most derived class.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "scene/field_map.h"

class X3DField;
class Scene;

class X3DNode {
public:
    int32_t nodeType = 0;                 // index into the node-name table
    std::u16string name;                  // DEF name; empty when not named
    FieldMap fields;                      // by field-name code; not owned
    X3DNode* parent = nullptr;            // not owned; the last node placed into
    int32_t category;                     // NodeCategory code

    // Called with a field of this node that has just received a value (by
    // setValue or by delivery). Does nothing here.
    virtual void fieldChanged(X3DField* field);
    // Called once for every registered node after a world has been loaded.
    // Does nothing here.
    virtual void prepare(Scene* scene);
    virtual ~X3DNode() = default;

    X3DNode(const X3DNode&) = delete;
    X3DNode& operator=(const X3DNode&) = delete;

    // The field registered under lookupFieldCode(fieldName), or null when the
    // name has no code or this node has no field under it.
    X3DField* findField(std::u16string_view fieldName) const;

    // Enters field under its nameCode, replacing a field registered there
    // before. Called by the field's constructor.
    void registerField(X3DField* field);

protected:
    // nodeType 0, empty name and registry, no parent, the given family code.
    explicit X3DNode(int32_t category);
};

// The field-name code for a name as written in a file or a route, 0 when none:
//  1. the first table entry equal to the whole name (exact, case-sensitive);
//  2. else, for a name starting with "set_", the first entry equal to the rest,
//     or 0;
//  3. else, for a name of at least 9 characters ending in "_changed", the first
//     entry equal to the name without that suffix;
//  4. else 0.
// Only one of the two mappings is tried: "set_center_changed" yields 0.
int32_t lookupFieldCode(std::u16string_view fieldName);

// Appends the destination field to the source field's routes and returns true.
// Returns false and changes nothing when a node is null, either field is not
// found or the route list cannot grow. The FieldTypes are not compared here;
// delivery skips a destination of another class.
bool addRoute(X3DNode* sourceNode, std::u16string_view sourceFieldName,
              X3DNode* destinationNode, std::u16string_view destinationFieldName);
