#include "lang/nodes.h"

#include <cmath>
#include <cstring>

#include "lang/codegen.h"
#include "lang/eval.h"
#include "lang/fold.h"

namespace vx {

namespace {

// Arithmetic that compiled code performs inline; folding and direct evaluation
// call these so that all three compute exactly the same long double operation.
real negate(real x) { return -x; }
real absolute(real x) { return std::fabs(x); }
real square(real x) { return x * x; }
real add(real a, real b) { return a + b; }
real subtract(real a, real b) { return a - b; }
real multiply(real a, real b) { return a * b; }
real divide(real a, real b) { return a / b; }
real reverseSubtract(real a, real b) { return b - a; }

void releaseStatic(LangState&, ExprNode*) {}

void releaseNumber(LangState& state, ExprNode* n) { releaseBlock(state, n, sizeof(NumberNode)); }

void releaseFlags(LangState& state, ExprNode* n) { releaseBlock(state, n, sizeof(FlagsNode)); }

void releaseTable(LangState& state, ExprNode* n) { releaseBlock(state, n, sizeof(TableNode)); }

void releaseString(LangState& state, ExprNode* n) {
  releaseBlock(state, n, sizeof(StringNode) + static_cast<StringNode*>(n)->length + 1);
}

void releaseUnary(LangState& state, ExprNode* n) {
  release(state, static_cast<UnaryNode*>(n)->operand);
  releaseBlock(state, n, sizeof(UnaryNode));
}

void releaseBinary(LangState& state, ExprNode* n) {
  auto* b = static_cast<BinaryNode*>(n);
  release(state, b->left);
  release(state, b->right);
  releaseBlock(state, n, sizeof(BinaryNode));
}

void releaseGraphCall(LangState& state, ExprNode* n) {
  auto* call = static_cast<GraphCallNode*>(n);
  for (std::uint32_t i = 0; i < call->count; ++i) release(state, call->args()[i]);
  releaseBlock(state, n, sizeof(GraphCallNode) + call->count * sizeof(ExprNode*));
}

// Lists can be as long as a line allows: walk them instead of recursing.
void releaseList(LangState& state, ExprNode* n) {
  for (auto* link = static_cast<ListNode*>(n); link;) {
    ListNode* next = link->next;
    release(state, link->item);
    releaseBlock(state, link, sizeof(ListNode));
    link = next;
  }
}

void releaseAssignment(LangState& state, ExprNode* n) {
  release(state, static_cast<AssignmentNode*>(n)->expression);
  releaseBlock(state, n, sizeof(AssignmentNode));
}

void releaseGraphCommand(LangState& state, ExprNode* n) {
  release(state, static_cast<GraphCommandNode*>(n)->argument);
  releaseBlock(state, n, sizeof(GraphCommandNode));
}

void releaseDataGrid(LangState& state, ExprNode* n) {
  auto* grid = static_cast<DataGrid*>(n);
  if (--grid->references == 0) releaseBlock(state, grid, dataGridSize(grid->count()));
}

// Table rows for the common shapes of kind.
constexpr NodeOps unaryKind(void (*emit)(CodeBuilder&, const ExprNode*), UnaryRoutine routine) {
  return {releaseUnary, evaluateUnary, foldUnary, foldUnary, emitConditionOfValue, emit, routine};
}
constexpr NodeOps unaryCall(UnaryRoutine routine) { return unaryKind(emitUnaryCall, routine); }
constexpr NodeOps binaryKind(ExprNode* (*fold)(LangState&, const ExprNode*),
                             void (*emit)(CodeBuilder&, const ExprNode*), BinaryRoutine routine) {
  return {releaseBinary, evaluateBinary, fold, fold, emitConditionOfValue, emit, routine};
}
constexpr NodeOps relationKind() {
  return {releaseBinary, evaluateRelation, foldRelationCondition, foldRelationValue,
          emitCompare,   emitReverseSubtract, BinaryRoutine(reverseSubtract)};
}
// The triple routine is the active member even where there is none (null), since
// the code generator reads it for every call at the top of a tree.
constexpr NodeOps graphCallKind(real (*evaluate)(LangState&, const ExprNode*),
                                void (*emit)(CodeBuilder&, const ExprNode*), TripleRoutine routine = nullptr) {
  return {releaseGraphCall, evaluate, foldGraphCall, foldGraphCall, emitConditionOfValue, emit, routine};
}
constexpr NodeOps derivedKind(real (*evaluate)(LangState&, const ExprNode*)) {
  return {releaseStatic, evaluate, foldDerived, foldDerived, emitConditionOfValue, emitDerived, {}};
}
constexpr NodeOps leafKind(void (*release)(LangState&, ExprNode*), real (*evaluate)(LangState&, const ExprNode*),
                           ExprNode* (*fold)(LangState&, const ExprNode*),
                           void (*emit)(CodeBuilder&, const ExprNode*)) {
  return {release, evaluate, fold, fold, emitConditionOfValue, emit, {}};
}

}  // namespace

// In UnaryKind order.
const NodeOps kUnaryKinds[kUnaryKindCount] = {
    unaryKind(emitNegate, negate),        unaryCall(math::factorial),
    unaryKind(emitPercent, math::percent), unaryKind(emitAbs, absolute),
    unaryKind(emitSqr, square),           unaryKind(emitSqrt, math::sqrt),
    unaryKind(emitLn, math::ln),          unaryKind(emitLog, math::log10),
    unaryCall(math::gamma),  unaryCall(math::ceiling), unaryCall(math::floor),
    unaryCall(math::sign),   unaryCall(math::one),     unaryCall(math::nonneg),
    unaryCall(math::sin),    unaryCall(math::cos),     unaryCall(math::tan),
    unaryCall(math::csc),    unaryCall(math::sec),     unaryCall(math::cot),
    unaryCall(math::sinh),   unaryCall(math::cosh),    unaryCall(math::tanh),
    unaryCall(math::csch),   unaryCall(math::sech),    unaryCall(math::coth),
    unaryCall(math::asinh),  unaryCall(math::acosh),   unaryCall(math::atanh),
    unaryCall(math::acsch),  unaryCall(math::asech),   unaryCall(math::acoth),
    unaryCall(math::asin),   unaryCall(math::acos),    unaryCall(math::atan),
    unaryCall(math::acsc),   unaryCall(math::asec),    unaryCall(math::acot),
};
static_assert(sizeof(kUnaryKinds) / sizeof(kUnaryKinds[0]) == kUnaryKindCount);

// In BinaryKind order.
const NodeOps kBinaryKinds[kBinaryKindCount] = {
    binaryKind(foldAdd, emitAdd, add),
    binaryKind(foldBinary, emitSubtract, subtract),
    binaryKind(foldBinary, emitMultiply, multiply),
    binaryKind(foldBinary, emitDivide, divide),
    binaryKind(foldBinary, emitReverseSubtract, reverseSubtract),
    binaryKind(foldBinary, emitBinaryCall, math::power),
    binaryKind(foldBinary, emitBinaryCall, math::beta),
    binaryKind(foldBinary, emitBinaryCall, math::angle),
    {releaseBinary, evaluateBinary, foldIntersectCondition, foldIntersectValue, emitIntersectCondition,
     emitBinaryCall, BinaryRoutine(math::intersect)},
    binaryKind(foldBinary, emitBinaryCall, math::polarAngle),
};

// <, <= and = share every operation; only their identities differ.
const NodeOps kRelationKinds[kRelationKindCount] = {relationKind(), relationKind(), relationKind()};

// In GraphCallKind order. near becomes its compiled-only twin when folded.
const NodeOps kGraphCallKinds[kGraphCallKindCount] = {
    graphCallKind(evaluateZero, emitNestedTripleCall),
    graphCallKind(evaluateZero, emitNestedTripleCall),
    graphCallKind(evaluateZero, emitNestedTripleCall, math::cylindrical),
    graphCallKind(evaluateZero, emitNestedTripleCall, math::spherical),
    graphCallKind(evaluateUndefined, emitNear),
    graphCallKind(evaluateUndefined, emitNear),
};

const NodeOps kDerivedKinds[kDerivedKindCount] = {
    derivedKind(evaluateR), derivedKind(evaluateTheta), derivedKind(evaluateRho), derivedKind(evaluatePhi)};

const NodeOps kNumberOps = leafKind(releaseNumber, evaluateNumber, foldNumber, emitNumber);
const NodeOps kConstantOps = leafKind(releaseStatic, evaluateConstant, foldConstant, emitConstant);
const NodeOps kCellOps = leafKind(releaseStatic, evaluateCell, foldCell, emitCell);
const NodeOps kStringOps = leafKind(releaseString, evaluateUndefined, foldToUndefined, emitUndefined);
const NodeOps kListOps = leafKind(releaseList, evaluateUndefined, foldToUndefined, emitUndefined);
const NodeOps kAssignmentOps = leafKind(releaseAssignment, evaluateAssignment, foldToUndefined, emitUndefined);
const NodeOps kGraphCommandOps = leafKind(releaseGraphCommand, evaluateUndefined, foldToUndefined, emitUndefined);
const NodeOps kErrorOps = leafKind(releaseStatic, evaluateUndefined, foldToUndefined, emitUndefined);
const NodeOps kDataGridOps = leafKind(releaseDataGrid, evaluateUndefined, foldDataGrid, emitDataGrid);
// Direct evaluation has no grid point, so a table entry means nothing there.
const NodeOps kTableOps = leafKind(releaseTable, evaluateUndefined, foldTable, emitTable);
const NodeOps kFlagsOps = {releaseFlags, evaluateFlags, foldFlags, foldFlags, emitFlagsCondition, emitFlagsValue, {}};

ExprNode kErrorNode = {&kErrorOps};

// ---- Building -------------------------------------------------------------------

void* allocateNode(LangState& state, std::size_t size) {
  ++state.liveBlocks;
  return state.allocator.Allocate(size);
}

void releaseBlock(LangState& state, void* block, std::size_t size) {
  --state.liveBlocks;
  state.allocator.Release(block, size);
}

NumberNode* makeNumber(LangState& state, double value) {
  auto* n = static_cast<NumberNode*>(allocateNode(state, sizeof(NumberNode)));
  n->ops = &kNumberOps;
  n->value = value;
  return n;
}

StringNode* makeString(LangState& state, const char* text, std::size_t length) {
  auto* n = static_cast<StringNode*>(allocateNode(state, sizeof(StringNode) + length + 1));
  n->ops = &kStringOps;
  n->length = static_cast<std::uint32_t>(length);
  std::memcpy(n->text(), text, length);
  n->text()[length] = 0;
  return n;
}

UnaryNode* makeUnary(LangState& state, const NodeOps* kind, ExprNode* operand) {
  auto* n = static_cast<UnaryNode*>(allocateNode(state, sizeof(UnaryNode)));
  n->ops = kind;
  n->operand = operand;
  return n;
}

BinaryNode* makeBinary(LangState& state, const NodeOps* kind, ExprNode* left, ExprNode* right) {
  auto* n = static_cast<BinaryNode*>(allocateNode(state, sizeof(BinaryNode)));
  n->ops = kind;
  n->left = left;
  n->right = right;
  return n;
}

GraphCallNode* makeGraphCall(LangState& state, const NodeOps* kind, std::uint32_t count) {
  auto* n = static_cast<GraphCallNode*>(allocateNode(state, sizeof(GraphCallNode) + count * sizeof(ExprNode*)));
  n->ops = kind;
  n->count = count;
  for (std::uint32_t i = 0; i < count; ++i) n->args()[i] = nullptr;
  return n;
}

ListNode* makeList(LangState& state, ExprNode* item) {
  auto* n = static_cast<ListNode*>(allocateNode(state, sizeof(ListNode)));
  n->ops = &kListOps;
  n->next = nullptr;
  n->item = item;
  return n;
}

AssignmentNode* makeAssignment(LangState& state, ValueCell* cell, ExprNode* expression) {
  auto* n = static_cast<AssignmentNode*>(allocateNode(state, sizeof(AssignmentNode)));
  n->ops = &kAssignmentOps;
  n->cell = cell;
  n->expression = expression;
  return n;
}

GraphCommandNode* makeGraphCommand(LangState& state, const GraphCommandRecord* record, ExprNode* argument) {
  auto* n = static_cast<GraphCommandNode*>(allocateNode(state, sizeof(GraphCommandNode)));
  n->ops = &kGraphCommandOps;
  n->record = record;
  n->argument = argument;
  return n;
}

FlagsNode* makeFlags(LangState& state, std::uint16_t status) {
  auto* n = static_cast<FlagsNode*>(allocateNode(state, sizeof(FlagsNode)));
  n->ops = &kFlagsOps;
  n->status = status;
  return n;
}

TableNode* makeTable(LangState& state, const real* values, const double* sweep) {
  auto* n = static_cast<TableNode*>(allocateNode(state, sizeof(TableNode)));
  n->ops = &kTableOps;
  n->values = values;
  n->sweep = sweep;
  return n;
}

std::size_t dataGridSize(std::uint32_t count) { return sizeof(DataGrid) + std::size_t{count} * sizeof(float); }

DataGrid* makeDataGrid(LangState& state, const std::int32_t n[3]) {
  std::uint32_t count = static_cast<std::uint32_t>(n[0]) * static_cast<std::uint32_t>(n[1]) *
                        static_cast<std::uint32_t>(n[2]);
  auto* grid = static_cast<DataGrid*>(allocateNode(state, dataGridSize(count)));
  grid->ops = &kDataGridOps;
  grid->references = 1;
  for (int axis = 0; axis < 3; ++axis) {
    grid->n[axis] = n[axis];
    grid->last[axis] = n[axis] - 1;
  }
  return grid;
}

void releaseGraphItems(LangState& state) {
  for (GraphItem* item = state.graphItems; item;) {
    GraphItem* next = item->next;
    release(state, item->tree);
    releaseBlock(state, item, sizeof(GraphItem));
    item = next;
  }
  state.graphItems = nullptr;
}

bool isConstantLeaf(const ExprNode* node) { return is(node, kNumberOps) || is(node, kConstantOps); }

real constantValue(const ExprNode* node) {
  if (is(node, kNumberOps)) return static_cast<const NumberNode*>(node)->value;
  if (is(node, kConstantOps)) return static_cast<const ConstantNode*>(node)->value;
  if (is(node, kFlagsOps)) return statusSign(static_cast<const FlagsNode*>(node)->status);
  return math::undefined();
}

real statusSign(std::uint16_t status) {
  if (status & kStatusUnordered) return math::undefined();
  if (status & kStatusLess) return -1;
  if (status & kStatusEqual) return 0;
  return 1;
}

}  // namespace vx
