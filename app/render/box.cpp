#include "render/box.h"

#include <cmath>
#include <string>

#include "lang/format.h"

namespace vx {

namespace {

// The corner lines that carry the labels, in world terms: for each axis, whether
// the edge lies at the maximum of each of the other two axes.
struct LabelLine {
  bool atMaximum[3];  // per other axis (the entry of the labelled axis unused)
};
constexpr LabelLine kStandardLabels[3] = {
    {{false, false, false}},  // x: y minimum, z minimum
    {{true, false, false}},   // y: x maximum, z minimum
    {{true, true, false}},    // z: x maximum, y maximum
};
constexpr LabelLine kTextbookLabels[3] = {
    {{false, true, false}},   // x: y maximum, z minimum
    {{true, false, false}},   // y: x maximum, z minimum
    {{false, true, false}},   // z: x minimum, y maximum
};

constexpr char kAxisLetters[] = "xyz";

void boxPoint(const RenderContext& ctx, const double world[3], ProjectedPoint& out) {
  float frame[3];
  for (int i = 0; i < 3; ++i) frame[i] = ctx.frame.map(i, world[i]);
  projectPoint(ctx.view, frame, out);
}

void edgeEnds(const RenderContext& ctx, const BoxEdge& edge, const double minimum[3], const double maximum[3],
              ProjectedPoint& low, ProjectedPoint& high) {
  double a[3] = {edge.fixed[0], edge.fixed[1], edge.fixed[2]};
  double b[3] = {edge.fixed[0], edge.fixed[1], edge.fixed[2]};
  a[edge.axis] = minimum[edge.axis];
  b[edge.axis] = maximum[edge.axis];
  boxPoint(ctx, a, low);
  boxPoint(ctx, b, high);
}

// Puts a text outside the box next to an anchor point, `outward` being the unit
// direction away from the box on the screen.
void placeText(RenderContext& ctx, const TextPainter& text, int size, double x, double y, const double outward[2],
               const std::string& s, PixelColor color) {
  int width = 0, height = 0;
  text.measure(text.context, s.data(), int(s.size()), size, &width, &height);
  const double gap = size * 0.5 + std::fabs(outward[0]) * width * 0.5 + std::fabs(outward[1]) * height * 0.5;
  const double cx = x + outward[0] * gap, cy = y + outward[1] * gap;
  const long left = std::lrint(cx - width * 0.5), top = std::lrint(cy - height * 0.5);
  if (std::labs(left) > 1 << 20 || std::labs(top) > 1 << 20) return;
  text.draw(text.context, *ctx.fb, int(left), int(top), s.data(), int(s.size()), size, color);
}

// The letter goes beside the middle of the edge, away from the box; each end
// value goes beyond its end of the edge, so that labels of edges that meet at a
// corner do not cover each other.
void drawLabel(RenderContext& ctx, const BoxEdge& edge, const ProjectedPoint& low, const ProjectedPoint& high,
               const TextPainter& text, int size) {
  if ((low.code | high.code) & (kBehindViewer | kInvalidPoint)) return;
  ProjectedPoint centre;
  const float origin[3] = {0, 0, 0};
  projectPoint(ctx.view, origin, centre);
  if (centre.code & (kBehindViewer | kInvalidPoint)) return;
  const double mx = (double(low.x) + high.x) / 2, my = (double(low.y) + high.y) / 2;
  double along[2] = {double(high.x) - low.x, double(high.y) - low.y};
  double out[2] = {mx - centre.x, my - centre.y};
  double length = std::hypot(along[0], along[1]);
  if (length >= 1) {
    along[0] /= length;
    along[1] /= length;
    out[0] = -along[1];
    out[1] = along[0];
    if (out[0] * (mx - centre.x) + out[1] * (my - centre.y) < 0) {
      out[0] = -out[0];
      out[1] = -out[1];
    }
  } else {  // seen end-on: everything away from the box centre
    double l = std::hypot(out[0], out[1]);
    if (l < 1) out[0] = 0, out[1] = 1, l = 1;
    out[0] /= l;
    out[1] /= l;
    along[0] = out[0];
    along[1] = out[1];
  }
  const double before[2] = {-along[0], -along[1]};
  const PixelColor color = ctx.boxColor;
  const AxisGrid& axis = ctx.job->axes[edge.axis];
  placeText(ctx, text, size, mx, my, out, std::string(1, kAxisLetters[edge.axis]), color);
  placeText(ctx, text, size, low.x, low.y, before, FormatNumber(axis.boxMinimum), color);
  placeText(ctx, text, size, high.x, high.y, along, FormatNumber(axis.boxMaximum), color);
}

}  // namespace

int labelPixelSize(int pixelsPerInch) { return (pixelsPerInch * 6 + 36) / 72; }

int boxPassEdges(const RenderContext& ctx, BoxPass pass, const double minimum[3], const double maximum[3],
                 BoxEdge out[6]) {
  const WalkOrder& order = ctx.order;
  const int outer = order.axis[kOuter], middle = order.axis[kMiddle], inner = order.axis[kInner];
  auto endOf = [&](int axis, bool far) {
    return order.fromMaximum[axis] == far ? maximum[axis] : minimum[axis];
  };
  const bool far = pass == BoxPass::Far;
  int n = 0;
  auto add = [&](int along, int a, double va, int b, double vb) {
    BoxEdge& e = out[n++];
    e.axis = along;
    e.fixed[0] = e.fixed[1] = e.fixed[2] = 0;
    e.fixed[a] = va;
    e.fixed[b] = vb;
  };
  auto face = [&] {
    const double o = endOf(outer, far);
    for (bool end : {true, false}) add(middle, outer, o, inner, endOf(inner, end));
    for (bool end : {true, false}) add(inner, outer, o, middle, endOf(middle, end));
  };
  auto sides = [&] {
    const double i = endOf(inner, far);
    for (bool end : {true, false}) add(outer, inner, i, middle, endOf(middle, end));
  };
  if (far) {
    face();
    sides();
  } else {
    sides();
    face();
  }
  return n;
}

bool isLabelEdge(const RenderJob& job, const BoxEdge& edge) {
  const LabelLine& line = (job.viewPreset() == kTextbookView ? kTextbookLabels : kStandardLabels)[edge.axis];
  for (int i = 0; i < 3; ++i) {
    if (i == edge.axis) continue;
    const double want = line.atMaximum[i] ? job.axes[i].boxMaximum : job.axes[i].boxMinimum;
    if (edge.fixed[i] != want) return false;
  }
  return true;
}

void drawBoxPass(RenderContext& ctx, BoxPass pass, const TextPainter* text, int labelSize) {
  const RenderJob& job = *ctx.job;
  double boxMin[3], boxMax[3], sampleMin[3], sampleMax[3];
  bool sliced = false;
  for (int i = 0; i < 3; ++i) {
    boxMin[i] = job.axes[i].boxMinimum;
    boxMax[i] = job.axes[i].boxMaximum;
    sampleMin[i] = job.axes[i].samplingMinimum;
    sampleMax[i] = job.axes[i].samplingMaximum;
    sliced = sliced || sampleMin[i] != boxMin[i] || sampleMax[i] != boxMax[i];
  }
  BoxEdge edges[6];
  const int n = boxPassEdges(ctx, pass, boxMin, boxMax, edges);
  for (int k = 0; k < n; ++k) {
    ProjectedPoint low, high;
    edgeEnds(ctx, edges[k], boxMin, boxMax, low, high);
    drawLine(ctx.target, low, high, ctx.boxColor);
    if (text && text->draw && text->measure && isLabelEdge(job, edges[k])) {
      drawLabel(ctx, edges[k], low, high, *text, labelSize);
    }
  }
  if (!sliced) return;
  const int m = boxPassEdges(ctx, pass, sampleMin, sampleMax, edges);
  for (int k = 0; k < m; ++k) {
    ProjectedPoint low, high;
    edgeEnds(ctx, edges[k], sampleMin, sampleMax, low, high);
    drawLine(ctx.target, low, high, ctx.boxColor);
  }
}

}  // namespace vx
