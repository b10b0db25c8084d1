# 64-bit Windows through mingw-w64, for checking the core's Windows tests under
# wine64 on machines whose kernel cannot start 32-bit programs. The product
# itself is the 32-bit build (toolchain-mingw-i686.cmake).
set(VELTRIX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
