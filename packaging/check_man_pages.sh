#!/bin/sh
# Formats each man page as man(1) shows it and fails on any warning from
# groff or man (unknown macros, lines that cannot be broken, bad escapes).
# Usage: packaging/check_man_pages.sh PAGE...
# C.UTF-8 always exists, so man has no locale of its own to complain about.
export LC_ALL=C.UTF-8
# --warnings and -l are man-db's; mandoc (macOS, the BSDs) has neither.
if ! man --version 2>/dev/null | grep -q '^man '; then
  echo "skipped: this man is not man-db's, whose --warnings the check uses"
  exit 77
fi
status=0
for page in "$@"; do
  if [ ! -s "$page" ]; then
    echo "$page: missing or empty"
    status=1
    continue
  fi
  warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 "$page" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "$page:"
    echo "$warnings"
    status=1
  fi
done
exit $status
