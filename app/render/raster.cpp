#include "render/raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/vertexpool.h"

namespace vx {

namespace {

// --- Spans -------------------------------------------------------------------

void fillSpan8(std::uint8_t* row, std::int32_t x0, std::int32_t x1, PixelColor color, const ShadeTables*) {
  std::memset(row + x0, static_cast<int>(color & 0xFF), static_cast<std::size_t>(x1 - x0 + 1));
}

void fillSpan32(std::uint8_t* row, std::int32_t x0, std::int32_t x1, PixelColor color, const ShadeTables*) {
  auto* p = reinterpret_cast<std::uint32_t*>(row);
  std::fill(p + x0, p + x1 + 1, color);
}

// Each channel becomes B[polygon channel] + A[channel already there].
void blendSpan32(std::uint8_t* row, std::int32_t x0, std::int32_t x1, PixelColor color,
                 const ShadeTables* t) {
  const std::uint32_t r = t->cover[(color >> 16) & 0xFF], g = t->cover[(color >> 8) & 0xFF],
                      b = t->cover[color & 0xFF];
  std::uint8_t* p = row + 4 * x0;
  for (std::int32_t x = x0; x <= x1; ++x, p += 4) {
    p[0] = static_cast<std::uint8_t>(b + t->keep[p[0]]);
    p[1] = static_cast<std::uint8_t>(g + t->keep[p[1]]);
    p[2] = static_cast<std::uint8_t>(r + t->keep[p[2]]);
  }
}

constexpr SpanFunctions kSpans8 = {fillSpan8, fillSpan8};
constexpr SpanFunctions kSpans32 = {fillSpan32, blendSpan32};

// --- Triangles ---------------------------------------------------------------

// Edge positions are 32.32 fixed point. A pixel centre within 2^-16 of an edge
// counts as on it, which absorbs the rounding of the step: spans are the pixels
// whose centres lie inside the triangle or on its edges, so triangles that share
// an edge leave no gap between them.
constexpr std::int64_t kOne = std::int64_t(1) << 32;
constexpr std::int64_t kTolerance = std::int64_t(1) << 16;

struct EdgeStep {
  std::int64_t x;     // at the first row of the edge
  std::int64_t step;  // per row
};

EdgeStep edgeFrom(std::int32_t xa, std::int32_t ya, std::int32_t xb, std::int32_t yb) {
  const std::int64_t dx = std::int64_t(xb) - xa, dy = std::int64_t(yb) - ya;
  const std::int64_t scaled = dx * kOne;
  std::int64_t step = scaled / dy;
  const std::int64_t rest = scaled - step * dy;
  if (2 * (rest < 0 ? -rest : rest) >= dy) step += scaled < 0 ? -1 : 1;  // to nearest
  return {std::int64_t(xa) * kOne, step};
}

inline std::int32_t spanStart(std::int64_t x) {
  // Arithmetic shift of a signed value rounds towards minus infinity.
  return static_cast<std::int32_t>((x - kTolerance + kOne - 1) >> 32);
}
inline std::int32_t spanEnd(std::int64_t x) { return static_cast<std::int32_t>((x + kTolerance) >> 32); }

void fillRowSpan(const FrameBuffer& fb, SpanFunction fill, const ShadeTables* tables, std::int32_t y,
                 std::int64_t xa, std::int64_t xb, PixelColor color) {
  if (xa > xb) std::swap(xa, xb);
  std::int32_t x0 = spanStart(xa), x1 = spanEnd(xb);
  if (x0 < fb.picture.left) x0 = fb.picture.left;
  if (x1 > fb.picture.right) x1 = fb.picture.right;
  if (x0 <= x1) fill(fb.rows[y], x0, x1, color, tables);
}

struct ScreenPoint {
  std::int32_t x, y;
};

// Scan-converts a triangle of screen positions with one colour.
void scanTriangle(const FrameBuffer& fb, SpanFunction fill, const ShadeTables* tables, ScreenPoint a,
                  ScreenPoint b, ScreenPoint c, PixelColor color) {
  if (a.y > b.y) std::swap(a, b);
  if (b.y > c.y) std::swap(b, c);
  if (a.y > b.y) std::swap(a, b);
  const std::int32_t top = fb.picture.top, bottom = fb.picture.bottom;
  if (c.y < top || a.y > bottom) return;
  if (a.y == c.y) {
    const std::int32_t lo = std::min({a.x, b.x, c.x}), hi = std::max({a.x, b.x, c.x});
    fillRowSpan(fb, fill, tables, a.y, lo * kOne, hi * kOne, color);
    return;
  }
  const EdgeStep longEdge = edgeFrom(a.x, a.y, c.x, c.y);
  // Upper part: rows a.y .. b.y between the long edge and a-b.
  const std::int32_t upperFirst = std::max(a.y, top), upperLast = std::min(b.y, bottom);
  if (upperFirst <= upperLast) {
    std::int64_t xl = longEdge.x + (upperFirst - a.y) * longEdge.step;
    if (a.y == b.y) {
      fillRowSpan(fb, fill, tables, a.y, a.x * kOne, b.x * kOne, color);
    } else {
      const EdgeStep shortEdge = edgeFrom(a.x, a.y, b.x, b.y);
      std::int64_t xs = shortEdge.x + (upperFirst - a.y) * shortEdge.step;
      for (std::int32_t y = upperFirst; y <= upperLast; ++y) {
        fillRowSpan(fb, fill, tables, y, xl, xs, color);
        xl += longEdge.step;
        xs += shortEdge.step;
      }
    }
  }
  // Lower part: rows b.y + 1 .. c.y between the long edge and b-c.
  const std::int32_t lowerFirst = std::max(b.y + 1, top), lowerLast = std::min(c.y, bottom);
  if (lowerFirst <= lowerLast) {
    const EdgeStep shortEdge = edgeFrom(b.x, b.y, c.x, c.y);
    std::int64_t xl = longEdge.x + (lowerFirst - a.y) * longEdge.step;
    std::int64_t xs = shortEdge.x + (lowerFirst - b.y) * shortEdge.step;
    for (std::int32_t y = lowerFirst; y <= lowerLast; ++y) {
      fillRowSpan(fb, fill, tables, y, xl, xs, color);
      xl += longEdge.step;
      xs += shortEdge.step;
    }
  }
}

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

// --- Lines -------------------------------------------------------------------

constexpr std::int64_t kHalf = std::int64_t(1) << 31;

// Fills a run of pixels along one row or one column.
void fillRun(const FrameBuffer& fb, SpanFunction fill, bool rowMajor, std::int32_t fixed,
             std::int32_t from, std::int32_t to, PixelColor color) {
  if (rowMajor) {
    fill(fb.rows[fixed], from, to, color, nullptr);
    return;
  }
  for (std::int32_t y = from; y <= to; ++y) fill(fb.rows[y], fixed, fixed, color, nullptr);
}

}  // namespace

const SpanFunctions& spanFunctionsFor(PixelFormat format) {
  return format == PixelFormat::Rgb32 ? kSpans32 : kSpans8;
}

void prepareRasterTarget(FrameBuffer& fb, const ColorState& colors, const ViewTransform& view,
                         RasterTarget& out) {
  const SpanFunctions& spans = spanFunctionsFor(fb.format);
  out.fb = &fb;
  out.colors = &colors;
  out.view = &view;
  out.fill = colors.blended && fb.truecolor() ? spans.blended : spans.plain;
  out.line = spans.plain;
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
    scanTriangle(fb, target.fill, tables, p[0], p[1], p[2], color);
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
  for (int i = 1; i + 1 < n; ++i) scanTriangle(fb, target.fill, tables, p[0], p[i], p[i + 1], color);
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
  first = lightColor(colors, first, na, nd, nu);
  second = lightColor(colors, second, na, nd, nu);
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

void drawScreenLine(const FrameBuffer& fb, SpanFunction fill, std::int32_t x0, std::int32_t y0,
                    std::int32_t x1, std::int32_t y1, PixelColor color) {
  const PictureRect& r = fb.picture;
  if (r.right < r.left || r.bottom < r.top) return;
  if ((screenEdgeCode(r, x0, y0) & screenEdgeCode(r, x1, y1)) != 0) return;
  const bool rowMajor = std::llabs(std::int64_t(x1) - x0) >= std::llabs(std::int64_t(y1) - y0);
  // Work along the major axis (u) with the minor coordinate (w) in 32.32.
  std::int32_t u0 = rowMajor ? x0 : y0, u1 = rowMajor ? x1 : y1;
  std::int32_t w0 = rowMajor ? y0 : x0, w1 = rowMajor ? y1 : x1;
  if (u0 > u1) {
    std::swap(u0, u1);
    std::swap(w0, w1);
  }
  const std::int32_t uLow = rowMajor ? r.left : r.top, uHigh = rowMajor ? r.right : r.bottom;
  const std::int32_t wLow = rowMajor ? r.top : r.left, wHigh = rowMajor ? r.bottom : r.right;
  const std::int64_t du = std::int64_t(u1) - u0;
  const std::int64_t step = du == 0 ? 0 : edgeFrom(w0, u0, w1, u1).step;
  // The stretch of the major axis inside the picture, narrowed to where the minor
  // coordinate can be inside too (with a pixel to spare; each pixel is checked).
  std::int64_t first = std::max<std::int64_t>(u0, uLow), last = std::min<std::int64_t>(u1, uHigh);
  if (step != 0) {
    const double slope = double(step) / double(kOne);
    double a = u0 + (wLow - 1 - w0) / slope, b = u0 + (wHigh + 1 - w0) / slope;
    if (a > b) std::swap(a, b);
    first = std::max<std::int64_t>(first, static_cast<std::int64_t>(std::max(a, -4e9)) - 1);
    last = std::min<std::int64_t>(last, static_cast<std::int64_t>(std::min(b, 4e9)) + 1);
  }
  std::int64_t w = std::int64_t(w0) * kOne + kHalf + (first - u0) * step;
  std::int32_t runStart = 0, runMinor = 0;
  bool inRun = false;
  for (std::int64_t u = first; u <= last; ++u, w += step) {
    const std::int32_t minor = static_cast<std::int32_t>(w >> 32);
    const bool inside = minor >= wLow && minor <= wHigh;
    if (inRun && (!inside || minor != runMinor)) {
      fillRun(fb, fill, rowMajor, runMinor, runStart, static_cast<std::int32_t>(u - 1), color);
      inRun = false;
    }
    if (inside && !inRun) {
      inRun = true;
      runStart = static_cast<std::int32_t>(u);
      runMinor = minor;
    }
  }
  if (inRun) fillRun(fb, fill, rowMajor, runMinor, runStart, static_cast<std::int32_t>(last), color);
}

void drawLine(const RasterTarget& target, const ProjectedPoint& a, const ProjectedPoint& b,
              PixelColor color) {
  if ((a.code & b.code) || ((a.code | b.code) & kInvalidPoint)) return;
  if (!((a.code | b.code) & kBehindViewer)) {
    drawScreenLine(*target.fb, target.line, a.x, a.y, b.x, b.y, color);
    return;
  }
  ProjectedPoint p = a, q = b;
  const ProjectedPoint& behind = a.depth < 0 ? a : b;
  const ProjectedPoint& front = a.depth < 0 ? b : a;
  const double t = double(front.depth) / (double(front.depth) - double(behind.depth));
  ProjectedPoint cut{};
  cut.across = static_cast<float>(front.across + t * (double(behind.across) - front.across));
  cut.up = static_cast<float>(front.up + t * (double(behind.up) - front.up));
  cut.depth = 0;
  projectViewPoint(*target.view, cut);
  (a.depth < 0 ? p : q) = cut;
  drawScreenLine(*target.fb, target.line, p.x, p.y, q.x, q.y, color);
}

}  // namespace vx
