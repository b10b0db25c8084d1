#pragma once
// The render job: what a valid graph command leaves for the renderer. The list
// of graphs, the box and the grid of sample points in it, the parametric ranges
// and the view preset, fixed when the command runs; every redraw walks it anew.
#include <cstddef>
#include <cstdint>

#include "base/limits.h"
#include "base/status.h"
#include "lang/lang.h"

namespace vx {

// Bits of RenderJob::flags.
inline constexpr std::uint8_t kViewPresetBits = 0x07;
inline constexpr std::uint8_t kJobUsesTime = 0x08;
inline constexpr std::uint8_t kJobMesh = 0x10;
inline constexpr std::uint8_t kJobPerspective = 0x20;
inline constexpr std::uint8_t kJobBox = 0x40;

struct AxisGrid {
  std::int32_t count = 2;
  std::int32_t savedCount = 2;  // the full count, restored when a slice ends
  CellId variable = kX;         // the cell the evaluator reads for this axis
  double proportion = 1;        // half-span over the largest half-span, 0 < p <= 1
  double samplingMinimum = -3, samplingMaximum = 3;  // what slices narrow
  double boxMinimum = -3, boxMaximum = 3;            // the box frame, colours, labels
};

struct RenderJob {
  std::uint8_t flags = 0;
  GraphItem* items = nullptr;  // the state's graph items (last graph written first)
  std::int32_t graphCount = 0;
  AxisGrid axes[3];            // x, y, z
  double uMinimum = -3, uMaximum = 3, vMinimum = -3, vMaximum = 3;
  std::int32_t stepsU = kDefaultParameterSteps, stepsV = kDefaultParameterSteps;
  double resolution = 21;      // graph3d.resolution as the command saw it

  int viewPreset() const { return flags & kViewPresetBits; }
  bool usesTime() const { return flags & kJobUsesTime; }
  bool mesh() const { return flags & kJobMesh; }
  bool perspective() const { return flags & kJobPerspective; }
  bool box() const { return flags & kJobBox; }
  bool parametric() const { return items && items->parametric; }
};

// Builds the job from the state's graph items and options. Refuses (kOutOfRange,
// with a reason) a grid or parameter mesh beyond the bounds in base/limits.h, and
// (kNoGraph) a state without graph items. A refused job leaves `job` unchanged.
Status buildRenderJob(const LangState& state, RenderJob& job, const char** reason = nullptr);

// The bytes of per-redraw sample storage the grid walk needs for this job,
// computed in 64 bits and saturating: compare it with kMaxSampleStoreBytes before
// converting it to a size.
std::uint64_t sampleStoreBytes(const RenderJob& job);

// Puts every axis back to its full extent (the end of a slice).
void restoreAxes(RenderJob& job);

}  // namespace vx
