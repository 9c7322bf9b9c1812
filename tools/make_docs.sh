#!/usr/bin/env bash
# Remakes the pictures under docs/ from the game itself: the README's four
# frames are named frames of the golden tours, the contact sheets the built-in
# art, all drawn by farrowgate-preview. With --check, draws them into a
# temporary folder and fails if any differs from docs/ by a byte.
#
#   tools/make_docs.sh [--check] HEADLESS PREVIEW [DOCS_DIR]
#
# The build runs it as `cmake --build build --target docs` (and the check as a test).
set -euo pipefail

check=0
if [ "${1:-}" = "--check" ]; then
  check=1
  shift
fi
if [ $# -lt 2 ]; then
  echo "usage: tools/make_docs.sh [--check] HEADLESS PREVIEW [DOCS_DIR]" >&2
  exit 2
fi
headless=$1
preview=$2
root=$(cd "$(dirname "$0")/.." && pwd)
docs=${3:-$root/docs}

work=$(mktemp -d "${TMPDIR:-/tmp}/farrowgate-docs.XXXXXX")
trap 'rm -rf "$work"' EXIT
out=$docs
[ $check -eq 1 ] && out=$work/docs
mkdir -p "$out"

# picture, tour, frame index (from 0)
frames=(
  "start_view        north_rooms     0"
  "figure_in_hall    watch_figures 152"
  "shutter_half_open south_rooms  1666"
  "panelled_door     south_rooms   961"
)
for entry in "${frames[@]}"; do
  read -r picture tour index <<< "$entry"
  if [ ! -f "$work/$tour.frames" ]; then
    "$headless" --script "$root/tests/tours/$tour.txt" --frames-out "$work/$tour.frames" > /dev/null
  fi
  "$preview" frame "$work/$tour.frames" "$index" "$out/$picture.png"
done
# The contact sheets at three pixels a console cell.
"$preview" textures --cell 3x3 "$out/textures.png"
"$preview" sheets --cell 3x3 "$out/sprites.png"

if [ $check -eq 1 ]; then
  status=0
  for picture in "$out"/*.png; do
    name=$(basename "$picture")
    if ! cmp -s "$picture" "$docs/$name"; then
      echo "docs/$name differs from the game; remake it: cmake --build build --target docs" >&2
      status=1
    fi
  done
  exit $status
fi
