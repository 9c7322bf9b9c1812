#!/usr/bin/env bash
# The Windows programs of a MinGW build, run under Wine:
#  1. both test suites, each in a console (Wine gives a program one only
#     inside a terminal, hence script);
#  2. the game end to end, in Wine's own console window on a virtual X
#     display, steered by X key events: the window must have grown to 50 rows,
#     the picture must change while Left is held, and Escape must end the game
#     with status 0, and Ctrl-C with 130. The screenshots stay in BUILD/end-to-end/;
#  3. the game with no console at all: one line and status 1.
#
#   tests/run_under_wine.sh BUILD     (e.g. build-win)
#
# Needs wine, wine64, Xvfb, xdotool and ImageMagick. Uses a Wine prefix of its
# own inside BUILD and one wineserver for all the programs, stopped at the end.
set -euo pipefail
build=$(cd "$1" && pwd)
out="$build/end-to-end"
mkdir -p "$out"
rm -f "$out"/*.png "$out/display"

export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The display comes first: the desktop process that wineboot starts keeps the
# display it was given for as long as the server lives.
Xvfb -displayfd 3 -screen 0 800x900x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
xvfb=$!
game=
cleanup() {
  if [ -n "$game" ]; then kill "$game" 2>/dev/null || true; fi
  wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$out/display")"
mkdir -p "$WINEPREFIX"
wineserver -p  # before wineboot, whose own server would otherwise still be running
wineboot -i > /dev/null 2>&1

for suite in farrowgate-tests farrowgate-win32-tests; do
  if ! script -qec "wine '$build/tests/$suite.exe' > '$build/$suite.txt' 2>&1" /dev/null < /dev/null; then
    cat "$build/$suite.txt"
    echo "FAIL: $suite.exe under Wine"
    exit 1
  fi
  # The summary: how many ran, passed and were skipped.
  grep -E '^\[(==========|  PASSED  |  SKIPPED )\] [0-9]+ test' "$build/$suite.txt" | sed "s/^/$suite.exe: /"
done

wineconsole "$build/farrowgate.exe" &
game=$!
window=$(timeout 60 xdotool search --sync --name '^FARROWGATE - ' | head -1)
sleep 2  # the first frames
xdotool windowfocus --sync "$window"

# A tap shorter than a frame is a down and an up in one poll, which the game
# never sees as down: hold every key for a while.
hold() {
  xdotool keydown "$1"
  sleep "$2"
  xdotool keyup "$1"
}
pixels() { convert "$1" rgb:- | md5sum; }
# Up to 10 s for the game to end; its exit status is left in $status.
wait_for_game() {
  for _ in $(seq 100); do kill -0 "$game" 2>/dev/null || break; sleep 0.1; done
  status=0
  wait "$game" || status=$?
  game=
}

import -window "$window" "$out/before.png"
colours=$(convert "$out/before.png" -format %k info:)
if [ "$colours" -lt 8 ]; then
  echo "FAIL: the console shows no picture ($colours colours)"
  exit 1
fi
# Wine's console opens 80 x 25; set-up must have grown the window, not only
# the buffer, to 50 rows: with cells twice as tall as wide, taller than wide.
read -r width height < <(identify -format '%w %h\n' "$out/before.png")
if [ "$height" -le "$width" ]; then
  echo "FAIL: the console window is ${width} x ${height} pixels, not 80 x 50 cells"
  exit 1
fi
hold Left 1
sleep 0.5
import -window "$window" "$out/after.png"
if [ "$(pixels "$out/before.png")" = "$(pixels "$out/after.png")" ]; then
  echo "FAIL: holding Left did not change the picture"
  exit 1
fi

hold Escape 0.3
wait_for_game
if [ "$status" -ne 0 ]; then
  echo "FAIL: the game ended with status $status after Escape"
  exit 1
fi
echo "farrowgate.exe: a ${width} x ${height} window, $colours colours, Left turned the view, Escape ended it with status 0"

# Ctrl-C ends the game with the status the README gives, 130, as in a terminal.
wineconsole "$build/farrowgate.exe" &
game=$!
window=$(timeout 60 xdotool search --sync --name '^FARROWGATE - ' | head -1)
sleep 2
xdotool windowfocus --sync "$window"
xdotool key ctrl+c
wait_for_game
if [ "$status" -ne 130 ]; then
  echo "FAIL: the game ended with status $status after Ctrl-C, not 130"
  exit 1
fi
echo "farrowgate.exe: Ctrl-C ended it with status 130"

# With no console (its handles redirected, as under mintty) it says so in one
# line and ends with status 1 rather than run unseen.
status=0
wine "$build/farrowgate.exe" < /dev/null > "$out/no-console.out" 2> "$out/no-console.err" || status=$?
lines=$(grep -c . "$out/no-console.err" || true)
if [ "$status" -ne 1 ] || [ "$lines" -ne 1 ]; then
  cat "$out/no-console.err"
  echo "FAIL: without a console: status $status and $lines lines, not 1 and 1"
  exit 1
fi
echo "farrowgate.exe without a console: status 1: $(cat "$out/no-console.err")"
