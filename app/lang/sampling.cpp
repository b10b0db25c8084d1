// The routines of compiled code that depend on the current grid point: near and
// the data-array lookup. They read the bounds the generators publish in the
// state's SamplingContext, the outer coordinates from the cells x, y, z and the
// inner coordinate through the point pointer.
#include <cmath>

#include "lang/code.h"

namespace vx {

namespace {

real axisCoordinate(const LangState& state, std::uint32_t axis, std::uint32_t innerAxis, const double* point) {
  return axis == innerAxis ? real(*point) : real(state.cells[kX + axis].value);
}

}  // namespace

// 1 when every argument lies in [coordinate - h, coordinate + h) of its axis.
real nearTest(const LangState& state, std::uint32_t innerAxis, const double* point, real a, real b, real c) {
  const SamplingContext& sampling = state.sampling;
  const real args[3] = {a, b, c};
  for (std::uint32_t axis = 0; axis < 3; ++axis) {
    real low = sampling.nearLow[axis], high = sampling.nearHigh[axis];
    if (axis == innerAxis) {
      low = real(*point) - real(sampling.innerHalfStep);
      high = real(*point) + real(sampling.innerHalfStep);
    }
    if (!(low <= args[axis] && args[axis] < high)) return math::undefined();
  }
  return 1;
}

// Per axis m = round(2 (p - min) / (max - min) (n - 1)): an even m hits element
// m/2; the first axis with an odd m gives the mean of its two neighbours, the
// other axes take m/2 rounded down. Points off the array are undefined.
real dataLookup(const LangState& state, const DataGrid& grid, std::uint32_t innerAxis, const double* point) {
  const SamplingContext& sampling = state.sampling;
  std::int64_t index[3];
  int oddAxis = -1;
  for (std::uint32_t axis = 0; axis < 3; ++axis) {
    real p = axisCoordinate(state, axis, innerAxis, point);
    real low = sampling.rangeMinimum[axis], high = sampling.rangeMaximum[axis];
    real steps = 2 * real(grid.last[axis]);
    real t = 2 * (p - low) / (high - low) * real(grid.last[axis]);
    if (!(t >= -0.5L && t <= steps + 0.5L)) return math::undefined();
    auto m = static_cast<std::int64_t>(std::nearbyint(t));
    if (m % 2 != 0 && oddAxis < 0) oddAxis = static_cast<int>(axis);
    index[axis] = m / 2;
  }
  auto at = [&](const std::int64_t i[3]) {
    return real(grid.values()[i[0] + grid.n[0] * (i[1] + std::int64_t{grid.n[1]} * i[2])]);
  };
  if (oddAxis < 0) return at(index);
  std::int64_t upper[3] = {index[0], index[1], index[2]};
  ++upper[oddAxis];
  return (at(index) + at(upper)) / 2;
}

}  // namespace vx
