// Subexpressions of the inner sweep variable alone. A redraw's grid coordinate
// takes only as many distinct values as the axis has points, yet a row's code
// would compute sin(z) or cos(z) again at every point of every row. Such a
// subtree is computed once per inner coordinate into a table of extended
// precision values, by the same compiled code, and the row folds read the table.
//
// Bit for bit the same: a table entry is the long double the subtree's code
// leaves on the stack, stored unrounded, and what the row code does with it is
// what it did with the subtree's value before. The one place where folding looks
// into a folded operand is the addition's constant merge ((e + c1) + c2 becomes
// e + (c1 + c2)); under an addition a subtree that folds to e + c or c - e is
// therefore tabulated as e, and the row folds see the same addition of c.
//
// Crossing points evaluate off the grid along one axis at a time, at grid
// coordinates and mid-points; the same scan finds the subexpressions of each of
// the three axes alone, tabulated at both (axistables.h).
#include "lang/axistables.h"

#include <cstring>

#include "base/check.h"
#include "lang/code.h"
#include "lang/fold.h"
#include "lang/keywords.h"

namespace vx {

namespace {

enum class TableShape : std::uint8_t {
  Whole,          // the subtree's value
  PlusConstant,   // table + constant
  ConstantMinus,  // constant - table
};

struct TabulatedSubtree {
  const ExprNode* subtree;  // in the tree that is folded each row
  real* values;
  TableShape shape;
  double constant;
};

// Enough for any formula written by hand; beyond it subtrees are computed as before.
constexpr std::uint32_t kMaxTables = 32;

}  // namespace

namespace {

// A subexpression of the middle or the outer coordinate alone, which row code
// folds into a constant: that constant at every grid coordinate of its axis.
struct FoldedSubtree {
  const ExprNode* subtree;
  double* values;
  std::uint32_t count;
  std::uint8_t role;
  double current;  // the value for the row being folded
};

}  // namespace

struct InnerTables {
  const double* sweep;
  std::uint32_t count;
  // One bit per listed subtree (subtreeBit): the fold asks about every node it
  // visits, and most of them are in no list.
  std::uint64_t subtrees;
  std::uint32_t tableCount;
  TabulatedSubtree tables[kMaxTables];
  std::uint32_t foldedCount;
  FoldedSubtree folded[kMaxTables];
};

namespace {

std::uint64_t subtreeBit(const ExprNode* n) {
  return std::uint64_t{1} << ((reinterpret_cast<std::uintptr_t>(n) * std::uintptr_t{0x9E3779B1u}) >> 7 & 63);
}

// One tabulated subexpression of the crossing code: its axis (walk role) and its
// values at the axis' grid coordinates and mid-points.
struct AxisEntry {
  std::uint8_t role;
  real* grid;
  real* mid;
};

}  // namespace

struct AxisTables {
  // The fold's view: entry i reads slots[i]; the sweep is `point`, so that the
  // code's table index (point less sweep) is always 0.
  InnerTables fold;
  double point;
  std::uint32_t counts[3];
  AxisEntry entries[kMaxTables];
  real slots[kMaxTables];
  // The entries of each role, so that filling one role's slots visits only them.
  std::uint8_t roleEntries[3][kMaxTables];
  std::uint8_t roleCount[3];
  // What each role's slots hold now (2 k, plus 1 for a mid-point; -1: nothing),
  // so that the walk's repeated choices of the same entry copy nothing.
  std::int64_t selected[3];
};

namespace {

// What a subtree depends on: the walk roles of the axis variables it reads (one
// bit per role), and whether it is closed: tabulable kinds over constants,
// unflagged cells and axis variables only.
struct Reach {
  std::uint8_t roles;
  bool closed;
};

// A closed subtree of exactly one axis variable.
constexpr int kInnerRole = 0;

bool isOneAxis(Reach r) { return r.closed && r.roles != 0 && (r.roles & (r.roles - 1)) == 0; }
int roleOf(Reach r) { return __builtin_ctz(r.roles); }

std::size_t tableBytes(std::uint32_t count) { return std::size_t{count} * sizeof(real); }

// Kinds whose fold and code are a function of their operands' alone.
bool isTabulableKind(const ExprNode* n) { return isUnary(n) || (isBinary(n) && !isBinaryKind(n, kIntersect)); }

// Instructions a folded subtree costs per point: a table pays off from two
// operations on (one load replaces them), or from one call of a routine.
int pointCost(const ExprNode* n) {
  if (isUnary(n)) {
    const NodeOps* ops = n->ops;
    const bool inline1 = ops == &kUnaryKinds[kNegate] || ops == &kUnaryKinds[kAbs] ||
                         ops == &kUnaryKinds[kSqr] || ops == &kUnaryKinds[kPercent];
    return (inline1 ? 1 : 2) + pointCost(static_cast<const UnaryNode*>(n)->operand);
  }
  if (isBinary(n)) {
    auto* b = static_cast<const BinaryNode*>(n);
    const bool arithmetic = isBinaryKind(n, kAdd) || isBinaryKind(n, kSubtract) ||
                            isBinaryKind(n, kMultiply) || isBinaryKind(n, kDivide);
    return (arithmetic ? 1 : 2) + pointCost(b->left) + pointCost(b->right);
  }
  return 0;
}

// Finds the largest one-axis subtrees and hands each to a table: the inner
// tables of row code (the inner axis only) or the axis tables of crossing code.
class Tabulator {
 public:
  // Inner tables: the cell flagged kInnerSweep is the one axis.
  Tabulator(LangState& state, InnerTables& tables) : state_(state), inner_(&tables) {}
  // Axis tables: the three cells of `axes`, by role.
  Tabulator(LangState& state, AxisTables& tables, const AxisSweep axes[3]) : state_(state), axisTables_(&tables) {
    for (int role = 0; role < 3; ++role) axes_[role] = axes[role];
  }
  // Row constants: the middle and outer subexpressions of `axes` folded at every
  // grid coordinate, added to inner tables.
  Tabulator(LangState& state, InnerTables& tables, const AxisSweep axes[3])
      : state_(state), rowConstants_(&tables) {
    for (int role = 0; role < 3; ++role) axes_[role] = axes[role];
  }

