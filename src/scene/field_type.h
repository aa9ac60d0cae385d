// FieldType: the code every field carries for its value class. The value
// reader switches on it, and delivery compares it so that a value only ever
// lands in a field of the same class.
#pragma once

#include <cstdint>

enum class FieldType : int32_t {
    SFBool = 0,
    // 1 is unassigned.
    SFColor = 2,
    SFFloat = 3,
    SFInt32 = 4,  // used by the full profile's nodes only
    SFNode = 5,
    SFRotation = 6,
    SFString = 7,
    SFTime = 8,
    SFVec2f = 9,  // used by the full profile's nodes only
    SFVec3f = 10,
    MFColor = 11,
    MFFloat = 12,
    MFInt32 = 13,
    MFNode = 14,
    MFRotation = 15,
    MFString = 16,
    // 17 is unassigned.
    MFVec2f = 18,
    MFVec3f = 19,
    SFImage = 20,  // used by the full profile's nodes only
};
