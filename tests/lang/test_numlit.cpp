// Number literals: what is a literal and how much of the text it takes, the value
// as a correctly rounded double (including cases that a doubly rounded conversion
// gets wrong under the program's 64-bit precision), the range limits, and the
// undefined literal of an exponent beyond 32 bits.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "lang/mathlib.h"

namespace vx {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct LiteralCase {
  int id;
  const char* text;
  std::size_t taken;  // 0: not a literal
  double value;       // NaN: the undefined literal
};

const LiteralCase kLiterals[] = {
    // Syntax and what the literal takes.
    {1, "0", 1, 0},
    {2, "5.", 2, 5},
    {3, ".5", 2, 0.5},
    {4, "1.e5", 4, 100000},
    {5, "1.856E3", 7, 1856},
    {6, "1e+5", 4, 100000},
    {7, "1E-2", 4, 0.01},
    {8, "007", 3, 7},
    {9, "2e", 0, 0},
    {10, "2e+", 0, 0},
    {11, "2e-x", 0, 0},
    {12, "2ex", 0, 0},
    {13, ".", 0, 0},
    {14, ".e5", 0, 0},
    {15, "e5", 0, 0},
    {16, "-2", 0, 0},
    {17, "", 0, 0},
    {18, "3x", 1, 3},
    {19, "1.5e3.2", 5, 1500},
    {20, "1..5", 2, 1},
    {21, "2*3", 1, 2},
    {22, "12 34", 2, 12},
    {23, "1e000000000000000000000005", 26, 100000},
    // Values: correctly rounded doubles.
    {24, "0.1", 3, 0.1},
    {25, "9007199254740993", 16, 9007199254740992.0},
    {26, "9007199254740993.0000000001", 27, 9007199254740994.0},
    {27, "123456789012345678901234567890", 30, 1.2345678901234568e+29},
    {28, "5812188808766828e7", 18, 5.812188808766828e+22},
    {29, "444660635046227e19", 18, 4.44660635046227e+33},
    {30, "2934254584533015e21", 19, 2.934254584533015e+36},
    {31, "6583073281855855e13", 19, 6.583073281855855e+28},
    {32, "7252585903787952e21", 19, 7.252585903787953e+36},
    {33, "1508190823362482e-18", 20, 0.001508190823362482},
    // Range limits.
    {34, "1e400", 5, kInf},
    {35, "1e-400", 6, 0},
    {36, "1e-320", 6, 1e-320},
    {37, "2.4703282292062328e-324", 23, 4.9406564584124654e-324},
    {38, "2.4703282292062327e-324", 23, 0},
    {39, "1.7976931348623157e308", 22, 1.7976931348623157e308},
    {40, "1.7976931348623159e308", 22, kInf},
    {41, "1e2147483647", 12, kInf},
    {42, "1e-2147483648", 13, 0},
    {43, "0e5000000000", 12, kNaN},
    // Exponents beyond 32 bits: the undefined literal.
    {44, "1e2147483648", 12, kNaN},
    {45, "1e-2147483649", 13, kNaN},
    {46, "1e99999999999999999999999999", 28, kNaN},
    {47, "0.0", 3, 0},
};

TEST(NumberLiteral, Table) {
  for (const LiteralCase& c : kLiterals) {
    double value = -12345;
    std::size_t taken = parseNumberLiteral(c.text, std::strlen(c.text), &value);
    EXPECT_EQ(taken, c.taken) << "case " << c.id << ": " << c.text;
    if (c.taken == 0 || taken != c.taken) continue;
    if (std::isnan(c.value)) {
      EXPECT_TRUE(std::isnan(value)) << "case " << c.id << ": " << c.text;
    } else {
      EXPECT_EQ(value, c.value) << "case " << c.id << ": " << c.text;
    }
  }
}

TEST(NumberLiteral, StopsAtTheGivenLength) {
  double value = 0;
  EXPECT_EQ(parseNumberLiteral("12345", 3, &value), 3u);
  EXPECT_EQ(value, 123);
  EXPECT_EQ(parseNumberLiteral("1.5e5", 4, &value), 0u);  // "1.5e" is no literal
  EXPECT_EQ(parseNumberLiteral(".5", 1, &value), 0u);
  EXPECT_EQ(parseNumberLiteral("7", 0, &value), 0u);
}

TEST(NumberLiteral, LongDigitRunsAreCountedNotKept) {
  double value = 0;
  // 400 digits before the point: far beyond the double range.
  std::string big(400, '1');
  EXPECT_EQ(parseNumberLiteral(big.data(), big.size(), &value), big.size());
  EXPECT_EQ(value, kInf);
  // 400 zeros after the point, then a digit: below the double range.
  std::string small = "0." + std::string(400, '0') + "1";
  EXPECT_EQ(parseNumberLiteral(small.data(), small.size(), &value), small.size());
  EXPECT_EQ(value, 0);
  // Dropped digits before the point still scale the value.
  std::string scaled = "1" + std::string(30, '0') + "e-30";
  EXPECT_EQ(parseNumberLiteral(scaled.data(), scaled.size(), &value), scaled.size());
  EXPECT_EQ(value, 1);
  // The digit with which the integer outgrows 64 bits is taken; the 20 after it
  // are dropped and raise the exponent to exactly the 32-bit limit, or past it.
  std::string atLimit = "1" + std::string(40, '0') + "e2147483627";
  EXPECT_EQ(parseNumberLiteral(atLimit.data(), atLimit.size(), &value), atLimit.size());
  EXPECT_EQ(value, kInf);
  std::string pastLimit = "1" + std::string(40, '0') + "e2147483628";
  EXPECT_EQ(parseNumberLiteral(pastLimit.data(), pastLimit.size(), &value), pastLimit.size());
  EXPECT_TRUE(std::isnan(value));
}

TEST(NumberLiteral, TakenDigitsAfterThePointShiftTheExponent) {
  double value = 0;
  // 1e-2147483640 written with 10 more digits after the point goes below the
  // 32-bit range of the conversion's exponent.
  std::string text = "0.0000000001e-2147483640";
  EXPECT_EQ(parseNumberLiteral(text.data(), text.size(), &value), text.size());
  EXPECT_TRUE(std::isnan(value));
  text = "1e-2147483640";
  EXPECT_EQ(parseNumberLiteral(text.data(), text.size(), &value), text.size());
  EXPECT_EQ(value, 0);
}

// The conversion against the C++ library's correctly rounded one, over literals
// that make conversions go wrong: long digit runs, the whole exponent range,
// exact halfway points between doubles (which must go to the even one) and
// numbers a hair either side of them, subnormals, and runs longer than the
// digits that are kept. VELTRIX_NUMLIT_CASES raises the count of each kind.
class AgainstLibrary {
 public:
  // `large`: a value out of the library's range is infinity, not zero.
  void check(const std::string& text, bool large) {
    double reference = 0;
    const std::from_chars_result result =
        std::from_chars(text.data(), text.data() + text.size(), reference, std::chars_format::general);
    ASSERT_EQ(result.ptr, text.data() + text.size()) << text;
    if (result.ec == std::errc::result_out_of_range) reference = large ? kInf : 0;
    double value = -1;
    ASSERT_EQ(parseNumberLiteral(text.data(), text.size(), &value), text.size()) << text;
    if (std::bit_cast<std::uint64_t>(value) != std::bit_cast<std::uint64_t>(reference) && ++failures_ <= 10) {
      ADD_FAILURE() << text << " gave " << value << ", not " << reference;
    }
  }

