// The five interpolators: a fraction placed on the key list, then the two key
// values around it blended (or an end value copied whole), sent from
// "value_changed".
//
// Keys are used in file order, neither sorted nor checked. The segment found
// last is cached: an animation played forwards finds its fraction in the
// cached segment or the next one, and only a jump runs the binary search. All
// comparisons are strict, so a fraction equal to an inner key gets that key's
// value from either side.
//
// Malformed lists never lead to a read outside them or a division by zero:
// an empty "key", a "keyValue" shorter than "key" (fewer than one point per
// key for the coordinate interpolator) and a NaN fraction send nothing; a
// zero-length segment (two equal keys the fraction lands on) gives the key
// value at its end; a weight that is not finite (keys that are no numbers)
// sends nothing.
#include <cmath>
#include <optional>

#include "render/matrix.h"
#include "scene/interpolator_nodes.h"

namespace {

// Where a fraction falls: between key values `from` and `to` at weight t of
// `to`, or on one key value (from == to) that is copied whole.
struct KeyPlace {
    int32_t from = 0;
    int32_t to = 0;
    float t = 0.0f;
};

// The place of the node's "set_fraction" on its keys; none when nothing can
// be sent (see the file notes). Updates the cached segment.
std::optional<KeyPlace> placeFraction(X3DInterpolatorNode& node) {
    const SimpleArray<float>& key = node.key.value;
    const int32_t n = key.count;
    const float f = node.set_fraction.value;
    if (n == 0 || std::isnan(f)) return std::nullopt;
    if (f <= key[0]) return KeyPlace{0, 0, 0.0f};
    if (f >= key[n - 1]) return KeyPlace{n - 1, n - 1, 0.0f};
    const int32_t i = node.findSegment(f);
    const float length = key[i + 1] - key[i];
    if (length == 0.0f) return KeyPlace{i + 1, i + 1, 0.0f};
    const float t = (f - key[i]) / length;
    if (!std::isfinite(t)) return std::nullopt;
    return KeyPlace{i, i + 1, t};
}

float lerp(float a, float b, float t) { return a + (b - a) * t; }

Color4f blendColor(const Color4f& a, const Color4f& b, float t) {
    // Straight through RGB (no hue turn); the fourth component is 0.
    return Color4f{lerp(a.r, b.r, t), lerp(a.g, b.g, t), lerp(a.b, b.b, t), 0.0f};
}

// The common reaction of the four single-valued interpolators.
template <class Node, class Blend>
void sendInterpolated(Node& node, X3DField* field, Blend blend) {
    if (field != &node.set_fraction) return;
    const auto& values = node.keyValue.value;
    if (values.count < node.key.value.count) return;
    const std::optional<KeyPlace> place = placeFraction(node);
    if (!place) return;
    node.value_changed.value =
        place->from == place->to ? values[place->from] : blend(values[place->from], values[place->to], place->t);
    node.value_changed.propagate();
}

}  // namespace

int32_t X3DInterpolatorNode::findSegment(float f) {
    const SimpleArray<float>& keys = key.value;
    const int32_t n = keys.count;
    const int32_t c = lastSegment;
    // The cache may be stale (a hostile value, or another key list since): it
    // is used only while c + 1, and c + 2 for its successor, are keys.
    if (c >= 0 && c < n - 1) {
        if (keys[c] < f && f < keys[c + 1]) return c;
        if (keys[c + 1] < f && c < n - 2 && f < keys[c + 2]) {
            lastSegment = c + 1;
            return c + 1;
        }
    }
    // keys[lo] < f < keys[hi] throughout (at the start by the caller's
    // promise), so lo ends within 0 .. n - 2.
    int32_t lo = 0;
    int32_t hi = n - 1;
    while (lo + 1 < hi) {
        const int32_t mid = (lo + hi) / 2;
        if (f < keys[mid]) {
            hi = mid;
        } else if (f > keys[mid]) {
            lo = mid;
        } else {
            lo = mid;  // on a key (or keys that are no numbers): its segment
            break;
        }
    }
    lastSegment = lo;
    return lo;
}

void nScalarInterpolator::fieldChanged(X3DField* field) { sendInterpolated(*this, field, lerp); }

void nPositionInterpolator::fieldChanged(X3DField* field) { sendInterpolated(*this, field, lerpVector); }

void nColorInterpolator::fieldChanged(X3DField* field) { sendInterpolated(*this, field, blendColor); }

void nOrientationInterpolator::fieldChanged(X3DField* field) { sendInterpolated(*this, field, slerpRotation); }

void nCoordinateInterpolator::fieldChanged(X3DField* field) {
    if (field != &set_fraction) return;
    const int32_t n = key.value.count;
    if (n == 0) return;
    const SimpleArray<Vec3f>& values = keyValue.value;
    const int32_t m = values.count / n;  // points per key
    if (m == 0) return;
    SimpleArray<Vec3f>& out = value_changed.value;
    if (out.count == 0) {
        // Sized once, at the first event.
        if (!out.resetReserve(m)) return;
        for (int32_t j = 0; j < m; ++j) out.append(Vec3f{});
    }
    const std::optional<KeyPlace> place = placeFraction(*this);
    if (!place) return;
    // Sized for an earlier key list, the output keeps its size: only the
    // points both have are written.
    const int32_t points = out.count < m ? out.count : m;
    const int32_t from = place->from * m;
    const int32_t to = place->to * m;
    for (int32_t j = 0; j < points; ++j)
        out[j] = from == to ? values[from + j] : lerpVector(values[from + j], values[to + j], place->t);
    value_changed.propagate();
}
