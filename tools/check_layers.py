#!/usr/bin/env python3
"""Checks that includes only run down the layers of the game.

Every folder that holds C++ has a rank; a file may include its own folder and
folders of a lower rank. The platform folders rank below the game's layers but
sit beside them: assets, world, render and app never include one (they reach
the platform through the seam in console/), only the programs above do. A
folder missing from the table is an error, so a new folder is placed on
purpose. Prints each fault and exits 1 if any.

Usage: tools/check_layers.py [ROOT]
       tools/check_layers.py --self-test   (the checker finds what it must)
"""
import os
import re
import sys
import tempfile

RANKS = {
    "console": 0,  # the frame buffer, keys, the seam, what every back end shares
    "console/ansi": 1,  # the pure terminal encoder and decoder
    "console/posix": 2,
    "console/win32": 2,
    "console/script": 2,
    "console/web": 2,
    "assets": 3,
    "world": 4,
    "render": 5,
    "app": 6,
    "programs/game": 7,
    "programs/headless": 7,
    "programs/web": 7,
    "tools": 8,
    "bench": 9,
    "tests": 9,
}
PLATFORM = {"console/ansi", "console/posix", "console/win32", "console/script", "console/web"}
GAME_LAYERS = {"assets", "world", "render", "app"}
SKIPPED = ("build", "node_modules")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def folder_of(path):
    return path.rsplit("/", 1)[0] if "/" in path else ""


def fault(source, target):
    """Why `source` may not include `target` (folders), or None."""
    if source == target:
        return None
    if target not in RANKS:
        return None  # a generated, system or third-party header
    if RANKS[target] >= RANKS[source]:
        return "includes a folder of its own rank or above"
    if target in PLATFORM and source in GAME_LAYERS:
        return "reaches the platform past the seam"
    return None


def check(root):
    found = []
    for folder, dirs, files in os.walk(root):
        dirs[:] = [d for d in dirs if not d.startswith(".") and not d.startswith(SKIPPED)]
        sources = [name for name in files if name.endswith((".cpp", ".h"))]
        if not sources:
            continue
        here = os.path.relpath(folder, root).replace(os.sep, "/")
        # Tools, tests and benchmarks may keep helpers in folders of their own.
        top = here.split("/")[0]
        if top in ("tools", "tests", "bench"):
            here = top
        if here not in RANKS:
            found.append(f"{here}/: a folder with no rank in tools/check_layers.py")
            continue
        for name in sorted(sources):
            path = f"{here}/{name}" if folder == os.path.join(root, here) else os.path.relpath(
                os.path.join(folder, name), root).replace(os.sep, "/")
            with open(os.path.join(folder, name), encoding="utf-8") as source:
                for number, line in enumerate(source, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    why = fault(here, folder_of(match.group(1)))
                    if why:
                        found.append(f"{path}:{number}: {why}: {match.group(1)}")
    return found


def self_test():
    """A tree with one fault of each kind: the checker must name all three."""
    faults = {
        "console/extra/a.h": "",  # an unknown folder
        "render/b.cpp": '#include "console/posix/terminal_session.h"\n',  # past the seam
        "world/c.cpp": '#include "render/caster.h"\n',  # upward
        "app/d.cpp": '#include "render/caster.h"\n#include "console/keyboard.h"\n',  # fine
    }
    with tempfile.TemporaryDirectory() as root:
        for path, text in faults.items():
            os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
            with open(os.path.join(root, path), "w", encoding="utf-8") as out:
                out.write(text)
        found = check(root)
    expected = ["console/extra/", "render/b.cpp:1:", "world/c.cpp:1:"]
    missing = [e for e in expected if not any(line.startswith(e) for line in found)]
    if missing or len(found) != len(expected):
        print("self-test: expected faults at", expected, "found", found)
        return 1
    return 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    found = check(root)
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
