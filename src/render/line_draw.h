// Drawing the full profile's lines and points (IndexedLineSet, PointSet).
// Internal to render/: the frame's drawRecord calls it for such records.
#pragma once

#include "scene/render_record.h"

class Scene;

namespace render {

// Transforms the record's points with its modelView and draws the lines of
// an IndexedLineSet (each run of coordIndex up to -1 a polyline) or the
// points of a PointSet: one pixel wide, unlit, in the surface's emissive
// colour or the Color node's colours (per vertex, interpolated along a
// line, or per polyline with colorPerVertex FALSE; colorIndex as given, or
// coordIndex / the polyline number when it is empty). A polyline corner or a
// colour index naming nothing that exists is skipped (the segments touching
// it are not drawn; a missing colour falls back to the emissive colour).
// Draws nothing without a rasterizer, a Coordinate node or points in view.
void drawPointGeometry(Scene& scene, const RenderRecord& record);

}  // namespace render
