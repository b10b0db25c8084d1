#pragma once
// Code generation: each node kind appends its instructions, post-order, through
// the builder, which grows the code block and tracks the stack depth.
#include "lang/code.h"

namespace vx {

class CodeBuilder {
 public:
  CodeBuilder(LangState& state, CodeShape shape);
  ~CodeBuilder();
  CodeBuilder(const CodeBuilder&) = delete;
  CodeBuilder& operator=(const CodeBuilder&) = delete;

  LangState& state() { return state_; }
  // The axis (0 x, 1 y, 2 z) whose cell carries the inner-sweep flag, or kNoInnerAxis.
  std::uint32_t innerAxis() const { return innerAxis_; }

  // Appends one instruction; `stackEffect` is the change of the value count.
  void emit(Opcode opcode, int stackEffect, Instruction operand = {});
  void emitImm(Opcode opcode, int stackEffect, double imm);
  void emitBinary(BinaryOp op, const ExprNode* left, const ExprNode* right);
  // Tables of one code block all follow the same inner coordinates.
  void useSweep(const double* sweep);
  // Closes the block with a return, gives deep code its scratch stack and hands
  // the block over.
  CompiledCode* finish();

 private:
  void reserveOne();
  // Moves the code into a block of `capacity` bytes.
  void grow(std::uint32_t capacity);
  LangState& state_;
  CompiledCode* code_;
  int depth_ = 0;
  std::uint32_t innerAxis_;
};

// The leaf form of an operand that can be fused into a binary instruction, or
// kFormStack when the operand needs its own code.
LeafForm leafForm(const ExprNode* node, bool right);

// Per-kind emission (the emit operations of the kind tables).
void emitNumber(CodeBuilder& b, const ExprNode* n);
void emitConstant(CodeBuilder& b, const ExprNode* n);
void emitCell(CodeBuilder& b, const ExprNode* n);
void emitDerived(CodeBuilder& b, const ExprNode* n);
void emitUndefined(CodeBuilder& b, const ExprNode* n);
void emitNegate(CodeBuilder& b, const ExprNode* n);
void emitAbs(CodeBuilder& b, const ExprNode* n);
void emitSqr(CodeBuilder& b, const ExprNode* n);
void emitSqrt(CodeBuilder& b, const ExprNode* n);
void emitLn(CodeBuilder& b, const ExprNode* n);
void emitLog(CodeBuilder& b, const ExprNode* n);
void emitPercent(CodeBuilder& b, const ExprNode* n);
void emitUnaryCall(CodeBuilder& b, const ExprNode* n);
void emitAdd(CodeBuilder& b, const ExprNode* n);
void emitSubtract(CodeBuilder& b, const ExprNode* n);
void emitMultiply(CodeBuilder& b, const ExprNode* n);
void emitDivide(CodeBuilder& b, const ExprNode* n);
void emitReverseSubtract(CodeBuilder& b, const ExprNode* n);
void emitBinaryCall(CodeBuilder& b, const ExprNode* n);
void emitCompare(CodeBuilder& b, const ExprNode* n);
void emitIntersectCondition(CodeBuilder& b, const ExprNode* n);
void emitNestedTripleCall(CodeBuilder& b, const ExprNode* n);
void emitNear(CodeBuilder& b, const ExprNode* n);
void emitDataGrid(CodeBuilder& b, const ExprNode* n);
void emitTable(CodeBuilder& b, const ExprNode* n);
void emitFlagsCondition(CodeBuilder& b, const ExprNode* n);
void emitFlagsValue(CodeBuilder& b, const ExprNode* n);
// The condition form of a plain value: the status of the value against 0.
void emitConditionOfValue(CodeBuilder& b, const ExprNode* n);

}  // namespace vx