  Reach scan(const ExprNode* n) {
    if (isConstantLeaf(n)) return {0, true};
    if (is(n, kCellOps)) return cellReach(asCell(n));
    const ExprNode* children[2] = {};
    int count = 0;
    if (isUnary(n)) {
      children[count++] = static_cast<const UnaryNode*>(n)->operand;
    } else if (isBinary(n) || isRelation(n)) {
      children[count++] = static_cast<const BinaryNode*>(n)->left;
      children[count++] = static_cast<const BinaryNode*>(n)->right;
    } else if (isGraphCall(n)) {
      auto* call = static_cast<const GraphCallNode*>(n);
      for (std::uint32_t i = 0; i < call->count; ++i) scanAlone(call->args()[i]);
      return {0, false};
    } else {
      return {0, false};
    }
    Reach reach[2] = {};
    Reach own = {0, isTabulableKind(n)};
    for (int i = 0; i < count; ++i) {
      reach[i] = scan(children[i]);
      own.closed = own.closed && reach[i].closed;
      own.roles = static_cast<std::uint8_t>(own.roles | reach[i].roles);
    }
    if (!isOneAxis(own)) {
      for (int i = 0; i < count; ++i) {
        if (isOneAxis(reach[i])) consider(children[i], roleOf(reach[i]), isBinaryKind(n, kAdd));
      }
    }
    return own;
  }

  // A subtree whose parent is not looked at by its fold.
  void scanAlone(const ExprNode* n) {
    Reach reach = scan(n);
    if (isOneAxis(reach)) consider(n, roleOf(reach), false);
  }

 private:
  Reach cellReach(const ValueCell* cell) const {
    if (axisTables_ || rowConstants_) {
      for (int role = 0; role < 3; ++role) {
        if (cell == &state_.cells[axes_[role].cell]) return {static_cast<std::uint8_t>(1u << role), true};
      }
    } else if (cell->flags & kInnerSweep) {
      return {1, true};
    }
    return {0, (cell->flags & kVarying) == 0};
  }

  std::uint32_t& tableCount() {
    if (rowConstants_) return rowConstants_->foldedCount;
    return inner_ ? inner_->tableCount : axisTables_->fold.tableCount;
  }

  void consider(const ExprNode* subtree, int role, bool underAddition) {
    if (!isTabulableKind(subtree) || tableCount() == kMaxTables) return;
    if (rowConstants_) {
      if (role != kInnerRole && pointCost(subtree) >= 2) foldAlong(subtree, role);
      return;
    }
    ExprNode* folded = subtree->ops->foldValue(state_, subtree);
    const ExprNode* target = folded;
    TabulatedSubtree entry{subtree, nullptr, TableShape::Whole, 0};
    if (underAddition && isBinaryKind(folded, kAdd) && is(static_cast<BinaryNode*>(folded)->right, kNumberOps)) {
      target = static_cast<BinaryNode*>(folded)->left;
      entry.shape = TableShape::PlusConstant;
      entry.constant = static_cast<NumberNode*>(static_cast<BinaryNode*>(folded)->right)->value;
    } else if (underAddition && isBinaryKind(folded, kSubtract) &&
               is(static_cast<BinaryNode*>(folded)->left, kNumberOps)) {
      target = static_cast<BinaryNode*>(folded)->right;
      entry.shape = TableShape::ConstantMinus;
      entry.constant = static_cast<NumberNode*>(static_cast<BinaryNode*>(folded)->left)->value;
    }
    if (pointCost(target) >= 2) {
      CompiledCode* code = compileExpression(state_, target, Form::Value);
      if (inner_) {
        entry.values = tabulate(code, inner_->sweep, inner_->count, -1);
        inner_->tables[inner_->tableCount++] = entry;
        inner_->subtrees |= subtreeBit(entry.subtree);
      } else {
        AxisTables& t = *axisTables_;
        const std::uint32_t i = t.fold.tableCount++;
        const AxisSweep& axis = axes_[role];
        t.entries[i] = {static_cast<std::uint8_t>(role), tabulate(code, axis.grid, axis.count, role),
                        tabulate(code, axis.mid, axis.count, role)};
        t.roleEntries[role][t.roleCount[role]++] = static_cast<std::uint8_t>(i);
        entry.values = &t.slots[i];
        t.fold.tables[i] = entry;
        t.fold.subtrees |= subtreeBit(entry.subtree);
      }
      releaseCode(state_, code);
    }
    release(state_, folded);
  }

