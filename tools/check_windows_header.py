#!/usr/bin/env python3
"""Checks that <windows.h> comes in only through console/win32/windows_api.h,
which removes the VK_* macros that would rewrite the game's key constants of
the same names: with it as the only way in, include order cannot matter.
Prints each file that includes it directly and exits 1 if any.

Usage: tools/check_windows_header.py [ROOT]
"""
import os
import re
import sys

WRAPPER = "console/win32/windows_api.h"
DIRECT = re.compile(r'^\s*#\s*include\s*[<"]windows\.h[>"]', re.IGNORECASE | re.MULTILINE)
SKIPPED = ("build", "node_modules")


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    found = []
    for folder, dirs, files in os.walk(root):
        dirs[:] = [d for d in dirs if not d.startswith(".") and not d.startswith(SKIPPED)]
        for name in files:
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")
            with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as source:
                if path != WRAPPER and DIRECT.search(source.read()):
                    found.append(path)
    for path in sorted(found):
        print(f"{path}: includes <windows.h> directly; include {WRAPPER}")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
