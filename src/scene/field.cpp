#include "scene/field.h"

#include "scene/fields.h"
#include "scene/node.h"

namespace {

// Number of nested deliveries running right now. Delivery is recursive, so a
// world with an absurdly long chain of routes would run out of stack; past
// kMaxDeliveryDepth nothing is passed on. Real worlds stay in single digits.
int32_t deliveryDepth = 0;

}  // namespace

X3DField::X3DField(X3DNode* owner, int32_t nameCode, FieldType type)
    : type(type), nameCode(nameCode), owner(owner) {
    if (owner) owner->registerField(this);
}

void X3DField::propagate() {}

void X3DField::notifyOwner() {
    if (owner) owner->fieldChanged(this);
}

void X3DField::deliverAlongRoutes(CopyValue copy) {
    if (delivering || deliveryDepth >= kMaxDeliveryDepth) return;
    delivering = true;
    ++deliveryDepth;
    // routes.count and routes[i] are read on every pass: a reaction may add a
    // route (and so move the storage) while we deliver.
    for (int32_t i = 0; i < routes.count; ++i) {
        X3DField* destination = routes[i];
        if (!destination || destination->type != type || destination->delivering) continue;
        if (copy) copy(*this, *destination);
        destination->notifyOwner();
        destination->propagate();
    }
    --deliveryDepth;
    delivering = false;
}
