# What both mingw-w64 toolchains share; each sets VELTRIX_MINGW_TRIPLE (the
# compiler prefix) and CMAKE_SYSTEM_PROCESSOR, then includes this file. The
# compilers use posix threads; programs are linked statically so that they need
# no DLL beyond the system's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${VELTRIX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELTRIX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELTRIX_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VELTRIX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
