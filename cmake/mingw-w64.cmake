# Cross build of the Windows game with MinGW-w64 (Debian: g++-mingw-w64-x86-64).
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DFARROWGATE_HOST_PACKER=<native build>/asset-packer
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_PREFIX x86_64-w64-mingw32)
# Empty for Debian's default compiler; "-posix" from mingw-w64-posix.cmake.
set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc${MINGW_COMPILER_SUFFIX})
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++${MINGW_COMPILER_SUFFIX})
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)

# Headers and libraries come from the MinGW sysroot only; programs run on the
# build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
