// Number literals: digits [. digits] [exponent], or . digits [exponent], with the
// exponent E or e, an optional sign and at least one digit. The scan follows the
// language's conversion rule (a 64-bit integer of the leading digits and a decimal
// exponent) to decide when a literal is undefined; the value itself is the
// correctly rounded double of the written decimal (ties to even), computed here
// rather than by the C++ library, whose conversion was the largest single part
// of the Windows program.
#include <bit>
#include <cstdint>
#include <initializer_list>
#include <limits>

#include "lang/mathlib.h"
#include "lang/x87.h"

namespace vx {

namespace {

constexpr std::int64_t kCountLimit = std::int64_t{1} << 40;  // far beyond the 32-bit range either way

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Counts saturate: all that matters is whether a sum leaves the 32-bit range.
std::int64_t clampCount(std::int64_t v) {
  if (v > kCountLimit) return kCountLimit;
  return v < -kCountLimit ? -kCountLimit : v;
}

std::int64_t countOf(std::size_t n) {
  std::uint64_t wide = n;  // size_t is 32 bits on Windows
  return wide > static_cast<std::uint64_t>(kCountLimit) ? kCountLimit : static_cast<std::int64_t>(wide);
}

struct DigitRun {
  std::size_t begin = 0;
  std::size_t end = 0;
  bool empty() const { return begin == end; }
};

DigitRun digitRun(const char* text, std::size_t length, std::size_t begin) {
  std::size_t end = begin;
  while (end < length && isDigit(text[end])) ++end;
  return {begin, end};
}

// How many digits (integer part, then fraction) go into the 64-bit integer of the
// language's conversion: all of them, or up to and including the one with which
// the integer outgrows 64 bits (it is then shifted back to 64 bits, and the later
// digits are dropped).
std::size_t digitsTaken(const char* text, DigitRun whole, DigitRun fraction) {
  std::uint64_t integer = 0;
  std::size_t taken = 0;
  for (DigitRun run : {whole, fraction}) {
    for (std::size_t i = run.begin; i < run.end; ++i) {
      unsigned digit = static_cast<unsigned>(text[i] - '0');
      ++taken;
      if (integer > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return taken;
      integer = integer * 10 + digit;
    }
  }
  return taken;
}

// The decimal exponent of that integer: the written exponent, plus the dropped
// digits before the point, less the digits taken after it.
std::int64_t conversionExponent(const char* text, DigitRun whole, DigitRun fraction, std::int64_t written) {
  std::size_t taken = digitsTaken(text, whole, fraction);
  std::size_t wholeDigits = whole.end - whole.begin;
  std::size_t droppedBeforePoint = taken < wholeDigits ? wholeDigits - taken : 0;
  std::size_t takenAfterPoint = taken > wholeDigits ? taken - wholeDigits : 0;
  return clampCount(written + countOf(droppedBeforePoint) - countOf(takenAfterPoint));
}

struct LiteralScan {
  std::size_t end = 0;  // characters taken; 0 when the text is no literal
  DigitRun whole;
  DigitRun fraction;
  std::int64_t exponent = 0;  // as written, saturated
};

LiteralScan scanLiteral(const char* text, std::size_t length) {
  LiteralScan scan;
  scan.whole = digitRun(text, length, 0);
  std::size_t i = scan.whole.end;
  scan.fraction = {i, i};
  if (i < length && text[i] == '.') {
    scan.fraction = digitRun(text, length, i + 1);
    i = scan.fraction.end;
  }
  if (scan.whole.empty() && scan.fraction.empty()) return {};  // "", ".", ".e5", a letter
  if (i < length && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= length || !isDigit(text[i])) return {};  // "2e", "2e+"
    for (; i < length && isDigit(text[i]); ++i) {
      scan.exponent = clampCount(scan.exponent * 10 + (text[i] - '0'));
    }
    if (negative) scan.exponent = -scan.exponent;
  }
  scan.end = i;
  return scan;
}

bool outside32Bits(std::int64_t v) {
  return v > std::numeric_limits<std::int32_t>::max() || v < std::numeric_limits<std::int32_t>::min();
}

// The conversion to double. A halfway point between two doubles has at most 767
// significant decimal digits, so the first 768 digits of a literal decide its
// rounding, together with whether any later digit is non-zero (then a digit 1
// stands for all of them).
constexpr int kKeptDigits = 768;

// A literal reduced to what decides its double: value = digits x 10^exponent,
// the first digit non-zero, no trailing zeros.
struct Decimal {
  std::uint8_t digits[kKeptDigits + 1];
  int count = 0;
  std::int64_t exponent = 0;
};

// False when every digit is zero.
bool significantDigits(const char* text, const LiteralScan& scan, Decimal& decimal) {
  std::int64_t dropped = 0;
  bool droppedNonZero = false;
  for (DigitRun run : {scan.whole, scan.fraction}) {
    for (std::size_t i = run.begin; i < run.end; ++i) {
      const std::uint8_t digit = static_cast<std::uint8_t>(text[i] - '0');
      if (decimal.count == 0 && digit == 0) continue;
      if (decimal.count < kKeptDigits) {
        decimal.digits[decimal.count++] = digit;
      } else {
        dropped = clampCount(dropped + 1);
        droppedNonZero = droppedNonZero || digit != 0;
      }
    }
  }
  if (decimal.count == 0) return false;
  const std::size_t fractionDigits = scan.fraction.end - scan.fraction.begin;
  decimal.exponent = clampCount(scan.exponent + dropped - countOf(fractionDigits));
  if (droppedNonZero) {
    decimal.digits[decimal.count++] = 1;
    --decimal.exponent;
  }
  while (decimal.digits[decimal.count - 1] == 0) {
    --decimal.count;
    ++decimal.exponent;
  }
  return true;
}

// An unsigned integer of up to 3,840 bits, enough for a quotient of 64 bits
// of the largest numerator and denominator that the conversion forms (10^1092
// and 769 digits, shifted by up to 64 bits).
class BigNumber {
 public:
  explicit BigNumber(std::uint32_t value) : size_(value ? 1 : 0) { words_[0] = value; }

