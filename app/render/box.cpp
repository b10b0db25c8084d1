#include "render/box.h"

#include <cmath>
#include <cstdlib>
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

// ---- Label placement -----------------------------------------------------------
//
// Each of the nine texts (per axis its letter and its two end values) has a
// preferred place: the letter beside the middle of its edge, away from the box;
// each value beyond its end of the edge. Where that place would touch a box edge
// or a text placed before it (at a corner where two labelled edges meet, or where
// another edge passes under a corner, whatever the view), the text turns about
// its anchor and moves out step by step to the nearest free place.

// Blank pixels kept between a text's box and any line or other text. Line pixels
// lie within half a pixel of the exact segment.
constexpr int kTextGap = 2;
constexpr double kLineClearance = kTextGap + 1;
constexpr int kTurnSteps = 8;      // turns of pi/8 each way
// cos and sin of k pi/8, k = 0..8: plain products turn the preferred direction,
// so that placement needs no library function that might round differently
// in another build.
constexpr double kTurn[kTurnSteps + 1][2] = {
    {1, 0},
    {0.92387953251128674, 0.38268343236508977},
    {0.70710678118654757, 0.70710678118654757},
    {0.38268343236508977, 0.92387953251128674},
    {0, 1},
    {-0.38268343236508977, 0.92387953251128674},
    {-0.70710678118654757, 0.70710678118654757},
    {-0.92387953251128674, 0.38268343236508977},
    {-1, 0},
};
constexpr int kDistanceSteps = 8;  // moves of half the label size outward

struct ScreenSegment {
  double x0, y0, x1, y1;
};

struct TextBox {
  long left, top, right, bottom;  // inclusive pixel bounds
};

// Whether the segment passes through the rectangle (Liang-Barsky).
bool crosses(const ScreenSegment& s, double left, double top, double right, double bottom) {
  const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {s.x0 - left, right - s.x0, s.y0 - top, bottom - s.y0};
  double t0 = 0, t1 = 1;
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      if (t > t1) return false;
      if (t > t0) t0 = t;
    } else {
      if (t < t0) return false;
      if (t < t1) t1 = t;
    }
  }
  return t0 <= t1;
}

class LabelPlacer {
 public:
  LabelPlacer(const TextPainter& text, int size, double centreX, double centreY)
      : text_(text), size_(size), centreX_(centreX), centreY_(centreY) {}

  void addLine(const ScreenSegment& s) {
    if (lineCount_ < kMaxLines) lines_[lineCount_++] = s;
  }

  // Places `label` near (x, y), preferring the direction `preferred` (a unit
  // vector). An anchor far off the picture leaves the label out.
  void place(double x, double y, const double preferred[2], const std::string& label, BoxLabel& out) {
    int width = 0, height = 0;
    text_.measure(text_.context, label.data(), int(label.size()), size_, &width, &height);
    const double away[2] = {x - centreX_, y - centreY_};
    bool found = false;
    double bestCost = 0;
    TextBox best{};
    for (int step = 0; step < kDistanceSteps; ++step) {
      for (int turn = -kTurnSteps + 1; turn <= kTurnSteps; ++turn) {
        const double cosTurn = kTurn[std::abs(turn)][0], sinTurn = turn < 0 ? -kTurn[-turn][1] : kTurn[turn][1];
        const double d[2] = {preferred[0] * cosTurn - preferred[1] * sinTurn,
                             preferred[0] * sinTurn + preferred[1] * cosTurn};
        // Turning towards the box puts the text over the graphs: the last resort.
        const double cost = std::abs(turn) + 1.5 * step + (d[0] * away[0] + d[1] * away[1] < 0 ? 6 : 0);
        if (found && cost >= bestCost) continue;
        TextBox box;
        if (!boxAt(x, y, d, step, width, height, box)) return;
        if (step == 0 && turn == 0 && !found) best = box;  // kept if nowhere is free
        if (!isFree(box)) continue;
        found = true;
        bestCost = cost;
        best = box;
      }
    }
    out.shown = true;
    out.left = int(best.left);
    out.top = int(best.top);
    out.text = label;
    if (boxCount_ < kMaxBoxes) boxes_[boxCount_++] = best;
  }

