#pragma once
// The records of one redraw, shared by the grid walk, the surfaces, the box, the
// parametric forms and the vector fields: the box-frame mapping, the walk order,
// the view transform, the colour state, the drawing target and the vertex pool.
#include <cstdint>

#include "base/host.h"
#include "render/colors.h"
#include "render/raster.h"
#include "render/renderjob.h"
#include "render/vertexpool.h"
#include "render/view.h"

namespace vx {

// Box frame: every axis maps to +-proportion x zoom x K around the box centre
// (K = 0.09 with perspective, 0.09 / 11 without).
inline constexpr double kBoxFrameScale = 0.09;
inline constexpr double kParallelShrink = 11;

struct BoxFrame {
  double centre[3] = {0, 0, 0};
  double scale[3] = {1, 1, 1};

  float map(int axis, double coordinate) const {
    return static_cast<float>(scale[axis] * (coordinate - centre[axis]));
  }
};

void buildBoxFrame(const RenderJob& job, float zoom, BoxFrame& out);

// The order of the grid walk: the axis most aligned with the line of sight is the
// outer (slab) axis, the least aligned the inner one. Each axis is walked from its
// far end to its near end.
enum WalkRole : int { kInner = 0, kMiddle = 1, kOuter = 2 };

struct WalkOrder {
  int axis[3] = {2, 1, 0};           // world axis (0 x, 1 y, 2 z) of each role
  bool fromMaximum[3] = {};          // per world axis: the walk starts at the maximum
  std::uint8_t parity = 0;           // 0x00 or 0xFF, XORed into every cell's case index
};

WalkOrder walkOrderFor(const float depthRow[3]);

// A surface polygon as the cell step produces it: three to six vertices and the
// two side colours (pixels).
struct SurfacePolygon {
  const EdgeVertex* vertices[6];
  int count;
  PixelColor first, second;
  const GraphItem* item;
  // The vertices turn counter-clockwise (right-hand rule in x, y, z) around the
  // normal of the first side; true when that side faces the grid points where the
  // condition fails: an inequality's false side, or where an equation's right
  // side is below its left.
  bool firstOutside;
};

// Where surface polygons go. The renderer's own sink fills them (and draws their
// outlines when the mesh is on); tests capture them instead.
struct PolygonSink {
  void* context = nullptr;
  void (*emit)(void* context, const SurfacePolygon& polygon) = nullptr;
};

// Where a parametric surface's quadrilaterals go instead of the picture (mesh
// export). A quadrilateral joins the samples (i, j-1), (i+1, j-1), (i+1, j) and
// (i, j) along u and v; `corner` holds their graph coordinates, null where the
// form is undefined. A form that is a curve or a point is reported whole.
struct ParametricSink {
  void* context = nullptr;
  void (*quad)(void* context, const GraphItem& item, int i, int j, const double* const corner[4],
               PixelColor color) = nullptr;
  void (*curve)(void* context, const GraphItem& item) = nullptr;
};

struct RenderContext {
  LangState* state = nullptr;
  const RenderJob* job = nullptr;
  FrameBuffer* fb = nullptr;
  VertexPool* vertices = nullptr;
  float zoom = 1;
  BoxFrame frame;
  WalkOrder order;
  ViewTransform view;
  ColorState colors;
  RasterTarget target;
  PolygonSink sink;
  const ParametricSink* parametricSink = nullptr;  // none: parametric forms are drawn
  // Grid step along each world axis in that axis' units (sampling range over
  // point count less one); the threshold of pole detection is twice this.
  double gridStep[3] = {0, 0, 0};
  // The sampling box in box-frame units: minimum and maximum per axis (the clip
  // bounds of parametric forms).
  float clipMinimum[3] = {0, 0, 0};
  float clipMaximum[3] = {0, 0, 0};
  PixelColor meshColor = 0;
  PixelColor boxColor = 0;
  Host* host = nullptr;  // asked for progress and cancel; none: the redraw runs to its end
};

// Tells the host that `done` of `total` steps of the graphs are drawn; false when
// it asks to stop.
inline bool reportProgress(const RenderContext& ctx, std::uint32_t done, std::uint32_t total) {
  return !ctx.host || ctx.host->progress(done, total);
}

// Projects a vertex whose box-frame coordinates are set.
inline void projectVertex(const RenderContext& ctx, EdgeVertex& v) { projectPoint(ctx.view, v.frame, v.view); }

}  // namespace vx
