#pragma once
// Vector fields: an arrow at every grid point, drawn from inside the grid walk so
// that arrows and surfaces hide each other in the walk's far-to-near order.
//
// The walk calls beginVectorRun once per vector item before the first slab,
// drawVectorAtGridPoint at every grid point (in walk order, after the items that
// come before it in the list), and endVectorRun after the last slab. Before each
// row the walk folds and compiles the item's tree with the outer and middle
// coordinates folded in (`components`, three values per point through runTriple),
// and it keeps the x, y, z cells and the `near` bounds of the state's sampling
// context at the current grid point.
#include <cstdint>

#include "render/context.h"

namespace vx {

struct CompiledCode;
struct ExprNode;

struct VectorRun {
  const GraphItem* item = nullptr;
  CompiledCode* components = nullptr;  // this row's code (owned by the walk)
  // Per-redraw data of the vector drawer, prepared by beginVectorRun.
  ExprNode* colorTree = nullptr;
  CompiledCode* colorCode = nullptr;
  int alignment = -1;          // -1 tail, 0 centre, 1 tip
  bool arrowhead = false;
  double arrowheadSize = 0;    // in box-frame units
  PixelColor solidColor = 0;
  // Where arrows are cut: the sampling range grown by one grid step per axis,
  // the axes taken in walk order (outer, middle, inner).
  double clipLow[3] = {0, 0, 0};
  double clipHigh[3] = {0, 0, 0};
  int clipOrder[3] = {2, 1, 0};
};

void beginVectorRun(RenderContext& ctx, VectorRun& run);

// `point` is the inner coordinate as compiled code reads it; `world` the grid
// point's x, y, z.
void drawVectorAtGridPoint(RenderContext& ctx, VectorRun& run, const double* point, const double world[3]);

void endVectorRun(RenderContext& ctx, VectorRun& run);

}  // namespace vx