  // What row code folds the subtree into at every grid coordinate of its axis:
  // with the axis' cell a constant, a closed subtree folds to one number.
  void foldAlong(const ExprNode* subtree, int role) {
    const AxisSweep& axis = axes_[role];
    ValueCell& cell = state_.cells[axis.cell];
    const ValueCell saved = cell;
    auto* values = static_cast<double*>(allocateNode(state_, std::size_t{axis.count} * sizeof(double)));
    cell.flags = 0;
    bool numbers = true;
    for (std::uint32_t k = 0; k < axis.count && numbers; ++k) {
      cell.value = axis.grid[k];
      ExprNode* folded = subtree->ops->foldValue(state_, subtree);
      numbers = is(folded, kNumberOps);
      if (numbers) values[k] = static_cast<NumberNode*>(folded)->value;
      release(state_, folded);
    }
    cell.flags = saved.flags;
    cell.value = saved.value;
    if (!numbers) {
      releaseBlock(state_, values, std::size_t{axis.count} * sizeof(double));
      return;
    }
    rowConstants_->folded[rowConstants_->foldedCount++] = {subtree, values, axis.count,
                                                           static_cast<std::uint8_t>(role), values[0]};
    rowConstants_->subtrees |= subtreeBit(subtree);
  }

  // The code's value at every coordinate. The inner axis is read through the
  // point pointer; another axis (role >= 0) from its cell, which is put back.
  real* tabulate(const CompiledCode* code, const double* coords, std::uint32_t count, int role) {
    auto* values = static_cast<real*>(allocateNode(state_, tableBytes(count)));
    ValueCell* cell = role >= 0 ? &state_.cells[axes_[role].cell] : nullptr;
    if (cell && (cell->flags & kInnerSweep)) cell = nullptr;
    const double saved = cell ? cell->value : 0;
    for (std::uint32_t k = 0; k < count; ++k) {
      if (cell) cell->value = coords[k];
      values[k] = runValue(code, cell ? nullptr : &coords[k]);
    }
    if (cell) cell->value = saved;
    return values;
  }

