// X3DField: the base of every field. A field holds one typed value, knows the
// code of its name and its owner node, and lists the fields its value is
// routed to. Fields are the whole event mechanism: setting a field carries the
// value at once, depth first in route order, to every destination, tells each
// destination's owner and lets the destination pass the value on.
//
// Delivery is made safe in two ways. A field that is delivering (its guard flag
// is set for the duration of its propagate) is not entered again: a route that
// leads back to it is skipped whole, so cycles of routes end after one round.
// A destination whose FieldType differs from the source's is skipped whole too
// (nothing copied, nobody told), so a value never lands in storage of another
// shape. And a chain of routes is followed at most kMaxDeliveryDepth fields
// deep, so a hostile world cannot exhaust the stack.
#pragma once

#include <cstdint>

#include "scene/field_type.h"
#include "base/simple_array.h"

class X3DNode;

// How many fields may be delivering at once (nested propagate calls); a field
// reached deeper than this receives its value but passes nothing on.
inline constexpr int32_t kMaxDeliveryDepth = 4096;

class X3DField {
public:
    FieldType type;
    int32_t nameCode;                // index into the field-name table
    X3DNode* owner;                  // not owned: the node holding this field
    SimpleArray<X3DField*> routes;   // destinations in route order; not owned
    // working state
    bool delivering = false;         // set while this field's propagate runs

    // Delivers the value along the routes (classes that carry values), or
    // only notifies the destinations (fMFVec3f), or does nothing (the rest).
    virtual void propagate();
    virtual ~X3DField() = default;

    X3DField(const X3DField&) = delete;
    X3DField& operator=(const X3DField&) = delete;

protected:
    // Sets type, name code and owner, leaves the route list empty and registers
    // the field in owner under nameCode (replacing a field registered there
    // before). A null owner registers nothing.
    X3DField(X3DNode* owner, int32_t nameCode, FieldType type);

    // Copies the source's value into a destination of the same class.
    using CopyValue = void (*)(const X3DField& from, X3DField& to);

    // The delivery loop shared by every class that propagates. For each route,
    // in order, with the count read afresh on every pass (a route added during
    // delivery is served): skip a destination of another FieldType or one that
    // is delivering itself; otherwise copy the value (unless copy is null),
    // tell the destination's owner and let the destination propagate. Returns
    // at once when this field is already delivering or kMaxDeliveryDepth
    // fields are.
    void deliverAlongRoutes(CopyValue copy);

    // Tells the owner (if any) that this field has just received a value.
    void notifyOwner();
};
