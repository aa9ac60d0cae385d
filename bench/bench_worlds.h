// Generated worlds for measuring the reader and the viewer's start-up: the
// same bytes on every run and every machine (integer arithmetic only, printed
// with fixed decimals), written the way exporters write them: one point or
// face per line, commas between items, nested indentation, a few comments.
#pragma once

#include <string>

// About 20 MB: four terrain tiles, each an IndexedFaceSet grid with its
// Coordinate, TextureCoordinate, coordIndex and texCoordIndex, under an
// Appearance with an ImageTexture url.
std::string terrainWorld();

// About 1.3 MB: 2,000 Transforms, each holding a Shape with a Material colour
// and a cube IndexedFaceSet of 8 points and 6 faces, every cube written out.
std::string cubesWorld();

// The cubes world written with Box nodes, for the full profile: the same
// 2,000 Transforms, each holding a Shape with the same Material colour and a
// Box of the cube's size.
std::string boxesWorld();

// About 0.5 MB: 500 DEF'd cubes, each with a looping TimeSensor and a
// PositionInterpolator, and two ROUTEs per cube (1,000 in all) that move the
// cube: fraction_changed to set_fraction, value_changed to set_translation.
std::string animatedCubesWorld();
