// A Viewpoint's reaction to events: "set_bind" binds it in the world that
// prepared it, whatever the value sent (FALSE binds as TRUE does).
#include "scene/bindable_nodes.h"
#include "scene/field.h"
#include "scene/field_codes.h"
#include "scene/scene.h"

void nViewpoint::prepare(Scene* scene) { ownerScene = scene; }

void nViewpoint::fieldChanged(X3DField* field) {
    // Binding is all "set_bind" does: FALSE binds as TRUE does.
    if (field->nameCode == FieldCode::set_bind && ownerScene) ownerScene->bind(this);
}
