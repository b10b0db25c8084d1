// Vector fields: at every grid point the three components, evaluated there,
// make an arrow in the graph's own coordinates, placed by the alignment option,
// cut to the box grown by one grid step, coloured by the vector colour mode and
// drawn at once, in the walk's far-to-near order.
#include "render/vectorfield.h"

#include <cmath>

#include "lang/lang.h"
#include "render/arrow.h"

namespace vx {

namespace {

// Barb length in box-frame units at the default perspective: 0.02 divided by
// the resolution (an eleventh of that without perspective, like the box frame).
constexpr double kArrowheadScale = 0.02;

enum VectorColorMode : int {
  kVectorByHeight = kVectorModeBase + 0,
  kVectorBySteepness = kVectorModeBase + 1,
  kVectorByExpression = kVectorModeBase + 2,
};

// The clip range of the arrows: the sampling range grown by one grid step on
// each side of each axis (the arrows of the outermost points may reach out of
// the box by that much).
void grownBox(const RenderContext& ctx, double low[3], double high[3]) {
  for (int axis = 0; axis < 3; ++axis) {
    const AxisGrid& grid = ctx.job->axes[axis];
    const double a = grid.samplingMinimum, b = grid.samplingMaximum;
    const double step = std::fabs(ctx.gridStep[axis]);
    low[axis] = (a < b ? a : b) - step;
    high[axis] = (a < b ? b : a) + step;
  }
}

PixelColor arrowColor(RenderContext& ctx, const VectorRun& run, const ArrowSegment& arrow, const double* point,
                      const double zLow, const double zHigh) {
  switch (ctx.colors.vectorMode) {
    case kVectorByHeight:
      return pixelForIndex(ctx.colors, arrowHeightColor(arrow.head[2], zLow, zHigh));
    case kVectorBySteepness: {
      const double v[3] = {arrow.head[0] - arrow.tail[0], arrow.head[1] - arrow.tail[1],
                           arrow.head[2] - arrow.tail[2]};
      return pixelForIndex(ctx.colors, arrowSteepnessColor(v));
    }
    case kVectorByExpression:
      if (!run.colorCode) return pixelForIndex(ctx.colors, kIndexMiddleGreen);
      return pixelForIndex(ctx.colors, expressionColorIndex(runValue(run.colorCode, point)));
    default:
      return run.solidColor;
  }
}

void projectWorld(const RenderContext& ctx, const double world[3], float frame[3], ProjectedPoint& out) {
  for (int axis = 0; axis < 3; ++axis) frame[axis] = ctx.frame.map(axis, world[axis]);
  projectPoint(ctx.view, frame, out);
}

}  // namespace

void beginVectorRun(RenderContext& ctx, VectorRun& run) {
  LangState& state = *ctx.state;
  const RenderJob& job = *ctx.job;
  run.alignment = static_cast<int>(vectorAlignFromOption(state.value(kVectorAlign)));
  run.arrowhead = state.value(kVectorArrowhead) != 0;
  const double resolution = job.resolution >= 2 ? job.resolution : 2;  // undefined counts as 2
  run.arrowheadSize = kArrowheadScale / resolution / (job.perspective() ? 1 : kParallelShrink);
  const int mode = ctx.colors.vectorMode;
  if (mode == kVectorByExpression && state.vectorColorExpression) {
    // The walk has flagged the coordinate cells: the colour reads them as the
    // component code does, at the grid point.
    run.colorTree = foldExpression(state, state.vectorColorExpression, Form::Value);
    run.colorCode = compileExpression(state, run.colorTree, Form::Value);
  }
  run.solidColor = pixelForIndex(ctx.colors, solidColorIndex(mode - (kVectorModeBase - kSurfaceModeBase)));
  grownBox(ctx, run.clipLow, run.clipHigh);
  run.clipOrder[0] = ctx.order.axis[kOuter];
  run.clipOrder[1] = ctx.order.axis[kMiddle];
  run.clipOrder[2] = ctx.order.axis[kInner];
}

void drawVectorAtGridPoint(RenderContext& ctx, VectorRun& run, const double* point, const double world[3]) {
  long double components[3];
  runTriple(run.components, point, components);
  double vector[3];
  for (int axis = 0; axis < 3; ++axis) {
    vector[axis] = static_cast<double>(components[axis]);
    // An undefined component removes the arrow; so does an infinite one, which
    // has no end to cut at the box.
    if (!std::isfinite(vector[axis])) return;
  }
  ArrowSegment arrow = placeArrow(world, vector, static_cast<VectorAlign>(run.alignment));
  if (!clipArrow(arrow, run.clipLow, run.clipHigh, run.clipOrder)) return;

  const PixelColor color = arrowColor(ctx, run, arrow, point, run.clipLow[2], run.clipHigh[2]);
  float tailFrame[3], headFrame[3];
  ProjectedPoint tail, head;
  projectWorld(ctx, arrow.tail, tailFrame, tail);
  projectWorld(ctx, arrow.head, headFrame, head);
  drawLine(ctx.target, tail, head, color);
  if (!run.arrowhead || arrow.headCut) return;

  float direction[3];
  for (int axis = 0; axis < 3; ++axis) direction[axis] = static_cast<float>(ctx.frame.scale[axis] * vector[axis]);
  float barbFrame[2][3];
  if (!arrowBarbs(headFrame, direction, static_cast<float>(run.arrowheadSize), barbFrame[0], barbFrame[1])) return;
  for (const float* barb : barbFrame) {
    ProjectedPoint end;
    projectPoint(ctx.view, barb, end);
    drawLine(ctx.target, head, end, color);
  }
}

void endVectorRun(RenderContext& ctx, VectorRun& run) {
  if (run.colorCode) releaseCode(*ctx.state, run.colorCode);
  if (run.colorTree) releaseExpression(*ctx.state, run.colorTree);
  run.colorCode = nullptr;
  run.colorTree = nullptr;
}

}  // namespace vx
