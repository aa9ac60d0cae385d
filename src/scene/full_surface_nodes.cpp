#include "scene/full_surface_nodes.h"

#include <cstdint>

bool resolveCorners(const SimpleArray<int32_t>& coordIndex, const SimpleArray<int32_t>& indexList, bool perVertex,
                    CornerIndexes& out) {
    out.index.clear();
    out.needed = 0;
    out.usable = false;
    out.likeCoordIndex = false;
    const int32_t count = coordIndex.count;
    if (count > 0 && out.index.capacity < count && !out.index.resetReserve(count)) return false;

    bool usable = true;
    bool like = true;
    int32_t needed = 0;
    int32_t face = 0;        // number of the face the entry belongs to
    int32_t faceStart = 0;   // its first position
    for (int32_t k = 0; k < count; ++k) {
        const int32_t corner = coordIndex[k];
        int32_t chosen = -1;
        if (corner >= 0) {
            if (perVertex) chosen = indexList.count > 0 ? (k < indexList.count ? indexList[k] : -1) : corner;
            else chosen = indexList.count > 0 ? (face < indexList.count ? indexList[face] : -1) : face;
            if (chosen < -1) chosen = -1;
        }
        out.index.append(chosen);  // within the reserved storage
        like &= chosen == corner || (corner < 0 && chosen == -1);
        // The largest index held at INT32_MAX, which no list reaches.
        if (chosen >= 0 && chosen >= needed) needed = chosen < INT32_MAX ? chosen + 1 : INT32_MAX;
        if (corner < 0 || k + 1 == count) {
            // The face ends: faces of three corners or more are drawn, so
            // all of their corners need an entry.
            const int32_t end = corner < 0 ? k : k + 1;
            if (end - faceStart >= 3) {
                for (int32_t j = faceStart; j < end; ++j) usable &= out.index[j] >= 0;
            }
            ++face;
            faceStart = k + 1;
        }
    }
    out.needed = needed;
    out.usable = usable;
    out.likeCoordIndex = like;
    return true;
}

void nFullIndexedFaceSet::fieldChanged(X3DField* field) {
    nIndexedFaceSet::fieldChanged(field);
    cornersStale = true;
}

void nFullIndexedFaceSet::resolveSurfaceIndexes() {
    if (!cornersStale) return;
    cornersStale = false;
    if (!resolveCorners(coordIndex.value, colorIndex.value, colorPerVertex.value, colourCorners)) {
        colourCorners.index.clear();
        colourCorners.usable = false;
    }
    if (!resolveCorners(coordIndex.value, normalIndexField.value, normalPerVertex.value, normalCorners)) {
        normalCorners.index.clear();
        normalCorners.usable = false;
    }
}
