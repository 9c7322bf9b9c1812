#!/usr/bin/env python3
"""Checks that includes only run down the layers of the game.

Layers, from the bottom: the console core (picture, key table, the platform
seam), assets, the angle tables, world, render, app. A file may include its
own layer and the ones below it. A back end (a folder under console/) may
include the console core and its own folder; only programs, tools, tests and
benchmarks include a back end. Prints each upward include and exits 1 if any.

Usage: tools/check_layers.py [ROOT]
"""
import os
import re
import sys

LAYERS = ["console", "assets", "angles", "world", "render", "app"]
PROGRAM = len(LAYERS)  # entry points, tools, tests, benchmarks: may include anything
BACK_ENDS = ("console/posix/", "console/win32/", "console/script/", "console/web/")
# Programs that live beside the back end they drive.
ENTRY_POINTS = {"console/script/headless_main.cpp", "console/script/state_report.cpp",
                "console/script/state_report.h", "app/main.cpp", "console/web/web_main.cpp"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def place(path):
    """(layer rank, back-end folder or None) of a file, by its path from the root."""
    if path in ENTRY_POINTS or path.split("/")[0] in ("tools", "tests", "bench"):
        return PROGRAM, None
    for folder in BACK_ENDS:
        if path.startswith(folder):
            return 0, folder
    if path.startswith(("render/angle_tables.", "render/angle_tables_values.")):
        return LAYERS.index("angles"), None
    top = path.split("/")[0]
    if top in LAYERS:
        return LAYERS.index(top), None
    return None, None


def upward_includes(root):
    found = []
    for folder, dirs, files in os.walk(root):
        dirs[:] = [d for d in dirs if not d.startswith((".", "build")) and d != "node_modules"]
        for name in files:
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")
            rank, back_end = place(path)
            if rank is None or rank == PROGRAM:
                continue
            with open(os.path.join(root, path), encoding="utf-8") as source:
                for number, line in enumerate(source, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    target = match.group(1)
                    target_rank, target_back_end = place(target)
                    if target_rank is None:
                        continue  # a generated or system header
                    if target_back_end is not None:
                        ok = target_back_end == back_end
                    elif back_end is not None:
                        ok = target_rank == 0
                    else:
                        ok = target_rank <= rank
                    if not ok:
                        found.append(f"{path}:{number}: includes {target}")
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    found = upward_includes(root)
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