  // Random digits with a point anywhere (or none), scaled from 10^-345 to 10^330.
  void randomLiteral() {
    const int count = pick(1, 40);
    std::string digits;
    for (int i = 0; i < count; ++i) digits += static_cast<char>('0' + pick(0, 9));
    const int point = pick(0, count);  // digits before the point
    std::string text = point == count && pick(0, 1) ? digits : digits.substr(0, point) + "." + digits.substr(point);
    if (text[0] == '.' && text.size() == 1) text = "0";
    const int magnitude = pick(-345, 330);
    const int exponent = magnitude - point;
    text += (pick(0, 1) ? "e" : "E") + std::string(exponent >= 0 && pick(0, 1) ? "+" : "") + std::to_string(exponent);
    check(text, magnitude > 0);
  }

  // The halfway point between a double and the next one up, written out exactly,
  // and its neighbours: a digit more above it, far beyond the kept digits above
  // it and on it, and truncated below it.
  void halfway() {
    const std::uint64_t bits = randomDoubleBits();
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const int biased = static_cast<int>(bits >> 52);
    const std::uint64_t mantissa = biased ? fraction | std::uint64_t{1} << 52 : fraction;
    const int exponent = (biased ? biased : 1) - 1075 - 1;  // of the halfway point below
    const std::string digits = exactDigits(2 * mantissa + 1, exponent);
    const int scale = exponent < 0 ? exponent : 0;  // the literal's power of ten
    const bool large = biased > 1000;
    check(digits + "e" + std::to_string(scale), large);
    check(digits + "1e" + std::to_string(scale - 1), large);
    const std::string zeros(800, '0');
    check(digits + zeros + "1e" + std::to_string(scale - 801), large);
    check(digits + zeros + "e" + std::to_string(scale - 800), large);
    const int kept = pick(16, 30);
    if (static_cast<int>(digits.size()) > kept) {
      check(digits.substr(0, kept) + "e" + std::to_string(scale + static_cast<int>(digits.size()) - kept), large);
    }
  }

