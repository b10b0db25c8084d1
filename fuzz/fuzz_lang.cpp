// Graph texts from the fuzzer: executed in a fresh state; when the last command
// is a valid graph command every item is folded, compiled and run in both forms
// with x, y, z flagged (one of them inner) and evaluated directly. Nothing may
// crash, hang or leak: every block taken from the allocator must come back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <iterator>
#include <vector>

#include "base/fpu.h"
#include "base/memoryhost.h"
#include "lang/lang.h"
#include "lang/nodes.h"

namespace {

vx::LineList splitLines(const std::uint8_t* data, std::size_t size) {
  vx::LineList lines;
  std::string line;
  for (std::size_t i = 0; i <= size; ++i) {
    if (i == size || data[i] == '\n') {
      lines.append(line);
      line.clear();
    } else if (data[i] != '\r') {
      line.push_back(static_cast<char>(data[i]));
    }
  }
  return lines;
}

void exercise(vx::LangState& state, const vx::ExprNode* tree) {
  static const double kPoints[] = {0, 1.5, -3, 2.25, __builtin_nan(""), __builtin_inf()};
  for (int inner = 0; inner < 3; ++inner) {
    for (int axis = 0; axis < 3; ++axis) state.cells[vx::kX + axis].flags = axis == inner ? vx::kInnerSweep : vx::kVarying;
    for (vx::Form form : {vx::Form::Condition, vx::Form::Value}) {
      vx::ExprNode* folded = vx::foldExpression(state, tree, form);
      vx::CompiledCode* code = vx::compileExpression(state, folded, form);
      // The same expression with its inner-variable subtrees read from tables over
      // kPoints must give the same bits at every one of them.
      vx::InnerTables* tables = vx::tabulateInnerSubexpressions(state, tree, kPoints, std::size(kPoints));
      vx::ExprNode* tabulatedTree = vx::foldExpression(state, tree, form, tables);
      vx::CompiledCode* tabulated = vx::compileExpression(state, tabulatedTree, form);
      for (const double& point : kPoints) {
        state.cells[vx::kX + inner].value = point;
        long double triple[3];
        long double value = vx::runValue(code, &point), fromTables = vx::runValue(tabulated, &point);
        if (std::memcmp(&value, &fromTables, 10) != 0) std::abort();
        if (vx::runCondition(code, &point) != vx::runCondition(tabulated, &point)) std::abort();
        vx::runTriple(code, &point, triple);
        volatile long double direct = vx::evaluate(state, tree);
        (void)direct;
      }
      vx::releaseCode(state, tabulated);
      vx::releaseExpression(state, tabulatedTree);
      vx::releaseInnerTables(state, tables);
      vx::releaseCode(state, code);
      vx::releaseExpression(state, folded);
    }
  }
  for (int axis = 0; axis < 3; ++axis) state.cells[vx::kX + axis].flags = 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vx::setProgramFloatingPointMode();
  vx::Allocator allocator;  // its chunks go back to the heap when the input is done
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
    vx::LineList lines = splitLines(data, size);
    vx::ExecResult result = vx::executeGraphText(state, lines);
    if (result.outcome == vx::ExecOutcome::Graph) {
      for (vx::GraphItem* item = state.graphItems; item; item = item->next) exercise(state, item->tree);
      exercise(state, state.surfaceColorExpression);
      exercise(state, state.vectorColorExpression);
    }
    vx::releaseGraphItems(state);
    vx::resetOptions(state);
    if (state.liveBlocks != 0) std::abort();  // a node, item or code block leaked
  }
  return 0;
}
