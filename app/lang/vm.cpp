// The interpreter of compiled code: one call per grid point, so this is the inner
// loop of the whole product. The top of the stack lives in a local (an x87
// register), fused instructions take leaf operands straight from the instruction
// or the point, and the stack is a small fixed array unless the code needs more,
// when it runs on the scratch stack its block carries. Code with native code of
// its shape runs that instead, on the same stack.
#include <cmath>

#include "base/check.h"
#include "lang/code.h"
#include "lang/native.h"

namespace vx {

namespace {

constexpr double kNoPoint = __builtin_nan("");

struct Outcome {
  real top;
  real* sp;  // one above the value below the top
  std::uint16_t status;
};

// One binary operation in every leaf form; RESULT computes from `l` and `r`.
#define VX_BINARY(OP, RESULT)                                                           \
  case binaryOpcode(OP, kFormStack): {                                                 \
    real r = top;                                                                      \
    real l = *--sp;                                                                    \
    top = RESULT;                                                                      \
    break;                                                                             \
  }                                                                                    \
  case binaryOpcode(OP, kFormImmRight): {                                              \
    real l = top, r = ip->imm;                                                         \
    top = RESULT;                                                                      \
    break;                                                                             \
  }                                                                                    \
  case binaryOpcode(OP, kFormImmLeft): {                                               \
    real l = ip->imm, r = top;                                                         \
    top = RESULT;                                                                      \
    break;                                                                             \
  }                                                                                    \
  case binaryOpcode(OP, kFormCellRight): {                                             \
    real l = top, r = *ip->cell;                                                       \
    top = RESULT;                                                                      \
    break;                                                                             \
  }                                                                                    \
  case binaryOpcode(OP, kFormCellLeft): {                                              \
    real l = *ip->cell, r = top;                                                       \
    top = RESULT;                                                                      \
    break;                                                                             \
  }                                                                                    \
  case binaryOpcode(OP, kFormPointRight): {                                            \
    real l = top, r = *point;                                                          \
    top = RESULT;                                                                      \
    break;                                                                             \
  }                                                                                    \
  case binaryOpcode(OP, kFormPointLeft): {                                             \
    real l = *point, r = top;                                                          \
    top = RESULT;                                                                      \
    break;                                                                             \
  }

// The comparison sets the status and pops what it compared.
#define VX_COMPARE(FORM, LEFT, RIGHT, POP) \
  case binaryOpcode(kOpCompare, FORM): {   \
    real l = LEFT, r = RIGHT;              \
    POP;                                   \
    status = compareStatus(r, l);          \
    top = *--sp;                           \
    break;                                 \
  }

// The dispatch is a switch in a loop rather than a threaded jump through a label
// table: GCC then keeps the top of the stack in an x87 register for the whole
// run, whereas at the targets of computed jumps it stores and reloads the 80-bit
// value around every instruction, which costs more than the dispatch saves.
__attribute__((always_inline)) inline Outcome execute(const CompiledCode* code, const double* point, real* stack) {
  const Instruction* ip = code->instructions();
  real* sp = stack;
  real top = 0;
  std::uint16_t status = 0;
  // The entry of every table at this point, when the code reads tables.
  const std::ptrdiff_t entry = code->sweep ? point - code->sweep : 0;
  for (;; ++ip) {
    switch (ip->opcode) {
      VX_BINARY(kOpAdd, l + r)
      VX_BINARY(kOpSubtract, l - r)
      VX_BINARY(kOpMultiply, l * r)
      VX_BINARY(kOpDivide, l / r)
      VX_BINARY(kOpReverseSubtract, r - l)
      VX_COMPARE(kFormStack, sp[-1], top, --sp)
      VX_COMPARE(kFormImmRight, top, ip->imm, (void)0)
      VX_COMPARE(kFormImmLeft, ip->imm, top, (void)0)
      VX_COMPARE(kFormCellRight, top, *ip->cell, (void)0)
      VX_COMPARE(kFormCellLeft, *ip->cell, top, (void)0)
      VX_COMPARE(kFormPointRight, top, *point, (void)0)
      VX_COMPARE(kFormPointLeft, *point, top, (void)0)
      case kOpReturn:
        VX_ASSERT(sp - stack == static_cast<std::ptrdiff_t>(resultDepth(code->shape)));
        return {top, sp, status};
      case kOpLoadImm:
        *sp++ = top;
        top = ip->imm;
        break;
      case kOpLoadCell:
        *sp++ = top;
        top = *ip->cell;
        break;
      case kOpLoadPoint:
        *sp++ = top;
        top = *point;
        break;
      case kOpLoadSquaredPoint: {
        *sp++ = top;
        real p = *point;
        top = p * p;
        break;
      }
      case kOpNegate: top = -top; break;
      case kOpAbs: top = std::fabs(top); break;
      case kOpSqr: top = top * top; break;
      case kOpSqrt: top = math::sqrt(top); break;
      case kOpLn: top = math::ln(top); break;
      case kOpLog: top = math::log10(top); break;
      case kOpPercent: top = math::percent(top); break;
      case kOpCall1: top = ip->unary(top); break;
      case kOpCall2: {
        real l = *--sp;
        top = ip->binary(l, top);
        break;
      }
      case kOpCallTriple: {
        real out[3];
        ip->triple(sp[-2], sp[-1], top, out);
        sp[-2] = out[0];
        sp[-1] = out[1];
        top = out[2];
        break;
      }
      case kOpCompareZero:
        status = compareStatus(top, 0);
        top = *--sp;
        break;
      case kOpSaveStatus:
        *sp++ = top;
        top = status;
        break;
      case kOpOrStatus:
        status = static_cast<std::uint16_t>(status | static_cast<std::uint16_t>(top));
        top = *--sp;
        break;
      case kOpLoadStatus: status = static_cast<std::uint16_t>(ip->aux); break;
      case kOpNear: {
        real c = top;
        real b = *--sp;
        real a = *--sp;
        top = nearTest(*code->state, ip->aux, point, a, b, c);
        break;
      }
      case kOpDataLookup:
        *sp++ = top;
        top = dataLookup(*code->state, *ip->grid, ip->aux, point);
        break;
      case kOpLoadTable:
        *sp++ = top;
        top = ip->table[entry];
        break;
      default: __builtin_unreachable();
    }
  }
}

#undef VX_BINARY
#undef VX_COMPARE

// The top as the native function returns it, or from the stack where it left it.
[[maybe_unused]] inline real callNative(long double (*native)(NativeFrame*), NativeFrame& frame, const real*, std::uint32_t) {
  return native(&frame);
}
[[maybe_unused]] inline real callNative(void (*native)(NativeFrame*), NativeFrame& frame, const real* stack, std::uint32_t depth) {
  native(&frame);
  return depth ? stack[depth - 1] : 0;
}

// Native code leaves its values at the bottom of the stack, the first one lowest,
// where the interpreter keeps the value the first push saved below them.
__attribute__((always_inline)) inline Outcome runNative(NativeFunction native, const CompiledCode* code,
                                                        const double* point, real* stack) {
  NativeFrame frame{code->instructions(), stack, point, 0, code, 0, 0, nullptr, 0};
  if (code->sweep) frame.tableOffset = (point - code->sweep) * static_cast<std::intptr_t>(sizeof(real));
  const std::uint32_t depth = resultDepth(code->shape);
  const real top = callNative(native, frame, stack, depth);
  return {top, stack + (depth ? depth - 1 : 0), static_cast<std::uint16_t>(frame.status)};
}

// Runs the code in the interpreter on a stack big enough for it; apart from the
// native path, so that a native run pays for none of its registers.
template <class Use>
__attribute__((noinline)) auto interpretWith(const CompiledCode* code, const double* point, Use use) {
  if (__builtin_expect(!code->hasScratchStack(), 1)) {
    real stack[CompiledCode::kLocalStackDepth];
    return use(execute(code, point, stack));
  }
  return use(execute(code, point, code->scratchStack()));
}

// Runs the code, natively when its shape has native code; `use` reads the outcome.
template <class Use>
__attribute__((always_inline)) inline auto runWith(const CompiledCode* code, const double* point, Use use) {
  if (!point) point = &kNoPoint;
  if (const NativeFunction native = nativeFunction(code->native)) {
    real stack[CompiledCode::kLocalStackDepth];
    return use(runNative(native, code, point, code->hasScratchStack() ? code->scratchStack() : stack));
  }
  return interpretWith(code, point, use);
}

}  // namespace

long double runValue(const CompiledCode* code, const double* point) {
  return runWith(code, point, [code](const Outcome& o) -> real {
    if (code->shape == CodeShape::Value) return o.top;
    if (code->shape == CodeShape::Triple) return o.sp[-2];
    return math::undefined();
  });
}

std::uint16_t runCondition(const CompiledCode* code, const double* point) {
  return runWith(code, point, [code](const Outcome& o) -> std::uint16_t {
    if (code->shape == CodeShape::Condition) return o.status;
    return compareStatus(code->shape == CodeShape::Triple ? o.sp[-2] : o.top, 0);
  });
}

void runConditionRow(const CompiledCode* code, const double* points, std::uint32_t count, std::uint16_t* statuses) {
  if (count == 0) return;
  const NativeRowFunction row = nativeRowFunction(code->native);
  if (!row) {
    for (std::uint32_t i = 0; i < count; ++i) statuses[i] = runCondition(code, &points[i]);
    return;
  }
  real stack[CompiledCode::kLocalStackDepth];
  NativeFrame frame{code->instructions(), code->hasScratchStack() ? code->scratchStack() : stack, points, 0, code, 0, 0,
                    statuses, count};
  if (code->sweep) frame.tableOffset = (points - code->sweep) * static_cast<std::intptr_t>(sizeof(real));
  row(&frame);
}

void runTriple(const CompiledCode* code, const double* point, long double out[3]) {
  runWith(code, point, [code, out](const Outcome& o) {
    if (code->shape == CodeShape::Triple) {
      out[0] = o.sp[-2];
      out[1] = o.sp[-1];
      out[2] = o.top;
    } else if (code->shape == CodeShape::Value) {
      out[0] = o.top;
      out[1] = out[2] = 0;
    } else {
      out[0] = out[1] = out[2] = math::undefined();
    }
    return 0;
  });
}

}  // namespace vx
