#include "render/raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/vertexpool.h"

namespace vx {

namespace {

// --- Pixel writers ------------------------------------------------------------

struct Plain8 {
  using Pixel = std::uint8_t;
  static void span(std::uint8_t* row, std::int32_t x0, std::int32_t x1, PixelColor color, const ShadeTables*) {
    std::memset(row + x0, static_cast<int>(color & 0xFF), static_cast<std::size_t>(x1 - x0 + 1));
  }
  static void pixel(std::uint8_t* row, std::int32_t x, PixelColor color) { row[x] = static_cast<std::uint8_t>(color); }
};

struct Plain32 {
  using Pixel = std::uint32_t;
  static void span(std::uint8_t* row, std::int32_t x0, std::int32_t x1, PixelColor color, const ShadeTables*) {
    // Four pixels per store; the last store may overlap the one before it.
    std::uint8_t* p = row + 4 * x0;
    const std::int32_t n = x1 - x0 + 1;
    if (n < 4) {
      // One to three pixels without a branch on the count: first, middle, last.
      std::uint32_t* q = reinterpret_cast<std::uint32_t*>(p);
      q[0] = color;
      q[(n - 1) >> 1] = color;
      q[n - 1] = color;
      return;
    }
    const std::uint32_t four[4] = {color, color, color, color};
    std::uint8_t* const last = p + 4 * (n - 4);
    for (; p < last; p += 16) std::memcpy(p, four, 16);
    std::memcpy(last, four, 16);
  }
  static void pixel(std::uint8_t* row, std::int32_t x, PixelColor color) {
    reinterpret_cast<std::uint32_t*>(row)[x] = color;
  }
};

// Each channel becomes B[polygon channel] + A[channel already there].
struct Blend32 {
  static void span(std::uint8_t* row, std::int32_t x0, std::int32_t x1, PixelColor color, const ShadeTables* t) {
    const std::uint32_t r = t->cover[(color >> 16) & 0xFF], g = t->cover[(color >> 8) & 0xFF],
                        b = t->cover[color & 0xFF];
    std::uint8_t* p = row + 4 * x0;
    for (std::int32_t x = x0; x <= x1; ++x, p += 4) {
      p[0] = static_cast<std::uint8_t>(b + t->keep[p[0]]);
      p[1] = static_cast<std::uint8_t>(g + t->keep[p[1]]);
      p[2] = static_cast<std::uint8_t>(r + t->keep[p[2]]);
    }
  }
};

// --- Triangles ---------------------------------------------------------------

// Edge positions are 32.32 fixed point; vertices lie on pixel centres. Triangles
// that share an edge step it identically (from its upper end). Two rules decide
// which pixels a triangle takes:
// - Opaque fills take every pixel whose centre lies inside or on the triangle
//   (within 2^-16 of a pixel), all rows from the top vertex to the bottom one
//   inclusive. Neighbours overlap on their common edge, so even edges that do
//   not match exactly (cuts made separately for two triangles) leave no gap.
// - Blending fills take a pixel when its centre lies inside or on the left or
//   top edge: rows from the top vertex to the row above the bottom one, each
//   from ceil(left) to ceil(right) - 1. Triangles sharing an edge then cover
//   every pixel along it exactly once, and no pixel is blended twice.
constexpr std::int64_t kOne = std::int64_t(1) << 32;
constexpr std::int64_t kTolerance = std::int64_t(1) << 16;

struct Inclusive {
  static constexpr std::int32_t kBottomRows = 0;  // rows left out at the bottom
  static std::int32_t first(std::int64_t x) { return static_cast<std::int32_t>((x - kTolerance + kOne - 1) >> 32); }
  static std::int32_t last(std::int64_t x) { return static_cast<std::int32_t>((x + kTolerance) >> 32); }
};

struct TopLeft {
  static constexpr std::int32_t kBottomRows = 1;
  static std::int32_t first(std::int64_t x) { return static_cast<std::int32_t>((x + kOne - 1) >> 32); }
  static std::int32_t last(std::int64_t x) { return static_cast<std::int32_t>((x + kOne - 1) >> 32) - 1; }
};

// `condition ? ifTrue : ifFalse` for integers, computed with a mask: the
// conditions of small triangles and lines (which side, which direction) are
// coin tosses that a branch would mispredict half the time.
template <class T>
T pick(bool condition, T ifTrue, T ifFalse) {
  const T mask = static_cast<T>(-static_cast<T>(condition));
  return static_cast<T>(ifFalse ^ ((ifTrue ^ ifFalse) & mask));
}

struct EdgeStep {
  std::int64_t x;     // at the first row of the edge
  std::int64_t step;  // per row
};

// The step is rounded from a double quotient, far cheaper than a 64-bit integer
// division; for an edge within the picture its error over all rows stays below
// 2^-24 of a pixel.
EdgeStep edgeFrom(std::int32_t xa, std::int32_t ya, std::int32_t xb, std::int32_t yb) {
  const double dx = double(xb) - xa, dy = double(yb) - ya;
  const double q = dx * double(kOne) / dy;
  // Half away from zero: q + 0.5 with the sign of q (a zero of either sign gives 0).
  return {std::int64_t(xa) * kOne, static_cast<std::int64_t>(q + std::copysign(0.5, q))};
}

struct ScreenPoint {
  std::int32_t x, y;
};

// Fills rows first..last between two stepped edges; `left` is known to be the
// left one, so a row costs two shifts, two limits and the fill. (Arithmetic
// shifts of signed values round towards minus infinity.)
template <class Writer, class Rule>
inline void fillRows(const FrameBuffer& fb, const ShadeTables* tables, std::int32_t first, std::int32_t last,
                     std::int64_t left, std::int64_t leftStep, std::int64_t right, std::int64_t rightStep,
                     PixelColor color) {
  const std::int32_t minX = fb.picture.left, maxX = fb.picture.right;
  for (std::int32_t y = first; y <= last; ++y, left += leftStep, right += rightStep) {
    std::int32_t x0 = Rule::first(left), x1 = Rule::last(right);
    if (x0 < minX) x0 = minX;
    if (x1 > maxX) x1 = maxX;
    if (x0 <= x1) Writer::span(fb.rows[y], x0, x1, color, tables);
  }
}

// Puts the upper of two points (the smaller row) first, keeping their order when
// the rows are equal; selects rather than a branch, which the rows of small
// triangles would mispredict.
inline void orderByRow(ScreenPoint& p, ScreenPoint& q) {
  const bool exchange = p.y > q.y;
  const ScreenPoint upper{pick(exchange, q.x, p.x), pick(exchange, q.y, p.y)};
  const ScreenPoint lower{pick(exchange, p.x, q.x), pick(exchange, p.y, q.y)};
  p = upper;
  q = lower;
}

// Scan-converts a triangle of screen positions with one colour: rows from the top
// vertex down, the two active edges stepped per row.
template <class Writer, class Rule>
void scanTriangle(const FrameBuffer& fb, const ShadeTables* tables, const std::int32_t xy[6], PixelColor color) {
  ScreenPoint a{xy[0], xy[1]}, b{xy[2], xy[3]}, c{xy[4], xy[5]};
  orderByRow(a, b);
  orderByRow(b, c);
  orderByRow(a, b);
  const std::int32_t top = fb.picture.top, bottom = fb.picture.bottom;
  const std::int32_t lastRow = c.y - Rule::kBottomRows;
  if (lastRow < top || a.y > bottom || lastRow < a.y) return;
  if (a.y == c.y) {  // a single row (only the inclusive rule gets here)
    const std::int32_t lo = std::min({a.x, b.x, c.x}), hi = std::max({a.x, b.x, c.x});
    fillRows<Writer, Rule>(fb, tables, a.y, a.y, lo * kOne, 0, hi * kOne, 0, color);
    return;
  }
  const EdgeStep longEdge = edgeFrom(a.x, a.y, c.x, c.y);
  // The middle vertex lies right of the long edge when this is positive.
  const std::int64_t side = (std::int64_t(b.x) - a.x) * (std::int64_t(c.y) - a.y) -
                            (std::int64_t(b.y) - a.y) * (std::int64_t(c.x) - a.x);
  const bool longOnLeft = side > 0;
  // The sides are picked by selects: which side the long edge is on is a coin toss.
  auto rows = [&](std::int32_t first, std::int32_t last, std::int64_t xl, std::int64_t stepL, std::int64_t xs,
                  std::int64_t stepS) {
    const std::int64_t left = pick(longOnLeft, xl, xs), leftStep = pick(longOnLeft, stepL, stepS);
    const std::int64_t right = pick(longOnLeft, xs, xl), rightStep = pick(longOnLeft, stepS, stepL);
    fillRows<Writer, Rule>(fb, tables, first, last, left, leftStep, right, rightStep, color);
  };
  // Upper part: rows a.y .. b.y - 1 between the long edge and a-b.
  const std::int32_t upperFirst = std::max(a.y, top), upperLast = std::min({b.y - 1, lastRow, bottom});
  if (upperFirst <= upperLast) {
    const EdgeStep shortEdge = edgeFrom(a.x, a.y, b.x, b.y);
    rows(upperFirst, upperLast, longEdge.x + (upperFirst - a.y) * longEdge.step, longEdge.step,
         shortEdge.x + (upperFirst - a.y) * shortEdge.step, shortEdge.step);
  }
  // Lower part: rows b.y .. the last row between the long edge and b-c (a flat
  // bottom b-c is one row between b and c).
  const std::int32_t lowerFirst = std::max(b.y, top), lowerLast = std::min(lastRow, bottom);
  if (lowerFirst <= lowerLast) {
    const std::int64_t xl = longEdge.x + (lowerFirst - a.y) * longEdge.step;
    if (b.y == c.y) {
      rows(lowerFirst, lowerLast, xl, 0, b.x * kOne, 0);
    } else {
      const EdgeStep shortEdge = edgeFrom(b.x, b.y, c.x, c.y);
      rows(lowerFirst, lowerLast, xl, longEdge.step, shortEdge.x + (lowerFirst - b.y) * shortEdge.step, shortEdge.step);
    }
  }
}

// --- Lines -------------------------------------------------------------------

constexpr std::int64_t kHalf = std::int64_t(1) << 31;

// A line with both ends inside the picture, the mesh's usual case: no clipping,
// and the direction chosen by masks rather than branches, so that a pixel is
// one store at base + u x (its stride) + minor x (the other stride), rows being
// base + y x stride apart.
template <class Pixel>
void unclippedLine(const FrameBuffer& fb, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                   PixelColor color) {
  const bool rowMajor = std::abs(x1 - x0) >= std::abs(y1 - y0);
  const std::int32_t a0 = pick(rowMajor, x0, y0), a1 = pick(rowMajor, x1, y1);
  const std::int32_t b0 = pick(rowMajor, y0, x0), b1 = pick(rowMajor, y1, x1);
  const bool reversed = a0 > a1;
  const std::int32_t u0 = pick(reversed, a1, a0), u1 = pick(reversed, a0, a1);
  const std::int32_t w0 = pick(reversed, b1, b0), w1 = pick(reversed, b0, b1);
  const std::int64_t step = u1 == u0 ? 0 : edgeFrom(w0, u0, w1, u1).step;
  const std::ptrdiff_t pixelBytes = sizeof(Pixel);
  const std::ptrdiff_t uStride = pick(rowMajor, pixelBytes, fb.stride), wStride = pick(rowMajor, fb.stride, pixelBytes);
  std::uint8_t* p = fb.base + u0 * uStride;
  std::int64_t w = std::int64_t(w0) * kOne + kHalf;
  for (std::int32_t n = u1 - u0; n >= 0; --n, p += uStride, w += step)
    *reinterpret_cast<Pixel*>(p + (w >> 32) * wStride) = static_cast<Pixel>(color);
}

// Steps along the major direction, one pixel per step; the minor coordinate
// advances by a 32.32 slope. A line inside the picture is drawn unclipped; one
// with an end outside the picture is first narrowed to the stretch of
// the major axis where it can be inside; its pixels stay those of the whole line.
template <class Writer>
void drawLineOf(const FrameBuffer& fb, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                PixelColor color) {
  const PictureRect& r = fb.picture;
  if (r.right < r.left || r.bottom < r.top) return;
  const std::uint8_t codes0 = screenEdgeCode(r, x0, y0), codes1 = screenEdgeCode(r, x1, y1);
  if (codes0 & codes1) return;
  if (!(codes0 | codes1)) {
    unclippedLine<typename Writer::Pixel>(fb, x0, y0, x1, y1, color);
    return;
  }
  const bool rowMajor = std::llabs(std::int64_t(x1) - x0) >= std::llabs(std::int64_t(y1) - y0);
  std::int32_t u0 = rowMajor ? x0 : y0, u1 = rowMajor ? x1 : y1;
  std::int32_t w0 = rowMajor ? y0 : x0, w1 = rowMajor ? y1 : x1;
  if (u0 > u1) {
    std::swap(u0, u1);
    std::swap(w0, w1);
  }
  const std::int64_t step = u1 == u0 ? 0 : edgeFrom(w0, u0, w1, u1).step;
  const std::int32_t wLow = rowMajor ? r.top : r.left, wHigh = rowMajor ? r.bottom : r.right;
  std::int64_t first = std::max<std::int64_t>(u0, rowMajor ? r.left : r.top);
  std::int64_t last = std::min<std::int64_t>(u1, rowMajor ? r.right : r.bottom);
  if (step != 0) {
    const double slope = double(step) / double(kOne);
    double a = u0 + (wLow - 1 - w0) / slope, b = u0 + (wHigh + 1 - w0) / slope;
    if (a > b) std::swap(a, b);
    first = std::max<std::int64_t>(first, static_cast<std::int64_t>(std::max(a, -4e9)) - 1);
    last = std::min<std::int64_t>(last, static_cast<std::int64_t>(std::min(b, 4e9)) + 1);
  }
  std::int64_t w = std::int64_t(w0) * kOne + kHalf + (first - u0) * step;
  std::uint8_t* const* rows = fb.rows;
  if (rowMajor) {
    // One pixel per column, on the row the minor coordinate has reached.
    for (std::int64_t u = first; u <= last; ++u, w += step) {
      const std::int32_t minor = static_cast<std::int32_t>(w >> 32);
      if (minor < wLow || minor > wHigh) continue;
      Writer::pixel(rows[minor], static_cast<std::int32_t>(u), color);
    }
    return;
  }
  // One pixel per row.
  for (std::int64_t u = first; u <= last; ++u, w += step) {
    const std::int32_t minor = static_cast<std::int32_t>(w >> 32);
    if (minor < wLow || minor > wHigh) continue;
    Writer::pixel(rows[u], minor, color);
  }
}

constexpr RasterPrimitives kPrimitives8 = {scanTriangle<Plain8, Inclusive>, scanTriangle<Plain8, Inclusive>,
                                           drawLineOf<Plain8>};
constexpr RasterPrimitives kPrimitives32 = {scanTriangle<Plain32, Inclusive>, scanTriangle<Blend32, TopLeft>,
                                            drawLineOf<Plain32>};

// Twice the signed screen area; negative is counter-clockwise in the right-handed
// view frame (screen y grows downwards).
std::int64_t screenArea(const ScreenPoint* p, int n) {
  std::int64_t sum = 0;
  for (int i = 0; i < n; ++i) {
    const ScreenPoint &u = p[i], &v = p[(i + 1) % n];
    sum += std::int64_t(u.x) * v.y - std::int64_t(v.x) * u.y;
  }
  return sum;
}

// Keeps the part of a polygon in view coordinates at depth >= 0.
int clipToViewerPlane(const ProjectedPoint* in, int n, ProjectedPoint* out) {
  int m = 0;
  for (int i = 0; i < n; ++i) {
    const ProjectedPoint &p = in[i], &q = in[(i + 1) % n];
    const bool pIn = p.depth >= 0, qIn = q.depth >= 0;
    if (pIn) out[m++] = p;
    if (pIn != qIn) {
      const double t = double(p.depth) / (double(p.depth) - double(q.depth));
      ProjectedPoint r{};
      r.across = static_cast<float>(p.across + t * (double(q.across) - p.across));
      r.up = static_cast<float>(p.up + t * (double(q.up) - p.up));
      r.depth = 0;
      out[m++] = r;
    }
  }
  return m;
}

PixelColor sideColor(std::int64_t area, PixelColor first, PixelColor second) {
  return area < 0 ? first : second;
}

}  // namespace

const RasterPrimitives& rasterPrimitivesFor(PixelFormat format) {
  return format == PixelFormat::Rgb32 ? kPrimitives32 : kPrimitives8;
}

void prepareRasterTarget(FrameBuffer& fb, const ColorState& colors, const ViewTransform& view,
                         RasterTarget& out) {
  const RasterPrimitives& primitives = rasterPrimitivesFor(fb.format);
  out.fb = &fb;
  out.colors = &colors;
  out.view = &view;
  out.triangle = colors.blended && fb.truecolor() ? primitives.blendedTriangle : primitives.plainTriangle;
  out.line = primitives.line;
  out.steepness = colors.surfaceMode == kModeBySteepness;
}

void fillTriangle(const RasterTarget& target, const ProjectedPoint& a, const ProjectedPoint& b,
                  const ProjectedPoint& c, PixelColor first, PixelColor second) {
  if (a.code & b.code & c.code) return;  // wholly off one side, or wholly behind the viewer
  if ((a.code | b.code | c.code) & kInvalidPoint) return;
  const FrameBuffer& fb = *target.fb;
  const ShadeTables* tables = &target.colors->shades;
  if (!((a.code | b.code | c.code) & kBehindViewer)) {
    const ScreenPoint p[3] = {{a.x, a.y}, {b.x, b.y}, {c.x, c.y}};
    const PixelColor color = sideColor(screenArea(p, 3), first, second);
    const std::int32_t xy[6] = {a.x, a.y, b.x, b.y, c.x, c.y};
    if (target.triangle == kPrimitives32.plainTriangle) {
      scanTriangle<Plain32, Inclusive>(fb, tables, xy, color);  // the usual case, called directly
    } else {
      target.triangle(fb, tables, xy, color);
    }
    return;
  }
  // Part of the triangle lies behind the viewer: keep the part in front.
  const ProjectedPoint in[3] = {a, b, c};
  ProjectedPoint clipped[4];
  const int n = clipToViewerPlane(in, 3, clipped);
  if (n < 3) return;
  ScreenPoint p[4];
  for (int i = 0; i < n; ++i) {
    projectViewPoint(*target.view, clipped[i]);
    p[i] = {clipped[i].x, clipped[i].y};
  }
  const PixelColor color = sideColor(screenArea(p, n), first, second);
  for (int i = 1; i + 1 < n; ++i) {
    const std::int32_t xy[6] = {p[0].x, p[0].y, p[i].x, p[i].y, p[i + 1].x, p[i + 1].y};
    target.triangle(fb, tables, xy, color);
  }
}

void applyPolygonColorRules(const RasterTarget& target, const float* const frame[3],
                            const ProjectedPoint* const view[3], PixelColor& first, PixelColor& second) {
  const ColorState& colors = *target.colors;
  if (target.steepness) {
    const long double ux = frame[1][0] - frame[0][0], uy = frame[1][1] - frame[0][1],
                      uz = frame[1][2] - frame[0][2];
    const long double vx = frame[2][0] - frame[0][0], vy = frame[2][1] - frame[0][1],
                      vz = frame[2][2] - frame[0][2];
    const int index = steepnessColorIndex(uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx);
    first = second = pixelForIndex(colors, index);
  }
  if (!colors.lit) return;
  const ViewTransform& t = *target.view;
  double p[3][3];
  for (int i = 0; i < 3; ++i) {
    p[i][0] = view[i]->across / t.scaleX;
    p[i][1] = view[i]->depth;
    p[i][2] = view[i]->up / t.scaleY;
  }
  const double u[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
  const double v[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
  double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
  double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(length > 0)) length = 1;
  for (double& c : n) c /= length;
  if (n[1] >= 0) {
    for (double& c : n) c = -c;  // turn the normal towards the viewer
  }
  const float na = static_cast<float>(n[0]), nd = static_cast<float>(n[1]), nu = static_cast<float>(n[2]);
  // Both sides take the same light; an equation's sides have one colour.
  const PolygonLight light = polygonLight(colors, na, nd, nu);
  const bool oneColor = first == second;
  first = lightColor(colors, first, light);
  second = oneColor ? first : lightColor(colors, second, light);
}

namespace {

bool samePoint(const EdgeVertex* a, const EdgeVertex* b) {
  return a->frame[0] == b->frame[0] && a->frame[1] == b->frame[1] && a->frame[2] == b->frame[2];
}

}  // namespace

void fillPolygon(const RasterTarget& target, const EdgeVertex* const* v, int count, PixelColor first,
                 PixelColor second) {
  if (count < 3) return;
  if (target.steepness || target.colors->lit) {
    // Three distinct vertices give the polygon's normal; fewer leave it zero.
    const EdgeVertex* pick[3] = {v[0], v[1], v[2]};
    int found = 1;
    for (int i = 1; i < count && found < 3; ++i) {
      bool distinct = true;
      for (int k = 0; k < found; ++k) distinct = distinct && !samePoint(v[i], pick[k]);
      if (distinct) pick[found++] = v[i];
    }
    for (; found < 3; ++found) pick[found] = pick[0];
    const float* frame[3] = {pick[0]->frame, pick[1]->frame, pick[2]->frame};
    const ProjectedPoint* view[3] = {&pick[0]->view, &pick[1]->view, &pick[2]->view};
    applyPolygonColorRules(target, frame, view, first, second);
  }
  for (int i = 1; i + 1 < count; ++i) fillTriangle(target, v[0]->view, v[i]->view, v[i + 1]->view, first, second);
}

void drawScreenLine(const FrameBuffer& fb, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                    PixelColor color) {
  rasterPrimitivesFor(fb.format).line(fb, x0, y0, x1, y1, color);
}

bool visibleLineEnds(const ViewTransform& view, const ProjectedPoint& a, const ProjectedPoint& b,
                     ProjectedPoint& p, ProjectedPoint& q) {
  if ((a.code & b.code) || ((a.code | b.code) & kInvalidPoint)) return false;
  p = a;
  q = b;
  if (!((a.code | b.code) & kBehindViewer)) return true;
  const ProjectedPoint& behind = a.depth < 0 ? a : b;
  const ProjectedPoint& front = a.depth < 0 ? b : a;
  const double t = double(front.depth) / (double(front.depth) - double(behind.depth));
  ProjectedPoint cut{};
  cut.across = static_cast<float>(front.across + t * (double(behind.across) - front.across));
  cut.up = static_cast<float>(front.up + t * (double(behind.up) - front.up));
  cut.depth = 0;
  projectViewPoint(view, cut);
  (a.depth < 0 ? p : q) = cut;
  return true;
}

void drawLine(const RasterTarget& target, const ProjectedPoint& a, const ProjectedPoint& b,
              PixelColor color) {
  // Mesh lines mostly lie wholly in front of the viewer: no cut, no copies.
  if (!((a.code | b.code) & (kBehindViewer | kInvalidPoint))) {
    if ((a.code | b.code) == 0) {
      if (target.fb->truecolor()) {
        unclippedLine<std::uint32_t>(*target.fb, a.x, a.y, b.x, b.y, color);
      } else {
        unclippedLine<std::uint8_t>(*target.fb, a.x, a.y, b.x, b.y, color);
      }
    } else if (!(a.code & b.code)) {
      target.line(*target.fb, a.x, a.y, b.x, b.y, color);
    }
    return;
  }
  ProjectedPoint p, q;
  if (visibleLineEnds(*target.view, a, b, p, q)) target.line(*target.fb, p.x, p.y, q.x, q.y, color);
}

}  // namespace vx