  bool isZero() const { return size_ == 0; }
  int bitLength() const { return size_ ? 32 * (size_ - 1) + std::bit_width(words_[size_ - 1]) : 0; }

  void multiplyAdd(std::uint32_t factor, std::uint32_t addend) {
    std::uint64_t carry = addend;
    for (int i = 0; i < size_; ++i) {
      carry += std::uint64_t{words_[i]} * factor;
      words_[i] = static_cast<std::uint32_t>(carry);
      carry >>= 32;
    }
    if (carry && size_ < kWords) words_[size_++] = static_cast<std::uint32_t>(carry);
  }

  void multiplyByPowerOfTen(int power) {
    for (; power >= 9; power -= 9) multiplyAdd(1000000000, 0);
    static constexpr std::uint32_t kSmallPowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
    multiplyAdd(kSmallPowers[power], 0);
  }

  void shiftLeft(int bits) {
    if (size_ == 0) return;
    const int whole = bits / 32;
    const int part = bits % 32;
    const int top = size_ + whole < kWords ? size_ + whole : kWords - 1;
    for (int i = top; i >= whole; --i) {
      const std::uint32_t high = i - whole < size_ ? words_[i - whole] : 0;
      const std::uint32_t low = i - whole >= 1 ? words_[i - whole - 1] : 0;
      words_[i] = part ? (high << part | low >> (32 - part)) : high;
    }
    for (int i = 0; i < whole && i < kWords; ++i) words_[i] = 0;
    size_ = top + 1;
    trim();
  }

  bool atLeast(const BigNumber& other) const {
    if (size_ != other.size_) return size_ > other.size_;
    for (int i = size_ - 1; i >= 0; --i) {
      if (words_[i] != other.words_[i]) return words_[i] > other.words_[i];
    }
    return true;
  }

  // Only when *this is at least `other`.
  void subtract(const BigNumber& other) {
    std::uint32_t borrow = 0;
    for (int i = 0; i < size_; ++i) {
      const std::uint64_t taken = std::uint64_t{i < other.size_ ? other.words_[i] : 0u} + borrow;
      borrow = words_[i] < taken ? 1 : 0;
      words_[i] = static_cast<std::uint32_t>(words_[i] - taken);
    }
    trim();
  }

 private:
  static constexpr int kWords = 120;

  void trim() {
    while (size_ > 0 && words_[size_ - 1] == 0) --size_;
  }

