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
#include "base/check.h"
#include "lang/code.h"
#include "lang/fold.h"

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

struct InnerTables {
  const double* sweep;
  std::uint32_t count;
  std::uint32_t tableCount;
  TabulatedSubtree tables[kMaxTables];
};

namespace {

// What a subtree depends on: whether the inner variable (with constants and
// unflagged cells) is all it depends on, and whether it depends on it at all.
struct Reach {
  bool innerOnly;
  bool inner;
};

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

class Tabulator {
 public:
  Tabulator(LangState& state, InnerTables& tables) : state_(state), tables_(tables) {}

  Reach scan(const ExprNode* n) {
    if (isConstantLeaf(n)) return {true, false};
    if (is(n, kCellOps)) {
      const std::uint8_t flags = asCell(n)->flags;
      if (flags & kInnerSweep) return {true, true};
      return {(flags & kVarying) == 0, false};
    }
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
      return {false, false};
    } else {
      return {false, false};
    }
    Reach reach[2] = {};
    Reach own = {isTabulableKind(n), false};
    for (int i = 0; i < count; ++i) {
      reach[i] = scan(children[i]);
      own.innerOnly = own.innerOnly && reach[i].innerOnly;
      own.inner = own.inner || reach[i].inner;
    }
    if (!own.innerOnly) {
      for (int i = 0; i < count; ++i) {
        if (reach[i].innerOnly && reach[i].inner) consider(children[i], isBinaryKind(n, kAdd));
      }
    }
    return own;
  }

  // A subtree whose parent is not looked at by its fold.
  void scanAlone(const ExprNode* n) {
    Reach reach = scan(n);
    if (reach.innerOnly && reach.inner) consider(n, false);
  }

 private:
  void consider(const ExprNode* subtree, bool underAddition) {
    if (!isTabulableKind(subtree) || tables_.tableCount == kMaxTables) return;
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
      entry.values = tabulate(target);
      tables_.tables[tables_.tableCount++] = entry;
    }
    release(state_, folded);
  }

  real* tabulate(const ExprNode* folded) {
    auto* values = static_cast<real*>(allocateNode(state_, tableBytes(tables_.count)));
    CompiledCode* code = compileExpression(state_, folded, Form::Value);
    for (std::uint32_t k = 0; k < tables_.count; ++k) values[k] = runValue(code, &tables_.sweep[k]);
    releaseCode(state_, code);
    return values;
  }

  LangState& state_;
  InnerTables& tables_;
};

}  // namespace

InnerTables* tabulateInnerSubexpressions(LangState& state, const ExprNode* tree, const double* sweep,
                                         std::uint32_t count) {
  if (count == 0) return nullptr;
  auto* tables = static_cast<InnerTables*>(allocateNode(state, sizeof(InnerTables)));
  tables->sweep = sweep;
  tables->count = count;
  tables->tableCount = 0;
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
  releaseBlock(state, tables, sizeof(InnerTables));
}

ExprNode* foldFromTables(LangState& state, const InnerTables& tables, const ExprNode* n) {
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

}  // namespace vx
