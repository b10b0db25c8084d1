#include "render/gridwalk.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <new>

#include "base/check.h"
#include "base/host.h"
#include "base/limits.h"
#include "base/memory.h"
#include "lang/axistables.h"
#include "lang/lang.h"
#include "render/cellscope.h"
#include "render/celltable.h"
#include "render/surface.h"
#include "render/vectorfield.h"

namespace vx {

namespace {

// Links of one grid point to the vertices on its forward edges: along the inner
// and the middle axis in the planes of two slabs (by slab parity: the plane of
// the slab before is the one of the slab after), and from the previous slab to
// the current one. All of them lie together, so that a cell finds the links of
// its edges in a few cache lines.
struct PointLinks {
  EdgeVertex* plane[2][2];  // [slab parity][0 inner, 1 middle]
  EdgeVertex* between;
};

// Per-point storage of one surface item: the condition byte (bit 0 previous
// slab, bit 4 current slab) and the point's links.
constexpr std::size_t kSurfaceBytesPerPoint = 1 + sizeof(PointLinks);
static_assert(kSurfaceBytesPerPoint <= kMaxSamplePointBytes);

struct SurfaceRun {
  std::uint8_t relation = 0;
  ExprNode* conditionTree = nullptr;
  CompiledCode* condition = nullptr;  // this row's condition form
  // With tables: the condition code kept from row to row (owns the code).
  KeptRowCode* keptCondition = nullptr;
  ExprNode* valueTree = nullptr;
  CompiledCode* value = nullptr;      // the redraw's value form, for crossing points
  // With tables: the value form's subexpressions of one axis alone, which the
  // value form reads from slots filled before each evaluation.
  AxisTables* axisTables = nullptr;
  std::uint8_t* bits = nullptr;
  PointLinks* links = nullptr;
  PixelColor trueColor = 0, falseColor = 0;
};

struct ItemRun {
  const GraphItem* item = nullptr;
  bool vector = false;
  // Its subexpressions of the inner coordinate alone, and the constants row code
  // folds the middle and outer coordinates' subexpressions into.
  InnerTables* tables = nullptr;
  SurfaceRun surface;
  VectorRun arrows;
};

// Coordinates of one axis in walk order: entry 0 at the far end.
struct AxisLine {
  int world = 0;
  int count = 0;
  double* coord = nullptr;
  double* mid = nullptr;   // between this coordinate and the previous one
  float* frame = nullptr;  // the coordinate in the box frame
};

constexpr std::size_t alignUp(std::size_t n) { return (n + 15) & ~std::size_t(15); }

// Sizes from counts are computed in 64 bits and saturate, so that a count too
// large for the 32-bit build is refused rather than wrapped into a small block.
std::uint64_t axisBytes(std::uint64_t n) {
  return saturatingAlignUp(saturatingProduct(n, 2 * sizeof(double) + sizeof(float)), 16);
}

class Walker {
 public:
  Walker(RenderContext& ctx, const WalkOptions& options)
      : ctx_(ctx), state_(*ctx.state), options_(options), cells_(*ctx.state) {}
  Status run();

 private:
  void layOut();
  void prepareAxis(AxisLine& line, int role);
  void prepareOuterAxis();
  void prepareItems();
  void prepareColoring();
  void compileRow();
  void releaseRowCode();
  bool walkSlab(int slab);
  void endSlab();
  void finish();

  void evaluateRow(SurfaceRun& s, int r);
  void visitRow(int r, bool cells);
  std::uint64_t crossedCells(int r, int c) const;
  void visitItemCell(ItemRun& run, int r, int c);
  void processCell(ItemRun& run, int r, int c, unsigned index);
  EdgeVertex* edgeVertex(SurfaceRun& s, int edge, int r, int c);
  EdgeVertex* newVertex(EdgeVertex** slot, bool keepForNextSlab);
  void placeCrossing(SurfaceRun& s, EdgeVertex& v, int role, const int index[3]);
  long double valueAt(SurfaceRun& s, int role, bool mid, int k, double coord[3]);
  const AxisLine& lineOf(int role) const { return role == kInner ? inner_ : role == kMiddle ? middle_ : outer_; }
  PixelColor cellColor(int r, int c);
  void setCell(int role, double value) { cells_.setValue(axisCell_[role], value); }
  void releaseChain(EdgeVertex*& chain);

