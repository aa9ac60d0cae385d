// The field classes. Eight single-valued classes carry their value along
// routes (fSFBool, fSFColor, fSFFloat, fSFInt32, fSFRotation, fSFTime,
// fSFVec2f, fSFVec3f);
// fMFVec3f only notifies its destinations (but for morphing meshes, below);
// the others keep their values to themselves. fSFInt32, fSFVec2f and fSFImage
// are used by the full profile's nodes only. Multi-valued classes expose
// their SimpleArray as `value`.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "scene/field.h"
#include "base/simple_array.h"
#include "base/values.h"

// The building blocks of the classes below; they are not used alone
// (delivery relies on one class per FieldType).

// A field holding one value of type T, with FieldType kType.
template <class T, FieldType kType>
class ValueField : public X3DField {
public:
    T value;

    // Registers the field in owner under nameCode and stores the default.
    ValueField(X3DNode* owner, int32_t nameCode, T initial = T())
        : X3DField(owner, nameCode, kType), value(std::move(initial)) {}
};

// A single-valued field that delivers its value along its routes.
template <class T, FieldType kType>
class DeliveringField : public ValueField<T, kType> {
public:
    using ValueField<T, kType>::ValueField;

    // Stores v (every component), tells the owner, then delivers along the
    // routes.
    void setValue(const T& v) {
        this->value = v;
        this->notifyOwner();
        propagate();
    }

    // Copies the value into each destination of the same class, depth first
    // in route order; see X3DField.
    void propagate() override {
        this->deliverAlongRoutes([](const X3DField& from, X3DField& to) {
            static_cast<DeliveringField&>(to).value = static_cast<const DeliveringField&>(from).value;
        });
    }
};

// A multi-valued field: its elements live in a SimpleArray.
template <class T, FieldType kType>
class ArrayField : public X3DField {
public:
    SimpleArray<T> value;

    // Registers the field in owner under nameCode; the array starts empty.
    ArrayField(X3DNode* owner, int32_t nameCode) : X3DField(owner, nameCode, kType) {}
};

class fSFBool final : public DeliveringField<bool, FieldType::SFBool> {
public:
    using DeliveringField::DeliveringField;
};

class fSFColor final : public DeliveringField<Color4f, FieldType::SFColor> {
public:
    using DeliveringField::DeliveringField;
};

class fSFFloat final : public DeliveringField<float, FieldType::SFFloat> {
public:
    using DeliveringField::DeliveringField;
};

class fSFInt32 final : public DeliveringField<int32_t, FieldType::SFInt32> {
public:
    using DeliveringField::DeliveringField;
};

class fSFRotation final : public DeliveringField<Rotation, FieldType::SFRotation> {
public:
    using DeliveringField::DeliveringField;
};

class fSFTime final : public DeliveringField<double, FieldType::SFTime> {
public:
    using DeliveringField::DeliveringField;
};

class fSFVec2f final : public DeliveringField<Vec2f, FieldType::SFVec2f> {
public:
    using DeliveringField::DeliveringField;
};

class fSFVec3f final : public DeliveringField<Vec3f, FieldType::SFVec3f> {
public:
    using DeliveringField::DeliveringField;
};

// A node pointer, null when empty; the node is not owned.
class fSFNode final : public ValueField<X3DNode*, FieldType::SFNode> {
public:
    using ValueField::ValueField;
};

class fSFString final : public ValueField<std::u16string, FieldType::SFString> {
public:
    using ValueField::ValueField;
};

// An SFImage: width x height pixels of `components` (1 to 4) bytes each,
// one 32-bit number per pixel as written (its low bytes, the first component
// highest), rows from the bottom of the image up. An image that is not whole
// (fewer pixels than width x height, or a size of 0) holds no pixels.
struct PixelImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t components = 0;
    SimpleArray<uint32_t> pixels;
};

class fSFImage final : public ValueField<PixelImage, FieldType::SFImage> {
public:
    using ValueField::ValueField;
};

class fMFColor final : public ArrayField<Color4f, FieldType::MFColor> {
public:
    using ArrayField::ArrayField;
};

class fMFFloat final : public ArrayField<float, FieldType::MFFloat> {
public:
    using ArrayField::ArrayField;
};

class fMFInt32 final : public ArrayField<int32_t, FieldType::MFInt32> {
public:
    using ArrayField::ArrayField;
};

// Node pointers; the nodes are not owned.
class fMFNode final : public ArrayField<X3DNode*, FieldType::MFNode> {
public:
    using ArrayField::ArrayField;
};

class fMFRotation final : public ArrayField<Rotation, FieldType::MFRotation> {
public:
    using ArrayField::ArrayField;
};

// The strings are owned by the array.
class fMFString final : public ArrayField<std::u16string, FieldType::MFString> {
public:
    using ArrayField::ArrayField;
};

class fMFVec2f final : public ArrayField<Vec2f, FieldType::MFVec2f> {
public:
    using ArrayField::ArrayField;
};

class fMFVec3f final : public ArrayField<Vec3f, FieldType::MFVec3f> {
public:
    using ArrayField::ArrayField;

    // Tells each destination of the same class (and its owner) without
    // copying a value: the destinations keep their own points. One route
    // carries points: from a CoordinateInterpolator's "value_changed" to a
    // Coordinate's "point", which then holds a copy of the source's points
    // (its own are kept when storage for the copy cannot be had).
    void propagate() override;
};
