#include "scene/field.h"

#include "scene/fields.h"
#include "scene/node.h"

X3DField::X3DField(X3DNode* owner, int32_t nameCode, FieldType type)
    : type(type), nameCode(nameCode), owner(owner) {
    if (owner) owner->registerField(this);
}

void X3DField::propagate() {}

void X3DField::notifyOwner() {
    if (owner) owner->fieldChanged(this);
}

void X3DField::deliverAlongRoutes(CopyValue copy) {
    if (delivering) return;
    delivering = true;
    // routes.count and routes[i] are read on every pass: a reaction may add a
    // route (and so move the storage) while we deliver.
    for (int32_t i = 0; i < routes.count; ++i) {
        X3DField* destination = routes[i];
        if (!destination || destination->type != type || destination->delivering) continue;
        if (copy) copy(*this, *destination);
        destination->notifyOwner();
        destination->propagate();
    }
    delivering = false;
}

void fMFVec3f::propagate() { deliverAlongRoutes(nullptr); }
