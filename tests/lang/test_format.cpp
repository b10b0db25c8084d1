// FormatNumber: notation choice, rounding (half to even only on an exact half),
// carries across all digits, the layouts, and the values that have no digits.
#include <gtest/gtest.h>

#include <cfloat>
#include <limits>
#include <string>

#include "lang/format.h"

namespace vx {
namespace {

struct FormatCase {
  int id;
  long double value;
  int digits;
  const char* text;
};

const FormatCase kFormats[] = {
    // 18 digits, the default.
    {1, 1024, 18, "1024"},
    {2, 0.25L, 18, ".25"},
    {3, -0.5L, 18, "-.5"},
    {4, 1e25L, 18, "1e25"},
    {5, -1e25L, 18, "-1e25"},
    {6, 1e-5L, 18, "1e-5"},
    {7, 1e-4L, 18, ".0001"},
    {8, 0.001234L, 18, ".001234"},
    {9, 0.00001234L, 18, "1.234e-5"},
    {10, 1e19L, 18, "10000000000000000000"},
    {11, 1e20L, 18, "1e20"},
    {12, 1e18L, 18, "1000000000000000000"},
    {13, 1.0L / 3, 18, ".333333333333333333"},
    {14, 2.0L / 3, 18, ".666666666666666667"},
    {15, -1.0L / 3 * 1e-7L, 18, "-3.33333333333333333e-8"},
    {16, 123456789012345678.0L, 18, "123456789012345678"},
    {17, 1234567890123456789.0L, 18, "1234567890123456789"},
    {18, 12345678901234567890.0L, 18, "12345678901234567890"},
    {19, 123456789012345678901.0L, 18, "1.23456789012345679e20"},
    {20, 0.1, 18, ".100000000000000006"},  // a double shows its binary value
    {21, DBL_MAX, 18, "1.79769313486231571e308"},
    {22, 4.9406564584124654e-324, 18, "4.94065645841246544e-324"},
    {23, 0.5e-300L, 18, "5e-301"},
    {24, 3, 18, "3"},
    {25, -7, 18, "-7"},
    // 4 digits, as the scroll bar shows values.
    {26, 12345, 4, "12345"},
    {27, 123456789, 4, "1.235e8"},
    {28, 1.0625L, 4, "1.062"},
    {29, 1.1875L, 4, "1.188"},
    {30, 9.99996L, 4, "10"},
    {31, 0.99996L, 4, "1"},
    {32, 0.099996L, 4, ".1"},
    {33, 99999.5L, 4, "100000"},
    {34, -123.456L, 4, "-123.5"},
    {35, 1e6L, 4, "1000000"},
    {36, 12345678, 4, "1.235e7"},
    {37, 0.000123456L, 4, ".0001235"},
    {38, 0.0000123456L, 4, "1.235e-5"},
    {39, 1.00004L, 4, "1"},
    // 1 digit: half to even, and above half.
    {40, 2.5L, 1, "2"},
    {41, 3.5L, 1, "4"},
    {42, 2.5000001L, 1, "3"},
    {43, 0.25L, 1, ".2"},
    {44, 0.75L, 1, ".8"},
    {45, 0.125L, 2, ".12"},
    // No digits to show.
    {46, 0, 18, "0"},
    {47, -0.0L, 18, "0"},
    {48, std::numeric_limits<long double>::quiet_NaN(), 18, "indeterminate or overflow"},
    {49, std::numeric_limits<long double>::infinity(), 18, "indeterminate or overflow"},
    {50, -std::numeric_limits<long double>::infinity(), 4, "indeterminate or overflow"},
};

TEST(FormatNumber, Table) {
  for (const FormatCase& c : kFormats) {
    EXPECT_EQ(FormatNumber(c.value, c.digits), c.text) << "case " << c.id;
  }
}

TEST(FormatNumber, DefaultsToEighteenDigits) {
  EXPECT_EQ(FormatNumber(2.0L / 3), ".666666666666666667");
}

TEST(FormatNumber, ExtremesOfTheExtendedRange) {
  std::string largest = FormatNumber(LDBL_MAX);
  EXPECT_EQ(largest.substr(0, 17), "1.189731495357231");
  EXPECT_EQ(largest.substr(largest.size() - 5), "e4932");
  std::string smallest = FormatNumber(std::numeric_limits<long double>::denorm_min());
  EXPECT_EQ(smallest.substr(0, 15), "3.6451995318824");
  EXPECT_EQ(smallest.substr(smallest.size() - 6), "e-4951");
}

TEST(FormatNumber, DigitCountOutsideItsRangeIsClamped) {
  EXPECT_EQ(FormatNumber(1.0L / 3, 0), ".3");
  EXPECT_EQ(FormatNumber(1.0L / 3, 40), ".33333333333333333334");
}

}  // namespace
}  // namespace vx