 private:
  static constexpr int kMaxLines = 24;
  static constexpr int kMaxBoxes = 9;

  // The box of a text whose near side lies half the label size plus `step`
  // halves beyond (x, y) in direction d; false when that is far off the picture.
  bool boxAt(double x, double y, const double d[2], int step, int width, int height, TextBox& out) const {
    const double gap = size_ * 0.5 * (1 + step) + std::fabs(d[0]) * width * 0.5 + std::fabs(d[1]) * height * 0.5;
    const double left = std::nearbyint(x + d[0] * gap - width * 0.5), top = std::nearbyint(y + d[1] * gap - height * 0.5);
    if (!(std::fabs(left) <= 1 << 20 && std::fabs(top) <= 1 << 20)) return false;
    out = {long(left), long(top), long(left) + width - 1, long(top) + height - 1};
    return true;
  }

  bool isFree(const TextBox& b) const {
    for (int i = 0; i < lineCount_; ++i) {
      if (crosses(lines_[i], b.left - kLineClearance, b.top - kLineClearance, b.right + kLineClearance,
                  b.bottom + kLineClearance))
        return false;
    }
    for (int i = 0; i < boxCount_; ++i) {
      const TextBox& o = boxes_[i];
      if (b.left <= o.right + kTextGap && o.left <= b.right + kTextGap && b.top <= o.bottom + kTextGap &&
          o.top <= b.bottom + kTextGap)
        return false;
    }
    return true;
  }

  const TextPainter& text_;
  int size_;
  double centreX_, centreY_;
  ScreenSegment lines_[kMaxLines];
  int lineCount_ = 0;
  TextBox boxes_[kMaxBoxes];
  int boxCount_ = 0;
};

// The labelled edge of `axis` (box range).
BoxEdge labelEdgeOf(const RenderJob& job, int axis) {
  const LabelLine& line = (job.viewPreset() == kTextbookView ? kTextbookLabels : kStandardLabels)[axis];
  BoxEdge e{axis, {0, 0, 0}};
  for (int i = 0; i < 3; ++i) {
    if (i != axis) e.fixed[i] = line.atMaximum[i] ? job.axes[i].boxMaximum : job.axes[i].boxMinimum;
  }
  return e;
}

// Every line the two passes draw, as obstacles for the labels.
void addBoxLines(const RenderContext& ctx, LabelPlacer& placer) {
  const RenderJob& job = *ctx.job;
  double boxMin[3], boxMax[3], sampleMin[3], sampleMax[3];
  for (int i = 0; i < 3; ++i) {
    boxMin[i] = job.axes[i].boxMinimum;
    boxMax[i] = job.axes[i].boxMaximum;
    sampleMin[i] = job.axes[i].samplingMinimum;
    sampleMax[i] = job.axes[i].samplingMaximum;
  }
  for (BoxPass pass : {BoxPass::Far, BoxPass::Near}) {
    for (int range = 0; range < 2; ++range) {
      const double* lo = range ? sampleMin : boxMin;
      const double* hi = range ? sampleMax : boxMax;
      BoxEdge edges[6];
      const int n = boxPassEdges(ctx, pass, lo, hi, edges);
      for (int k = 0; k < n; ++k) {
        ProjectedPoint a, b;
        edgeEnds(ctx, edges[k], lo, hi, a, b);
        ProjectedPoint p, q;
        if (visibleLineEnds(ctx.view, a, b, p, q)) placer.addLine({double(p.x), double(p.y), double(q.x), double(q.y)});
      }
    }
  }
}

// The letter and the two end values of one labelled edge, placed by `placer`.
struct EdgeAnchors {
  bool usable = false;
  double mid[2], low[2], high[2];
  double along[2];  // from the low end to the high end
  double out[2];    // away from the box, across the edge
};

