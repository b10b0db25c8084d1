#pragma once
// The floating-point unit's own operations, one inline helper each, so that the
// function library computes exactly what the processor computes (including its
// refusal of sine and cosine arguments at or above 2^63) and at its speed. The
// C library's long-double functions are several times slower and differ in the
// last bits. Processors without the x87 unit get a portable equivalent.
#include <cmath>
#include <cstdint>

namespace vx::x87 {

// Rounding-control bits of the control word.
enum RoundingMode : std::uint16_t {
  kRoundNearest = 0x0000,
  kRoundDown = 0x0400,
  kRoundUp = 0x0800,
  kRoundTowardZero = 0x0C00,
};

#if defined(__i386__) || defined(__x86_64__)

inline constexpr std::uint16_t kStatusC2 = 0x0400;  // "argument out of range" after fsin/fcos/fsincos

// sin x; false (and `out` unspecified) when the processor refuses the argument.
static inline bool fsin(long double x, long double& out) {
  std::uint16_t status;
  __asm__("fsin\n\tfnstsw %1" : "=t"(out), "=a"(status) : "0"(x));
  return (status & kStatusC2) == 0;
}

static inline bool fcos(long double x, long double& out) {
  std::uint16_t status;
  __asm__("fcos\n\tfnstsw %1" : "=t"(out), "=a"(status) : "0"(x));
  return (status & kStatusC2) == 0;
}

// sin x and cos x in one step. A refused argument stays alone on the register
// stack, so it is duplicated to keep the stack as the compiler expects it.
static inline bool fsincos(long double x, long double& sine, long double& cosine) {
  std::uint16_t status;
  __asm__(
      "fsincos\n\t"
      "fnstsw %2\n\t"
      "testw $0x0400, %2\n\t"
      "jz 1f\n\t"
      "fld %%st(0)\n"
      "1:"
      : "=t"(cosine), "=u"(sine), "=a"(status)
      : "0"(x));
  return (status & kStatusC2) == 0;
}

// atan2(y, x), in -pi..pi.
static inline long double fpatan(long double y, long double x) {
  long double result;
  __asm__("fpatan" : "=t"(result) : "0"(x), "u"(y) : "st(1)");
  return result;
}

// y * log2(x), with the product formed inside the instruction.
static inline long double fyl2x(long double x, long double y) {
  long double result;
  __asm__("fyl2x" : "=t"(result) : "0"(x), "u"(y) : "st(1)");
  return result;
}

// 2^x - 1 for -1 <= x <= 1.
static inline long double f2xm1(long double x) {
  long double result;
  __asm__("f2xm1" : "=t"(result) : "0"(x));
  return result;
}

// x * 2^trunc(n); overflow gives infinity and underflow zero.
static inline long double fscale(long double x, long double n) {
  long double result;
  __asm__("fscale" : "=t"(result) : "0"(x), "u"(n));
  return result;
}

// Round to an integer in the current rounding mode (nearest in the program's mode).
static inline long double frndint(long double x) {
  long double result;
  __asm__("frndint" : "=t"(result) : "0"(x));
  return result;
}

// Round to an integer in the given mode; the control word is restored afterwards.
// One asm statement, so that the compiler cannot move the rounding out of the
// window in which the mode is set.
static inline long double frndint(long double x, RoundingMode mode) {
  long double result;
  std::uint16_t saved;
  std::uint16_t chosen;
  __asm__(
      "fnstcw %1\n\t"
      "movzwl %1, %%eax\n\t"
      "andl $0xF3FF, %%eax\n\t"
      "orl %3, %%eax\n\t"
      "movw %%ax, %2\n\t"
      "fldcw %2\n\t"
      "frndint\n\t"
      "fldcw %1"
      : "=t"(result), "=m"(saved), "=m"(chosen)
      : "ri"(static_cast<std::uint32_t>(mode)), "0"(x)
      : "eax");
  return result;
}

static inline long double fsqrt(long double x) {
  long double result;
  __asm__("fsqrt" : "=t"(result) : "0"(x));
  return result;
}

static inline long double fabs(long double x) {
  long double result;
  __asm__("fabs" : "=t"(result) : "0"(x));
  return result;
}

// While alive, the unit rounds every result to a double's 53-bit significand.
// Library code written for double arithmetic (decimal-to-double conversion)
// relies on that; under the program's 64-bit precision a 32-bit build would
// round twice.
class DoublePrecisionScope {
 public:
  DoublePrecisionScope() {
    __asm__ volatile("fnstcw %0" : "=m"(saved_) : : "memory");
    std::uint16_t chosen = static_cast<std::uint16_t>((saved_ & ~0x0300) | 0x0200);
    __asm__ volatile("fldcw %0" : : "m"(chosen) : "memory");
  }
  ~DoublePrecisionScope() { __asm__ volatile("fldcw %0" : : "m"(saved_) : "memory"); }
  DoublePrecisionScope(const DoublePrecisionScope&) = delete;
  DoublePrecisionScope& operator=(const DoublePrecisionScope&) = delete;

 private:
  std::uint16_t saved_ = 0;
};

#else  // portable equivalents

inline constexpr long double kRefusedSineArgument = 9223372036854775808.0L;  // 2^63

static inline bool fsin(long double x, long double& out) {
  if (!(std::fabs(x) < kRefusedSineArgument) && std::isfinite(x)) return false;
  out = std::sin(x);
  return true;
}

static inline bool fcos(long double x, long double& out) {
  if (!(std::fabs(x) < kRefusedSineArgument) && std::isfinite(x)) return false;
  out = std::cos(x);
  return true;
}

static inline bool fsincos(long double x, long double& sine, long double& cosine) {
  if (!(std::fabs(x) < kRefusedSineArgument) && std::isfinite(x)) return false;
  sine = std::sin(x);
  cosine = std::cos(x);
  return true;
}

static inline long double fpatan(long double y, long double x) { return std::atan2(y, x); }
static inline long double fyl2x(long double x, long double y) { return y * std::log2(x); }
static inline long double f2xm1(long double x) {
  return std::expm1(x * 0.693147180559945309417232121458176568L);  // x ln 2
}

static inline long double fscale(long double x, long double n) {
  const long double limit = 1e6L;  // far beyond any exponent range: saturates the same way
  long double whole = std::trunc(n);
  if (whole != whole) return x + n;
  if (whole > limit) whole = limit;
  if (whole < -limit) whole = -limit;
  return std::scalbln(x, static_cast<long>(whole));
}

static inline long double frndint(long double x) { return std::nearbyint(x); }

static inline long double frndint(long double x, RoundingMode mode) {
  switch (mode) {
    case kRoundDown: return std::floor(x);
    case kRoundUp: return std::ceil(x);
    case kRoundTowardZero: return std::trunc(x);
    default: return std::nearbyint(x);
  }
}

static inline long double fsqrt(long double x) { return std::sqrt(x); }
static inline long double fabs(long double x) { return std::fabs(x); }

class DoublePrecisionScope {
 public:
  DoublePrecisionScope() {}
  ~DoublePrecisionScope() {}
};

#endif

}  // namespace vx::x87
