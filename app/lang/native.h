#pragma once
// Native code for compiled expressions: x87 machine code translated from the
// instruction sequence, one instruction at a time, with the same long double
// operations on the same values and calls of the same routines as the
// interpreter, which stays the reference (and runs everything on processors
// without the x87 unit, or when native code is switched off).
//
// The walk compiles code once per row with the outer coordinates folded in, so
// native code is made per SHAPE of code (its shape and opcode sequence) and reads
// every operand (immediates, cells, routines, tables) from the instructions at
// run time: one native block serves every row whose code has the same shape, and
// a redraw after the first adds no machine code. The blocks live in one
// process-wide cache that is used by one thread at a time.
#include <cstddef>
#include <cstdint>

#include "lang/code.h"

namespace vx {

class ExecutableMemory;

// What the native code of one run reads and writes. The runner fills it; the
// code leaves its values in `stack` (the first value at the bottom), the top
// possibly returned instead (kNativeReturnsTop), and the condition status in
// `status`.
struct NativeFrame {
  const Instruction* instructions;
  real* stack;            // at least maxDepth values
  const double* point;
  std::intptr_t tableOffset;  // bytes from a table's start to this point's entry
  const CompiledCode* code;
  std::uint32_t status;
  std::int32_t scratch;
  // A row run: the status of each point goes here, `count` points from `point` on.
  std::uint16_t* statuses;
  std::uint32_t count;
};

// Runs the code at `count` (at least one) consecutive points, storing each
// point's condition status (runCondition's) in turn: one call per row instead of
// one per point.
using NativeRowFunction = void (*)(NativeFrame*);

#if defined(_WIN64)
// Windows returns a long double through memory: the code leaves every value in
// the stack.
inline constexpr bool kNativeReturnsTop = false;
using NativeFunction = void (*)(NativeFrame*);
#else
// The top is returned in st(0), as the calling convention returns a long double,
// and the values below it in the stack (a value stored as 80 bits and loaded
// again at once waits for the store).
inline constexpr bool kNativeReturnsTop = true;
using NativeFunction = long double (*)(NativeFrame*);
#endif

// Shapes the cache can hold at most; a code's `native` index is one above its slot.
inline constexpr std::uint32_t kNativeSlots = 4096;
namespace native_detail {
extern NativeFunction functions[kNativeSlots + 1];
extern NativeRowFunction rowFunctions[kNativeSlots + 1];
}  // namespace native_detail

// Installs the memory that native code is written to (null: none) and empties
// the cache. The programs install it once at start; installing again is allowed
// only while no compiled code exists (a code's `native` index would name a slot
// that another shape may take).
void useExecutableMemory(ExecutableMemory* memory);

// The debugging switch: while off, code compiled from then on runs in the
// interpreter. On by default; effective only where native code is built for the
// processor and memory is installed.
void setNativeCode(bool on);
bool nativeCodeAvailable();

// Gives the code the native block of its shape, making one when the shape is
// new; leaves it to the interpreter when native code is unavailable, the shape
// is too long, or the cache is full.
void attachNativeCode(CompiledCode* code);

// The native function of a code's `native` index, or null (index 0, or native
// code withdrawn after the system refused to protect its pages).
inline NativeFunction nativeFunction(std::uint16_t index) { return native_detail::functions[index]; }
// The row function of the same shape, or null (no native code, or a shape that
// leaves three values).
inline NativeRowFunction nativeRowFunction(std::uint16_t index) { return native_detail::rowFunctions[index]; }

// Blocks in the cache and protection changes made so far.
struct NativeCacheStats {
  std::size_t shapes = 0;
  std::size_t protectionChanges = 0;
  std::size_t codeBytes = 0;
};
NativeCacheStats nativeCacheStats();

}  // namespace vx
