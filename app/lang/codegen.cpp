#include "lang/codegen.h"

#include <algorithm>
#include <cstring>

#include "base/check.h"
#include "lang/fold.h"
#include "lang/keywords.h"
#include "lang/native.h"

namespace vx {

namespace {

Instruction immOperand(double value) {
  Instruction i{};
  i.imm = value;
  return i;
}

Instruction cellOperand(const ValueCell* cell) {
  Instruction i{};
  i.cell = &cell->value;
  return i;
}

void emitValueOf(CodeBuilder& b, const ExprNode* n) { n->ops->emitValue(b, n); }
void emitConditionOf(CodeBuilder& b, const ExprNode* n) { n->ops->emitCondition(b, n); }

bool isInnerCell(const ExprNode* n) { return is(n, kCellOps) && (asCell(n)->flags & kInnerSweep); }

// The operand a fused instruction carries for a leaf.
Instruction leafOperand(const ExprNode* n) {
  if (is(n, kCellOps)) return cellOperand(asCell(n));
  return immOperand(static_cast<double>(constantValue(n)));
}

void emitUnaryInline(CodeBuilder& b, const ExprNode* n, Opcode opcode) {
  emitValueOf(b, static_cast<const UnaryNode*>(n)->operand);
  b.emit(opcode, 0);
}

void emitBinaryOf(CodeBuilder& b, const ExprNode* n, BinaryOp op) {
  auto* node = static_cast<const BinaryNode*>(n);
  b.emitBinary(op, node->left, node->right);
}

// Emits exactly three values from the first three arguments (0 for missing ones).
void emitThreeArguments(CodeBuilder& b, const GraphCallNode* call) {
  for (std::uint32_t i = 0; i < 3; ++i) {
    if (i < call->count)
      emitValueOf(b, call->args()[i]);
    else
      b.emitImm(kOpLoadImm, 1, 0);
  }
}

// A graph call at the top of a value-form tree leaves its three values.
void emitTriple(CodeBuilder& b, const ExprNode* n) {
  emitThreeArguments(b, static_cast<const GraphCallNode*>(n));
  if (n->ops->routine.triple) {
    Instruction call{};
    call.triple = n->ops->routine.triple;
    b.emit(kOpCallTriple, 0, call);
  }
}

std::uint32_t findInnerAxis(const LangState& state) {
  for (std::uint32_t axis = 0; axis < 3; ++axis)
    if (state.cells[kX + axis].flags & kInnerSweep) return axis;
  return kNoInnerAxis;
}

}  // namespace

// ---- The builder ------------------------------------------------------------------

CodeBuilder::CodeBuilder(LangState& state, CodeShape shape) : state_(state), innerAxis_(findInnerAxis(state)) {
  code_ = static_cast<CompiledCode*>(allocateNode(state, CompiledCode::kInitialCapacity));
  code_->capacity = CompiledCode::kInitialCapacity;
  code_->count = 0;
  code_->maxDepth = 0;
  code_->shape = shape;
  code_->native = 0;
  code_->state = &state;
  code_->sweep = nullptr;
}

CodeBuilder::~CodeBuilder() {
  if (code_) releaseBlock(state_, code_, code_->capacity);
}

void CodeBuilder::reserveOne() {
  if (code_->count < code_->room()) return;
  grow(code_->capacity * 2);
}

void CodeBuilder::grow(std::uint32_t capacity) {
  auto* grown = static_cast<CompiledCode*>(allocateNode(state_, capacity));
  std::memcpy(static_cast<void*>(grown), code_, CompiledCode::kHeaderSize + code_->count * sizeof(Instruction));
  grown->capacity = capacity;
  releaseBlock(state_, code_, code_->capacity);
  code_ = grown;
}

void CodeBuilder::emit(Opcode opcode, int stackEffect, Instruction operand) {
  reserveOne();
  operand.opcode = opcode;
  code_->instructions()[code_->count++] = operand;
  depth_ += stackEffect;
  VX_ASSERT(depth_ >= 0);
  code_->maxDepth = std::max(code_->maxDepth, static_cast<std::uint32_t>(depth_));
}

void CodeBuilder::useSweep(const double* sweep) {
  VX_ASSERT(!code_->sweep || code_->sweep == sweep);
  code_->sweep = sweep;
}

void CodeBuilder::emitImm(Opcode opcode, int stackEffect, double imm) { emit(opcode, stackEffect, immOperand(imm)); }

// left OP right, with a leaf operand fused into the instruction when there is one
// (a leaf has no effects, so computing the other side first changes nothing).
void CodeBuilder::emitBinary(BinaryOp op, const ExprNode* left, const ExprNode* right) {
  int popped = op == kOpCompare ? 1 : 0;
  LeafForm form = leafForm(right, true);
  if (form != kFormStack) {
    emitValueOf(*this, left);
    emit(static_cast<Opcode>(binaryOpcode(op, form)), -popped, leafOperand(right));
    return;
  }
  form = leafForm(left, false);
  if (form != kFormStack) {
    emitValueOf(*this, right);
    emit(static_cast<Opcode>(binaryOpcode(op, form)), -popped, leafOperand(left));
    return;
  }
  emitValueOf(*this, left);
  emitValueOf(*this, right);
  emit(static_cast<Opcode>(binaryOpcode(op, kFormStack)), -1 - popped);
}

CompiledCode* CodeBuilder::finish() {
  emit(kOpReturn, 0);
  VX_ASSERT(static_cast<std::uint32_t>(depth_) == resultDepth(code_->shape));
  if (code_->hasScratchStack()) {
    std::size_t end = CompiledCode::scratchEnd(code_->count, code_->maxDepth);
    if (end > code_->capacity) grow(static_cast<std::uint32_t>((end + 15) / 16 * 16));
    VX_ASSERT(code_->capacity % 16 == 0 && reinterpret_cast<std::uintptr_t>(code_->scratchStack()) % alignof(real) == 0);
  }
  CompiledCode* code = code_;
  code_ = nullptr;
  return code;
}

LeafForm leafForm(const ExprNode* node, bool right) {
  if (isConstantLeaf(node)) return right ? kFormImmRight : kFormImmLeft;
  if (!is(node, kCellOps)) return kFormStack;
  if (asCell(node)->flags & kInnerSweep) return right ? kFormPointRight : kFormPointLeft;
  return right ? kFormCellRight : kFormCellLeft;
}

// ---- Emission per kind -----------------------------------------------------------

void emitNumber(CodeBuilder& b, const ExprNode* n) { b.emitImm(kOpLoadImm, 1, static_cast<const NumberNode*>(n)->value); }

void emitConstant(CodeBuilder& b, const ExprNode* n) {
  b.emitImm(kOpLoadImm, 1, static_cast<const ConstantNode*>(n)->value);
}

void emitCell(CodeBuilder& b, const ExprNode* n) {
  if (isInnerCell(n))
    b.emit(kOpLoadPoint, 1);
  else
    b.emit(kOpLoadCell, 1, cellOperand(asCell(n)));
}

void emitDerived(CodeBuilder& b, const ExprNode* n) {
  ExprNode* expanded = expandDerived(b.state(), n);
  emitValueOf(b, expanded);
  release(b.state(), expanded);
}

void emitUndefined(CodeBuilder& b, const ExprNode*) { b.emitImm(kOpLoadImm, 1, kUndefinedConstant.value); }

void emitNegate(CodeBuilder& b, const ExprNode* n) { emitUnaryInline(b, n, kOpNegate); }
void emitAbs(CodeBuilder& b, const ExprNode* n) { emitUnaryInline(b, n, kOpAbs); }
void emitSqrt(CodeBuilder& b, const ExprNode* n) { emitUnaryInline(b, n, kOpSqrt); }
void emitLn(CodeBuilder& b, const ExprNode* n) { emitUnaryInline(b, n, kOpLn); }
void emitLog(CodeBuilder& b, const ExprNode* n) { emitUnaryInline(b, n, kOpLog); }
void emitPercent(CodeBuilder& b, const ExprNode* n) { emitUnaryInline(b, n, kOpPercent); }

void emitSqr(CodeBuilder& b, const ExprNode* n) {
  if (isInnerCell(static_cast<const UnaryNode*>(n)->operand))
    b.emit(kOpLoadSquaredPoint, 1);
  else
    emitUnaryInline(b, n, kOpSqr);
}

void emitUnaryCall(CodeBuilder& b, const ExprNode* n) {
  emitValueOf(b, static_cast<const UnaryNode*>(n)->operand);
  Instruction call{};
  call.unary = n->ops->routine.unary;
  b.emit(kOpCall1, 0, call);
}

void emitAdd(CodeBuilder& b, const ExprNode* n) { emitBinaryOf(b, n, kOpAdd); }
void emitSubtract(CodeBuilder& b, const ExprNode* n) { emitBinaryOf(b, n, kOpSubtract); }
void emitMultiply(CodeBuilder& b, const ExprNode* n) { emitBinaryOf(b, n, kOpMultiply); }
void emitDivide(CodeBuilder& b, const ExprNode* n) { emitBinaryOf(b, n, kOpDivide); }
void emitReverseSubtract(CodeBuilder& b, const ExprNode* n) { emitBinaryOf(b, n, kOpReverseSubtract); }
void emitCompare(CodeBuilder& b, const ExprNode* n) { emitBinaryOf(b, n, kOpCompare); }

void emitBinaryCall(CodeBuilder& b, const ExprNode* n) {
  auto* node = static_cast<const BinaryNode*>(n);
  emitValueOf(b, node->left);
  emitValueOf(b, node->right);
  Instruction call{};
  call.binary = n->ops->routine.binary;
  b.emit(kOpCall2, -1, call);
}

void emitIntersectCondition(CodeBuilder& b, const ExprNode* n) {
  auto* node = static_cast<const BinaryNode*>(n);
  emitConditionOf(b, node->left);
  b.emit(kOpSaveStatus, 1);
  emitConditionOf(b, node->right);
  b.emit(kOpOrStatus, -1);
}

// Inside an expression vector, rectangular, cylindrical and spherical are 0, as
// in direct evaluation; only at the top of a tree do they leave three values.
void emitNestedTripleCall(CodeBuilder& b, const ExprNode*) { b.emitImm(kOpLoadImm, 1, 0); }

void emitNear(CodeBuilder& b, const ExprNode* n) {
  emitThreeArguments(b, static_cast<const GraphCallNode*>(n));
  Instruction test{};
  test.aux = b.innerAxis();
  b.emit(kOpNear, -2, test);
}

void emitDataGrid(CodeBuilder& b, const ExprNode* n) {
  Instruction lookup{};
  lookup.grid = static_cast<const DataGrid*>(n);
  lookup.aux = b.innerAxis();
  b.emit(kOpDataLookup, 1, lookup);
}

void emitTable(CodeBuilder& b, const ExprNode* n) {
  auto* table = static_cast<const TableNode*>(n);
  b.useSweep(table->sweep);
  Instruction load{};
  load.table = table->values;
  b.emit(kOpLoadTable, 1, load);
}

void emitFlagsCondition(CodeBuilder& b, const ExprNode* n) {
  Instruction load{};
  load.aux = static_cast<const FlagsNode*>(n)->status;
  b.emit(kOpLoadStatus, 0, load);
}

void emitFlagsValue(CodeBuilder& b, const ExprNode* n) {
  b.emitImm(kOpLoadImm, 1, static_cast<double>(statusSign(static_cast<const FlagsNode*>(n)->status)));
}

void emitConditionOfValue(CodeBuilder& b, const ExprNode* n) {
  emitValueOf(b, n);
  b.emit(kOpCompareZero, -1);
}

// ---- Entry points -----------------------------------------------------------------

CompiledCode* compileExpression(LangState& state, const ExprNode* folded, Form form) {
  bool triple = form == Form::Value && isTripleCall(folded);
  CodeBuilder builder(state, form == Form::Condition ? CodeShape::Condition
                             : triple                ? CodeShape::Triple
                                                     : CodeShape::Value);
  if (triple)
    emitTriple(builder, folded);
  else if (form == Form::Condition)
    emitConditionOf(builder, folded);
  else
    emitValueOf(builder, folded);
  CompiledCode* code = builder.finish();
  attachNativeCode(code);
  return code;
}

void releaseCode(LangState& state, CompiledCode* code) {
  if (code) releaseBlock(state, code, code->capacity);
}

}  // namespace vx
