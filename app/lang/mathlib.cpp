// The language's function library in extended precision. Every routine is a short
// sequence of the floating-point unit's own operations (x87.h), so that direct
// evaluation and compiled code give the same bits, and a result that has no value
// is the language's undefined constant.
#include "lang/mathlib.h"

#include <bit>
#include <iterator>
#include <limits>

#include "lang/x87.h"

namespace vx::math {

namespace {

constexpr real kPi = 3.14159265358979323846264338327950288L;
constexpr real kHalfPi = 1.57079632679489661923132169163975144L;
constexpr real kLog2OfE = 1.44269504088896340735992468100189214L;
constexpr real kLnOf2 = 0.693147180559945309417232121458176568L;
constexpr real kLog10Of2 = 0.301029995663981195213738894724493027L;
constexpr real kInfinity = std::numeric_limits<real>::infinity();
constexpr real kTwoTo32 = 4294967296.0L;
constexpr real kGammaOverflowArgument = 2000;

// Taylor coefficients of gamma about 1.5: gamma(1.5 + s) = sum c[k] s^k. On
// |s| <= 0.5 the series converges like 3^-k, so degree 40 leaves a relative
// error of about 3e-20, below the 64-bit significand.
constexpr real kGammaSeries[] = {
    8.862269254527580136491e-1L, 3.233839744888501382887e-2L,
    4.148134536883011682300e-1L, -1.072948045647722116875e-1L,
    1.446453590446215430383e-1L, -7.752305229985420344468e-2L,
    5.861030381717628950419e-2L, -3.800193555486513025205e-2L,
    2.583760645575620389370e-2L, -1.722244311346462506583e-2L,
    1.152251539239922834773e-2L, -7.690211364241578662589e-3L,
    5.131643501912387540907e-3L, -3.422802497359706096980e-3L,
    2.282589763790267413931e-3L, -1.522010071124428320813e-3L,
    1.014787742151477882241e-3L, -6.765708410600123672918e-4L,
    4.510655253956595488279e-4L, -3.007176712005637619066e-4L,
    2.004813770490574194010e-4L, -1.336554234592939954757e-4L,
    8.910408456105664040042e-5L, -5.940291063231535130123e-5L,
    3.960201546487878363617e-5L, -2.640137366248702575519e-5L,
    1.760092778322951645297e-5L, -1.173395665893706366844e-5L,
    7.822639694049431943534e-6L, -5.215093897948873714334e-6L,
    3.476729572735911571322e-6L, -2.317819838132976047040e-6L,
    1.545213274612560918191e-6L, -1.030142202751356005892e-6L,
    6.867614763714543450645e-7L, -4.578409873958632763382e-7L,
    3.052273261898683103687e-7L, -2.034848846302965547979e-7L,
    1.356565899550182701920e-7L, -9.043772671727378630850e-8L,
    6.029181784375384650177e-8L,
};
static_assert(std::size(kGammaSeries) == 41, "degree-40 series about 1.5");

bool isInteger(real v) { return x87::frndint(v) == v; }

// For an integer value: whether it is odd. Halving is exact, and half of an odd
// integer is not an integer.
bool isOdd(real integer) { return !isInteger(integer * 0.5L); }

// gamma on 1 < t < 2.
real gammaSeries(real t) {
  real s = t - 1.5L;
  real sum = kGammaSeries[std::size(kGammaSeries) - 1];
  for (std::size_t k = std::size(kGammaSeries) - 1; k-- > 0;) sum = sum * s + kGammaSeries[k];
  return sum;
}

// gamma(x) = (x-1)(x-2)...(x-k) gamma(x-k), stepping down to the first value at
// or below 2. Subtracting 1 is exact at these magnitudes.
real gammaAboveTwo(real x) {
  real product = 1;
  real t = x;
  do {
    t -= 1;
    product *= t;
  } while (t > 2);
  return t == 2 ? product : product * gammaSeries(t);
}

// Reflection for negative non-integers: gamma(x) gamma(1-x) = pi / sin(pi x),
// with the sine taken of the fractional part only.
real gammaNegative(real x) {
  real whole = x87::frndint(x, x87::kRoundTowardZero);
  if (x == whole) return undefined();
  real sine;
  if (!x87::fsin(kPi * (x - whole), sine)) return undefined();
  real result = kPi / (sine * gamma(1 - x));
  return isOdd(whole) ? -result : result;
}

// For a negative base and a non-integer exponent: the exponent's continued
// fraction decides whether an odd root is meant. Returns whether the last
// convergent p/q that fits has an odd denominator, and the parity of p. Only
// the parity of p is needed, and p itself could outgrow the significand.
bool oddRootOf(real exponent, bool* numeratorOdd) {
  real remaining = x87::fabs(exponent);
  real term = x87::frndint(remaining, x87::kRoundDown);
  remaining -= term;
  bool previousNumeratorOdd = true;  // p(-1) = 1
  bool currentNumeratorOdd = isOdd(term);
  real previousDenominator = 0;
  real denominator = 1;
  // The denominators grow at least like the Fibonacci numbers: 2^32 is passed
  // within 48 terms, so the bound only guards against surprises.
  for (int step = 0; step < 64; ++step) {
    real reciprocal = 1 / remaining;
    if (!(reciprocal <= kTwoTo32)) break;  // also ends an exact fraction (1/0)
    term = x87::frndint(reciprocal, x87::kRoundDown);
    remaining = reciprocal - term;
    real nextDenominator = term * denominator + previousDenominator;
    if (nextDenominator > kTwoTo32) break;
    bool nextNumeratorOdd = (isOdd(term) && currentNumeratorOdd) != previousNumeratorOdd;
    previousNumeratorOdd = currentNumeratorOdd;
    currentNumeratorOdd = nextNumeratorOdd;
    previousDenominator = denominator;
    denominator = nextDenominator;
  }
  *numeratorOdd = currentNumeratorOdd;
  return isOdd(denominator);
}

// |base|^exponent for base != 0.
real magnitudePower(real base, real exponent) { return exp2(x87::fyl2x(x87::fabs(base), exponent)); }

real inverseSecantOfNegative(real x) { return kPi - atan(x87::fsqrt(x * x - 1)); }

}  // namespace

real undefined() { return static_cast<real>(std::bit_cast<float>(std::uint32_t{0x7FC00000})); }

real exp2(real x) {
  real whole = x87::frndint(x);
  real fraction = x - whole;
  if (isUndefined(fraction)) {
    // Undefined stays undefined; the infinities have exact limits.
    if (isUndefined(x)) return x;
    return x > 0 ? x : 0;
  }
  return x87::fscale(x87::f2xm1(fraction) + 1, whole);
}

real exp(real x) { return exp2(x * kLog2OfE); }
real ln(real x) { return x87::fyl2x(x, kLnOf2); }
real log10(real x) { return x87::fyl2x(x, kLog10Of2); }

real sqrt(real x) { return x87::fsqrt(x); }

real sin(real x) {
  real result;
  return x87::fsin(x, result) ? result : undefined();
}

real cos(real x) {
  real result;
  return x87::fcos(x, result) ? result : undefined();
}

real tan(real x) {
  real sine, cosine;
  return x87::fsincos(x, sine, cosine) ? sine / cosine : undefined();
}

real cot(real x) {
  real sine, cosine;
  return x87::fsincos(x, sine, cosine) ? cosine / sine : undefined();
}

real csc(real x) {
  real sine;
  return x87::fsin(x, sine) ? 1 / sine : undefined();
}

real sec(real x) {
  real cosine;
  return x87::fcos(x, cosine) ? 1 / cosine : undefined();
}

// The hyperbolic functions take e^-x as 1/e^x. For very large |x| the quotients
// become infinity over infinity, that is undefined.
real sinh(real x) {
  real e = exp(x);
  return (e - 1 / e) / 2;
}

real cosh(real x) {
  real e = exp(x);
  return (e + 1 / e) / 2;
}

real tanh(real x) {
  real e = exp(x);
  real inverse = 1 / e;
  return (e - inverse) / (e + inverse);
}

real coth(real x) {
  real e = exp(x);
  real inverse = 1 / e;
  return (e + inverse) / (e - inverse);
}

real csch(real x) {
  real e = exp(x);
  return 2 / (e - 1 / e);
}

real sech(real x) {
  real e = exp(x);
  return 2 / (e + 1 / e);
}

// asinh and acsch are odd functions; taking the logarithm of the positive side
// avoids the cancellation that turns x + sqrt(x^2 + 1) into 0 for large negative x.
real asinh(real x) {
  if (x < 0) return -asinh(-x);
  return ln(x + x87::fsqrt(x * x + 1));
}

real acosh(real x) { return ln(x + x87::fsqrt(x * x - 1)); }
real atanh(real x) { return ln((1 + x) / (1 - x)) / 2; }
real acoth(real x) { return ln((x + 1) / (x - 1)) / 2; }

real acsch(real x) {
  if (x < 0) return -acsch(-x);
  return ln(1 / x + x87::fsqrt(x * x + 1) / x87::fabs(x));
}

real asech(real x) { return ln((1 + x87::fsqrt(1 - x * x)) / x); }

real asin(real x) { return angle(x87::fsqrt(1 - x * x), x); }
real acos(real x) { return kHalfPi - asin(x); }
real atan(real x) { return angle(1, x); }
real acot(real x) { return kHalfPi - atan(x); }

// Negative arguments take the principal values: asec in pi/2..pi, acsc in -pi/2..0.
real acsc(real x) {
  if (x < 0) return kHalfPi - inverseSecantOfNegative(x);
  return asin(1 / x);
}

real asec(real x) {
  if (x < 0) return inverseSecantOfNegative(x);
  return kHalfPi - acsc(x);
}

real ceiling(real x) { return x87::frndint(x, x87::kRoundUp); }
real floor(real x) { return x87::frndint(x, x87::kRoundDown); }

real sign(real x) {
  if (x > 0) return 1;
  if (x < 0) return -1;
  return undefined();
}

real one(real x) { return x >= 0 && x <= 1 ? 1 : undefined(); }
real nonneg(real x) { return x >= 0 ? 1 : undefined(); }

real gamma(real x) {
  if (isUndefined(x)) return undefined();
  if (x > kGammaOverflowArgument) return kInfinity;
  if (x > 2) return gammaAboveTwo(x);
  if (x == 2 || x == 1) return 1;
  if (x > 1) return gammaSeries(x);
  if (x > 0) return gamma(x + 1) / x;
  if (x == 0) return undefined();
  return gammaNegative(x);
}

real factorial(real x) { return gamma(x + 1); }
real percent(real x) { return x / 100; }

real angle(real a, real b) { return x87::fpatan(b, a); }

// pi is added in extended precision, as one step with the angle, so that the
// positive x axis is exactly 0 (the stored double pi left -1.2e-16 there). y + 0
// turns -0 into +0: (1, -0) lies on the positive x axis too, not at 2 pi.
real polarAngle(real x, real y) { return x87::fpatan(-(y + 0), -x) + kPi; }
real beta(real a, real b) { return gamma(a) * gamma(b) / gamma(a + b); }

real power(real a, real b) {
  if (a > 0) return exp2(x87::fyl2x(a, b));
  if (isUndefined(a)) return undefined();
  if (a == 0) return b == 0 || isUndefined(b) ? undefined() : 0;
  if (isUndefined(b)) return undefined();
  if (isInteger(b)) {
    real magnitude = magnitudePower(a, b);
    return isOdd(b) ? -magnitude : magnitude;
  }
  bool numeratorOdd = false;
  if (!oddRootOf(b, &numeratorOdd)) return undefined();
  real magnitude = magnitudePower(a, b);
  return numeratorOdd ? -magnitude : magnitude;
}

real intersect(real a, real b) {
  real first = x87::fabs(a);
  real second = x87::fabs(b);
  real sum = first + second;
  real magnitude = sum == 0 || isUndefined(sum) ? 0 : first * second / sum;
  bool outside = a < 0 || b < 0 || isUndefined(a) || isUndefined(b);
  return outside ? -magnitude : magnitude;
}

void cylindrical(real r, real t, real z, real out[3]) {
  real sine, cosine;
  if (!x87::fsincos(t, sine, cosine)) {
    out[0] = out[1] = out[2] = undefined();
    return;
  }
  out[0] = r * cosine;
  out[1] = r * sine;
  out[2] = z;
}

void spherical(real p, real t, real f, real out[3]) {
  real sineT, cosineT, sineF, cosineF;
  if (!x87::fsincos(t, sineT, cosineT) || !x87::fsincos(f, sineF, cosineF)) {
    out[0] = out[1] = out[2] = undefined();
    return;
  }
  real horizontal = p * sineF;
  out[0] = horizontal * cosineT;
  out[1] = horizontal * sineT;
  out[2] = p * cosineF;
}

}  // namespace vx::math
