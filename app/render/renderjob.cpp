#include "render/renderjob.h"

#include <algorithm>
#include <cmath>

#include "render/gridwalk.h"

namespace vx {

namespace {

// Points along an axis: (resolution - 1) x proportion to the nearest integer,
// plus one, at least two. Counts too large for any limit come back as such, never
// as an undefined conversion.
std::int64_t pointCount(double resolution, double proportion) {
  const double n = (resolution - 1) * proportion;
  if (!(n >= 0)) return 2;  // negative or undefined
  if (n > 1e9) return std::int64_t(1e9);
  return std::max<std::int64_t>(std::llrint(n) + 1, 2);
}

// Parameter steps: to the nearest integer; negative or undefined means 40.
std::int64_t parameterSteps(double value) {
  if (!(value >= 0)) return kDefaultParameterSteps;
  if (value > 1e9) return std::int64_t(1e9);
  return std::llrint(value);
}

int viewPresetCode(double value) {
  for (int code = 1; code <= 4; ++code) {
    if (value == code) return code;
  }
  return 0;
}

}  // namespace

Status buildRenderJob(const LangState& state, RenderJob& job, const char** reason) {
  const char* unused;
  if (!reason) reason = &unused;
  *reason = nullptr;
  if (!state.graphItems) {
    *reason = "there is no graph to draw";
    return kNoGraph;
  }
  RenderJob next;
  next.items = state.graphItems;
  for (const GraphItem* g = next.items; g; g = g->next) ++next.graphCount;

  static constexpr CellId kMinimum[3] = {kMinimumX, kMinimumY, kMinimumZ};
  static constexpr CellId kMaximum[3] = {kMaximumX, kMaximumY, kMaximumZ};
  static constexpr CellId kVariable[3] = {kX, kY, kZ};
  double half[3], largest = 0;
  for (int i = 0; i < 3; ++i) {
    const double lo = state.value(kMinimum[i]), hi = state.value(kMaximum[i]);
    half[i] = std::fabs(hi * 0.5 - lo * 0.5);
    largest = std::max(largest, half[i]);
  }
  next.resolution = state.value(kResolution);
  std::int64_t counts[3];
  for (int i = 0; i < 3; ++i) {
    AxisGrid& axis = next.axes[i];
    axis.variable = kVariable[i];
    axis.proportion = half[i] / largest;
    axis.samplingMinimum = axis.boxMinimum = state.value(kMinimum[i]);
    axis.samplingMaximum = axis.boxMaximum = state.value(kMaximum[i]);
    counts[i] = state.gridFixed ? std::max<std::int64_t>(state.gridDimensions[i], 2)
                                : pointCount(next.resolution, axis.proportion);
    if (counts[i] > kMaxAxisPoints) {
      *reason = "the grid is too fine (more than 1024 points along an axis)";
      return kOutOfRange;
    }
    axis.count = axis.savedCount = static_cast<std::int32_t>(counts[i]);
  }

  next.uMinimum = state.value(kMinimumU);
  next.uMaximum = state.value(kMaximumU);
  next.vMinimum = state.value(kMinimumV);
  next.vMaximum = state.value(kMaximumV);
  const std::int64_t stepsU = parameterSteps(state.value(kStepsU));
  const std::int64_t stepsV = parameterSteps(state.value(kStepsV));
  if (next.parametric()) {
    // Each factor is checked before the product, which is then small; every form
    // of the command lands in the one depth-sorted list of a redraw, so the
    // bound is on the meshes together.
    if (stepsU > kMaxParameterSteps || stepsV > kMaxParameterSteps) {
      *reason = "the parameter mesh is too fine (more than 65536 steps along u or v)";
      return kOutOfRange;
    }
    const std::uint64_t cells = saturatingProduct(std::max<std::int64_t>(stepsU, 1),
                                                  std::max<std::int64_t>(stepsV, 1), next.graphCount);
    if (cells > std::uint64_t(kMaxParameterCells)) {
      *reason = "the parameter mesh is too fine (more than 262144 steps u x v over all forms)";
      return kOutOfRange;
    }
  }
  next.stepsU = static_cast<std::int32_t>(std::min<std::int64_t>(stepsU, kMaxParameterSteps));
  next.stepsV = static_cast<std::int32_t>(std::min<std::int64_t>(stepsV, kMaxParameterSteps));

  if (sampleStoreBytes(next) > kMaxSampleStoreBytes) {
    *reason = "the grid needs more sample storage than allowed (128 MiB); use fewer graphs or a lower resolution";
    return kOutOfRange;
  }

  next.flags = static_cast<std::uint8_t>(viewPresetCode(state.value(kView)));
  if (state.graphUsesTime) next.flags |= kJobUsesTime;
  if (state.value(kMesh) != 0) next.flags |= kJobMesh;
  if (state.value(kPerspective) != 0) next.flags |= kJobPerspective;
  if (state.value(kBox) != 0) next.flags |= kJobBox;
  job = next;
  return kOk;
}

std::uint64_t sampleStoreBytes(const RenderJob& job) {
  // The walk may put any two axes in the inner and middle roles: count the two largest.
  std::int64_t n[3] = {job.axes[0].savedCount, job.axes[1].savedCount, job.axes[2].savedCount};
  std::sort(n, n + 3);
  return sampleStoreBytesFor(n[2], n[1], job.graphCount);
}

void restoreAxes(RenderJob& job) {
  for (AxisGrid& axis : job.axes) {
    axis.count = axis.savedCount;
    axis.samplingMinimum = axis.boxMinimum;
    axis.samplingMaximum = axis.boxMaximum;
  }
}

}  // namespace vx
