#pragma once
// The function library of the language: every routine that compiled code and the
// direct evaluator call, in extended precision. The trigonometric, logarithmic and
// exponential primitives are the x87 operations (fsin, fcos, fsincos, fpatan,
// fyl2x, f2xm1, fscale, frndint) through inline helpers in x87.h, with a portable
// fallback on other processors. Results that have no value are NaN ("undefined").
#include <cstddef>
#include <cstdint>

namespace vx::math {

using real = long double;

// The language's own undefined constant: the single-precision quiet NaN 0x7FC00000.
real undefined();
inline bool isUndefined(real v) { return v != v; }

// e^x as 2^(x log2 e), the integer part applied by scaling.
real exp(real x);
real exp2(real x);
real ln(real x);      // ln 2 * log2 x; NaN for x < 0, -inf at 0
real log10(real x);   // log10 2 * log2 x

// One-argument functions of the language (names as the language spells them).
real sqrt(real x);
real sin(real x);     // NaN when the processor refuses the argument (|x| >= 2^63)
real cos(real x);
real tan(real x);
real cot(real x);
real csc(real x);
real sec(real x);
real sinh(real x);
real cosh(real x);
real tanh(real x);
real coth(real x);
real csch(real x);
real sech(real x);
real asinh(real x);
real acosh(real x);
real atanh(real x);
real acoth(real x);
real acsch(real x);
real asech(real x);
real asin(real x);
real acos(real x);
real atan(real x);
real acot(real x);
real acsc(real x);
real asec(real x);
real ceiling(real x);
real floor(real x);
real sign(real x);
real one(real x);
real nonneg(real x);
real gamma(real x);
real factorial(real x);  // postfix !: gamma(x + 1)
real percent(real x);    // postfix %: x / 100

// Two-argument functions and operators.
real angle(real a, real b);      // atan2(b, a), in -pi..pi
real polarAngle(real x, real y); // theta of (x, y): angle(-x, -y) + pi, in 0..2pi
real beta(real a, real b);
real power(real a, real b);      // a^b with the language's rules for negative bases
real intersect(real a, real b);  // value form of A & B

// Coordinate conversions of the parametric forms; a refused sine-cosine argument
// makes all three results NaN.
void cylindrical(real r, real t, real z, real out[3]);
void spherical(real p, real t, real f, real out[3]);

}  // namespace vx::math

namespace vx {

// Number literal of the language (digits, optional point and digits, optional
// exponent; or a point and at least one digit). On success returns the number of
// characters taken and stores the value; returns 0 when the text does not start
// with a valid literal (for instance "2e" or "2e+"). The value is the correctly
// rounded double of the written decimal (infinity or 0 beyond the double range);
// the language's conversion rule (a 64-bit integer of the leading digits and a
// decimal exponent) only decides that a literal whose exponent leaves the 32-bit
// range is undefined.
std::size_t parseNumberLiteral(const char* text, std::size_t length, double* value);

}  // namespace vx
