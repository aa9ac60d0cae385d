#include "scene/bindable_nodes.h"

#include <new>

nBackground::nBackground() {
    if (!skyColor.value.append(Color4f{0.0f, 0.0f, 0.0f, 0.0f})) throw std::bad_alloc();
}

nNavigationInfo::nNavigationInfo() {
    constexpr float kAvatarSize[] = {0.25f, 1.6f, 0.75f};  // collision radius, eye height, step height
    if (!avatarSize.value.resetReserve(3)) throw std::bad_alloc();
    for (float v : kAvatarSize) avatarSize.value.append(v);
}