  std::uint32_t words_[kWords];
  int size_;
};

// value = (quotient + a fraction, non-zero when `inexact`) x 2^exponent, the
// quotient at least 2^54, rounded to the nearest double, ties to even; beyond
// the largest double it is infinity, below half the smallest one zero.
double roundToDouble(std::uint64_t quotient, bool inexact, int exponent) {
  const int lead = std::countl_zero(quotient);
  quotient <<= lead;
  exponent -= lead;  // now the quotient's top bit is set
  constexpr int kMantissaBits = 53;
  constexpr int kLowestExponent = -1074;  // the unit of the smallest subnormal
  int dropped = 64 - kMantissaBits;
  if (exponent + dropped < kLowestExponent) dropped = kLowestExponent - exponent;
  if (dropped > 64) return 0;
  const std::uint64_t kept = dropped == 64 ? 0 : quotient >> dropped;
  const std::uint64_t rest = dropped == 64 ? quotient : quotient & ((std::uint64_t{1} << dropped) - 1);
  const std::uint64_t half = std::uint64_t{1} << (dropped - 1);
  const bool up = rest > half || (rest == half && (inexact || (kept & 1)));
  const std::uint64_t mantissa = kept + (up ? 1 : 0);
  // A normal number's hidden bit carries into the exponent field, and so does a
  // mantissa that rounding carried to 2^53; a subnormal's field stays 0 unless
  // rounding reached the smallest normal number.
  const int biased = exponent + dropped + kMantissaBits - 1 + 1022;
  constexpr std::uint64_t kInfinityBits = 0x7FF0000000000000;
  const std::uint64_t bits =
      dropped > 64 - kMantissaBits ? mantissa : (static_cast<std::uint64_t>(biased) << 52) + mantissa;
  return std::bit_cast<double>(bits < kInfinityBits ? bits : kInfinityBits);
}

// Exact for at most 2^53 times or over a power of ten up to 10^22: a single
// rounding of exact operands.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kExactPower = 22;

bool convertExactly(const Decimal& decimal, double* value) {
  if (decimal.count > 19 || decimal.exponent < -kExactPower || decimal.exponent > kExactPower) return false;
  std::uint64_t integer = 0;
  for (int i = 0; i < decimal.count; ++i) integer = integer * 10 + decimal.digits[i];
  if (integer > (std::uint64_t{1} << 53)) return false;
  x87::DoublePrecisionScope roundOnceToDouble;
  const double whole = static_cast<double>(integer);
  const int power = static_cast<int>(decimal.exponent);
  *value = power < 0 ? whole / kExactPowers[-power] : whole * kExactPowers[power];
  return true;
}

double toDouble(const Decimal& decimal) {
  double value = 0;
  if (convertExactly(decimal, &value)) return value;
  // 10^(magnitude - 1) <= value < 10^magnitude
  const std::int64_t magnitude = decimal.count + decimal.exponent;
  if (magnitude >= 310) return std::numeric_limits<double>::infinity();
  if (magnitude <= -324) return 0;  // below half the smallest subnormal
  const int power = static_cast<int>(decimal.exponent);
  // value = numerator / denominator, both integers.
  BigNumber numerator(0);
  for (int i = 0; i < decimal.count; ++i) numerator.multiplyAdd(10, decimal.digits[i]);
  BigNumber denominator(1);
  if (power >= 0) numerator.multiplyByPowerOfTen(power);
  else denominator.multiplyByPowerOfTen(-power);
  // Scaled so that the quotient has 63 or 64 bits.
  const int shift = denominator.bitLength() - numerator.bitLength() + 63;
  if (shift > 0) numerator.shiftLeft(shift);
  else denominator.shiftLeft(-shift);
  denominator.shiftLeft(63);
  std::uint64_t quotient = 0;
  for (int bit = 63; bit >= 0; --bit) {
    if (numerator.atLeast(denominator)) {
      numerator.subtract(denominator);
      quotient |= std::uint64_t{1} << bit;
    }
    if (bit > 0) numerator.shiftLeft(1);
  }
  return roundToDouble(quotient, !numerator.isZero(), -shift);
}

}  // namespace

std::size_t parseNumberLiteral(const char* text, std::size_t length, double* value) {
  LiteralScan scan = scanLiteral(text, length);
  if (scan.end == 0) return 0;
  if (outside32Bits(conversionExponent(text, scan.whole, scan.fraction, scan.exponent))) {
    *value = static_cast<double>(math::undefined());
    return scan.end;
  }
  Decimal decimal;
  *value = significantDigits(text, scan, decimal) ? toDouble(decimal) : 0;
  return scan.end;
}

}  // namespace vx
