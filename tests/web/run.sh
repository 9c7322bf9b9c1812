#!/usr/bin/env bash
# Builds the web page and plays it in chromium, headless. Skips, saying why,
# where a tool is missing (Debian: emscripten node-acorn nodejs npm chromium);
# under CI (CI set) a missing tool fails instead, since CI installs them all.
set -euo pipefail
cd "$(dirname "$0")/../.."
for tool in emcmake node npm chromium; do
  if ! command -v "$tool" > /dev/null; then
    echo "web tests skipped: $tool is not installed"
    [ -z "${CI:-}" ] || exit 1
    exit 0
  fi
done
# Emscripten's optimiser needs Debian's acorn module.
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"
emcmake cmake -S . -B build-web
cmake --build build-web -j2
(cd tests/web && npm ci --no-audit --no-fund)
ctest --test-dir build-web --output-on-failure --verbose
ls -l build-web/web build-web/browser-test