  LangState& state_;
  InnerTables* inner_ = nullptr;
  AxisTables* axisTables_ = nullptr;
  InnerTables* rowConstants_ = nullptr;
  AxisSweep axes_[3] = {};
};

}  // namespace

InnerTables* tabulateInnerSubexpressions(LangState& state, const ExprNode* tree, const double* sweep,
                                         std::uint32_t count) {
  if (count == 0) return nullptr;
  auto* tables = static_cast<InnerTables*>(allocateNode(state, sizeof(InnerTables)));
  tables->sweep = sweep;
  tables->count = count;
  tables->tableCount = 0;
  tables->foldedCount = 0;
  tables->subtrees = 0;
  const InnerTables* before = state.foldTables;
  state.foldTables = nullptr;
  Tabulator(state, *tables).scanAlone(tree);
  state.foldTables = before;
  if (tables->tableCount == 0) {
    releaseInnerTables(state, tables);
    return nullptr;
  }
  return tables;
}

void releaseInnerTables(LangState& state, InnerTables* tables) {
  if (!tables) return;
  for (std::uint32_t i = 0; i < tables->tableCount; ++i)
    releaseBlock(state, tables->tables[i].values, tableBytes(tables->count));
  for (std::uint32_t i = 0; i < tables->foldedCount; ++i)
    releaseBlock(state, tables->folded[i].values, std::size_t{tables->folded[i].count} * sizeof(double));
  releaseBlock(state, tables, sizeof(InnerTables));
}

ExprNode* foldFromTables(LangState& state, const InnerTables& tables, const ExprNode* n) {
  if (!(tables.subtrees & subtreeBit(n))) return nullptr;
  for (std::uint32_t i = 0; i < tables.foldedCount; ++i) {
    if (tables.folded[i].subtree == n) return makeNumber(state, tables.folded[i].current);
  }
  for (std::uint32_t i = 0; i < tables.tableCount; ++i) {
    const TabulatedSubtree& entry = tables.tables[i];
    if (entry.subtree != n) continue;
    ExprNode* table = makeTable(state, entry.values, tables.sweep);
    switch (entry.shape) {
      case TableShape::Whole: return table;
      case TableShape::PlusConstant:
        return makeBinary(state, &kBinaryKinds[kAdd], table, makeNumber(state, entry.constant));
      case TableShape::ConstantMinus:
        return makeBinary(state, &kBinaryKinds[kSubtract], makeNumber(state, entry.constant), table);
    }
  }
  return nullptr;
}

AxisTables* tabulateAxisSubexpressions(LangState& state, const ExprNode* tree, const AxisSweep axes[3]) {
  auto* tables = static_cast<AxisTables*>(allocateNode(state, sizeof(AxisTables)));
  tables->fold.sweep = &tables->point;
  tables->fold.count = 1;
  tables->fold.tableCount = 0;
  tables->fold.foldedCount = 0;
  tables->fold.subtrees = 0;
  tables->point = 0;
  for (int role = 0; role < 3; ++role) {
    tables->counts[role] = axes[role].count;
    tables->roleCount[role] = 0;
    tables->selected[role] = -1;
  }
  const InnerTables* before = state.foldTables;
  state.foldTables = nullptr;
  Tabulator(state, *tables, axes).scanAlone(tree);
  state.foldTables = before;
  if (tables->fold.tableCount == 0) {
    releaseAxisTables(state, tables);
    return nullptr;
  }
  return tables;
}

void releaseAxisTables(LangState& state, AxisTables* tables) {
  if (!tables) return;
  for (std::uint32_t i = 0; i < tables->fold.tableCount; ++i) {
    const AxisEntry& entry = tables->entries[i];
    releaseBlock(state, entry.grid, tableBytes(tables->counts[entry.role]));
    releaseBlock(state, entry.mid, tableBytes(tables->counts[entry.role]));
  }
  releaseBlock(state, tables, sizeof(AxisTables));
}

const InnerTables* axisFoldTables(const AxisTables& tables) { return &tables.fold; }

void selectAxisEntry(AxisTables& tables, int role, bool mid, std::uint32_t k) {
  VX_ASSERT(k < tables.counts[role]);
  const std::int64_t entry = 2 * std::int64_t{k} + mid;
  if (tables.selected[role] == entry) return;
  tables.selected[role] = entry;
  for (std::uint32_t n = 0; n < tables.roleCount[role]; ++n) {
    const std::uint8_t i = tables.roleEntries[role][n];
    tables.slots[i] = (mid ? tables.entries[i].mid : tables.entries[i].grid)[k];
  }
}

const double* axisPoint(AxisTables& tables, double inner) {
  tables.point = inner;
  return &tables.point;
}

InnerTables* tabulateRowConstants(LangState& state, InnerTables* tables, const ExprNode* tree,
                                  const AxisSweep axes[3]) {
  const bool fresh = tables == nullptr;
  if (fresh) {
    tables = static_cast<InnerTables*>(allocateNode(state, sizeof(InnerTables)));
    tables->sweep = axes[kInnerRole].grid;
    tables->count = axes[kInnerRole].count;
    tables->tableCount = 0;
    tables->foldedCount = 0;
    tables->subtrees = 0;
  }
  const InnerTables* before = state.foldTables;
  state.foldTables = nullptr;
  Tabulator(state, *tables, axes).scanAlone(tree);
  state.foldTables = before;
  if (fresh && tables->foldedCount == 0) {
    releaseInnerTables(state, tables);
    return nullptr;
  }
  return tables;
}

void selectRowConstants(InnerTables& tables, int role, std::uint32_t k) {
  for (std::uint32_t i = 0; i < tables.foldedCount; ++i) {
    FoldedSubtree& entry = tables.folded[i];
    if (entry.role == role) entry.current = entry.values[k];
  }
}

namespace {

constexpr std::uint32_t kMaxRowNumbers = 64;
constexpr std::uint32_t kMaxRowPatches = 128;

// An operand of the kept code and the number (in tree order) it carries.
struct RowPatch {
  std::uint32_t instruction;
  std::uint32_t number;
};

// True when `a` has the shape of `b`: the same kinds, cells, tables, arrays and
// statuses everywhere, numbers alone may differ. Appends a's numbers in tree order.
bool sameShape(const ExprNode* a, const ExprNode* b, NumberNode** numbers, std::uint32_t& count) {
  if (a->ops != b->ops) return false;
  // The kinds in the order they are most common in row trees.
  if (isBinary(a) || isRelation(a)) {
    auto *ba = static_cast<const BinaryNode*>(a), *bb = static_cast<const BinaryNode*>(b);
    return sameShape(ba->left, bb->left, numbers, count) && sameShape(ba->right, bb->right, numbers, count);
  }
  if (is(a, kNumberOps)) {
    if (count == kMaxRowNumbers) return false;
    numbers[count++] = static_cast<NumberNode*>(const_cast<ExprNode*>(a));
    return true;
  }
  if (is(a, kCellOps)) return a == b;
  if (is(a, kTableOps)) {
    auto *ta = static_cast<const TableNode*>(a), *tb = static_cast<const TableNode*>(b);
    return ta->values == tb->values && ta->sweep == tb->sweep;
  }
  if (isUnary(a))
    return sameShape(static_cast<const UnaryNode*>(a)->operand, static_cast<const UnaryNode*>(b)->operand, numbers, count);
  if (is(a, kFlagsOps)) return static_cast<const FlagsNode*>(a)->status == static_cast<const FlagsNode*>(b)->status;
  if (is(a, kDataGridOps)) return a == b;
  if (isGraphCall(a)) {
    auto *ga = static_cast<const GraphCallNode*>(a), *gb = static_cast<const GraphCallNode*>(b);
    if (ga->count != gb->count) return false;
    for (std::uint32_t i = 0; i < ga->count; ++i) {
      if (!sameShape(ga->args()[i], gb->args()[i], numbers, count)) return false;
    }
    return true;
  }
  return false;  // a kind the comparison does not know: compiled every row
}

// The operand code gives a number, exactly as the code generator computes it: a
// load carries the number itself, a fused operand the number as a leaf's value.
double operandOf(const Instruction& instruction, const NumberNode* n) {
  return instruction.opcode == kOpLoadImm ? n->value : static_cast<double>(constantValue(n));
}

// A mark for the j-th number: distinct from every other mark.
double markOf(std::uint32_t j) { return 0x1.5p+900 + 0x1p+860 * j; }

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

// The row fold's arithmetic without its tree. Folding a row makes every number
// of the folded tree from the row's inputs (the middle and outer cells, the
// selected row constants) and the redraw's constants, by the same operations at
// every row of one shape; the shape itself changes only where a relation between
// numbers has another outcome. So the operations are learnt once, in the order
// the fold performs them and with its rounding, and replayed on the row's inputs;
// a relation's outcome that differs from the learnt one sends the row back to
// the fold.
enum class ReplayKind : std::uint8_t { Load, Unary, Binary, Merge, Compare };

struct ReplayStep {
  ReplayKind kind;
  std::uint16_t status;  // Compare: the outcome the shape was learnt with
  std::uint16_t out, a, b;
  const double* source;  // Load
  Routine routine;       // Unary, Binary
};

constexpr std::uint32_t kMaxReplaySteps = 128;
constexpr std::uint32_t kMaxReplayRegisters = 256;

struct RowReplay {
  std::uint32_t stepCount;
  ReplayStep steps[kMaxReplaySteps];
  // What constantValue gives for each number or flags of the fold.
  real registers[kMaxReplayRegisters];
  // The register of each number of the folded tree, in tree order.
  std::uint16_t numbers[kMaxRowNumbers];
};

struct KeptRowCode {
  Form form;
  const ExprNode* source;      // the graph's tree, folded every row
  const InnerTables* tables;   // what the fold reads
  ExprNode* tree;      // what `code` was compiled from
  CompiledCode* code;
  bool patchable;
  bool replayable;     // replay applies to the kept shape
  bool relearn;        // a row's relations differed from the learnt ones
  std::uint32_t numberCount;
  std::uint32_t patchCount;
  RowPatch patches[kMaxRowPatches];
  NumberNode* numbers[kMaxRowNumbers];
  RowReplay replay;
};

namespace {

// Finds which operands of the kept code carry which of its tree's numbers: the
// tree compiled with every number marked must differ from the code only there,
// every number must be found, and each such operand must be the number's.
bool learnPatches(LangState& state, KeptRowCode& kept) {
  std::uint32_t count = 0;
  if (!sameShape(kept.tree, kept.tree, kept.numbers, count)) return false;
  kept.numberCount = count;
  kept.patchCount = 0;
  double saved[kMaxRowNumbers];
  for (std::uint32_t j = 0; j < count; ++j) {
    saved[j] = kept.numbers[j]->value;
    kept.numbers[j]->value = markOf(j);
  }
  CompiledCode* marked = compileExpression(state, kept.tree, kept.form);
  for (std::uint32_t j = 0; j < count; ++j) kept.numbers[j]->value = saved[j];
  const CompiledCode& code = *kept.code;
  bool ok = marked->count == code.count && marked->maxDepth == code.maxDepth && marked->shape == code.shape &&
            marked->native == code.native && marked->sweep == code.sweep;
  bool found[kMaxRowNumbers] = {};
  for (std::uint32_t i = 0; ok && i < code.count; ++i) {
    const Instruction& a = code.instructions()[i];
    const Instruction& m = marked->instructions()[i];
    if (std::memcmp(&a, &m, sizeof a) == 0) continue;
    std::uint32_t j = 0;
    while (j < count && !sameBits(m.imm, markOf(j))) ++j;
    ok = j < count && a.opcode == m.opcode && a.aux == m.aux && sameBits(a.imm, operandOf(a, kept.numbers[j])) &&
         kept.patchCount < kMaxRowPatches;
    if (ok) {
      kept.patches[kept.patchCount++] = {i, j};
      found[j] = true;
    }
  }
  for (std::uint32_t j = 0; ok && j < count; ++j) ok = found[j];
  releaseCode(state, marked);
  return ok;
}

bool runStep(const ReplayStep& step, real* r) {
  switch (step.kind) {
    case ReplayKind::Load: r[step.out] = *step.source; return true;
    case ReplayKind::Unary: r[step.out] = static_cast<double>(step.routine.unary(r[step.a])); return true;
    case ReplayKind::Binary: r[step.out] = static_cast<double>(step.routine.binary(r[step.a], r[step.b])); return true;
    case ReplayKind::Merge: r[step.out] = static_cast<double>(r[step.a] + r[step.b]); return true;
    case ReplayKind::Compare: return compareStatus(r[step.a], r[step.b]) == step.status;
  }
  return false;
}

// Learns a row fold's operations by following the fold node by node (the same
// choices on the same kinds), building a shadow of the folded tree: its kinds,
// and for each number the register that holds it. Steps run as they are learnt,
// so that the shadow can be checked against the tree the fold made.
class ReplayLearner {
 public:
  ReplayLearner(LangState& state, const InnerTables* tables, RowReplay& replay)
      : state_(state), tables_(tables), replay_(replay) {
    replay_.stepCount = 0;
  }

