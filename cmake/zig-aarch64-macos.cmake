# The game for aarch64-macos with Zig's C++ compiler: see cmake/zig.cmake.
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_PROCESSOR arm64)
set(FARROWGATE_ZIG_TARGET aarch64-macos)
set(FARROWGATE_PACKAGE_PLATFORM macos-arm64)
include(${CMAKE_CURRENT_LIST_DIR}/zig.cmake)
