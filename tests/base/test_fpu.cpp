// The arithmetic mode every program and test program starts in: the rest of the
// product's numbers (the calculator's 18 digits, the function library) rely on it.
#include <gtest/gtest.h>

#include "base/fpu.h"

namespace vx {
namespace {

#if defined(__i386__) || defined(__x86_64__)
TEST(FloatingPointMode, IsExtendedPrecisionWithEveryExceptionMasked) {
  setProgramFloatingPointMode();
  EXPECT_EQ(currentControlWord() & 0x0F3F, kProgramControlWord & 0x0F3F);
  volatile long double third = 1.0L;
  third = third / 3;
  // 64 significant bits: the long double third is not the double third.
  EXPECT_NE(static_cast<double>(third), third);
  volatile long double zero = 0;
  EXPECT_TRUE(1 / zero > 0 && 1 / zero == 2 / zero);  // no trap: a division by zero is infinity
}
#endif

}  // namespace
}  // namespace vx
