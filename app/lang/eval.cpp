#include "lang/eval.h"

#include "lang/keywords.h"

namespace vx {

namespace {

real evaluateOf(LangState& state, const ExprNode* n) { return n->ops->evaluate(state, n); }
real cellValue(const LangState& state, CellId id) { return state.cells[id].value; }

// The same operations, in the same order, as the expansion that folding makes
// for compiled code: sqrt(sqr(x)+sqr(y)).
real planarRadius(const LangState& state) {
  real x = cellValue(state, kX), y = cellValue(state, kY);
  return math::sqrt(x * x + y * y);
}

bool isColorOption(const LangState& state, const ValueCell* cell) {
  return cell == &state.cells[kColor] || cell == &state.cells[kVectorColor];
}

}  // namespace

real evaluateNumber(LangState&, const ExprNode* n) { return static_cast<const NumberNode*>(n)->value; }
real evaluateConstant(LangState&, const ExprNode* n) { return static_cast<const ConstantNode*>(n)->value; }
real evaluateCell(LangState&, const ExprNode* n) { return asCell(n)->value; }

real evaluateR(LangState& state, const ExprNode*) { return planarRadius(state); }

real evaluateTheta(LangState& state, const ExprNode*) {
  return math::polarAngle(cellValue(state, kX), cellValue(state, kY));
}

real evaluateRho(LangState& state, const ExprNode*) {
  real x = cellValue(state, kX), y = cellValue(state, kY), z = cellValue(state, kZ);
  return math::sqrt((x * x + y * y) + z * z);
}

real evaluatePhi(LangState& state, const ExprNode*) { return math::angle(cellValue(state, kZ), planarRadius(state)); }

// Lists, strings, near and the data array have no value away from a grid point.
real evaluateUndefined(LangState&, const ExprNode*) { return math::undefined(); }

// vector, rectangular, cylindrical, spherical only mean something to the generators.
real evaluateZero(LangState&, const ExprNode*) { return 0; }

real evaluateUnary(LangState& state, const ExprNode* n) {
  return n->ops->routine.unary(evaluateOf(state, static_cast<const UnaryNode*>(n)->operand));
}

// Operands left before right.
real evaluateBinary(LangState& state, const ExprNode* n) {
  auto* b = static_cast<const BinaryNode*>(n);
  real left = evaluateOf(state, b->left);
  real right = evaluateOf(state, b->right);
  return n->ops->routine.binary(left, right);
}

// Right minus left: positive exactly where the inequality holds.
real evaluateRelation(LangState& state, const ExprNode* n) {
  auto* b = static_cast<const BinaryNode*>(n);
  real left = evaluateOf(state, b->left);
  real right = evaluateOf(state, b->right);
  return right - left;
}

real evaluateFlags(LangState&, const ExprNode* n) { return statusSign(static_cast<const FlagsNode*>(n)->status); }

real evaluateAssignment(LangState& state, const ExprNode* n) {
  auto* assignment = static_cast<AssignmentNode*>(const_cast<ExprNode*>(n));
  if (!assignment->expression) return math::undefined();
  real value = evaluateOf(state, assignment->expression);
  performAssignment(state, assignment, value);
  return value;
}

// The cell takes a snapshot of the value. The two colour options also keep the
// expression: a named colour constant as itself (the option takes its number),
// anything else as a per-point colour expression (the option becomes 2).
void performAssignment(LangState& state, AssignmentNode* assignment, real value) {
  ValueCell* cell = assignment->cell;
  cell->value = static_cast<double>(value);
  cell->flags = 0;
  if (!isColorOption(state, cell)) return;
  ExprNode*& slot = cell == &state.cells[kColor] ? state.surfaceColorExpression : state.vectorColorExpression;
  ExprNode* expression = assignment->expression;
  cell->value = isColorConstant(expression) ? static_cast<const ConstantNode*>(expression)->value : double{kByExpression};
  release(state, slot);
  slot = expression;
  assignment->expression = nullptr;
}

real evaluate(LangState& state, const ExprNode* tree) { return evaluateOf(state, tree); }

}  // namespace vx
