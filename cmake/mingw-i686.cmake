# Cross build for 32-bit Windows with Debian's mingw-w64 (posix thread model).
#   cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(SETUP32_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${SETUP32_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SETUP32_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${SETUP32_MINGW_PREFIX}-windres)

# Headers and libraries come from the mingw-w64 sysroot only; build tools
# (python3, wine, ...) come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${SETUP32_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CMAKE_CROSSCOMPILING_EMULATOR is deliberately not set here: the test
# directories decide for themselves how their executables run under Wine.
