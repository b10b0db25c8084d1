#pragma once
// Clipping of parametric triangles and segments to the box. Parametric points
// may lie anywhere; what leaves the box is cut away at the box faces before it
// is drawn. The cut runs in six stages, one per face, in the order x minimum,
// x maximum, y minimum, y maximum, z minimum, z maximum; each stage keeps the
// part of its input on the inner side of its face and hands one or two
// triangles (or the shortened segment) to the next.
#include <cstdint>

#include "render/view.h"

namespace vx {

// A vertex of the clipping stages: box-frame coordinates and their projection.
struct ClipVertex {
  float frame[3];
  ProjectedPoint view;
};

// The six face bounds in box-frame units: the current sampling ranges (which
// the scroll bar may narrow) mapped with the box's centre and scale.
struct ClipBox {
  double low[3] = {0, 0, 0};   // x, y, z minimum faces
  double high[3] = {0, 0, 0};  // x, y, z maximum faces
};

// Clip codes of a sample point.
inline constexpr std::uint8_t kClipXBelow = 0x01;
inline constexpr std::uint8_t kClipXAbove = 0x02;
inline constexpr std::uint8_t kClipYBelow = 0x04;
inline constexpr std::uint8_t kClipYAbove = 0x08;
inline constexpr std::uint8_t kClipZBelow = 0x10;
inline constexpr std::uint8_t kClipZAbove = 0x20;
inline constexpr std::uint8_t kClipUndefined = 0x40;

// The clip code of a box-frame point: one bit per face it lies outside of, or
// kClipUndefined when a coordinate is NaN. Points on a face are inside.
std::uint8_t clipCode(const ClipBox& box, float x, float y, float z);

// What the stages need from the renderer: the projection of the vertices they
// make on the faces, and where the surviving triangles go.
class ClipTarget {
 public:
  virtual ~ClipTarget() = default;
  // Fills the transformed and projected fields from the box-frame coordinates.
  virtual void project(ClipVertex& vertex) = 0;
  virtual void triangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c) = 0;
};

// Cuts the triangle abc (box-frame coordinates; vertices inside the box already
// projected) to the box and hands the pieces, with abc's winding, to `target`.
void clipTriangleToBox(const ClipBox& box, const ClipVertex& a, const ClipVertex& b,
                       const ClipVertex& c, ClipTarget& target);

// Cuts the segment ab to the box in place; false when nothing of it is inside.
bool clipSegmentToBox(const ClipBox& box, ClipVertex& a, ClipVertex& b, ClipTarget& target);

}  // namespace vx
