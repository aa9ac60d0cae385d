// The face walk shared by everything that reads an indexed face set: the
// polygon pipeline, mesh preparation and picking.
//
// Faces are the runs of coordIndex between -1 entries; the last one may end
// at the end of the list. Every -1 ends one face, so "-1 -1" holds an empty
// face and face numbers count the -1 entries. A face is judged whole before
// any of it is used: one that names an index outside the point array is
// invalid, and its readers skip it (it keeps its number).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr int32_t kFaceEnd = -1;

// True when index names one of count entries.
constexpr bool indexInRange(int32_t index, std::size_t count) {
    return index >= 0 && static_cast<std::size_t>(index) < count;
}

// The end of the face starting at `from` (the position of its -1, or the end
// of the list), and in `valid` whether every corner lies in 0..pointCount-1.
inline std::size_t findFaceEnd(std::span<const int32_t> coordIndex, std::size_t from, std::size_t pointCount,
                               bool& valid) {
    const std::size_t count = coordIndex.size();
    bool ok = true;
    std::size_t k = from;
    for (; k < count; ++k) {
        const int32_t index = coordIndex[k];
        if (index == kFaceEnd) break;
        ok &= indexInRange(index, pointCount);
    }
    valid = ok;
    return k;
}

// Calls visit(from, end, valid) for every face in order: its corners are
// coordIndex[from] .. coordIndex[end - 1].
template <class Visit>
inline void forEachFace(std::span<const int32_t> coordIndex, std::size_t pointCount, Visit&& visit) {
    const std::size_t count = coordIndex.size();
    for (std::size_t from = 0; from < count;) {
        bool valid;
        const std::size_t end = findFaceEnd(coordIndex, from, pointCount, valid);
        visit(from, end, valid);
        from = end + 1;
    }
}
