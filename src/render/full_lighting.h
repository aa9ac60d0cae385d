// The full profile's lighting and face drawing, internal to render/.
//
// Lighting is VRML97's, per vertex, in camera space, with every kind of light
// in one list (the first four scene lights met in traversal order, the
// headlight on top). For a surface point P with front normal N, the viewer
// direction V = -P / |P|, and each light's direction L towards it:
//
//   colour = emissive + sum over lights of  colour_L x att x spot x
//            (ambientIntensity_L x ambientIntensity_M x diffuse
//             + intensity_L x (diffuse x max(N.L, 0) + specular x max(N.H, 0)^(shininess x 128)))
//
// held to 0..1 per channel, with H = (L + V) / |L + V|. Directional lights
// have att = spot = 1. Point and spot lights light nothing beyond "radius";
// within it att = 1 / max(a0 + a1 d + a2 d^2, 1). A spot light's factor is 1
// inside beamWidth, 0 from cutOffAngle on, and falls linearly with the angle
// between. The specular term needs N.L > 0 (a face turned from the light has
// no highlight). Two-sided faces (solid FALSE) are lit on the side each light
// shines on.
//
// The colour is linear in the diffuse colour, so it is taken apart per
// lighting sample (a point with its normal) into a factor for the diffuse
// colour and one for the specular colour; a corner's colour is then emissive
// + its diffuse x the first + specular x the second. Samples are the points
// when every corner of a point uses the same normal (smooth meshes, Normal
// nodes given per point), else the corners.
#pragma once

#include <cstdint>
#include <span>

#include "base/simple_array.h"
#include "base/values.h"
#include "scene/render_record.h"

class Scene;
class X3DLightNode;
class nIndexedFaceSet;

// What the full profile draws of one face geometry: its points and faces,
// texture points, normals (pointing to the back of their faces) with one
// normalIndex entry per coordIndex entry, and per-corner colours (0..1) with
// one colourIndex entry per coordIndex entry. Empty normals: drawn unlit;
// empty colours: the material's. Empty index lists mean "use coordIndex".
struct FullFaces {
    const SimpleArray<Vec3f>* points = nullptr;
    std::span<const int32_t> coordIndex;
    std::span<const Vec2f> texPoints;
    std::span<const int32_t> texCoordIndex;
    std::span<const Vec3f> normals;
    std::span<const int32_t> normalIndex;
    bool frontNormals = false;  // the normals point to the front instead (a Normal node's)
    std::span<const Color4f> colours;
    std::span<const int32_t> colourIndex;
    bool ccw = true;
    bool solid = true;
};

// Appends a DirectionalLight, PointLight or SpotLight to the scene's full
// lights, in camera space through the matrices of its parent (full: every
// transform, for the location and radius; rotation: the rotations alone, for
// directions). Ignored when four scene lights are already there, when it is
// off, or when a value it needs is not finite; nodes of other types are
// ignored.
void collectFullLight(Scene& scene, const X3DLightNode& light, const Matrix& full, const Matrix& rotation);

// Appends the headlight: white, intensity 1, no ambient, travelling along
// -z in camera space. Not counted among the four.
void appendFullHeadlight(Scene& scene);

// Transforms, lights and draws the faces with the record's matrices and
// surface: lit surfaces through the lighting above in per-corner colour
// (textured ones with its diffuse factor as one intensity that scales the
// texel, the specular term left out), unlit ones with colours in those
// colours, others as the core profile draws them. Draws nothing outside the
// view or when an array cannot be had.
void drawFullFaces(Scene& scene, const RenderRecord& record, const FullFaces& faces);

// What the lighting reads of the material besides the surface's colours.
struct MaterialTerms {
    float ambientIntensity = 0.2f;
    float shininess = 0.2f;
    Color4f specular{0.0f, 0.0f, 0.0f, 0.0f};
};

// Lights `count` samples into scene.fullLighting.terms (entry 2i: the factor
// of the diffuse colour, 2i + 1: of the specular colour). Sample i lies at
// the camera-space point scene.rasterVertices[pointIndex[i]] (i when
// pointIndex is empty; transformVertices must have run for the points) of
// `pointCount`, with the normal normals[normalIndex[i]] (i when empty) turned
// by the normal matrix (pointing to the back of its face, or to the front
// when frontNormals; not necessarily unit). A sample naming a point or normal that does not
// exist gets zero factors. Only the lights whose scope holds render record
// `recordIndex` count (every light for kAnyRecord). False when the array
// cannot be had.
inline constexpr int32_t kAnyRecord = -1;
bool lightSamples(Scene& scene, const Matrix& normalMatrix, int32_t pointCount, std::span<const int32_t> pointIndex,
                  std::span<const Vec3f> normals, std::span<const int32_t> normalIndex, bool frontNormals,
                  int32_t count, const MaterialTerms& material, bool twoSided, int32_t recordIndex);

// Gives the DirectionalLights collected since `firstLight` that have no scope
// yet the render records from `firstRecord` to those made so far: called when
// the group holding them has been visited, after its inner groups did the
// same for theirs.
void scopeDirectionalLights(Scene& scene, int32_t firstLight, int32_t firstRecord);

// An IndexedFaceSet of the full profile: its Normal node's normals and its
// Color node's colours where they give one to every corner (else the
// computed normals and the material's colour), drawn by drawFullFaces.
void drawFullFaceSet(Scene& scene, const RenderRecord& record, nIndexedFaceSet& mesh);
