#include <gtest/gtest.h>

#include "base/fpu.h"

int main(int argc, char** argv) {
  vx::setProgramFloatingPointMode();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
