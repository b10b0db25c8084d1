#pragma once
// FormatNumber: the one number-to-text routine of the product (status bar,
// calculator, scroll bar, box labels). Compact calculator style: at most
// `significantDigits` digits, no leading zero before the point, no trailing
// zeros, an exponent only for very large or very small numbers.
#include <string>

namespace vx {

inline constexpr int kDefaultSignificantDigits = 18;

std::string FormatNumber(long double value, int significantDigits = kDefaultSignificantDigits);

}  // namespace vx