  // The shadow of the fold of `n` (value or condition form); -1 when a kind or
  // a limit is beyond the replay.
  int fold(const ExprNode* n, bool value) {
    if (value && tables_ && (tables_->subtrees & subtreeBit(n))) {
      const int tabulated = fromTables(n);
      if (tabulated != kNone) return tabulated;
    }
    auto f = value ? n->ops->foldValue : n->ops->foldCondition;
    if (f == foldNumber) return number(static_cast<const NumberNode*>(n)->value);
    if (f == foldConstant) return number(static_cast<const ConstantNode*>(n)->value);
    if (f == foldToUndefined) return number(kUndefinedConstant.value);
    if (f == foldCell) return cell(asCell(n));
    if (f == foldDerived) {
      ExprNode* expanded = expandDerived(state_, n);
      const int folded = fold(expanded, true);
      release(state_, expanded);
      return folded;
    }
    if (f == foldFlags) return flags(static_cast<const FlagsNode*>(n)->status);
    if (f == foldDataGrid) return node(&kDataGridOps, {});
    if (f == foldTable) return node(&kTableOps, {});
    if (f == foldGraphCall) return graphCall(static_cast<const GraphCallNode*>(n));
    if (f == foldUnary) {
      const int operand = fold(static_cast<const UnaryNode*>(n)->operand, true);
      if (operand == kNone) return kNone;
      if (isKnown(operand)) return computed(step(ReplayKind::Unary, n->ops->routine, operand, 0));
      return node(n->ops, {operand});
    }
    auto* b = static_cast<const BinaryNode*>(n);
    const bool conditions = f == foldIntersectCondition || f == foldIntersectValue;
    if (f != foldBinary && f != foldAdd && f != foldRelationCondition && f != foldRelationValue && !conditions)
      return kNone;
    int left = fold(b->left, !conditions);
    int right = left == kNone ? kNone : fold(b->right, !conditions);
    if (right == kNone) return kNone;
    const NodeOps* ops = f == foldRelationValue ? &kBinaryKinds[kReverseSubtract] : n->ops;
    const bool known = isKnown(left) && isKnown(right);
    if (f == foldRelationCondition && known) return compare(right, left);
    if (f == foldIntersectCondition && shadow_[left].ops == &kFlagsOps && shadow_[right].ops == &kFlagsOps)
      return flags(static_cast<std::uint16_t>(shadow_[left].status | shadow_[right].status));
    if (f == foldIntersectCondition || !known) {
      if (f == foldAdd && !known) {
        if (isKnown(left)) std::swap(left, right);
        if (isKnown(right) && merge(left, right)) return left;
      }
      return node(ops, {left, right});
    }
    const Routine routine = f == foldIntersectValue ? Routine(math::intersect) : ops->routine;
    return computed(step(ReplayKind::Binary, routine, left, right));
  }

