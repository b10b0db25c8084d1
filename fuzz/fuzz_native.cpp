// Graph texts from the fuzzer, compiled as the walk compiles them (the inner
// variable read through the point pointer, the others folded in or varying, with
// and without tables of the inner variable) and run both as native code and in
// the interpreter, at points that include 0, -0, infinities and NaN: values,
// conditions and the three values of the parametric forms must agree in every
// bit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "base/executablememory.h"
#include "base/fpu.h"
#include "base/memoryhost.h"
#include "lang/code.h"
#include "lang/lang.h"
#include "lang/native.h"

namespace {

const double kPoints[] = {0, -0.0, 1.5, -3, 2.25, 1e300, -1e-310, __builtin_nan(""), __builtin_inf(), -__builtin_inf()};

bool sameBits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

struct Results {
  long double value, triple[3];
  std::uint16_t status;
};

Results resultsAt(const vx::CompiledCode* code, const double* point) {
  Results r;
  r.value = vx::runValue(code, point);
  r.status = vx::runCondition(code, point);
  vx::runTriple(code, point, r.triple);
  return r;
}

void compare(vx::CompiledCode* code) {
  if (!vx::nativeFunction(code->native)) return;
  for (const double& point : kPoints) {
    const Results native = resultsAt(code, &point);
    const std::uint16_t index = code->native;
    code->native = 0;
    const Results interpreted = resultsAt(code, &point);
    code->native = index;
    if (!sameBits(native.value, interpreted.value) || native.status != interpreted.status) std::abort();
    for (int i = 0; i < 3; ++i)
      if (!sameBits(native.triple[i], interpreted.triple[i])) std::abort();
  }
}

void exercise(vx::LangState& state, const vx::ExprNode* tree) {
  for (int inner = 0; inner < 3; ++inner) {
    for (bool folded : {true, false}) {
      for (int axis = 0; axis < 3; ++axis)
        state.cells[vx::kX + axis].flags = axis == inner ? vx::kInnerSweep : folded ? 0 : vx::kVarying;
      vx::InnerTables* tables = vx::tabulateInnerSubexpressions(state, tree, kPoints, std::size(kPoints));
      for (vx::Form form : {vx::Form::Condition, vx::Form::Value}) {
        for (const vx::InnerTables* t : {static_cast<const vx::InnerTables*>(nullptr), static_cast<const vx::InnerTables*>(tables)}) {
          vx::ExprNode* foldedTree = vx::foldExpression(state, tree, form, t);
          vx::CompiledCode* code = vx::compileExpression(state, foldedTree, form);
          compare(code);
          vx::releaseCode(state, code);
          vx::releaseExpression(state, foldedTree);
        }
      }
      vx::releaseInnerTables(state, tables);
    }
  }
  for (int axis = 0; axis < 3; ++axis) state.cells[vx::kX + axis].flags = 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vx::setProgramFloatingPointMode();
  // A fresh cache for every input, so that a long run never fills it.
  vx::useExecutableMemory(&vx::systemExecutableMemory());
  vx::Allocator allocator;
  {
    vx::LangState state(allocator);
    vx::MemoryHost host;
    host.anyOtherFile = "3 2 2  0 1 2 3 4 5 6 7 8 9 10 11";
    host.clock = 1.5;
    state.host = &host;
    state.sampling.innerHalfStep = 1.5;
    for (int axis = 0; axis < 3; ++axis) {
      state.sampling.nearLow[axis] = -1.5;
      state.sampling.nearHigh[axis] = 1.5;
    }
    vx::LineList lines = vx::LineList::fromText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (vx::executeGraphText(state, lines).outcome == vx::ExecOutcome::Graph) {
      for (vx::GraphItem* item = state.graphItems; item; item = item->next) exercise(state, item->tree);
      exercise(state, state.surfaceColorExpression);
    }
    vx::releaseGraphItems(state);
    vx::resetOptions(state);
    if (state.liveBlocks != 0) std::abort();
  }
  return 0;
}
