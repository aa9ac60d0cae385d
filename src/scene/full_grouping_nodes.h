// The grouping nodes only the full profile builds: Switch, LOD, Collision and
// Billboard. All four derive from X3DGroupingNode, so that binding, the
// sensors, picking and the frame, which take every node of the grouping
// family for one, see their children.
//
// Switch and LOD hold their nodes in the inherited children list under the
// names VRML97 gives them ("choice", "level"); the list stays reachable as
// "children" too, the name X3D gives it, which files converted from X3D
// write. Everything that walks grouping nodes walks every choice and level
// (the frame itself draws only the chosen one). Neither has a bounding box
// hint; bboxSize stays (-1, -1, -1), which the frame never culls.
#pragma once

#include "scene/abstract_nodes.h"

// Gives a grouping node's children list the field-name code `code` (it is
// still found as "children") and drops the box hint when `keepBox` is false.
inline void renameChildren(X3DGroupingNode& node, int32_t code, bool keepBox) {
    node.children.nameCode = code;
    node.registerField(&node.children);
    if (keepBox) return;
    node.fields.erase(FieldCode::bboxCenter);
    node.fields.erase(FieldCode::bboxSize);
}

// Draws the choice whichChoice names; none when it is out of range.
class nSwitch : public X3DGroupingNode {
public:
    fSFInt32 whichChoice{this, FieldCode::whichChoice, -1};

    nSwitch() { renameChildren(*this, FieldCode::choice, false); }
};

// Draws one level, chosen each frame by the distance from the eye to
// "center" in the LOD's own coordinates against the "range" list.
class nLOD : public X3DGroupingNode {
public:
    fSFVec3f center{this, FieldCode::center, Vec3f{0.0f, 0.0f, 0.0f}};
    fMFFloat range{this, FieldCode::range};

    nLOD() { renameChildren(*this, FieldCode::level, false); }
};

// A Group whose children navigation's rays ignore when "collide" is FALSE.
// A "proxy" (a Shape or a grouping node) is never drawn; when given, it
// stands in for the children in navigation's rays.
class nCollision : public X3DGroupingNode {
public:
    fSFBool collide{this, FieldCode::collide, true};
    fSFNode proxy{this, FieldCode::proxy};
    fSFTime collideTime{this, FieldCode::collideTime, -1.0};
};

// Turns its children about axisOfRotation each frame so that their local +Z
// points towards the eye; (0, 0, 0) turns them fully, their +Y kept along
// the eye's up direction.
class nBillboard : public X3DGroupingNode {
public:
    fSFVec3f axisOfRotation{this, FieldCode::axisOfRotation, Vec3f{0.0f, 1.0f, 0.0f}};
};