  // A kind or a limit beyond the replay was met.
  bool failed() const { return failed_; }

  // Collects the registers of the folded tree's numbers in tree order.
  bool collect(int i, std::uint32_t& count) {
    const Shadow& s = shadow_[i];
    if (s.ops == &kNumberOps) {
      if (count == kMaxRowNumbers) return false;
      replay_.numbers[count++] = s.reg;
      return true;
    }
    for (std::uint8_t c = 0; c < s.childCount; ++c) {
      if (!collect(s.child[c], count)) return false;
    }
    return true;
  }

  // True when the shadow has the kinds, numbers and statuses of `tree`.
  bool matches(int i, const ExprNode* tree) const {
    const Shadow& s = shadow_[i];
    if (s.ops != tree->ops) return false;
    if (is(tree, kNumberOps))
      return sameBits(static_cast<double>(replay_.registers[s.reg]), static_cast<const NumberNode*>(tree)->value);
    if (is(tree, kFlagsOps)) return s.status == static_cast<const FlagsNode*>(tree)->status;
    if (isUnary(tree)) return s.childCount == 1 && matches(s.child[0], static_cast<const UnaryNode*>(tree)->operand);
    if (isBinary(tree) || isRelation(tree)) {
      auto* b = static_cast<const BinaryNode*>(tree);
      return s.childCount == 2 && matches(s.child[0], b->left) && matches(s.child[1], b->right);
    }
    if (isGraphCall(tree)) {
      auto* call = static_cast<const GraphCallNode*>(tree);
      if (call->count != s.childCount) return false;
      for (std::uint32_t c = 0; c < call->count; ++c) {
        if (!matches(s.child[c], call->args()[c])) return false;
      }
      return true;
    }
    return s.childCount == 0;
  }

