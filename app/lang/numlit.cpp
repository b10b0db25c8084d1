// Number literals: digits [. digits] [exponent], or . digits [exponent], with the
// exponent E or e, an optional sign and at least one digit. The scan follows the
// language's conversion rule (a 64-bit integer of the leading digits and a decimal
// exponent) to decide when a literal is undefined; the value itself is the
// correctly rounded double of the written decimal.
#include <charconv>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <system_error>

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

// Power of ten of the first non-zero digit, before the written exponent; false
// when every digit is zero.
bool leadingPower(const char* text, DigitRun whole, DigitRun fraction, std::int64_t* power) {
  for (std::size_t i = whole.begin; i < whole.end; ++i) {
    if (text[i] != '0') {
      *power = countOf(whole.end - i - 1);
      return true;
    }
  }
  for (std::size_t i = fraction.begin; i < fraction.end; ++i) {
    if (text[i] != '0') {
      *power = -countOf(i - fraction.begin + 1);
      return true;
    }
  }
  return false;
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

}  // namespace

std::size_t parseNumberLiteral(const char* text, std::size_t length, double* value) {
  LiteralScan scan = scanLiteral(text, length);
  if (scan.end == 0) return 0;
  if (outside32Bits(conversionExponent(text, scan.whole, scan.fraction, scan.exponent))) {
    *value = static_cast<double>(math::undefined());
    return scan.end;
  }
  std::int64_t lead = 0;
  if (!leadingPower(text, scan.whole, scan.fraction, &lead)) {
    *value = 0;
    return scan.end;
  }
  double converted = 0;
  std::from_chars_result result;
  {
    x87::DoublePrecisionScope roundOnceToDouble;
    result = std::from_chars(text, text + scan.end, converted, std::chars_format::general);
  }
  if (result.ec == std::errc::result_out_of_range) {
    // Beyond the double range: infinity above it, zero below it.
    converted = clampCount(lead + scan.exponent) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  }
  *value = converted;
  return scan.end;
}

}  // namespace vx
