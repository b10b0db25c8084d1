// FormatNumber: twenty decimal digits of the value, rounded to the digit count
// and laid out in fixed or scientific notation in the calculator style.
#include "lang/format.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>

namespace vx {

namespace {

constexpr int kDigitCount = 20;
using Digits = std::array<int, kDigitCount>;

constexpr long double kLog10Of2 = 0.301029995663981195213738894724493027L;
constexpr long double kTwentyDigitsLow = 1e19L;   // x has 20 integer digits in [1e19, 1e20)
constexpr long double kTwentyDigitsHigh = 1e20L;

// 10^0 .. 10^27 are exact in the 64-bit significand, so a value that is a short
// decimal gets its digits exactly; 10^28 .. 10^31 and the binary steps beyond are
// correctly rounded and used only for very large or very small values.
constexpr long double kPowersOfTen[] = {
    1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,  1e10L,
    1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L, 1e21L,
    1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L, 1e28L, 1e29L, 1e30L, 1e31L,
};
static_assert(std::size(kPowersOfTen) == 32);
constexpr long double kBinaryPowersOfTen[] = {1e32L, 1e64L, 1e128L, 1e256L, 1e512L, 1e1024L, 1e2048L, 1e4096L};
static_assert(std::size(kBinaryPowersOfTen) == 8);  // 10^(32 * 2^i): covers 10^8191

// magnitude * 10^power. Each factor moves the value towards its final size, so no
// intermediate result overflows or underflows.
long double scaleByPowerOfTen(long double magnitude, int power) {
  bool up = power >= 0;
  unsigned steps = static_cast<unsigned>(up ? power : -power);
  long double value = up ? magnitude * kPowersOfTen[steps % 32] : magnitude / kPowersOfTen[steps % 32];
  steps /= 32;
  for (long double factor : kBinaryPowersOfTen) {
    if (steps == 0) break;
    if (steps & 1) value = up ? value * factor : value / factor;
    steps >>= 1;
  }
  return value;
}

// The 20 digits of an integer-valued x in [1e19, 1e20). x needs up to 67 bits, so
// it is taken apart as a 64-bit significand and a shift of at most 3.
Digits digitsOf(long double x) {
  int exponent = 0;
  long double fraction = std::frexp(x, &exponent);
  std::uint64_t significand = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
  int shift = exponent - 64;
  std::uint64_t high = (significand / 100) << shift;  // x = 100 * high + low
  std::uint64_t low = (significand % 100) << shift;
  high += low / 100;
  low %= 100;
  Digits digits{};
  digits[19] = static_cast<int>(low % 10);
  digits[18] = static_cast<int>(low / 10);
  for (int i = 17; i >= 0; --i) {
    digits[i] = static_cast<int>(high % 10);
    high /= 10;
  }
  return digits;
}

// Rounds to `count` digits (half to even when the dropped part is exactly a half)
// and clears the dropped ones. Returns true when the carry ran out of the first
// digit, which then becomes 1 followed by zeros.
bool roundDigits(Digits& digits, int count) {
  if (count >= kDigitCount) return false;
  int first = digits[count];
  bool laterNonZero = false;
  for (int i = count + 1; i < kDigitCount; ++i) laterNonZero |= digits[i] != 0;
  bool up = first > 5 || (first == 5 && (laterNonZero || digits[count - 1] % 2 == 1));
  for (int i = count; i < kDigitCount; ++i) digits[i] = 0;
  if (!up) return false;
  for (int i = count - 1; i >= 0; --i) {
    if (++digits[i] < 10) return false;
    digits[i] = 0;
  }
  digits[0] = 1;
  return true;
}

void appendDigits(std::string& text, const Digits& digits, int from, int to) {
  for (int i = from; i < to; ++i) text += static_cast<char>('0' + digits[i]);
}

void removeTrailingZeros(std::string& fraction) {
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
}

std::string fixedNotation(const Digits& digits, int count, int exponent) {
  std::string whole;
  std::string fraction;
  if (exponent < 0) {
    fraction.assign(static_cast<std::size_t>(-exponent - 1), '0');
    appendDigits(fraction, digits, 0, count);
  } else {
    appendDigits(whole, digits, 0, exponent + 1);
    appendDigits(fraction, digits, exponent + 1, count);
  }
  removeTrailingZeros(fraction);
  if (fraction.empty()) return whole.empty() ? "0" : whole;
  return whole + "." + fraction;
}

std::string scientificNotation(const Digits& digits, int count, int exponent) {
  std::string text;
  appendDigits(text, digits, 0, 1);
  std::string fraction;
  appendDigits(fraction, digits, 1, count);
  removeTrailingZeros(fraction);
  if (!fraction.empty()) text += "." + fraction;
  if (exponent != 0) {
    text += 'e';
    if (exponent < 0) text += '-';
    text += std::to_string(exponent < 0 ? -exponent : exponent);
  }
  return text;
}

}  // namespace

std::string FormatNumber(long double value, int significantDigits) {
  if (std::isnan(value) || std::isinf(value)) return "indeterminate or overflow";
  if (value == 0) return "0";
  int wanted = significantDigits < 1 ? 1 : (significantDigits > kDigitCount ? kDigitCount : significantDigits);
  bool negative = std::signbit(value);
  long double magnitude = std::fabs(value);

  // Estimate the decimal exponent from the binary one; it is right or one too high.
  int binaryExponent = 0;
  std::frexp(magnitude, &binaryExponent);
  int exponent = static_cast<int>(std::lround((binaryExponent - 1) * kLog10Of2));
  long double x = scaleByPowerOfTen(magnitude, kDigitCount - 1 - exponent);
  if (x < kTwentyDigitsLow) {
    --exponent;
    x = scaleByPowerOfTen(magnitude, kDigitCount - 1 - exponent);
  }
  if (x >= kTwentyDigitsHigh) {  // rounding of the scaled value reached the next power
    ++exponent;
    x = kTwentyDigitsLow;
  }
  Digits digits = digitsOf(x);

  bool fixed = exponent >= -4 && exponent <= 19 && exponent - 2 <= wanted;
  int count = fixed && exponent >= wanted ? exponent + 1 : wanted;
  if (roundDigits(digits, count)) ++exponent;

  std::string text = negative ? "-" : "";
  text += fixed ? fixedNotation(digits, count, exponent) : scientificNotation(digits, count, exponent);
  return text == "-0" ? "0" : text;
}

}  // namespace vx