 private:
  static constexpr int kNone = -1;
  static constexpr std::uint32_t kMaxShadows = 256;

  struct Shadow {
    const NodeOps* ops;   // the folded node's kind
    std::uint16_t reg;    // a number's or flags' register
    std::uint16_t status; // flags
    std::uint8_t childCount;
    std::uint16_t child[3];
  };

  bool isKnown(int i) const { return shadow_[i].ops == &kNumberOps || shadow_[i].ops == &kFlagsOps; }

  int node(const NodeOps* ops, std::initializer_list<int> children) {
    if (shadowCount_ == kMaxShadows) {
      failed_ = true;
      return kNone;
    }
    Shadow& s = shadow_[shadowCount_];
    s = {ops, 0, 0, static_cast<std::uint8_t>(children.size()), {}};
    for (int c = 0; const int child : children) {
      if (child == kNone) return kNone;
      s.child[c++] = static_cast<std::uint16_t>(child);
    }
    return static_cast<int>(shadowCount_++);
  }

  std::uint16_t newRegister(real value) {
    if (registerCount_ == kMaxReplayRegisters) {
      failed_ = true;
      return 0;
    }
    replay_.registers[registerCount_] = value;
    return static_cast<std::uint16_t>(registerCount_++);
  }

  // A number node whose register holds `value` for good.
  int number(double value) { return withRegister(node(&kNumberOps, {}), newRegister(value)); }

  int withRegister(int i, std::uint16_t reg) {
    if (i == kNone || failed_) return kNone;
    shadow_[i].reg = reg;
    return i;
  }

  int flags(std::uint16_t status) {
    const int i = withRegister(node(&kFlagsOps, {}), newRegister(statusSign(status)));
    if (i != kNone) shadow_[i].status = status;
    return i;
  }

  // Room for one more step and the register it writes; null when the steps or
  // registers are full.
  ReplayStep* addStep(std::uint16_t& out) {
    if (replay_.stepCount == kMaxReplaySteps) {
      failed_ = true;
      return nullptr;
    }
    out = newRegister(0);
    if (failed_) return nullptr;
    return &replay_.steps[replay_.stepCount++];
  }

  // A step's register, run once now; kNone when the steps are full.
  int step(ReplayKind kind, Routine routine, int a, int b) {
    std::uint16_t out = 0;
    ReplayStep* s = addStep(out);
    if (!s) return kNone;
    *s = {kind, 0, out, shadow_[a].reg, shadow_[b].reg, nullptr, routine};
    runStep(*s, replay_.registers);
    return out;
  }

  int computed(int reg) { return reg == kNone ? kNone : withRegister(node(&kNumberOps, {}), static_cast<std::uint16_t>(reg)); }

  int load(const double* source) {
    std::uint16_t out = 0;
    ReplayStep* s = addStep(out);
    if (!s) return kNone;
    *s = {ReplayKind::Load, 0, out, 0, 0, source, {}};
    runStep(*s, replay_.registers);
    return computed(out);
  }

  int cell(const ValueCell* c) {
    if (c->flags & (kInnerSweep | kVarying)) return node(&kCellOps, {});
    return load(&c->value);
  }

  // The relation's outcome, as the fold found it now: the shape depends on it.
  int compare(int right, int left) {
    const int reg = step(ReplayKind::Compare, {}, right, left);
    if (reg == kNone) return kNone;
    ReplayStep& s = replay_.steps[replay_.stepCount - 1];
    s.status = compareStatus(replay_.registers[s.a], replay_.registers[s.b]);
    return flags(s.status);
  }

  // (e + c1) + c2 -> e + (c1 + c2) and (c1 - e) + c2 -> (c1 + c2) - e.
  bool merge(int left, int constant) {
    Shadow& l = shadow_[left];
    if (l.ops != &kBinaryKinds[kAdd] && l.ops != &kBinaryKinds[kSubtract]) return false;
    const int slot = l.child[l.ops == &kBinaryKinds[kAdd] ? 1 : 0];
    if (shadow_[slot].ops != &kNumberOps) return false;
    const int reg = step(ReplayKind::Merge, {}, slot, constant);
    if (reg == kNone) {
      failed_ = true;
      return false;
    }
    shadow_[slot].reg = static_cast<std::uint16_t>(reg);
    return true;
  }

