# The game for x86_64-macos with Zig's C++ compiler: see cmake/zig.cmake.
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(FARROWGATE_ZIG_TARGET x86_64-macos)
set(FARROWGATE_PACKAGE_PLATFORM macos-x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/zig.cmake)
