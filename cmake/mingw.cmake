# What both Windows toolchain files share; they set CMAKE_SYSTEM_PROCESSOR
# and SETUP32_MINGW_PREFIX first.
# The launcher is built with the win32 thread model: its runtime then imports
# only functions that Windows 95 and NT 4 have (the posix model's winpthread
# needs GetTickCount64, TryEnterCriticalSection...). The test programs need
# std::mutex for GoogleTest and are built with -DSETUP32_THREADS=posix.
set(CMAKE_SYSTEM_NAME Windows)

list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SETUP32_THREADS)
if(NOT SETUP32_THREADS)
    set(SETUP32_THREADS win32)
endif()
set(CMAKE_C_COMPILER   ${SETUP32_MINGW_PREFIX}-gcc-${SETUP32_THREADS})
set(CMAKE_CXX_COMPILER ${SETUP32_MINGW_PREFIX}-g++-${SETUP32_THREADS})
set(CMAKE_RC_COMPILER  ${SETUP32_MINGW_PREFIX}-windres)

# Headers and libraries come from the mingw-w64 sysroot only; build tools
# (python3, wine, ...) come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${SETUP32_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CMAKE_CROSSCOMPILING_EMULATOR is deliberately not set here: the scripts
# decide which Wine runs the programs.
