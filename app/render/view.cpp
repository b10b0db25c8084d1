#include "render/view.h"

#include <cmath>

#include "lang/mathlib.h"

namespace vx {

namespace {

// The angles' sines and cosines from the processor's own instructions, as the
// language computes them: the C libraries of the two builds round differently in
// the last bit, and the view matrix must be the same bits in both.
double processorSin(double angle) { return static_cast<double>(math::sin(angle)); }
double processorCos(double angle) { return static_cast<double>(math::cos(angle)); }

constexpr float kHalfPi = 1.5707963267948966f;
constexpr float kEyeDistance = 0.5f;

// Screen positions are kept well inside 32 bits (and the rasteriser's 32.32
// arithmetic) however far outside the picture a point lies.
constexpr double kScreenLimit = 268435456.0;  // 2^28

std::int32_t screenCoordinate(double v) {
  if (!(v > -kScreenLimit)) return -std::int32_t(kScreenLimit);
  if (v > kScreenLimit) return std::int32_t(kScreenLimit);
  return static_cast<std::int32_t>(std::lrint(v));
}

// The part of the picture that shows the view's extents: the largest rectangle of
// their 4:3 shape, centred. Scaling both directions by one factor keeps the
// graph's true shape in a picture of any other shape; a 4:3 picture is all of it.
void viewedArea(const PictureRect& picture, double& width, double& height) {
  const std::int64_t w = std::int64_t(picture.right) + 1, h = std::int64_t(picture.bottom) + 1;
  width = double(w);
  height = double(h);
  if (w * 3 > h * 4) width = height * 4 / 3;
  if (w * 3 < h * 4) height = width * 3 / 4;
}

}  // namespace

const ViewPresetAngles kViewPresets[5] = {
    {0.5f, -0.62f, {0, -0.5f, 0}},    // standard
    {0, -kHalfPi, {0, 0, 0.5f}},      // top
    {0, 0, {0, -0.5f, 0}},            // front
    {kHalfPi, 0, {0.5f, 0, 0}},       // side
    {1.9f, -0.62f, {0, -0.5f, 0}},    // textbook
};

void applyViewPreset(ViewRecord& view, int preset) {
  if (preset < 0 || preset > 4) preset = 0;
  const ViewPresetAngles& p = kViewPresets[preset];
  view.horizontal = p.horizontal;
  view.elevation = p.elevation;
  // The picture is always drawn with the box centre straight ahead at depth 0.5:
  // the eye lies opposite the viewing direction of the preset's angles.
  view.eye[0] = 0;
  view.eye[1] = -kEyeDistance;
  view.eye[2] = 0;
  updateEyeVector(view);
}

void updateEyeVector(ViewRecord& view) {
  double r = std::sqrt(double(view.eye[0]) * view.eye[0] + double(view.eye[1]) * view.eye[1] +
                       double(view.eye[2]) * view.eye[2]);
  double a = view.horizontal, b = view.elevation;
  view.eye[0] = static_cast<float>(r * processorCos(b) * processorSin(a));
  view.eye[1] = static_cast<float>(-r * processorCos(b) * processorCos(a));
  view.eye[2] = static_cast<float>(-r * processorSin(b));
}

void buildViewTransform(const ViewRecord& view, const PictureRect& picture, bool perspective,
                        ViewTransform& out) {
  double width, height;
  viewedArea(picture, width, height);
  out.scaleX = width / view.extentX;
  out.scaleY = height / view.extentY;
  const double a = view.horizontal, b = view.elevation;
  const double sa = processorSin(a), ca = processorCos(a), sb = processorSin(b), cb = processorCos(b);
  const double across[3] = {out.scaleX * ca, out.scaleX * sa, 0};
  const double depth[3] = {-sa * cb, ca * cb, sb};
  const double up[3] = {out.scaleY * sa * sb, -out.scaleY * ca * sb, out.scaleY * cb};
  float* rows[3] = {out.across, out.depth, out.up};
  const double* exact[3] = {across, depth, up};
  for (int r = 0; r < 3; ++r) {
    // The translation is made from the rows as points meet them, rounded to float.
    // GCC 12's vectorizer at -O3 used the unrounded doubles for it when the
    // conversions and the sum were written as two loops.
    double sum = 0;
    for (int i = 0; i < 3; ++i) {
      const float rounded = static_cast<float>(exact[r][i]);
      rows[r][i] = rounded;
      sum += double(rounded) * view.eye[i];
    }
    out.translation[r] = -sum;
  }
  out.distance = view.distance;
  out.perspective = perspective;
  out.centreXi = (picture.right + 1) / 2;
  out.centreYi = (picture.bottom + 1) / 2;
  out.centreX = static_cast<float>(out.centreXi);
  out.centreY = static_cast<float>(out.centreYi);
  out.picture = picture;
}

std::uint8_t screenEdgeCode(const PictureRect& picture, std::int32_t x, std::int32_t y) {
  std::uint8_t code = 0;
  if (x < picture.left) code |= kLeftOfPicture;
  if (x > picture.right) code |= kRightOfPicture;
  if (y > picture.bottom) code |= kBelowPicture;
  if (y < picture.top) code |= kAbovePicture;
  return code;
}

void projectViewPoint(const ViewTransform& t, ProjectedPoint& point) {
  if (!std::isfinite(point.across) || !std::isfinite(point.depth) || !std::isfinite(point.up)) {
    point.x = point.y = 0;
    point.code = kInvalidPoint | kBehindViewer | kLeftOfPicture | kRightOfPicture | kBelowPicture | kAbovePicture;
    return;
  }
  if (point.depth < 0) {
    // Behind the viewer: no screen position, only the sides it lies towards.
    const double a = std::nearbyint(double(point.across)), u = std::nearbyint(double(point.up));
    std::uint8_t code = kBehindViewer;
    if (a < -t.centreXi) code |= kLeftOfPicture;
    if (a >= t.picture.right - t.centreXi + 1) code |= kRightOfPicture;
    if (u <= t.centreYi - t.picture.bottom - 1) code |= kBelowPicture;
    if (u > t.centreYi) code |= kAbovePicture;
    point.x = point.y = 0;
    point.code = code;
    return;
  }
  double across = point.across, up = point.up;
  if (t.perspective) {
    const double f = double(t.distance) / (double(point.depth) + t.distance);
    across *= f;
    up *= f;
  }
  point.x = screenCoordinate(across + t.centreX);
  point.y = screenCoordinate(t.centreY - up);
  point.code = screenEdgeCode(t.picture, point.x, point.y);
}

void projectPoint(const ViewTransform& t, const float p[3], ProjectedPoint& out) {
  const double x = p[0], y = p[1], z = p[2];
  out.across = static_cast<float>(t.across[0] * x + t.across[1] * y + t.across[2] * z + t.translation[0]);
  out.depth = static_cast<float>(t.depth[0] * x + t.depth[1] * y + t.depth[2] * z + t.translation[1]);
  out.up = static_cast<float>(t.up[0] * x + t.up[1] * y + t.up[2] * z + t.translation[2]);
  projectViewPoint(t, out);
}

}  // namespace vx
