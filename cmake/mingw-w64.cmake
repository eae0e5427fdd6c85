# Cross-building for 64-bit Windows from Debian with MinGW-w64 (packages g++-mingw-w64-x86-64-posix
# and mingw-w64-x86-64-dev). The posix flavour of the compiler is the one whose C++ library has
# std::thread. Programs built here run on Linux under Wine, which is how the tests start them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BALANTOR_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BALANTOR_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BALANTOR_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${BALANTOR_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${BALANTOR_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
