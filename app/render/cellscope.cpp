#include "render/cellscope.h"

namespace vx {

RedrawCells::RedrawCells(LangState& state) : state_(state), sampling_(state.sampling) {
  for (int k = 0; k < kCount; ++k) {
    values_[k] = state.cells[kCells[k]].value;
    flags_[k] = state.cells[kCells[k]].flags;
  }
}

RedrawCells::~RedrawCells() {
  restoreValues();
  for (int k = 0; k < kCount; ++k) state_.cells[kCells[k]].flags = flags_[k];
  state_.sampling = sampling_;
}

void RedrawCells::restoreValues() {
  for (int k = 0; k < kCount; ++k) state_.cells[kCells[k]].value = values_[k];
}

}  // namespace vx