  int graphCall(const GraphCallNode* call) {
    const NodeOps* kind = isGraphCallKind(call, kNear) ? &kGraphCallKinds[kNearCompiled] : call->ops;
    int args[3];
    for (std::uint32_t i = 0; i < 3; ++i) {
      args[i] = i < call->count ? fold(call->args()[i], true) : number(0);
      if (args[i] == kNone) return kNone;
    }
    return node(kind, {args[0], args[1], args[2]});
  }

  int fromTables(const ExprNode* n) {
    for (std::uint32_t i = 0; i < tables_->foldedCount; ++i) {
      if (tables_->folded[i].subtree == n) return load(&tables_->folded[i].current);
    }
    for (std::uint32_t i = 0; i < tables_->tableCount; ++i) {
      const TabulatedSubtree& entry = tables_->tables[i];
      if (entry.subtree != n) continue;
      const int table = node(&kTableOps, {});
      switch (entry.shape) {
        case TableShape::Whole: return table;
        case TableShape::PlusConstant: return node(&kBinaryKinds[kAdd], {table, number(entry.constant)});
        case TableShape::ConstantMinus: return node(&kBinaryKinds[kSubtract], {number(entry.constant), table});
      }
    }
    return kNone;
  }

 private:
  LangState& state_;
  const InnerTables* tables_;
  RowReplay& replay_;
  Shadow shadow_[kMaxShadows];
  std::uint32_t shadowCount_ = 0;
  std::uint32_t registerCount_ = 0;
  bool failed_ = false;
};

// Learns the replay of the kept shape from its source, and checks it against
// `folded`, the tree the fold made for this row.
bool learnReplay(LangState& state, KeptRowCode& kept, const ExprNode* folded) {
  ReplayLearner learner(state, kept.tables, kept.replay);
  const int root = learner.fold(kept.source, kept.form == Form::Value);
  if (root < 0 || learner.failed()) return false;
  std::uint32_t count = 0;
  return learner.collect(root, count) && count == kept.numberCount && learner.matches(root, folded);
}

void dropKept(LangState& state, KeptRowCode& kept) {
  if (kept.code) releaseCode(state, kept.code);
  if (kept.tree) release(state, kept.tree);
  kept.code = nullptr;
  kept.tree = nullptr;
  kept.patchable = false;
}

}  // namespace

KeptRowCode* makeKeptRowCode(LangState& state, Form form, const ExprNode* source, const InnerTables* tables) {
  auto* kept = static_cast<KeptRowCode*>(allocateNode(state, sizeof(KeptRowCode)));
  kept->form = form;
  kept->source = source;
  kept->tables = tables;
  kept->tree = nullptr;
  kept->code = nullptr;
  kept->patchable = kept->replayable = kept->relearn = false;
  kept->numberCount = kept->patchCount = 0;
  return kept;
}

CompiledCode* replayRowCode(KeptRowCode& kept) {
  if (!kept.replayable) return nullptr;
  RowReplay& replay = kept.replay;
  for (std::uint32_t i = 0; i < replay.stepCount; ++i) {
    if (!runStep(replay.steps[i], replay.registers)) {
      kept.replayable = false;
      kept.relearn = true;
      return nullptr;
    }
  }
  Instruction* instructions = kept.code->instructions();
  for (std::uint32_t p = 0; p < kept.patchCount; ++p) {
    const RowPatch& patch = kept.patches[p];
    instructions[patch.instruction].imm = static_cast<double>(replay.registers[replay.numbers[patch.number]]);
  }
  return kept.code;
}

CompiledCode* keptRowCode(LangState& state, KeptRowCode& kept, ExprNode* folded) {
  std::uint32_t count = 0;
  if (kept.patchable && sameShape(folded, kept.tree, kept.numbers, count) && count == kept.numberCount) {
    Instruction* instructions = kept.code->instructions();
    for (std::uint32_t p = 0; p < kept.patchCount; ++p) {
      Instruction& operand = instructions[kept.patches[p].instruction];
      operand.imm = operandOf(operand, kept.numbers[kept.patches[p].number]);
    }
    if (kept.relearn) kept.replayable = learnReplay(state, kept, folded);
    kept.relearn = false;
    release(state, folded);
    return kept.code;
  }
  dropKept(state, kept);
  kept.tree = folded;
  kept.code = compileExpression(state, folded, kept.form);
  kept.patchable = learnPatches(state, kept);
  kept.replayable = kept.patchable && kept.source && learnReplay(state, kept, folded);
  kept.relearn = false;
  return kept.code;
}

void releaseKeptRowCode(LangState& state, KeptRowCode* kept) {
  if (!kept) return;
  dropKept(state, *kept);
  releaseBlock(state, kept, sizeof(KeptRowCode));
}

}  // namespace vx
