# Cross builds with Zig's C++ compiler (clang with libc++ and the C libraries
# of many targets), for macOS and for static Linux. Each cmake/zig-<target>.cmake
# names its target and includes this file:
#   cmake -S . -B build-macos-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/zig-aarch64-macos.cmake \
#         -DFARROWGATE_HOST_PACKER=<native build>/asset-packer
# tools/cross_builds.sh builds every target and runs what runs here.
set(CMAKE_CXX_COMPILER ${CMAKE_CURRENT_LIST_DIR}/zig-c++)
set(CMAKE_CXX_COMPILER_TARGET ${FARROWGATE_ZIG_TARGET})
# GoogleTest's project() enables C as well.
set(CMAKE_C_COMPILER ${CMAKE_CURRENT_LIST_DIR}/zig-cc)
set(CMAKE_C_COMPILER_TARGET ${FARROWGATE_ZIG_TARGET})
set(CMAKE_AR ${CMAKE_CURRENT_LIST_DIR}/zig-ar CACHE FILEPATH "Zig's archiver")
set(CMAKE_RANLIB ${CMAKE_CURRENT_LIST_DIR}/zig-ranlib CACHE FILEPATH "Zig's ranlib")
# The wrapper passes -O2 ahead of every other flag: Debug says -O0 after it.
set(CMAKE_CXX_FLAGS_DEBUG_INIT "-O0 -g")
set(CMAKE_C_FLAGS_DEBUG_INIT "-O0 -g")
# CMake wants one for Darwin; nothing here has an install name to change.
find_program(CMAKE_INSTALL_NAME_TOOL NAMES llvm-install-name-tool llvm-install-name-tool-14 install_name_tool)
# The release tarball's name: farrowgate-<version>-<platform>.tar.gz.
set(FARROWGATE_PACKAGE_PLATFORM ${FARROWGATE_PACKAGE_PLATFORM} CACHE STRING "platform in the tarball's name")

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
