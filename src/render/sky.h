// The full profile's sky and ground: the bound Background's colour bands
// painted over the cleared frame before the world is drawn.
#pragma once

#include <cstdint>

#include "base/simple_array.h"
#include "base/values.h"

class Scene;

// The colour at `angle` (radians) of bands keyed at 0 (colours[0]) and at
// angles[i] (colours[i + 1]), blended linearly between keys and held at the
// last key beyond it. Keys past the shorter list are ignored; angles out of
// order or not finite give the colour of the key they stand at; a NaN angle
// gives the first colour. Black without colours.
Color4f bandColour(const SimpleArray<Color4f>& colours, const SimpleArray<float>& angles, float angle);

// In the full profile, when the bound Background is a full one with more
// than one sky colour or with ground colours: draws what is recorded, then
// gives every pixel of the target the colour of the sky or ground in its
// direction (through the pixel's centre, under this frame's camera), read
// from a table of 512 steps of the cosine of the angle from the zenith. The
// ground covers the nadir up to its last angle (the horizon without angles).
// Nothing else (the cleared colour stays): no such Background, no target,
// or a camera whose up direction or focal length is not usable.
void paintSky(Scene& scene);
