#include "render/render.h"

#include <cmath>

#include "base/fpu.h"
#include "render/parametric.h"
#include "render/surface.h"

namespace vx {

void buildBoxFrame(const RenderJob& job, float zoom, BoxFrame& out) {
  const long double k = job.perspective() ? kBoxFrameScale : kBoxFrameScale / kParallelShrink;
  for (int i = 0; i < 3; ++i) {
    const AxisGrid& axis = job.axes[i];
    const long double centre = axis.boxMaximum * 0.5L + axis.boxMinimum * 0.5L;
    const long double half = axis.boxMaximum * 0.5L - axis.boxMinimum * 0.5L;
    out.centre[i] = static_cast<double>(centre);
    out.scale[i] = static_cast<double>(std::fabs(axis.proportion * zoom * k) / half);
  }
}

WalkOrder walkOrderFor(const float depthRow[3]) {
  WalkOrder order;
  // Sort x, y, z by the size of their depth component, largest first; every
  // exchange turns the cell's axes into a mirror image, and so does walking an
  // axis in its negative direction.
  int axes[3] = {0, 1, 2};
  bool odd = false;
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i + 1 < 3 - pass; ++i) {
      if (std::fabs(depthRow[axes[i]]) < std::fabs(depthRow[axes[i + 1]])) {
        std::swap(axes[i], axes[i + 1]);
        odd = !odd;
      }
    }
  }
  for (int i = 0; i < 3; ++i) {
    if (depthRow[i] < 0) odd = !odd;
    order.fromMaximum[i] = depthRow[i] >= 0;
  }
  order.axis[kOuter] = axes[0];
  order.axis[kMiddle] = axes[1];
  order.axis[kInner] = axes[2];
  order.parity = odd ? 0xFF : 0x00;
  return order;
}

void prepareRenderContext(Renderer& renderer, LangState& state, const RenderJob& job, const ViewRecord& view,
                          float zoom, FrameBuffer& fb, RenderContext& ctx) {
  ctx.state = &state;
  ctx.job = &job;
  ctx.fb = &fb;
  ctx.vertices = &renderer.vertices;
  if (!(zoom >= kZoomMinimum)) zoom = zoom > 0 ? kZoomMinimum : 1;
  if (zoom > kZoomMaximum) zoom = kZoomMaximum;
  ctx.zoom = zoom;
  buildBoxFrame(job, zoom, ctx.frame);
  buildViewTransform(view, fb.picture, job.perspective(), ctx.view);
  ctx.order = walkOrderFor(ctx.view.depth);
  prepareColorState(state, *renderer.colorTable, fb.truecolor(), ctx.colors);
  prepareRasterTarget(fb, ctx.colors, ctx.view, ctx.target);
  ctx.sink = drawingPolygonSink(ctx);
  for (int i = 0; i < 3; ++i) {
    const AxisGrid& axis = job.axes[i];
    ctx.gridStep[i] = std::fabs(axis.samplingMaximum - axis.samplingMinimum) / (axis.count - 1);
    const float a = ctx.frame.map(i, axis.samplingMinimum), b = ctx.frame.map(i, axis.samplingMaximum);
    ctx.clipMinimum[i] = a < b ? a : b;
    ctx.clipMaximum[i] = a < b ? b : a;
  }
  ctx.meshColor = meshPixel(ctx.colors);
  ctx.boxColor = boxLinePixel(ctx.colors);
}

Status renderPicture(Renderer& renderer, LangState& state, const RenderJob& job, const ViewRecord& view,
                     float zoom, FrameBuffer& fb, const RenderOptions& options) {
  reassertFloatingPointMode();
  RenderContext ctx;
  prepareRenderContext(renderer, state, job, view, zoom, fb, ctx);
  if (options.sink) ctx.sink = *options.sink;
  ctx.host = options.host;
  if (options.clear) clearPicture(fb, backgroundPixel(ctx.colors));
  const int labelSize = labelPixelSize(renderer.pixelsPerInch);
  if (job.box()) drawBoxPass(ctx, BoxPass::Far, renderer.text, labelSize);
  const Status status = job.parametric() ? drawParametricItems(ctx) : walkGrid(ctx, options.walk);
  if (status != kOk) return status;
  if (job.box()) drawBoxPass(ctx, BoxPass::Near, renderer.text, labelSize);
  return kOk;
}

}  // namespace vx
