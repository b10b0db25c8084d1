# 32-bit Windows through mingw-w64: the product's build; tests run under Wine.
set(VELTRIX_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
# Doubles and floats in SSE registers, as on x86-64: the renderer's single and
# double arithmetic then rounds exactly as in the native build, so both draw the
# same pixels. Extended-precision values (long double) stay on the x87 unit.
# Windows calls window procedures and threads with a stack aligned to 4 bytes
# only: functions that spill SSE values realign their own frame.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mincoming-stack-boundary=2")
