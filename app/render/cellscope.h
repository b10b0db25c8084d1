#pragma once
// The language state a redraw writes: the cells x, y, z, u and v (their values,
// and the flags that tell folding which of them vary and which one the point
// pointer sweeps) and the sampling context that `near` and the data-array lookup
// read. Every such write of the renderer goes through one scope, made where the
// graphs of a redraw are drawn, which puts all of it back as it was when the
// redraw ends, however it ends: finished or cancelled.
#include <cstdint>

#include "base/check.h"
#include "lang/lang.h"

namespace vx {

class RedrawCells {
 public:
  explicit RedrawCells(LangState& state);
  ~RedrawCells();
  RedrawCells(const RedrawCells&) = delete;
  RedrawCells& operator=(const RedrawCells&) = delete;

  void setValue(CellId id, double value) { cell(id).value = value; }
  void setFlags(CellId id, std::uint8_t flags) { cell(id).flags = flags; }
  double value(CellId id) const { return state_.cells[id].value; }
  SamplingContext& sampling() { return state_.sampling; }

  // Puts back the values the redraw started with, leaving the flags as they are.
  void restoreValues();

 private:
  static constexpr CellId kCells[] = {kX, kY, kZ, kU, kV};
  static constexpr int kCount = sizeof kCells / sizeof kCells[0];

  static bool isRedrawCell(CellId id) {
    for (CellId c : kCells) {
      if (c == id) return true;
    }
    return false;
  }
  ValueCell& cell(CellId id) {
    VX_ASSERT(isRedrawCell(id));
    return state_.cells[id];
  }

  LangState& state_;
  double values_[kCount];
  std::uint8_t flags_[kCount];
  SamplingContext sampling_;
};

}  // namespace vx
