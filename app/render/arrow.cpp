#include "render/arrow.h"

#include <cmath>

namespace vx {

namespace {

constexpr int kWheelRed = 74;
constexpr int kWheelGreen = 131;
constexpr int kWheelSpan = 114;  // red (74) to blue (188)

// The arithmetic unit rounds to nearest, ties to even.
int wheelIndex(double fraction) {
  double scaled = std::nearbyint(fraction * kWheelSpan);
  if (scaled != scaled) return kWheelGreen;
  if (scaled < 0) scaled = 0;
  if (scaled > kWheelSpan) scaled = kWheelSpan;
  return kWheelRed + static_cast<int>(scaled);
}

// Moves `end` along the segment to where its coordinate `axis` is `bound`,
// interpolating from `other`, which lies inside along that axis.
void moveEnd(double end[3], const double other[3], int axis, double bound) {
  double t = (bound - other[axis]) / (end[axis] - other[axis]);
  for (int i = 0; i < 3; ++i) end[i] = other[i] + t * (end[i] - other[i]);
  end[axis] = bound;
}

}  // namespace

VectorAlign vectorAlignFromOption(double value) {
  if (value != value) return VectorAlign::Tail;
  double code = std::nearbyint(value);
  if (code < 0) return VectorAlign::Tail;
  if (code > 0) return VectorAlign::Tip;
  return VectorAlign::Center;
}

ArrowSegment placeArrow(const double point[3], const double vector[3], VectorAlign align) {
  const double share = align == VectorAlign::Tail ? 0.0 : align == VectorAlign::Center ? 0.5 : 1.0;
  ArrowSegment arrow;
  for (int i = 0; i < 3; ++i) {
    arrow.tail[i] = point[i] - share * vector[i];
    arrow.head[i] = arrow.tail[i] + vector[i];
  }
  return arrow;
}

bool clipArrow(ArrowSegment& arrow, const double low[3], const double high[3], const int axisOrder[3]) {
  for (int k = 0; k < 3; ++k) {
    int axis = axisOrder[k];
    double t = arrow.tail[axis];
    double h = arrow.head[axis];
    if ((t < low[axis] && h < low[axis]) || (t > high[axis] && h > high[axis])) return false;
    if (t < low[axis]) moveEnd(arrow.tail, arrow.head, axis, low[axis]);
    if (t > high[axis]) moveEnd(arrow.tail, arrow.head, axis, high[axis]);
    if (h < low[axis] || h > high[axis]) {
      moveEnd(arrow.head, arrow.tail, axis, h < low[axis] ? low[axis] : high[axis]);
      arrow.headCut = true;
    }
  }
  return true;
}

bool arrowBarbs(const float head[3], const float direction[3], float length, float barbA[3], float barbB[3]) {
  double d[3] = {direction[0], direction[1], direction[2]};
  double norm = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  if (!(norm > 0) || std::isinf(norm)) return false;
  for (double& c : d) c /= norm;

  // The part of the y axis perpendicular to the direction.
  double side[3] = {-d[1] * d[0], 1 - d[1] * d[1], -d[1] * d[2]};
  double sideNorm = std::sqrt(side[0] * side[0] + side[1] * side[1] + side[2] * side[2]);
  if (sideNorm < 1e-6) {
    side[0] = 1, side[1] = 0, side[2] = 0;
    sideNorm = 1;
  }
  for (int i = 0; i < 3; ++i) {
    double base = head[i] - length * d[i];
    double spread = length * side[i] / sideNorm;
    barbA[i] = static_cast<float>(base + spread);
    barbB[i] = static_cast<float>(base - spread);
  }
  return true;
}

int arrowHeightColor(double headZ, double zLow, double zHigh) {
  return wheelIndex((zHigh - headZ) / (zHigh - zLow));
}

int arrowSteepnessColor(const double vector[3]) {
  double length = std::sqrt(vector[0] * vector[0] + vector[1] * vector[1] + vector[2] * vector[2]);
  return wheelIndex((1 - vector[2] / length) * 0.5);
}

}  // namespace vx
