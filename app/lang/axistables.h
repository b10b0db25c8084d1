#pragma once
// Tables for the code of crossing points. A crossing point evaluates a graph at
// three places on a grid edge: two grid points and the mid-point between them,
// so along every axis a coordinate is one of the axis' grid coordinates or one of
// its mid-points. Every subexpression that depends on one axis variable alone is
// computed once per redraw at all of these, in extended precision and by the
// same compiled code; the crossing code reads it from a slot that the walk
// fills from those tables before each evaluation.
#include <cstdint>

#include "lang/lang.h"

namespace vx {

struct AxisTables;

// One axis of the walk: its cell and its coordinates. grid[k] are the grid
// coordinates; mid[k] lies between grid[k - 1] and grid[k] (mid[0] is unused).
struct AxisSweep {
  CellId cell;
  const double* grid;
  const double* mid;
  std::uint32_t count;
};

// With the cells flagged as for folding (the inner axis kInnerSweep, the other
// two kVarying), the tables of every subexpression of `tree` of one axis alone
// (with constants and unflagged cells), indexed by walk role. Null when nothing
// is worth a table. The tables live until released.
AxisTables* tabulateAxisSubexpressions(LangState& state, const ExprNode* tree, const AxisSweep axes[3]);
void releaseAxisTables(LangState& state, AxisTables* tables);

// What foldExpression reads while folding the crossing code. The code runs only
// with the point pointer that axisPoint returns.
const InnerTables* axisFoldTables(const AxisTables& tables);

// Fills the slots of one axis' subexpressions with their values at the axis'
// grid coordinate k, or at its mid-point k.
void selectAxisEntry(AxisTables& tables, int role, bool mid, std::uint32_t k);

// The point pointer for the crossing code, holding the inner coordinate.
const double* axisPoint(AxisTables& tables, double inner);

// Row code folds the middle and the outer coordinate into constants, so their
// subexpressions alone become the same constants at every row of a slab, and
// at every slab. These are folded once per grid coordinate and added to the
// inner tables (made when `tables` is null; null when there is nothing either
// way); before a row is folded, selectRowConstants picks the row's and the
// slab's values. Folding with them gives the very tree it gave without them.
InnerTables* tabulateRowConstants(LangState& state, InnerTables* tables, const ExprNode* tree,
                                  const AxisSweep axes[3]);
void selectRowConstants(InnerTables& tables, int role, std::uint32_t k);

// Row code kept from row to row. Every row folds to a tree of the same shape
// whose numbers differ (the middle and outer coordinates' values), and code is
// made from a tree by its shape alone, each number becoming an operand. So the
// code made for the first row serves every later row of the same shape with its
// number operands replaced: which operand carries which number is learnt once,
// by compiling the tree a second time with every number marked, and checked
// against the code itself. A tree of another shape, or one whose operands could
// not all be told apart, is compiled as before.
//
// Most rows need not even be folded: the kept code learns the fold's
// arithmetic on the row's inputs (the middle and outer cells and the selected
// row constants) and replays it, with the same operations and roundings, to
// find the numbers; a relation between them with another outcome than the
// learnt one needs the fold.
struct KeptRowCode;
// For the folds of `source` (kept by the caller) with `tables` (may be null).
KeptRowCode* makeKeptRowCode(LangState& state, Form form, const ExprNode* source, const InnerTables* tables);
// The kept code with the row's numbers replayed, or null when the row must be
// folded and passed to keptRowCode.
CompiledCode* replayRowCode(KeptRowCode& kept);
// The code of `folded` (taken over): the kept code, its operands replaced, or
// code compiled from it. Valid until the next call or the release.
CompiledCode* keptRowCode(LangState& state, KeptRowCode& kept, ExprNode* folded);
void releaseKeptRowCode(LangState& state, KeptRowCode* kept);

}  // namespace vx
