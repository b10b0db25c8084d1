#pragma once
// The software rasteriser: flat-coloured triangles and polygons with a colour per
// side, one-pixel lines, clipping to the picture and to the viewer's plane, and
// transparency through lookup tables. There is no depth buffer: whatever is drawn
// later covers what was drawn before.
#include <cstdint>

#include "render/colors.h"
#include "render/framebuffer.h"
#include "render/view.h"

namespace vx {

struct EdgeVertex;

// The primitive set of one pixel format, chosen once per frame buffer: a triangle
// scanner (plain or blending) and the line drawer. A scanner takes the three
// screen positions as x0, y0, x1, y1, x2, y2.
using TriangleScanner = void (*)(const FrameBuffer& fb, const ShadeTables* tables, const std::int32_t xy[6],
                                 PixelColor color);
using LineDrawer = void (*)(const FrameBuffer& fb, std::int32_t x0, std::int32_t y0, std::int32_t x1,
                            std::int32_t y1, PixelColor color);
struct RasterPrimitives {
  TriangleScanner plainTriangle;
  TriangleScanner blendedTriangle;  // the plain one in 8-bit, where transparency has no effect
  LineDrawer line;
};
const RasterPrimitives& rasterPrimitivesFor(PixelFormat format);

// What drawing needs for one redraw: the target, the colour rules and the view.
struct RasterTarget {
  FrameBuffer* fb = nullptr;
  const ColorState* colors = nullptr;
  const ViewTransform* view = nullptr;
  TriangleScanner triangle = nullptr;  // blending when transparency applies
  LineDrawer line = nullptr;           // lines are never blended
  bool steepness = false;              // colour by steepness recolours every polygon
};

void prepareRasterTarget(FrameBuffer& fb, const ColorState& colors, const ViewTransform& view,
                         RasterTarget& out);

// A triangle in projected points with its two side colours (pixels). The side the
// viewer sees is decided by the winding on the screen: counter-clockwise in the
// right-handed (across, depth, up) frame shows the first side.
void fillTriangle(const RasterTarget& target, const ProjectedPoint& a, const ProjectedPoint& b,
                  const ProjectedPoint& c, PixelColor first, PixelColor second);

// A polygon of three or more vertices, drawn as a fan from its first vertex. The
// colour rules (steepness, shading, highlight) are applied once for the polygon.
void fillPolygon(const RasterTarget& target, const EdgeVertex* const* vertices, int count,
                 PixelColor first, PixelColor second);

// Applies the per-polygon colour rules to a side-colour pair; `frame` and `view`
// each give three distinct points of the polygon (box-frame and view coordinates).
void applyPolygonColorRules(const RasterTarget& target, const float* const frame[3],
                            const ProjectedPoint* const view[3], PixelColor& first, PixelColor& second);

// The screen ends of the line between two projected points: the part in front of
// the viewer, its end behind cut at the viewer's plane. False when no part of it
// can be drawn.
bool visibleLineEnds(const ViewTransform& view, const ProjectedPoint& a, const ProjectedPoint& b,
                     ProjectedPoint& p, ProjectedPoint& q);
// A one-pixel line between two projected points, clipped to the viewer's plane
// and the picture; flat colour, never blended.
void drawLine(const RasterTarget& target, const ProjectedPoint& a, const ProjectedPoint& b,
              PixelColor color);
// A line between two screen positions, clipped to the picture (the format's line drawer).
void drawScreenLine(const FrameBuffer& fb, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                    PixelColor color);

}  // namespace vx
