// Parametric forms. The (u, v) rectangle is sampled row by row (one row per v
// value, u from its maximum to its minimum), neighbouring samples of two rows
// make quadrilaterals, and every triangle and mesh segment goes into one
// depth-sorted list for the whole redraw, drawn farthest first at the end.
//
// A form whose points do not change with v (or with u) would only make
// quadrilaterals without area. Such a form is drawn as a curve instead: a
// polyline through its samples in the graph's colour, sorted with the surfaces.
#include "render/parametric.h"

#include <cmath>
#include <cstring>

#include "base/host.h"
#include "base/memory.h"
#include "lang/lang.h"
#include "render/boxclip.h"
#include "render/cellscope.h"
#include "render/depthlist.h"

namespace vx {

namespace {

struct SamplePoint {
  double world[3];  // graph coordinates, for colour expressions
  ClipVertex vertex;
  std::uint8_t code;  // clip code; kClipUndefined for a hole
};

enum class Shape { Surface, CurveAlongU, CurveAlongV, Point };

// Where the shape probe samples each parameter range: both ends and two
// points that no symmetric or periodic form is likely to repeat.
constexpr double kProbeFractions[] = {0.0, 0.3819660112501051, 0.7236067977499790, 1.0};
constexpr int kProbeCount = sizeof kProbeFractions / sizeof kProbeFractions[0];
static_assert(kProbeCount == 4);

// The cells a colour expression reads: compiled once per redraw with all five varying.
constexpr CellId kColorCells[] = {kU, kV, kX, kY, kZ};

class ParametricDrawer final : public ClipTarget {
 public:
  ParametricDrawer(RenderContext& ctx, RedrawCells& cells, DepthList& list);
  ~ParametricDrawer() override;
  ParametricDrawer(const ParametricDrawer&) = delete;
  ParametricDrawer& operator=(const ParametricDrawer&) = delete;

  // Draws one form into the depth list; false when the host cancelled the redraw.
  bool draw(const GraphItem& item);

  void project(ClipVertex& v) override { projectPoint(ctx_.view, v.frame, v.view); }
  void triangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c) override {
    list_.addTriangle(a.view, b.view, c.view, clipFirst_, clipSecond_);
  }

 private:
  void prepareColoring();
  double uAt(int i) const;
  double vAt(int j) const;
  void sampleRow(const GraphItem& item, double v, const double* us, int count, SamplePoint* out);
  void setSample(const long double xyz[3], SamplePoint& out) const;
  bool samePoint(const SamplePoint& a, const SamplePoint& b) const;
  Shape probeShape(const GraphItem& item);

  bool drawSurface(const GraphItem& item);
  void drawCurve(const GraphItem& item, Shape shape);
  bool rowDone();
  void drawQuad(const SamplePoint* const corner[4], double uMean, double vMean);
  void emitQuad(const GraphItem& item, int i, int j, const SamplePoint* const corner[4], double uMean,
                double vMean);
  void drawTriangle(const SamplePoint& a, const SamplePoint& b, const SamplePoint& c, PixelColor color);
  void drawSegment(const SamplePoint& a, const SamplePoint& b, PixelColor color);
  void drawMesh(const SamplePoint* previous, const SamplePoint* current, int count);

  PixelColor colorOf(const SamplePoint* const* points, int count, double uMean, double vMean);
  PixelColor curveColor(const SamplePoint& a, const SamplePoint& b, double uMean, double vMean);
  PixelColor heightColor(const SamplePoint* const* points, int count) const;
  PixelColor expressionColor(const SamplePoint* const* points, int count, double uMean, double vMean);

  RenderContext& ctx_;
  LangState& state_;
  RedrawCells& cells_;
  const RenderJob& job_;
  DepthList& list_;
  ClipBox box_;
  double tolerance_ = 0;  // box-frame distance below which two samples are one point
  int nu_ = 0, nv_ = 0;
  std::size_t rowLength_ = 0;

  double* us_ = nullptr;
  SamplePoint* rows_[2] = {nullptr, nullptr};

  SurfaceColoring coloring_;
  double zTop_ = 0, zBottom_ = 0;

  PixelColor clipFirst_ = 0, clipSecond_ = 0;  // colours of the triangle being clipped

