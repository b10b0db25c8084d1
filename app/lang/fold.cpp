#include "lang/fold.h"

#include "lang/keywords.h"

namespace vx {

namespace {

ExprNode* foldValueOf(LangState& state, const ExprNode* n) {
  if (state.foldTables) {
    if (ExprNode* tabulated = foldFromTables(state, *state.foldTables, n)) return tabulated;
  }
  return n->ops->foldValue(state, n);
}
ExprNode* foldConditionOf(LangState& state, const ExprNode* n) { return n->ops->foldCondition(state, n); }

// A folded operand whose value is known now.
bool isKnown(const ExprNode* n) { return isConstantLeaf(n) || is(n, kFlagsOps); }

ExprNode* numberFrom(LangState& state, real value, std::initializer_list<ExprNode*> consumed) {
  for (ExprNode* n : consumed) release(state, n);
  return makeNumber(state, static_cast<double>(value));
}

ExprNode* cellNode(LangState& state, CellId id) { return &state.cells[id]; }
ExprNode* square(LangState& state, CellId id) { return makeUnary(state, &kUnaryKinds[kSqr], cellNode(state, id)); }
ExprNode* sum(LangState& state, ExprNode* a, ExprNode* b) { return makeBinary(state, &kBinaryKinds[kAdd], a, b); }
// sqrt(sqr(x)+sqr(y))
ExprNode* planarRadius(LangState& state) {
  return makeUnary(state, &kUnaryKinds[kSqrt], sum(state, square(state, kX), square(state, kY)));
}

// (e + c1) + c2 -> e + (c1 + c2) and (c1 - e) + c2 -> (c1 + c2) - e, reusing the
// folded left tree; false when neither form applies.
bool mergeIntoLeft(LangState& state, ExprNode* left, const ExprNode* constant) {
  if (!isBinaryKind(left, kAdd) && !isBinaryKind(left, kSubtract)) return false;
  auto* inner = static_cast<BinaryNode*>(left);
  ExprNode* slot = isBinaryKind(left, kAdd) ? inner->right : inner->left;
  if (!is(slot, kNumberOps)) return false;
  auto* number = static_cast<NumberNode*>(slot);
  number->value = static_cast<double>(real(number->value) + constantValue(constant));
  return true;
}

}  // namespace

ExprNode* foldNumber(LangState& state, const ExprNode* n) {
  return makeNumber(state, static_cast<const NumberNode*>(n)->value);
}

ExprNode* foldConstant(LangState& state, const ExprNode* n) {
  return makeNumber(state, static_cast<const ConstantNode*>(n)->value);
}

// Cells that the generators vary stay leaves; every other cell is a constant now.
ExprNode* foldCell(LangState& state, const ExprNode* n) {
  const ValueCell* cell = asCell(n);
  if (cell->flags & (kInnerSweep | kVarying)) return const_cast<ExprNode*>(n);
  return makeNumber(state, cell->value);
}

ExprNode* expandDerived(LangState& state, const ExprNode* n) {
  if (n->ops == &kDerivedKinds[kDerivedR]) return planarRadius(state);
  if (n->ops == &kDerivedKinds[kDerivedRho]) {
    ExprNode* squares = sum(state, sum(state, square(state, kX), square(state, kY)), square(state, kZ));
    return makeUnary(state, &kUnaryKinds[kSqrt], squares);
  }
  if (n->ops == &kDerivedKinds[kDerivedTheta]) {
    // angle(-x, -y) + pi as one operation: pi is added in extended precision.
    return makeBinary(state, &kBinaryKinds[kPolarAngle], cellNode(state, kX), cellNode(state, kY));
  }
  return makeBinary(state, &kBinaryKinds[kAngle], cellNode(state, kZ), planarRadius(state));
}

ExprNode* foldDerived(LangState& state, const ExprNode* n) {
  ExprNode* expanded = expandDerived(state, n);
  ExprNode* folded = foldValueOf(state, expanded);
  release(state, expanded);
  return folded;
}

// Lists, strings and everything that only means something as a whole command.
ExprNode* foldToUndefined(LangState& state, const ExprNode*) {
  return makeNumber(state, kUndefinedConstant.value);
}

ExprNode* foldUnary(LangState& state, const ExprNode* n) {
  ExprNode* operand = foldValueOf(state, static_cast<const UnaryNode*>(n)->operand);
  if (isKnown(operand)) return numberFrom(state, n->ops->routine.unary(constantValue(operand)), {operand});
  return makeUnary(state, n->ops, operand);
}

ExprNode* foldBinary(LangState& state, const ExprNode* n) {
  auto* b = static_cast<const BinaryNode*>(n);
  ExprNode* left = foldValueOf(state, b->left);
  ExprNode* right = foldValueOf(state, b->right);
  if (isKnown(left) && isKnown(right))
    return numberFrom(state, n->ops->routine.binary(constantValue(left), constantValue(right)), {left, right});
  return makeBinary(state, n->ops, left, right);
}

// Addition keeps its constant on the right and merges it into an inner constant.
ExprNode* foldAdd(LangState& state, const ExprNode* n) {
  auto* b = static_cast<const BinaryNode*>(n);
  ExprNode* left = foldValueOf(state, b->left);
  ExprNode* right = foldValueOf(state, b->right);
  if (isKnown(left) && isKnown(right))
    return numberFrom(state, n->ops->routine.binary(constantValue(left), constantValue(right)), {left, right});
  if (isKnown(left)) std::swap(left, right);
  if (isKnown(right) && mergeIntoLeft(state, left, right)) {
    release(state, right);
    return left;
  }
  return makeBinary(state, n->ops, left, right);
}

// A relation between constants becomes the status word of right against left.
ExprNode* foldRelationCondition(LangState& state, const ExprNode* n) {
  auto* b = static_cast<const BinaryNode*>(n);
  ExprNode* left = foldValueOf(state, b->left);
  ExprNode* right = foldValueOf(state, b->right);
  if (isKnown(left) && isKnown(right)) {
    std::uint16_t status = compareStatus(constantValue(right), constantValue(left));
    release(state, left);
    release(state, right);
    return makeFlags(state, status);
  }
  return makeBinary(state, n->ops, left, right);
}

// As a value a relation is right minus left.
ExprNode* foldRelationValue(LangState& state, const ExprNode* n) {
  auto* b = static_cast<const BinaryNode*>(n);
  BinaryNode difference = {{&kBinaryKinds[kReverseSubtract]}, b->left, b->right};
  return foldBinary(state, &difference);
}

ExprNode* foldIntersectCondition(LangState& state, const ExprNode* n) {
  auto* b = static_cast<const BinaryNode*>(n);
  ExprNode* left = foldConditionOf(state, b->left);
  ExprNode* right = foldConditionOf(state, b->right);
  if (is(left, kFlagsOps) && is(right, kFlagsOps)) {
    static_cast<FlagsNode*>(left)->status |= static_cast<FlagsNode*>(right)->status;
    release(state, right);
    return left;
  }
  return makeBinary(state, n->ops, left, right);
}

// The operands fold as conditions, so a relation between constants stands for its
// sign here, not for its difference.
ExprNode* foldIntersectValue(LangState& state, const ExprNode* n) {
  auto* b = static_cast<const BinaryNode*>(n);
  ExprNode* left = foldConditionOf(state, b->left);
  ExprNode* right = foldConditionOf(state, b->right);
  if (isKnown(left) && isKnown(right))
    return numberFrom(state, math::intersect(constantValue(left), constantValue(right)), {left, right});
  return makeBinary(state, n->ops, left, right);
}

// Exactly three arguments: extra ones dropped, missing ones 0.
ExprNode* foldGraphCall(LangState& state, const ExprNode* n) {
  auto* call = static_cast<const GraphCallNode*>(n);
  const NodeOps* kind = isGraphCallKind(n, kNear) ? &kGraphCallKinds[kNearCompiled] : n->ops;
  GraphCallNode* folded = makeGraphCall(state, kind, 3);
  for (std::uint32_t i = 0; i < 3; ++i)
    folded->args()[i] = i < call->count ? foldValueOf(state, call->args()[i]) : makeNumber(state, 0);
  return folded;
}

// The array is shared, not copied.
ExprNode* foldDataGrid(LangState&, const ExprNode* n) {
  auto* grid = static_cast<DataGrid*>(const_cast<ExprNode*>(n));
  ++grid->references;
  return grid;
}

ExprNode* foldTable(LangState& state, const ExprNode* n) {
  auto* table = static_cast<const TableNode*>(n);
  return makeTable(state, table->values, table->sweep);
}

ExprNode* foldFlags(LangState& state, const ExprNode* n) {
  return makeFlags(state, static_cast<const FlagsNode*>(n)->status);
}

ExprNode* foldExpression(LangState& state, const ExprNode* tree, Form form) {
  return form == Form::Condition ? foldConditionOf(state, tree) : foldValueOf(state, tree);
}

ExprNode* foldExpression(LangState& state, const ExprNode* tree, Form form, const InnerTables* tables) {
  const InnerTables* before = state.foldTables;
  state.foldTables = tables;
  ExprNode* folded = foldExpression(state, tree, form);
  state.foldTables = before;
  return folded;
}

void releaseExpression(LangState& state, ExprNode* tree) { release(state, tree); }

}  // namespace vx
