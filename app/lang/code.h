#pragma once
// Compiled code: the stack-machine instruction sequence of one folded expression,
// run once per grid point. The sequence is the single source of truth: the
// interpreter (vm.cpp) runs it, and the native backend (native.cpp) translates
// it instruction by instruction into x87 machine code with the same routines.
//
// Machine model: a stack of extended-precision values whose top is kept apart
// (TOS), an integer status register for conditions, and the point pointer that
// gives the innermost sweep variable. Binary operations compute left OP right;
// in the stack form the left operand lies below the top and the right operand is
// the top; the leaf forms take one operand from the instruction (an immediate, a
// cell or the point) instead of the stack, so that `push leaf; OP` and
// `OP leaf` perform the same long double operation on the same values.
#include <cstddef>
#include <cstdint>

#include "base/tuning.h"
#include "lang/nodes.h"

namespace vx {

// Where the leaf operand of a fused binary instruction comes from, and whether it
// is the right operand (the top is the left) or the left one (the top is the right).
enum LeafForm : std::uint32_t {
  kFormStack,      // left below the top, right on the top
  kFormImmRight,   // top OP imm
  kFormImmLeft,    // imm OP top
  kFormCellRight,  // top OP *cell
  kFormCellLeft,   // *cell OP top
  kFormPointRight, // top OP *point
  kFormPointLeft,  // *point OP top
  kLeafFormCount
};

// The binary operations that have every leaf form.
enum BinaryOp : std::uint32_t {
  kOpAdd, kOpSubtract, kOpMultiply, kOpDivide,
  kOpReverseSubtract,  // right - left: the value form of a relation
  kOpCompare,          // status := right compared with left; both popped
  kBinaryOpCount
};

enum Opcode : std::uint32_t {
  // kBinaryOpCount * kLeafFormCount fused binary opcodes come first:
  // opcode = op * kLeafFormCount + form.
  kOpReturn = std::uint32_t{kBinaryOpCount} * std::uint32_t{kLeafFormCount},
  kOpLoadImm,         // push imm
  kOpLoadCell,        // push *cell
  kOpLoadPoint,       // push *point
  kOpLoadSquaredPoint,// push *point * *point
  kOpNegate,
  kOpAbs,
  kOpSqr,
  kOpSqrt,
  kOpLn,
  kOpLog,
  kOpPercent,
  kOpCall1,           // top := unary(top)
  kOpCall2,           // pop right; top := binary(left, right)
  kOpCallTriple,      // three values -> three values
  kOpCompareZero,     // status := top compared with 0; popped
  kOpSaveStatus,      // push the status word as a value
  kOpOrStatus,        // status |= the saved word; popped
  kOpLoadStatus,      // status := aux
  kOpNear,            // three values -> 1 or undefined; aux = inner axis (3: none)
  kOpDataLookup,      // push the data-array value; ptr = grid, aux = inner axis
  kOpLoadTable,       // push table[point - sweep]: a value tabulated per inner grid point
  kOpcodeCount
};

constexpr std::uint32_t binaryOpcode(BinaryOp op, LeafForm form) {
  return std::uint32_t{op} * std::uint32_t{kLeafFormCount} + std::uint32_t{form};
}

struct Instruction {
  std::uint32_t opcode;
  std::uint32_t aux;
  union {
    double imm;
    const double* cell;
    UnaryRoutine unary;
    BinaryRoutine binary;
    TripleRoutine triple;
    const DataGrid* grid;
    const real* table;
  };
};
static_assert(sizeof(Instruction) == 16, "instructions are compact and fixed-size");

enum class CodeShape : std::uint8_t { Value, Condition, Triple };

// Values on the stack when code of a shape returns (a condition leaves only the
// status); below them lies the one value the first push saved.
constexpr std::uint32_t resultDepth(CodeShape shape) {
  return shape == CodeShape::Value ? 1 : shape == CodeShape::Triple ? 3 : 0;
}

// One block from the Allocator: this header, then the instructions; it starts
// small (tuning::kCodeBlockStart) and doubles (by copying) whenever the next
// instruction does not fit. Code deeper than the interpreter's own fixed stack
// also carries, after the instructions, the scratch stack it runs on, so that no
// run allocates: it is working memory, written by every run of the (otherwise
// read-only) code, and one run at a time uses it.
struct CompiledCode {
  std::uint32_t capacity;  // bytes of the whole block
  std::uint32_t count;     // instructions, the closing return included
  std::uint32_t maxDepth;  // values on the stack at most, the top included
  CodeShape shape;
  // The native code of this code's shape (see native.h), or 0: run by the interpreter.
  std::uint16_t native;
  const LangState* state;  // what near and the data-array lookup read
  // The inner coordinates the tables of kOpLoadTable follow (null without tables):
  // the code runs only with a point into this array, whose index picks the entry.
  const double* sweep;

  static constexpr std::size_t kHeaderSize =
      (sizeof(std::uint32_t) * 3 + sizeof(CodeShape) + sizeof(std::uint16_t) + 2 * sizeof(void*) + 7) / 8 * 8;
  static constexpr std::uint32_t kInitialCapacity = tuning::kCodeBlockStart;
  // Values the interpreter keeps on the machine stack; deeper code has its scratch stack.
  static constexpr std::uint32_t kLocalStackDepth = tuning::kFastStackDepth;

  bool hasScratchStack() const { return maxDepth > kLocalStackDepth; }
  // Where the scratch stack starts. The allocator aligns a block whose size is a
  // multiple of 16 to 16 bytes, and every block that holds a scratch stack has
  // such a size, so this offset aligns the stack for long doubles.
  static constexpr std::size_t scratchOffset(std::uint32_t instructionCount) {
    return (kHeaderSize + instructionCount * sizeof(Instruction) + alignof(real) - 1) / alignof(real) * alignof(real);
  }
  static constexpr std::size_t scratchEnd(std::uint32_t instructionCount, std::uint32_t depth) {
    return scratchOffset(instructionCount) + std::size_t{depth} * sizeof(real);
  }
  real* scratchStack() const {
    return reinterpret_cast<real*>(reinterpret_cast<char*>(const_cast<CompiledCode*>(this)) + scratchOffset(count));
  }

  const Instruction* instructions() const {
    return reinterpret_cast<const Instruction*>(reinterpret_cast<const char*>(this) + kHeaderSize);
  }
  Instruction* instructions() {
    return reinterpret_cast<Instruction*>(reinterpret_cast<char*>(this) + kHeaderSize);
  }
  std::uint32_t room() const { return static_cast<std::uint32_t>((capacity - kHeaderSize) / sizeof(Instruction)); }
};
static_assert(sizeof(CompiledCode) <= CompiledCode::kHeaderSize);
static_assert(CompiledCode::kInitialCapacity >= CompiledCode::kHeaderSize + sizeof(Instruction));

// Axis index meaning "no axis is the inner sweep axis".
inline constexpr std::uint32_t kNoInnerAxis = 3;

// The routines of near and the data-array lookup, shared by the interpreter.
real nearTest(const LangState& state, std::uint32_t innerAxis, const double* point, real a, real b, real c);
real dataLookup(const LangState& state, const DataGrid& grid, std::uint32_t innerAxis, const double* point);

}  // namespace vx
