#!/usr/bin/env bash
# The Windows game end to end under Wine: farrowgate.exe in Wine's own console
# window on a virtual X display, steered by X key events. The picture must
# change while Left is held, and Escape must end the game with status 0.
#
#   tests/wine_end_to_end.sh build-win/farrowgate.exe OUT_DIR
#
# Needs wine, Xvfb, xdotool and ImageMagick; the caller sets WINEPREFIX. The
# screenshots stay in OUT_DIR (before.png, after.png).
set -euo pipefail
exe=$1
out=$2
mkdir -p "$out"
rm -f "$out/display" "$out/before.png" "$out/after.png"

Xvfb -displayfd 3 -screen 0 800x900x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
xvfb=$!
game=
cleanup() {
  [ -n "$game" ] && kill "$game" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$out/display")"

wineconsole "$exe" &
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

import -window "$window" "$out/before.png"
colours=$(convert "$out/before.png" -format %k info:)
if [ "$colours" -lt 8 ]; then
  echo "FAIL: the console shows no picture ($colours colours)"
  exit 1
fi
# Wine's console opens 80 x 25; set-up must have grown the window, not only
# the buffer, to 50 rows: with cells twice as tall as wide, taller than wide.
read -r width height < <(identify -format '%w %h' "$out/before.png")
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
for _ in $(seq 100); do kill -0 "$game" 2>/dev/null || break; sleep 0.1; done
status=0
wait "$game" || status=$?
game=
if [ "$status" -ne 0 ]; then
  echo "FAIL: the game ended with status $status after Escape"
  exit 1
fi
echo "end to end: a ${width} x ${height} window, $colours colours, Left turned the view, Escape ended it with status 0"