  // Progress in rows of v samples, over every form of the job.
  std::uint32_t rowsDone_ = 0, rowsTotal_ = 0;
};

ParametricDrawer::ParametricDrawer(RenderContext& ctx, RedrawCells& cells, DepthList& list)
    : ctx_(ctx), state_(*ctx.state), cells_(cells), job_(*ctx.job), list_(list) {
  double extent = 0;
  for (int axis = 0; axis < 3; ++axis) {
    const AxisGrid& grid = job_.axes[axis];
    // The same float rounding as the samples, so that a point on a face is inside.
    const double a = ctx_.frame.map(axis, grid.samplingMinimum);
    const double b = ctx_.frame.map(axis, grid.samplingMaximum);
    box_.low[axis] = a < b ? a : b;
    box_.high[axis] = a < b ? b : a;
    extent = std::fmax(extent, std::fmax(std::fabs(a), std::fabs(b)));
  }
  tolerance_ = extent * 1e-6;
  zTop_ = ctx_.frame.map(2, job_.axes[2].boxMaximum);
  zBottom_ = ctx_.frame.map(2, job_.axes[2].boxMinimum);

  nu_ = job_.stepsU > 0 ? job_.stepsU : 0;
  nv_ = job_.stepsV > 0 ? job_.stepsV : 0;
  // A row holds the u samples; a curve along v holds the v samples.
  rowLength_ = std::size_t(nu_ > nv_ ? nu_ : nv_) + 1;
  us_ = static_cast<double*>(state_.allocator.Allocate(rowLength_ * sizeof(double)));
  for (SamplePoint*& row : rows_)
    row = static_cast<SamplePoint*>(state_.allocator.Allocate(rowLength_ * sizeof(SamplePoint)));
  for (int i = 0; i <= nu_; ++i) us_[i] = uAt(i);
  prepareColoring();
  std::int64_t forms = 0;
  for (const GraphItem* item = job_.items; item; item = item->next) forms += item->parametric ? 1 : 0;
  rowsTotal_ = static_cast<std::uint32_t>(forms * (std::int64_t(nv_) + 1));
}

ParametricDrawer::~ParametricDrawer() {
  releaseSurfaceColoring(state_, coloring_);
  for (SamplePoint* row : rows_) state_.allocator.Release(row, rowLength_ * sizeof(SamplePoint));
  state_.allocator.Release(us_, rowLength_ * sizeof(double));
}

void ParametricDrawer::prepareColoring() {
  // The colour expression is compiled once: the five variables are set at each
  // quadrilateral's means.
  for (CellId id : kColorCells) cells_.setFlags(id, kVarying);
  prepareSurfaceColoring(state_, ctx_.colors, coloring_);
  for (CellId id : kColorCells) cells_.setFlags(id, 0);
}

// u from its maximum (i = 0) to its minimum (i = nu).
double ParametricDrawer::uAt(int i) const {
  const long double t = nu_ ? static_cast<long double>(i) / nu_ : 0;
  return static_cast<double>((1 - t) * job_.uMaximum + t * job_.uMinimum);
}

// v from its minimum (j = 0) to its maximum (j = nv).
double ParametricDrawer::vAt(int j) const {
  const long double t = nv_ ? static_cast<long double>(j) / nv_ : 0;
  return static_cast<double>(t * job_.vMaximum + (1 - t) * job_.vMinimum);
}

void ParametricDrawer::setSample(const long double xyz[3], SamplePoint& out) const {
  bool finite = true;
  for (int axis = 0; axis < 3; ++axis) {
    out.world[axis] = static_cast<double>(xyz[axis]);
    out.vertex.frame[axis] = ctx_.frame.map(axis, out.world[axis]);
    finite = finite && std::isfinite(out.vertex.frame[axis]);
  }
  // Infinite points cannot be cut at a face: they leave holes like undefined ones.
  if (!finite) {
    out.code = kClipUndefined;
    return;
  }
  out.code = clipCode(box_, out.vertex.frame[0], out.vertex.frame[1], out.vertex.frame[2]);
  // Points outside are projected too: their view coordinates give the normals
  // of the triangles that are cut at the box.
  projectPoint(ctx_.view, out.vertex.frame, out.vertex.view);
}

// One row of samples at parameter v: the form is folded with this v, u is read
// through the point pointer.
void ParametricDrawer::sampleRow(const GraphItem& item, double v, const double* us, int count, SamplePoint* out) {
  cells_.setFlags(kU, kInnerSweep | kVarying);
  cells_.setFlags(kV, 0);
  cells_.setValue(kV, v);
  ExprNode* folded = foldExpression(state_, item.tree, Form::Value);
  CompiledCode* code = compileExpression(state_, folded, Form::Value);
  for (int i = 0; i < count; ++i) {
    long double xyz[3];
    runTriple(code, &us[i], xyz);
    setSample(xyz, out[i]);
  }
  releaseCode(state_, code);
  releaseExpression(state_, folded);
}

bool ParametricDrawer::samePoint(const SamplePoint& a, const SamplePoint& b) const {
  const bool aHole = a.code == kClipUndefined, bHole = b.code == kClipUndefined;
  if (aHole || bHole) return aHole && bHole;
  for (int axis = 0; axis < 3; ++axis) {
    if (std::fabs(double(a.vertex.frame[axis]) - b.vertex.frame[axis]) > tolerance_) return false;
  }
  return true;
}

// Samples a 4 x 4 grid of (u, v) and tells whether the points change along u,
// along v, both or neither. A probe that is undefined everywhere proves
// nothing: the form is then treated as a surface.
Shape ParametricDrawer::probeShape(const GraphItem& item) {
  double us[kProbeCount];
  SamplePoint probe[kProbeCount][kProbeCount];  // [v][u]
  for (int k = 0; k < kProbeCount; ++k)
    us[k] = job_.uMaximum + kProbeFractions[k] * (job_.uMinimum - job_.uMaximum);
  bool anyDefined = false;
  for (int j = 0; j < kProbeCount; ++j) {
    const double v = job_.vMinimum + kProbeFractions[j] * (job_.vMaximum - job_.vMinimum);
    sampleRow(item, v, us, kProbeCount, probe[j]);
    for (const SamplePoint& p : probe[j]) anyDefined = anyDefined || p.code != kClipUndefined;
  }
  if (!anyDefined) return Shape::Surface;
  bool changesWithV = false, changesWithU = false;
  for (int a = 0; a < kProbeCount; ++a) {
    for (int b = 1; b < kProbeCount; ++b) {
      changesWithV = changesWithV || !samePoint(probe[0][a], probe[b][a]);
      changesWithU = changesWithU || !samePoint(probe[a][0], probe[a][b]);
    }
  }
  if (changesWithU && changesWithV) return Shape::Surface;
  if (changesWithU) return Shape::CurveAlongU;
  if (changesWithV) return Shape::CurveAlongV;
  return Shape::Point;
}

bool ParametricDrawer::draw(const GraphItem& item) {
  const Shape shape = probeShape(item);
  if (shape == Shape::Surface) return drawSurface(item);
  if (ctx_.parametricSink) ctx_.parametricSink->curve(ctx_.parametricSink->context, item);
  drawCurve(item, shape);
  // A curve is one row's work: its rows count as done together.
  rowsDone_ += static_cast<std::uint32_t>(nv_);
  return rowDone();
}

bool ParametricDrawer::rowDone() { return reportProgress(ctx_, ++rowsDone_, rowsTotal_); }

bool ParametricDrawer::drawSurface(const GraphItem& item) {
  SamplePoint* previous = rows_[0];
  SamplePoint* current = rows_[1];
  double vPrevious = 0;
  for (int j = 0; j <= nv_; ++j) {
    const double v = vAt(j);
    sampleRow(item, v, us_, nu_ + 1, current);
    if (job_.mesh() && !ctx_.parametricSink) drawMesh(j > 0 ? previous : nullptr, current, nu_ + 1);
    if (j > 0) {
      const double vMean = (vPrevious + v) * 0.5;
      for (int i = 0; i < nu_; ++i) {
        const SamplePoint* corner[4] = {&previous[i], &previous[i + 1], &current[i + 1], &current[i]};
        const double uMean = (us_[i] + us_[i + 1]) * 0.5;
        if (ctx_.parametricSink) {
          emitQuad(item, i, j, corner, uMean, vMean);
        } else {
          drawQuad(corner, uMean, vMean);
        }
      }
    }
    // The next row reuses the older row's storage.
    SamplePoint* older = previous;
    previous = current;
    current = older;
    vPrevious = v;
    if (!rowDone()) return false;
  }
  return true;
}

// The quadrilateral rule: two triangles; where a corner is undefined, the
// triangle of the other three; nothing when two or more are undefined or all
// four lie beyond the same face.
void ParametricDrawer::drawQuad(const SamplePoint* const corner[4], double uMean, double vMean) {
  if (corner[0]->code & corner[1]->code & corner[2]->code & corner[3]->code) return;
  const SamplePoint* defined[4];
  int count = 0;
  for (int k = 0; k < 4; ++k) {
    if (corner[k]->code != kClipUndefined) defined[count++] = corner[k];
  }
  if (count < 3) return;
  const PixelColor color = colorOf(defined, count, uMean, vMean);
  drawTriangle(*defined[0], *defined[1], *defined[2], color);
  if (count == 4) drawTriangle(*defined[0], *defined[2], *defined[3], color);
}

// The quadrilateral with its colour as drawQuad sees it, in graph coordinates
// and unclipped, for the parametric sink.
void ParametricDrawer::emitQuad(const GraphItem& item, int i, int j, const SamplePoint* const corner[4],
                                double uMean, double vMean) {
  const SamplePoint* defined[4];
  const double* world[4];
  int count = 0;
  for (int k = 0; k < 4; ++k) {
    const bool hole = corner[k]->code == kClipUndefined;
    world[k] = hole ? nullptr : corner[k]->world;
    if (!hole) defined[count++] = corner[k];
  }
  if (count < 3) return;
  const PixelColor color = colorOf(defined, count, uMean, vMean);
  ctx_.parametricSink->quad(ctx_.parametricSink->context, item, i, j, world, color);
}

void ParametricDrawer::drawTriangle(const SamplePoint& a, const SamplePoint& b, const SamplePoint& c,
                                    PixelColor color) {
  if (a.code & b.code & c.code) return;
  PixelColor first = color, second = color;
  if (ctx_.target.steepness || ctx_.colors.lit) {
    const float* frame[3] = {a.vertex.frame, b.vertex.frame, c.vertex.frame};
    const ProjectedPoint* view[3] = {&a.vertex.view, &b.vertex.view, &c.vertex.view};
    applyPolygonColorRules(ctx_.target, frame, view, first, second);
  }
  if ((a.code | b.code | c.code) == 0) {
    list_.addTriangle(a.vertex.view, b.vertex.view, c.vertex.view, first, second);
    return;
  }
  clipFirst_ = first;
  clipSecond_ = second;
  clipTriangleToBox(box_, a.vertex, b.vertex, c.vertex, *this);
}

void ParametricDrawer::drawSegment(const SamplePoint& a, const SamplePoint& b, PixelColor color) {
  if ((a.code | b.code) & kClipUndefined) return;
  if (a.code & b.code) return;
  if ((a.code | b.code) == 0) {
    list_.addSegment(a.vertex.view, b.vertex.view, color);
    return;
  }
  ClipVertex p = a.vertex, q = b.vertex;
  if (clipSegmentToBox(box_, p, q, *this)) list_.addSegment(p.view, q.view, color);
}

// Mesh lines: each point to its neighbour along the row and to the same point
// of the previous row.
void ParametricDrawer::drawMesh(const SamplePoint* previous, const SamplePoint* current, int count) {
  for (int i = 0; i < count; ++i) {
    if (i + 1 < count) drawSegment(current[i], current[i + 1], ctx_.meshColor);
    if (previous) drawSegment(previous[i], current[i], ctx_.meshColor);
  }
}

void ParametricDrawer::drawCurve(const GraphItem& item, Shape shape) {
  SamplePoint* points = rows_[0];
  int count;
  double* vs = nullptr;
  if (shape == Shape::CurveAlongV) {
    // One point per v value, at the first u sample.
    count = nv_ + 1;
    vs = static_cast<double*>(state_.allocator.Allocate(count * sizeof(double)));
    for (int j = 0; j < count; ++j) {
      vs[j] = vAt(j);
      sampleRow(item, vs[j], us_, 1, &points[j]);
    }
  } else {
    count = shape == Shape::Point ? 1 : nu_ + 1;
    sampleRow(item, vAt(0), us_, count, points);
  }
  const double vFixed = vAt(0);
  if (count == 1) drawSegment(points[0], points[0], curveColor(points[0], points[0], us_[0], vFixed));
  for (int k = 0; k + 1 < count; ++k) {
    const double uMean = vs ? us_[0] : (us_[k] + us_[k + 1]) * 0.5;
    const double vMean = vs ? (vs[k] + vs[k + 1]) * 0.5 : vFixed;
    const SamplePoint &a = points[k], &b = points[k + 1];
    if ((a.code | b.code) & kClipUndefined) continue;
    drawSegment(a, b, curveColor(a, b, uMean, vMean));
  }
  if (vs) state_.allocator.Release(vs, count * sizeof(double));
}

PixelColor ParametricDrawer::colorOf(const SamplePoint* const* points, int count, double uMean, double vMean) {
  switch (coloring_.kind) {
    case SurfaceColoring::Height:
      return heightColor(points, count);
    case SurfaceColoring::Expression:
      return expressionColor(points, count, uMean, vMean);
    case SurfaceColoring::Fixed:
      break;
  }
  return coloring_.fixed;
}

// A curve takes the colour of its segments like a surface takes that of its
// quadrilaterals; by steepness a level segment is blue and an upright one red,
// as a level or upright surface would be.
PixelColor ParametricDrawer::curveColor(const SamplePoint& a, const SamplePoint& b, double uMean, double vMean) {
  if (ctx_.colors.surfaceMode == kModeBySteepness) {
    const double d[3] = {double(b.vertex.frame[0]) - a.vertex.frame[0], double(b.vertex.frame[1]) - a.vertex.frame[1],
                         double(b.vertex.frame[2]) - a.vertex.frame[2]};
    const double length2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    // The normal of the steepest plane through the segment has nz² = 1 − dz²/|d|².
    const double nz2 = length2 > 0 ? 1 - d[2] * d[2] / length2 : 1;
    return pixelForIndex(ctx_.colors, steepnessColorIndex(0, std::sqrt(1 - nz2), std::sqrt(nz2)));
  }
  const SamplePoint* ends[2] = {&a, &b};
  return colorOf(ends, 2, uMean, vMean);
}

// By height: the mean box-frame z of the corners, each corner beyond a z face
// counted at that face, on the wheel from red at the top of the box to blue at
// its bottom.
PixelColor ParametricDrawer::heightColor(const SamplePoint* const* points, int count) const {
  double sum = 0;
  for (int k = 0; k < count; ++k) {
    double z = points[k]->vertex.frame[2];
    if (z < box_.low[2]) z = box_.low[2];
    if (z > box_.high[2]) z = box_.high[2];
    sum += z;
  }
  const double u = (zTop_ - sum / count) / (zTop_ - zBottom_);
  const double k = std::nearbyint(114 * u);
  int index = kIndexMiddleGreen;
  if (k >= 0) index = kIndexHeightTop + static_cast<int>(k > 114 ? 114 : k);
  return pixelForIndex(ctx_.colors, index);
}

// By expression: x, y, z at the mean of the corners, u and v at the means of
// their parameters. The values the redraw started with are put back at once:
// the forms fold x, y and z as the constants they were.
PixelColor ParametricDrawer::expressionColor(const SamplePoint* const* points, int count, double uMean,
                                             double vMean) {
  static constexpr CellId kWorld[3] = {kX, kY, kZ};
  for (int axis = 0; axis < 3; ++axis) {
    double sum = 0;
    for (int k = 0; k < count; ++k) sum += points[k]->world[axis];
    cells_.setValue(kWorld[axis], sum / count);
  }
  cells_.setValue(kU, uMean);
  cells_.setValue(kV, vMean);
  const long double value = runValue(coloring_.code, &uMean);
  cells_.restoreValues();
  return pixelForIndex(ctx_.colors, expressionColorIndex(value));
}

}  // namespace

Status drawParametricItems(RenderContext& ctx) {
  LangState& state = *ctx.state;
  DepthList list(state.allocator);
  {
    RedrawCells cells(state);
    // The job bounds the meshes of all forms together, so every form is drawn.
    ParametricDrawer drawer(ctx, cells, list);
    for (const GraphItem* item = ctx.job->items; item; item = item->next) {
      // The language allows no other items here. A cancelled redraw leaves the
      // list undrawn; its destructor gives the records back.
      if (item->parametric && !drawer.draw(*item)) return kCancelled;
    }
  }
  list.drain([&](const DepthRecord& r) {
    const DepthPrimitive& p = r.primitive();
    if (r.kind == DepthKind::Triangle) {
      fillTriangle(ctx.target, p.vertex[0], p.vertex[1], p.vertex[2], p.color[0], p.color[1]);
    } else {
      drawLine(ctx.target, p.vertex[0], p.vertex[1], p.color[0]);
    }
  });
  return kOk;
}

}  // namespace vx
