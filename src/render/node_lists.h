// The lists a geometry node reads from the nodes in its "color", "normal"
// and "texCoord" fields, found by field code and class so that any node
// class holding such a field serves. Internal to render/.
#pragma once

#include "scene/field_codes.h"
#include "scene/fields.h"
#include "scene/node.h"
#include "scene/node_types.h"

namespace render {

// The colours of a Color node ("color"), or null for anything else.
inline const SimpleArray<Color4f>* colorList(const X3DNode* node) {
    if (!node || node->nodeType != NodeType::Color) return nullptr;
    const X3DField* field = node->fields.at(FieldCode::color);
    if (!field || field->type != FieldType::MFColor) return nullptr;
    return &static_cast<const fMFColor*>(field)->value;
}

// The vectors of a Normal node ("vector"), or null for anything else.
inline const SimpleArray<Vec3f>* normalList(const X3DNode* node) {
    if (!node || node->nodeType != NodeType::Normal) return nullptr;
    const X3DField* field = node->fields.at(FieldCode::vector);
    if (!field || field->type != FieldType::MFVec3f) return nullptr;
    return &static_cast<const fMFVec3f*>(field)->value;
}

// The points of a TextureCoordinate node, or null for anything else.
inline const SimpleArray<Vec2f>* texPointList(const X3DNode* node) {
    if (!node || node->nodeType != NodeType::TextureCoordinate) return nullptr;
    const X3DField* field = node->fields.at(FieldCode::point);
    if (!field || field->type != FieldType::MFVec2f) return nullptr;
    return &static_cast<const fMFVec2f*>(field)->value;
}

}  // namespace render
