// The interpreter of compiled code: one call per grid point, so this is the inner
// loop of the whole product. Dispatch is direct threading through a label table
// (labels as values), the top of the stack lives in a local, and the stack is a
// small fixed array unless the code needs more.
#include <cmath>
#include <memory>

#include "lang/code.h"

namespace vx {

namespace {

constexpr std::uint32_t kFastStackDepth = 32;
constexpr double kNoPoint = __builtin_nan("");

struct Outcome {
  real top;
  real* sp;  // one above the value below the top
  std::uint16_t status;
};

#define VX_LABELS_OF(name)                                                                       \
  &&name##_Stack, &&name##_ImmRight, &&name##_ImmLeft, &&name##_CellRight, &&name##_CellLeft, \
      &&name##_PointRight, &&name##_PointLeft

#define VX_NEXT goto* table[(++ip)->opcode]

// One binary operation in every leaf form; RESULT computes from `l` and `r`.
#define VX_BINARY(name, RESULT)                  \
  name##_Stack : {                               \
    real r = top;                                \
    real l = *--sp;                              \
    top = RESULT;                                \
    VX_NEXT;                                     \
  }                                              \
  name##_ImmRight : {                            \
    real l = top, r = ip->imm;                   \
    top = RESULT;                                \
    VX_NEXT;                                     \
  }                                              \
  name##_ImmLeft : {                             \
    real l = ip->imm, r = top;                   \
    top = RESULT;                                \
    VX_NEXT;                                     \
  }                                              \
  name##_CellRight : {                           \
    real l = top, r = *ip->cell;                 \
    top = RESULT;                                \
    VX_NEXT;                                     \
  }                                              \
  name##_CellLeft : {                            \
    real l = *ip->cell, r = top;                 \
    top = RESULT;                                \
    VX_NEXT;                                     \
  }                                              \
  name##_PointRight : {                          \
    real l = top, r = *point;                    \
    top = RESULT;                                \
    VX_NEXT;                                     \
  }                                              \
  name##_PointLeft : {                           \
    real l = *point, r = top;                    \
    top = RESULT;                                \
    VX_NEXT;                                     \
  }

// The comparison sets the status and pops what it compared.
#define VX_COMPARE_FORM(label, LEFT, RIGHT, POP) \
  label : {                                      \
    real l = LEFT, r = RIGHT;                    \
    POP;                                         \
    status = compareStatus(r, l);                \
    top = *--sp;                                 \
    VX_NEXT;                                     \
  }

Outcome execute(const CompiledCode* code, const double* point, real* stack) {
  static const void* const table[] = {
      VX_LABELS_OF(Add),       VX_LABELS_OF(Subtract), VX_LABELS_OF(Multiply),
      VX_LABELS_OF(Divide),    VX_LABELS_OF(ReverseSubtract), VX_LABELS_OF(Compare),
      &&Return,    &&LoadImm,  &&LoadCell, &&LoadPoint, &&LoadSquaredPoint, &&Negate, &&Abs, &&Sqr, &&Sqrt,
      &&Ln,        &&Log,      &&Percent,  &&Call1,     &&Call2,  &&CallTriple, &&CompareZero, &&SaveStatus,
      &&OrStatus,  &&LoadStatus, &&Near,   &&DataLookup,
  };
  static_assert(sizeof(table) / sizeof(table[0]) == kOpcodeCount, "one label per opcode");

  const Instruction* ip = code->instructions();
  real* sp = stack;
  real top = 0;
  std::uint16_t status = 0;
  goto* table[ip->opcode];

  VX_BINARY(Add, l + r)
  VX_BINARY(Subtract, l - r)
  VX_BINARY(Multiply, l * r)
  VX_BINARY(Divide, l / r)
  VX_BINARY(ReverseSubtract, r - l)
  VX_COMPARE_FORM(Compare_Stack, sp[-1], top, --sp)
  VX_COMPARE_FORM(Compare_ImmRight, top, ip->imm, (void)0)
  VX_COMPARE_FORM(Compare_ImmLeft, ip->imm, top, (void)0)
  VX_COMPARE_FORM(Compare_CellRight, top, *ip->cell, (void)0)
  VX_COMPARE_FORM(Compare_CellLeft, *ip->cell, top, (void)0)
  VX_COMPARE_FORM(Compare_PointRight, top, *point, (void)0)
  VX_COMPARE_FORM(Compare_PointLeft, *point, top, (void)0)

LoadImm:
  *sp++ = top;
  top = ip->imm;
  VX_NEXT;
LoadCell:
  *sp++ = top;
  top = *ip->cell;
  VX_NEXT;
LoadPoint:
  *sp++ = top;
  top = *point;
  VX_NEXT;
LoadSquaredPoint : {
  *sp++ = top;
  real p = *point;
  top = p * p;
  VX_NEXT;
}
Negate:
  top = -top;
  VX_NEXT;
Abs:
  top = std::fabs(top);
  VX_NEXT;
Sqr:
  top = top * top;
  VX_NEXT;
Sqrt:
  top = math::sqrt(top);
  VX_NEXT;
Ln:
  top = math::ln(top);
  VX_NEXT;
Log:
  top = math::log10(top);
  VX_NEXT;
Percent:
  top = math::percent(top);
  VX_NEXT;
Call1:
  top = ip->unary(top);
  VX_NEXT;
Call2 : {
  real l = *--sp;
  top = ip->binary(l, top);
  VX_NEXT;
}
CallTriple : {
  real out[3];
  ip->triple(sp[-2], sp[-1], top, out);
  sp[-2] = out[0];
  sp[-1] = out[1];
  top = out[2];
  VX_NEXT;
}
CompareZero:
  status = compareStatus(top, 0);
  top = *--sp;
  VX_NEXT;
SaveStatus:
  *sp++ = top;
  top = status;
  VX_NEXT;
OrStatus:
  status = static_cast<std::uint16_t>(status | static_cast<std::uint16_t>(top));
  top = *--sp;
  VX_NEXT;
LoadStatus:
  status = static_cast<std::uint16_t>(ip->aux);
  VX_NEXT;
Near : {
  real c = top;
  real b = *--sp;
  real a = *--sp;
  top = nearTest(*code->state, ip->aux, point, a, b, c);
  VX_NEXT;
}
DataLookup:
  *sp++ = top;
  top = dataLookup(*code->state, *ip->grid, ip->aux, point);
  VX_NEXT;
Return:
  return {top, sp, status};
}

#undef VX_LABELS_OF
#undef VX_NEXT
#undef VX_BINARY
#undef VX_COMPARE_FORM

// Runs the code on a stack big enough for it; `use` reads the outcome.
template <class Use>
__attribute__((always_inline)) inline auto runWith(const CompiledCode* code, const double* point, Use use) {
  if (!point) point = &kNoPoint;
  if (code->maxDepth <= kFastStackDepth) {
    real stack[kFastStackDepth];
    return use(execute(code, point, stack));
  }
  std::unique_ptr<real[]> stack(new real[code->maxDepth]);
  return use(execute(code, point, stack.get()));
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
