# The game for x86_64-linux-musl with Zig's C++ compiler: see cmake/zig.cmake.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(FARROWGATE_ZIG_TARGET x86_64-linux-musl)
set(FARROWGATE_PACKAGE_PLATFORM linux-x86_64)
# Static: the programs run on any Linux distribution, whatever its C library.
set(FARROWGATE_STATIC ON CACHE BOOL "link the programs statically")
include(${CMAKE_CURRENT_LIST_DIR}/zig.cmake)
