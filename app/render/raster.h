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

// Fills pixels x0..x1 (inclusive) of one row.
using SpanFunction = void (*)(std::uint8_t* row, std::int32_t x0, std::int32_t x1, PixelColor color,
                              const ShadeTables* tables);

// The primitive set for one format, chosen once per frame buffer.
struct SpanFunctions {
  SpanFunction plain;
  SpanFunction blended;  // the plain one in 8-bit, where transparency has no effect
};
const SpanFunctions& spanFunctionsFor(PixelFormat format);

// What drawing needs for one redraw: the target, the colour rules and the view.
struct RasterTarget {
  FrameBuffer* fb = nullptr;
  const ColorState* colors = nullptr;
  const ViewTransform* view = nullptr;
  SpanFunction fill = nullptr;  // for polygons: blended when transparency applies
  SpanFunction line = nullptr;  // for lines: never blended
  bool steepness = false;       // colour by steepness recolours every polygon
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

// A one-pixel line between two projected points, clipped to the viewer's plane
// and the picture; flat colour, never blended.
void drawLine(const RasterTarget& target, const ProjectedPoint& a, const ProjectedPoint& b,
              PixelColor color);
// A line between two screen positions, clipped to the picture.
void drawScreenLine(const FrameBuffer& fb, SpanFunction fill, std::int32_t x0, std::int32_t y0,
                    std::int32_t x1, std::int32_t y1, PixelColor color);

}  // namespace vx
