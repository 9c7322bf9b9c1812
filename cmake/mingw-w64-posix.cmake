# The Windows cross build with the posix thread-model compiler
# (x86_64-w64-mingw32-g++-posix), which GoogleTest needs: use this one to build
# the test suite as Windows programs as well as the game.
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-posix.cmake \
#         -DFARROWGATE_HOST_PACKER=<native build>/asset-packer
set(MINGW_COMPILER_SUFFIX -posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
