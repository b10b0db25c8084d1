// The option store: every variable and option with its default, the reset that
// starts each execution, and the lifetime of the language state.
#include <limits>

#include "lang/keywords.h"
#include "lang/nodes.h"

namespace vx {

namespace {

constexpr double kUndefinedDefault = std::numeric_limits<double>::quiet_NaN();

// Defaults in CellId order. `time` is not reset: it is set before every command.
constexpr double kDefaults[] = {
    0,                                  // time (not reset)
    1, -2, 2,                           // a, a.minimum, a.maximum
    1, -2, 2,                           // b
    1, -2, 2,                           // c
    1, -2, 2,                           // d
    kUndefinedDefault, kUndefinedDefault, kUndefinedDefault,  // x, y, z
    1, -3, 3, 40,                       // u, graph3d.minimumu, maximumu, stepsu
    1, -3, 3, 40,                       // v, graph3d.minimumv, maximumv, stepsv
    21,                                 // graph3d.resolution
    0, 0, 1,                            // transparency and its scroll range
    0, 0, 1,                            // shading
    0, 0, 1,                            // highlight
    0.5, 0, 1,                          // contrast
    1, 1, 1,                            // mesh, box, perspective (true)
    kStandardView,                      // view
    kByHeight,                          // color
    kWhite,                             // background
    -3, -3, -3,                         // minimumx, minimumy, minimumz
    3, 3, 3,                            // maximumx, maximumy, maximumz
    0, 0, 1,                            // vectorshading
    0, 0, 1,                            // vectorhighlight
    kBlack,                             // vectorcolor
    -1,                                 // vectoralign (tail)
    0,                                  // vectorarrowhead (false)
};
static_assert(sizeof(kDefaults) / sizeof(kDefaults[0]) == kCellCount, "one default per cell");

void setColorExpression(LangState& state, ExprNode*& slot, ColorCode code) {
  release(state, slot);
  slot = &kColorConstants[code];
}

}  // namespace

double optionDefault(CellId id) { return kDefaults[id]; }

void resetOptions(LangState& state) {
  for (int id = kTime + 1; id < kCellCount; ++id) {
    state.cells[id].value = kDefaults[id];
    state.cells[id].flags = 0;
  }
  state.cells[kTime].flags = 0;
  setColorExpression(state, state.surfaceColorExpression, kByHeight);
  setColorExpression(state, state.vectorColorExpression, kBlack);
}

LangState::LangState(Allocator& allocator_) : allocator(allocator_) {
  for (ValueCell& cell : cells) cell.ops = &kCellOps;
  cells[kTime].value = 0;
  resetOptions(*this);
}

LangState::~LangState() {
  releaseGraphItems(*this);
  release(*this, surfaceColorExpression);
  release(*this, vectorColorExpression);
}

}  // namespace vx