  int failures() const { return failures_; }

 private:
  int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  // Positive finite doubles, a quarter of them at the ends of the range.
  std::uint64_t randomDoubleBits() {
    const std::uint64_t fraction = random_() & ((std::uint64_t{1} << 52) - 1);
    const int end = pick(0, 7);
    const std::uint64_t biased = end == 0 ? 0 : end == 1 ? 2046 : static_cast<std::uint64_t>(pick(1, 2046));
    return biased << 52 | fraction;
  }

  // odd x 2^exponent as decimal digits, times 10^exponent when the exponent is
  // negative: odd x 5^-exponent is then the digit string.
  static std::string exactDigits(std::uint64_t odd, int exponent) {
    constexpr std::uint32_t kBase = 1000000000;
    std::vector<std::uint32_t> limbs = {static_cast<std::uint32_t>(odd % kBase),
                                        static_cast<std::uint32_t>(odd / kBase % kBase),
                                        static_cast<std::uint32_t>(odd / kBase / kBase)};
    const std::uint32_t factor = exponent < 0 ? 5 : 2;
    for (int i = 0; i < std::abs(exponent); ++i) {
      std::uint64_t carry = 0;
      for (std::uint32_t& limb : limbs) {
        carry += std::uint64_t{limb} * factor;
        limb = static_cast<std::uint32_t>(carry % kBase);
        carry /= kBase;
      }
      if (carry) limbs.push_back(static_cast<std::uint32_t>(carry));
    }
    while (limbs.size() > 1 && limbs.back() == 0) limbs.pop_back();
    std::string digits = std::to_string(limbs.back());
    for (std::size_t i = limbs.size() - 1; i-- > 0;) {
      const std::string limb = std::to_string(limbs[i]);
      digits += std::string(9 - limb.size(), '0') + limb;
    }
    return digits;
  }

  std::mt19937_64 random_{20011109};
  int failures_ = 0;
};

TEST(NumberLiteral, AgreesWithTheLibraryConversion) {
  const char* wanted = std::getenv("VELTRIX_NUMLIT_CASES");
  const long cases = wanted ? std::atol(wanted) : 100000;
  AgainstLibrary against;
  for (long i = 0; i < cases && !HasFatalFailure(); ++i) {
    against.randomLiteral();
    if (i % 10 == 0) against.halfway();
  }
  EXPECT_EQ(against.failures(), 0);
}

}  // namespace
}  // namespace vx