  RenderContext& ctx_;
  LangState& state_;
  WalkOptions options_;
  RedrawCells cells_;

  CellId axisCell_[3] = {kX, kY, kZ};  // per role
  AxisLine inner_, middle_, outer_;  // the outer line in its own block
  int outerAxis_ = 2, outerCount_ = 2, slab_ = 0;
  double outerFar_ = 0, outerNear_ = 0;
  double outerCoord_ = 0, outerMid_ = 0;  // of the current slab
  double halfStep_[3] = {0, 0, 0};  // per role

  void* block_ = nullptr;
  std::size_t blockBytes_ = 0;
  std::size_t outerBytes_ = 0;
  ItemRun* items_ = nullptr;
  int itemCount_ = 0;
  bool vectors_ = false;  // some item draws arrows

  SurfaceColoring coloring_;
  int zRole_ = 0;
  // Colouring by height: the colour of every cell centre along the z axis' line.
  PixelColor* heightColors_ = nullptr;
  std::size_t heightBytes_ = 0;
  // One row's condition statuses, as evaluateRow finds them.
  std::uint16_t* rowStatuses_ = nullptr;
  std::size_t rowStatusBytes_ = 0;

  EdgeVertex* dueThisSlab_ = nullptr;
  EdgeVertex* dueNextSlab_ = nullptr;
  double world_[3] = {0, 0, 0};
  std::uint32_t rowsDone_ = 0, rowsTotal_ = 0;
};

Status Walker::run() {
  layOut();
  prepareItems();
  prepareColoring();
  Status status = kOk;
  for (int slab = 0; slab < outerCount_; ++slab) {
    if (!walkSlab(slab)) {
      status = kCancelled;
      break;
    }
    endSlab();
  }
  finish();
  return status;
}

void Walker::layOut() {
  const RenderJob& job = *ctx_.job;
  const WalkOrder& order = ctx_.order;
  for (int role = 0; role < 3; ++role) axisCell_[role] = job.axes[order.axis[role]].variable;
  inner_.world = order.axis[kInner];
  middle_.world = order.axis[kMiddle];
  outerAxis_ = order.axis[kOuter];
  inner_.count = job.axes[inner_.world].count;
  middle_.count = job.axes[middle_.world].count;
  outerCount_ = job.axes[outerAxis_].count;
  for (const GraphItem* g = job.items; g; g = g->next) ++itemCount_;
  rowsTotal_ = static_cast<std::uint32_t>(std::int64_t(outerCount_) * middle_.count);

  const std::size_t plane = std::size_t(inner_.count) * middle_.count;
  blockBytes_ = static_cast<std::size_t>(sampleStoreBytesFor(inner_.count, middle_.count, itemCount_));
  auto* p = static_cast<unsigned char*>(state_.allocator.AllocateZeroed(blockBytes_));
  block_ = p;
  items_ = reinterpret_cast<ItemRun*>(p);
  p += alignUp(sizeof(ItemRun) * itemCount_);
  for (AxisLine* line : {&inner_, &middle_}) {
    line->coord = reinterpret_cast<double*>(p);
    line->mid = line->coord + line->count;
    line->frame = reinterpret_cast<float*>(line->mid + line->count);
    p += axisBytes(line->count);
  }
  rowStatusBytes_ = static_cast<std::size_t>(saturatingAlignUp(saturatingProduct(inner_.count, sizeof(std::uint16_t)), 16));
  rowStatuses_ = static_cast<std::uint16_t*>(state_.allocator.Allocate(rowStatusBytes_));
  int index = 0;
  for (const GraphItem* g = job.items; g; g = g->next, ++index) {
    ItemRun* run = new (&items_[index]) ItemRun;
    run->item = g;
    run->vector = g->vector != 0;
    vectors_ = vectors_ || run->vector;
    SurfaceRun& s = run->surface;
    s.links = reinterpret_cast<PointLinks*>(p);
    s.bits = reinterpret_cast<std::uint8_t*>(s.links + plane);
    p += alignUp(plane * kSurfaceBytesPerPoint);
  }
  prepareAxis(inner_, kInner);
  prepareAxis(middle_, kMiddle);

  const AxisGrid& outer = job.axes[outerAxis_];
  outerFar_ = order.fromMaximum[outerAxis_] ? outer.samplingMaximum : outer.samplingMinimum;
  outerNear_ = order.fromMaximum[outerAxis_] ? outer.samplingMinimum : outer.samplingMaximum;
  halfStep_[kOuter] = ctx_.gridStep[outerAxis_] * 0.5;
  prepareOuterAxis();

  SamplingContext& sampling = cells_.sampling();
  for (int i = 0; i < 3; ++i) {
    sampling.rangeMinimum[i] = job.axes[i].samplingMinimum;
    sampling.rangeMaximum[i] = job.axes[i].samplingMaximum;
  }
  sampling.innerHalfStep = halfStep_[kInner];

  // What compiled code reads where: the inner axis through the point pointer, the
  // other two from their cells; none of them may be folded into a constant.
  cells_.setFlags(axisCell_[kInner], kInnerSweep | kVarying);
  cells_.setFlags(axisCell_[kMiddle], kVarying);
  cells_.setFlags(axisCell_[kOuter], kVarying);
}

void Walker::prepareAxis(AxisLine& line, int role) {
  const AxisGrid& axis = ctx_.job->axes[line.world];
  const bool fromMaximum = ctx_.order.fromMaximum[line.world];
  const long double start = fromMaximum ? axis.samplingMaximum : axis.samplingMinimum;
  const long double end = fromMaximum ? axis.samplingMinimum : axis.samplingMaximum;
  const int n = line.count;
  for (int k = 0; k < n; ++k) {
    line.coord[k] = static_cast<double>(start + (static_cast<long double>(k) / (n - 1)) * (end - start));
    line.mid[k] = k == 0 ? line.coord[0] : static_cast<double>((static_cast<long double>(line.coord[k - 1]) + line.coord[k]) / 2);
    line.frame[k] = ctx_.frame.map(line.world, line.coord[k]);
  }
  halfStep_[role] = ctx_.gridStep[line.world] * 0.5;
}

// The slabs' coordinates in walk order, from the far end to the near one.
void Walker::prepareOuterAxis() {
  outer_.world = outerAxis_;
  outer_.count = outerCount_;
  outerBytes_ = static_cast<std::size_t>(axisBytes(outerCount_));
  outer_.coord = static_cast<double*>(state_.allocator.AllocateZeroed(outerBytes_));
  outer_.mid = outer_.coord + outerCount_;
  outer_.frame = reinterpret_cast<float*>(outer_.mid + outerCount_);
  for (int slab = 0; slab < outerCount_; ++slab) {
    const int k = outerCount_ - 1 - slab;
    const long double t = static_cast<long double>(k) / (outerCount_ - 1);
    const double coord = static_cast<double>(t * outerFar_ + (1 - t) * outerNear_);
    outer_.coord[slab] = coord;
    outer_.mid[slab] = slab == 0 ? coord : static_cast<double>((static_cast<long double>(outer_.coord[slab - 1]) + coord) / 2);
    outer_.frame[slab] = ctx_.frame.map(outerAxis_, coord);
  }
}

void Walker::prepareItems() {
  const AxisSweep axes[3] = {
      {axisCell_[kInner], inner_.coord, inner_.mid, static_cast<std::uint32_t>(inner_.count)},
      {axisCell_[kMiddle], middle_.coord, middle_.mid, static_cast<std::uint32_t>(middle_.count)},
      {axisCell_[kOuter], outer_.coord, outer_.mid, static_cast<std::uint32_t>(outer_.count)},
  };
  for (int i = 0; i < itemCount_; ++i) {
    ItemRun& run = items_[i];
    if (options_.tabulate) {
      run.tables = tabulateInnerSubexpressions(state_, run.item->tree, inner_.coord, static_cast<std::uint32_t>(inner_.count));
      run.tables = tabulateRowConstants(state_, run.tables, run.item->tree, axes);
    }
    if (run.vector) {
      run.arrows.item = run.item;
      beginVectorRun(ctx_, run.arrows);
      continue;
    }
    SurfaceRun& s = run.surface;
    s.relation = run.item->relation;
    // Crossing points are found on edges of every direction, so the value form is
    // compiled once per redraw with all three coordinates read at run time. Every
    // coordinate it sees is a grid coordinate or a mid-point, so its subexpressions
    // of one axis alone are read from tables of both.
    if (options_.tabulate) s.axisTables = tabulateAxisSubexpressions(state_, run.item->tree, axes);
    if (options_.tabulate) s.keptCondition = makeKeptRowCode(state_, Form::Condition, run.item->tree, run.tables);
    s.valueTree = foldExpression(state_, run.item->tree, Form::Value, s.axisTables ? axisFoldTables(*s.axisTables) : nullptr);
    s.value = compileExpression(state_, s.valueTree, Form::Value);
    if (s.relation != kRelationEquation) {
      const SideColors sides = inequalitySideColors(s.relation);
      s.trueColor = pixelForIndex(ctx_.colors, sides.trueSide);
      s.falseColor = pixelForIndex(ctx_.colors, sides.falseSide);
    }
  }
}

void Walker::prepareColoring() {
  const ColorState& colors = ctx_.colors;
  for (int role = 0; role < 3; ++role) {
    if (ctx_.order.axis[role] == 2) zRole_ = role;
  }
  prepareSurfaceColoring(state_, colors, coloring_);
  if (coloring_.kind != SurfaceColoring::Height) return;
  const AxisLine& line = lineOf(zRole_);
  const AxisGrid& z = ctx_.job->axes[2];
  heightBytes_ = static_cast<std::size_t>(saturatingAlignUp(saturatingProduct(line.count, sizeof(PixelColor)), 16));
  heightColors_ = static_cast<PixelColor*>(state_.allocator.Allocate(heightBytes_));
  // The full grid's count: a slice along z keeps the colours of the whole picture.
  for (int k = 0; k < line.count; ++k)
    heightColors_[k] = pixelForIndex(colors, heightColorIndex(line.mid[k], z.boxMinimum, z.boxMaximum, z.savedCount));
}

void Walker::compileRow() {
  // The previous row left the cells as the walk set them up.
  VX_ASSERT(state_.cells[axisCell_[kInner]].flags == (kInnerSweep | kVarying));
  VX_ASSERT(state_.cells[axisCell_[kMiddle]].flags == kVarying && state_.cells[axisCell_[kOuter]].flags == kVarying);
  // The outer and middle coordinates are constants for one row's code, so that
  // what runs per point is only the arithmetic of the inner coordinate.
  cells_.setFlags(axisCell_[kOuter], 0);
  cells_.setFlags(axisCell_[kMiddle], 0);
  for (int i = 0; i < itemCount_; ++i) {
    ItemRun& run = items_[i];
    if (run.vector) {
      ExprNode* tree = foldExpression(state_, run.item->tree, Form::Value, run.tables);
      run.arrows.components = compileExpression(state_, tree, Form::Value);
      run.surface.conditionTree = tree;  // kept until the code is released
      continue;
    }
    SurfaceRun& s = run.surface;
    if (s.keptCondition) {
      s.condition = replayRowCode(*s.keptCondition);
      if (!s.condition)
        s.condition = keptRowCode(state_, *s.keptCondition,
                                  foldExpression(state_, run.item->tree, Form::Condition, run.tables));
      continue;
    }
    ExprNode* tree = foldExpression(state_, run.item->tree, Form::Condition, run.tables);
    s.conditionTree = tree;
    s.condition = compileExpression(state_, s.conditionTree, Form::Condition);
  }
  cells_.setFlags(axisCell_[kOuter], kVarying);
  cells_.setFlags(axisCell_[kMiddle], kVarying);
}

void Walker::releaseRowCode() {
  for (int i = 0; i < itemCount_; ++i) {
    ItemRun& run = items_[i];
    CompiledCode*& code = run.vector ? run.arrows.components : run.surface.condition;
    if (code && !run.surface.keptCondition) releaseCode(state_, code);
    if (run.surface.conditionTree) releaseExpression(state_, run.surface.conditionTree);
    code = nullptr;
    run.surface.conditionTree = nullptr;
  }
}

// False when the host cancelled the redraw (it is asked after every row).
bool Walker::walkSlab(int slab) {
  slab_ = slab;
  outerCoord_ = outer_.coord[slab];
  outerMid_ = outer_.mid[slab];
  setCell(kOuter, outerCoord_);
  world_[outerAxis_] = outerCoord_;
  SamplingContext& sampling = cells_.sampling();
  sampling.nearLow[outerAxis_] = outerCoord_ - halfStep_[kOuter];
  sampling.nearHigh[outerAxis_] = outerCoord_ + halfStep_[kOuter];

  const bool cellsInSlab = slab > 0 && options_.extractSurfaces;
  for (int i = 0; i < itemCount_; ++i) {
    if (items_[i].tables) selectRowConstants(*items_[i].tables, kOuter, static_cast<std::uint32_t>(slab));
  }
  for (int r = 0; r < middle_.count; ++r) {
    const double m = middle_.coord[r];
    setCell(kMiddle, m);
    world_[middle_.world] = m;
    sampling.nearLow[middle_.world] = m - halfStep_[kMiddle];
    sampling.nearHigh[middle_.world] = m + halfStep_[kMiddle];
    for (int i = 0; i < itemCount_; ++i) {
      if (items_[i].tables) selectRowConstants(*items_[i].tables, kMiddle, static_cast<std::uint32_t>(r));
    }
    compileRow();
    // Conditions have no effects, so a row's are all found first; cells and
    // arrows then follow in the walk's order, point by point, items in list order.
    for (int i = 0; i < itemCount_; ++i) {
      if (!items_[i].vector) evaluateRow(items_[i].surface, r);
    }
    const bool cells = cellsInSlab && r > 0;
    if (cells || vectors_) visitRow(r, cells);
    releaseRowCode();
    if (!reportProgress(ctx_, ++rowsDone_, rowsTotal_)) return false;
  }
  return true;
}

// The condition bits (conditionBit) of four consecutive status words read as one
// little-endian word, one per byte of the result.
std::uint32_t fourConditionBits(std::uint64_t statuses, bool strict) {
  constexpr int kLessShift = std::countr_zero(kStatusLess), kEqualShift = std::countr_zero(kStatusEqual);
  std::uint64_t t = statuses >> kLessShift;
  if (strict) t |= statuses >> kEqualShift;
  t &= 0x0001000100010001u;
  t = (t | t >> 8) & 0x0000FFFF0000FFFFu;
  return static_cast<std::uint32_t>(t | t >> 16);
}

// Each point's condition byte: bit 0 the previous slab, bit 4 this one.
void Walker::evaluateRow(SurfaceRun& s, int r) {
  const int ni = inner_.count;
  std::uint8_t* const bits = s.bits + std::size_t(r) * ni;
  const std::uint16_t* const statuses = rowStatuses_;
  const std::uint8_t relation = s.relation;
  runConditionRow(s.condition, inner_.coord, static_cast<std::uint32_t>(ni), rowStatuses_);
  int c = 0;
  if constexpr (std::endian::native == std::endian::little) {
    // Four points at a time: this loop runs once per grid point of every redraw.
    const bool strict = relation == kRelationStrict;
    for (; c + 4 <= ni; c += 4) {
      std::uint64_t four;
      std::uint32_t old;
      std::memcpy(&four, statuses + c, sizeof four);
      std::memcpy(&old, bits + c, sizeof old);
      const std::uint32_t next = ((old >> 4) & 0x0F0F0F0Fu) | (fourConditionBits(four, strict) << 4);
      std::memcpy(bits + c, &next, sizeof next);
    }
  }
  for (; c < ni; ++c) {
    const unsigned bit = conditionBit(statuses[c], relation);
    bits[c] = static_cast<std::uint8_t>((bits[c] >> 4) | (bit << 4));
  }
}

// One byte per cell for the eight cells ending at columns c to c + 7 of row r:
// nonzero where some surface item passes through the cell, that is where its
// four corner bytes differ or the two slabs' bits differ (only 0x00 and 0x11
// lie wholly on one side).
std::uint64_t Walker::crossedCells(int r, int c) const {
  const int ni = inner_.count;
  std::uint64_t crossed = 0;
  for (int i = 0; i < itemCount_; ++i) {
    const std::uint8_t* row = items_[i].surface.bits + std::size_t(r) * ni + c - 1;
    std::uint64_t a, b, above, aboveB;
    std::memcpy(&a, row, 8);
    std::memcpy(&b, row + 1, 8);
    std::memcpy(&above, row - ni, 8);
    std::memcpy(&aboveB, row - ni + 1, 8);
    crossed |= (a ^ b) | (a ^ above) | (a ^ aboveB) | ((a ^ (a >> 4)) & 0x0101010101010101u);
  }
  return crossed;
}

// The cell of one surface item that ends at column c of row r, if the surface
// passes through it.
void Walker::visitItemCell(ItemRun& run, int r, int c) {
  const int ni = inner_.count;
  const std::uint8_t* bits = run.surface.bits + std::size_t(r) * ni + c;
  // Corner k of the cell ending here sits at inner offset k & 1, middle offset
  // (k >> 1) & 1 and slab offset k >> 2.
  const unsigned before = bits[-ni - 1] | (unsigned{bits[-1]} << 2);
  const unsigned pair = bits[-ni] | (unsigned{bits[0]} << 2);
  const unsigned index = (before | (pair << 1)) ^ ctx_.order.parity;
  if (static_cast<std::uint8_t>(index + 1) > 1) processCell(run, r, c, index & 0xFF);
}

void Walker::visitRow(int r, bool cells) {
  const int ni = inner_.count;
  if (!vectors_) {
    // Only cells matter, and most of a row lies off every surface: eight cells
    // at a time, visiting only those some surface passes through.
    int c = 1;
    if constexpr (std::endian::native == std::endian::little) {
      for (; c + 8 <= ni; c += 8) {
        for (std::uint64_t crossed = crossedCells(r, c); crossed;) {
          const int offset = std::countr_zero(crossed) / 8;
          for (int i = 0; i < itemCount_; ++i) visitItemCell(items_[i], r, c + offset);
          crossed &= ~(std::uint64_t{0xFF} << (8 * offset));
        }
      }
    }
    for (; c < ni; ++c) {
      for (int i = 0; i < itemCount_; ++i) visitItemCell(items_[i], r, c);
    }
    return;
  }
  for (int c = 0; c < ni; ++c) {
    for (int i = 0; i < itemCount_; ++i) {
      ItemRun& run = items_[i];
      if (run.vector) {
        world_[inner_.world] = inner_.coord[c];
        drawVectorAtGridPoint(ctx_, run.arrows, &inner_.coord[c], world_);
        continue;
      }
      if (!cells || c == 0) continue;
      visitItemCell(run, r, c);
    }
  }
}

void Walker::processCell(ItemRun& run, int r, int c, unsigned index) {
  SurfaceRun& s = run.surface;
  const CellCase& cell = kCellCases[index];
  // Only the case's edges are filled, and only they are read.
  const EdgeVertex* vertices[kCellEdges];
  for (unsigned mask = cell.edgeMask; mask; mask &= mask - 1) {
    const int edge = __builtin_ctz(mask);
    vertices[edge] = edgeVertex(s, edge, r, c);
  }
  PixelColor trueColor = s.trueColor, falseColor = s.falseColor;
  if (s.relation == kRelationEquation) trueColor = falseColor = cellColor(r, c);
  emitCellPolygons(ctx_, cell, vertices, trueColor, falseColor, run.item);
}

PixelColor Walker::cellColor(int r, int c) {
  if (coloring_.kind == SurfaceColoring::Height) return heightColors_[zRole_ == kInner ? c : zRole_ == kMiddle ? r : slab_];
  if (coloring_.kind == SurfaceColoring::Fixed) return coloring_.fixed;
  double centre[3];
  centre[kInner] = inner_.mid[c];
  centre[kMiddle] = middle_.mid[r];
  centre[kOuter] = outerMid_;
  setCell(kMiddle, centre[kMiddle]);
  setCell(kOuter, centre[kOuter]);
  const double innerCentre = centre[kInner];
  const long double v = runValue(coloring_.code, &innerCentre);
  setCell(kMiddle, middle_.coord[r]);
  setCell(kOuter, outerCoord_);
  return pixelForIndex(ctx_.colors, expressionColorIndex(v));
}

EdgeVertex* Walker::newVertex(EdgeVertex** slot, bool keepForNextSlab) {
  EdgeVertex* v = ctx_.vertices->take();
  v->slot = slot;
  *slot = v;
  EdgeVertex*& chain = keepForNextSlab ? dueNextSlab_ : dueThisSlab_;
  v->link = chain;
  chain = v;
  return v;
}

// The vertex on one of the twelve edges of the cell that ends at (r, c) of this
// slab, made when first needed.
EdgeVertex* Walker::edgeVertex(SurfaceRun& s, int edge, int r, int c) {
  const int ni = inner_.count;
  const int axis = edge / 4, j = edge % 4;
  // The edge's grid point per role; along the edge's own axis, its far end.
  int index[3] = {c, r, slab_};
  EdgeVertex** slot;
  bool currentSlab = false;
  if (axis == kInner) {
    index[kMiddle] = r - 1 + (j & 1);
    index[kOuter] = slab_ - 1 + (j >> 1);
    currentSlab = j >> 1;
    slot = &s.links[std::size_t(index[kMiddle]) * ni + (c - 1)].plane[(slab_ - 1 + currentSlab) & 1][0];
  } else if (axis == kMiddle) {
    index[kInner] = c - 1 + (j & 1);
    index[kOuter] = slab_ - 1 + (j >> 1);
    currentSlab = j >> 1;
    slot = &s.links[std::size_t(r - 1) * ni + index[kInner]].plane[(slab_ - 1 + currentSlab) & 1][1];
  } else {
    index[kInner] = c - 1 + (j & 1);
    index[kMiddle] = r - 1 + (j >> 1);
    slot = &s.links[std::size_t(index[kMiddle]) * ni + index[kInner]].between;
  }
  if (*slot) return *slot;
  // In-plane edges of this slab are still needed by the next slab's cells.
  EdgeVertex* v = newVertex(slot, axis != kOuter && currentSlab);
  placeCrossing(s, *v, axis, index);
  setCell(kMiddle, middle_.coord[r]);
  setCell(kOuter, outerCoord_);
  return v;
}

// The value form at `coord` with the coordinate of `role` replaced by its grid
// coordinate or mid-point k. With tables, the slots of the other two roles are
// already filled.
long double Walker::valueAt(SurfaceRun& s, int role, bool mid, int k, double coord[3]) {
  const AxisLine& line = lineOf(role);
  coord[role] = mid ? line.mid[k] : line.coord[k];
  setCell(kMiddle, coord[kMiddle]);
  setCell(kOuter, coord[kOuter]);
  if (!s.axisTables) return runValue(s.value, &coord[kInner]);
  selectAxisEntry(*s.axisTables, role, mid, static_cast<std::uint32_t>(k));
  return runValue(s.value, axisPoint(*s.axisTables, coord[kInner]));
}

void Walker::placeCrossing(SurfaceRun& s, EdgeVertex& v, int role, const int index[3]) {
  double coord[3];
  for (int q = 0; q < 3; ++q) {
    coord[q] = lineOf(q).coord[index[q]];
    if (q != role && s.axisTables) selectAxisEntry(*s.axisTables, q, false, static_cast<std::uint32_t>(index[q]));
  }
  const AxisLine& line = lineOf(role);
  const int k = index[role];
  const long double a = line.coord[k - 1], m = line.mid[k], b = line.coord[k];
  const long double fa = valueAt(s, role, false, k - 1, coord);
  const long double fm = valueAt(s, role, true, k, coord);
  const long double fb = valueAt(s, role, false, k, coord);
  const int world = ctx_.order.axis[role];
  long double x;
  v.usable = crossingPoint(a, m, b, fa, fm, fb, 2 * ctx_.gridStep[world], x);
  if (!v.usable) return;
  for (int q = 0; q < 3; ++q) {
    if (q != role) v.frame[ctx_.order.axis[q]] = lineOf(q).frame[index[q]];
  }
  const float f = ctx_.frame.map(world, static_cast<double>(x));
  v.frame[world] = f;
  for (float c : v.frame) v.usable = v.usable && std::isfinite(c);
  if (v.usable) projectVertex(ctx_, v);
}

void Walker::releaseChain(EdgeVertex*& chain) {
  while (chain) {
    EdgeVertex* next = chain->link;
    *chain->slot = nullptr;
    ctx_.vertices->give(chain);
    chain = next;
  }
}

void Walker::endSlab() {
  // Vertices between the two slabs and in the previous slab's plane are done with.
  releaseChain(dueThisSlab_);
  dueThisSlab_ = dueNextSlab_;
  dueNextSlab_ = nullptr;
}

void Walker::finish() {
  releaseChain(dueThisSlab_);
  releaseChain(dueNextSlab_);
  for (int i = 0; i < itemCount_; ++i) {
    ItemRun& run = items_[i];
    if (run.vector) endVectorRun(ctx_, run.arrows);
    SurfaceRun& s = run.surface;
    if (s.value) releaseCode(state_, s.value);
    if (s.valueTree) releaseExpression(state_, s.valueTree);
    releaseAxisTables(state_, s.axisTables);
    releaseKeptRowCode(state_, s.keptCondition);
    releaseInnerTables(state_, run.tables);
    run.~ItemRun();
  }
  releaseSurfaceColoring(state_, coloring_);
  if (heightColors_) state_.allocator.Release(heightColors_, heightBytes_);
  if (rowStatuses_) state_.allocator.Release(rowStatuses_, rowStatusBytes_);
  rowStatuses_ = nullptr;
  state_.allocator.Release(block_, blockBytes_);
  block_ = nullptr;
  state_.allocator.Release(outer_.coord, outerBytes_);
  outer_.coord = nullptr;
}

}  // namespace

std::uint64_t sampleStoreBytesFor(std::uint64_t inner, std::uint64_t middle, std::uint64_t graphs) {
  const std::uint64_t runs = saturatingAlignUp(saturatingProduct(graphs, sizeof(ItemRun)), 16);
  const std::uint64_t plane = saturatingAlignUp(saturatingProduct(inner, middle, kSurfaceBytesPerPoint), 16);
  return saturatingSum(saturatingSum(runs, saturatingSum(axisBytes(inner), axisBytes(middle))),
                       saturatingProduct(graphs, plane));
}

Status walkGrid(RenderContext& ctx, const WalkOptions& options) {
  if (!ctx.job || !ctx.job->items) return kOk;
  // The job builder refuses larger grids; a job made any other way is not walked.
  if (sampleStoreBytes(*ctx.job) > kMaxSampleStoreBytes) return kOk;
  Walker walker(ctx, options);
  return walker.run();
}

}  // namespace vx
