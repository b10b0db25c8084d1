#include <gtest/gtest.h>

#include "base/fpu.h"
#ifdef VELTRIX_TEST_NATIVE_CODE
#include "base/executablememory.h"
#include "lang/native.h"
#endif

int main(int argc, char** argv) {
  vx::setProgramFloatingPointMode();
#ifdef VELTRIX_TEST_NATIVE_CODE
  // Compiled code runs as native code wherever the processor has it, as in the programs.
  vx::useExecutableMemory(&vx::systemExecutableMemory());
#endif
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
