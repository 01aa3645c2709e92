# Cross-compiles the 32-bit Windows build with the MinGW-w64 toolchain
# (Debian package g++-mingw-w64-i686), posix thread model.
#
#   cmake --preset windows
#
# Programs built here run under Wine: CMake uses it as the emulator for
# anything it executes, and the tests' runner script calls it directly.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(QUORVEL_MINGW_TRIPLET i686-w64-mingw32)

# The posix variant provides std::thread and std::mutex, which the test
# framework needs; its runtime (winpthread) is linked statically.
find_program(CMAKE_C_COMPILER NAMES ${QUORVEL_MINGW_TRIPLET}-gcc-posix
                                    ${QUORVEL_MINGW_TRIPLET}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${QUORVEL_MINGW_TRIPLET}-g++-posix
                                      ${QUORVEL_MINGW_TRIPLET}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${QUORVEL_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVEL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(QUORVEL_WINE NAMES wine)
if(QUORVEL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVEL_WINE})
endif()