EdgeAnchors anchorsOf(const RenderContext& ctx, const BoxEdge& edge, const ProjectedPoint& centre) {
  EdgeAnchors a;
  double lo[3], hi[3];
  for (int i = 0; i < 3; ++i) {
    lo[i] = ctx.job->axes[i].boxMinimum;
    hi[i] = ctx.job->axes[i].boxMaximum;
  }
  ProjectedPoint low, high;
  edgeEnds(ctx, edge, lo, hi, low, high);
  if ((low.code | high.code) & (kBehindViewer | kInvalidPoint)) return a;
  a.usable = true;
  a.low[0] = low.x, a.low[1] = low.y;
  a.high[0] = high.x, a.high[1] = high.y;
  a.mid[0] = (double(low.x) + high.x) / 2, a.mid[1] = (double(low.y) + high.y) / 2;
  double along[2] = {double(high.x) - low.x, double(high.y) - low.y};
  double out[2] = {a.mid[0] - centre.x, a.mid[1] - centre.y};
  const double length = std::sqrt(along[0] * along[0] + along[1] * along[1]);
  if (length >= 1) {
    along[0] /= length;
    along[1] /= length;
    out[0] = -along[1];
    out[1] = along[0];
    if (out[0] * (a.mid[0] - centre.x) + out[1] * (a.mid[1] - centre.y) < 0) {
      out[0] = -out[0];
      out[1] = -out[1];
    }
  } else {  // seen end-on: everything away from the box centre
    double l = std::sqrt(out[0] * out[0] + out[1] * out[1]);
    if (l < 1) out[0] = 0, out[1] = 1, l = 1;
    out[0] /= l;
    out[1] /= l;
    along[0] = out[0];
    along[1] = out[1];
  }
  a.along[0] = along[0], a.along[1] = along[1];
  a.out[0] = out[0], a.out[1] = out[1];
  return a;
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

void layOutBoxLabels(const RenderContext& ctx, const TextPainter& text, int size, BoxLabelLayout& out) {
  out = BoxLabelLayout{};
  ProjectedPoint centre;
  const float origin[3] = {0, 0, 0};
  projectPoint(ctx.view, origin, centre);
  if (centre.code & (kBehindViewer | kInvalidPoint)) return;
  LabelPlacer placer(text, size, centre.x, centre.y);
  addBoxLines(ctx, placer);
  EdgeAnchors anchors[3];
  for (int axis = 0; axis < 3; ++axis) anchors[axis] = anchorsOf(ctx, labelEdgeOf(*ctx.job, axis), centre);
  // The end values first: they sit at the corners, where texts meet.
  for (int axis = 0; axis < 3; ++axis) {
    const EdgeAnchors& a = anchors[axis];
    if (!a.usable) continue;
    const AxisGrid& grid = ctx.job->axes[axis];
    const double before[2] = {-a.along[0], -a.along[1]};
    placer.place(a.low[0], a.low[1], before, FormatNumber(grid.boxMinimum), out.labels[axis][1]);
    placer.place(a.high[0], a.high[1], a.along, FormatNumber(grid.boxMaximum), out.labels[axis][2]);
  }
  for (int axis = 0; axis < 3; ++axis) {
    const EdgeAnchors& a = anchors[axis];
    if (a.usable) placer.place(a.mid[0], a.mid[1], a.out, std::string(1, kAxisLetters[axis]), out.labels[axis][0]);
  }
}

bool isLabelEdge(const RenderJob& job, const BoxEdge& edge) {
  const BoxEdge line = labelEdgeOf(job, edge.axis);
  for (int i = 0; i < 3; ++i) {
    if (i != edge.axis && edge.fixed[i] != line.fixed[i]) return false;
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
  const bool labelled = text && text->draw && text->measure;
  BoxLabelLayout layout;
  if (labelled) layOutBoxLabels(ctx, *text, labelSize, layout);
  BoxEdge edges[6];
  const int n = boxPassEdges(ctx, pass, boxMin, boxMax, edges);
  for (int k = 0; k < n; ++k) {
    ProjectedPoint low, high;
    edgeEnds(ctx, edges[k], boxMin, boxMax, low, high);
    drawLine(ctx.target, low, high, ctx.boxColor);
    if (!labelled || !isLabelEdge(job, edges[k])) continue;
    for (const BoxLabel& label : layout.labels[edges[k].axis]) {
      if (!label.shown) continue;
      text->draw(text->context, *ctx.fb, label.left, label.top, label.text.data(), int(label.text.size()), labelSize,
                 ctx.boxColor);
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
