#pragma once
// The arithmetic mode the whole product runs in: every floating-point exception
// masked (undefined results become NaN, overflow becomes infinity), 64-bit
// significand, round to nearest. Windows runtimes differ in what they start
// with, so the programs and the test programs set it themselves first thing.
#include <cstdint>

namespace vx {

inline constexpr std::uint16_t kProgramControlWord = 0x133F;

inline void setProgramFloatingPointMode() {
#if defined(__i386__) || defined(__x86_64__)
  std::uint16_t cw = kProgramControlWord;
  __asm__ volatile("fninit\n\tfldcw %0" : : "m"(cw));
#endif
}

// Loads the program's control word again, without fninit: values may be live on
// the register stack. A library, a driver or another runtime in the same process
// may have changed the precision or rounding since start, so each execution and
// each redraw begins with this.
inline void reassertFloatingPointMode() {
#if defined(__i386__) || defined(__x86_64__)
  std::uint16_t cw = kProgramControlWord;
  __asm__ volatile("fldcw %0" : : "m"(cw));
#endif
}

inline std::uint16_t currentControlWord() {
#if defined(__i386__) || defined(__x86_64__)
  std::uint16_t cw = 0;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  return cw;
#else
  return kProgramControlWord;
#endif
}

}  // namespace vx
