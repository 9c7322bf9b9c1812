#!/usr/bin/env python3
"""Reads art/level.txt, prints the level readably and verifies the figures the
game relies on: the start, the reachable area, the wall ring, the texture
counts of all three layers and the tail of the ceiling layer.  Exits 1 if any
figure is off and 2 if the file cannot be read.

With --survey, prints only the survey of each level named, in the form of
art/level_figures.txt and a blank line after each, exactly as
tools/level_survey.cpp counts it (a test runs both over the same levels and
compares).

    python3 tools/level_check.py [level path]
    python3 tools/level_check.py --survey LEVEL...
"""

import os
import sys

from art_format import DOOR_BYTE_BASE, LAST_DOOR_BYTE, MAP_SIZE, read_level_figures

SIZE = MAP_SIZE
FIGURES = read_level_figures()
START = tuple(FIGURES["start"])
REACHABLE_CELLS = FIGURES["reachable_cells"][0]
WALL_BOX = tuple(FIGURES["wall_box"])  # x from, x to, y from, y to (inclusive)
WALL_COUNTS = FIGURES["walls_by_texture"]
DOOR_COUNTS = FIGURES["doors_by_byte"]
FLOOR_COUNTS = FIGURES["floors_by_texture"]
CEILING_COUNTS = FIGURES["ceilings_by_texture"]
POCKET_CELLS = FIGURES["pocket_cells"][0]
STRAY_CEILINGS = FIGURES["stray_ceilings"][0]
LAST_STRAY = tuple(FIGURES["last_stray_ceiling"])
CEILING_ZERO_TAIL = FIGURES["ceiling_zero_tail"][0]
WALKABLE_FLOORS = {2, 7, 8, 12, 16}
WALKABLE_CEILINGS = {1, 2, 7, 8, 12, 16}

LAYERS = ("walls", "floors", "ceilings")


class LevelError(Exception):
    pass


def parse(text, name="level.txt"):
    """Returns (start, legend, layers) with layers[name][y][x] as bytes.
    Follows the art format: '#' lines and blank lines are skipped, trailing
    spaces and '\\r' are ignored, anything else wrong is an error."""
    lines = []
    for number, raw in enumerate(text.split("\n"), 1):
        line = raw.rstrip(" \r")
        if line == "" or line.startswith("#"):
            continue
        lines.append((number, line))
    pos = 0

    def take():
        nonlocal pos
        if pos >= len(lines):
            raise LevelError("%s: unexpected end of file" % name)
        pos += 1
        return lines[pos - 1]

    number, line = take()
    parts = line.split()
    if len(parts) != 3 or parts[0] != "start":
        raise LevelError("%s:%d: expected 'start X Y'" % (name, number))
    try:
        start = (int(parts[1]), int(parts[2]))
    except ValueError:
        raise LevelError("%s:%d: start is not two numbers" % (name, number))
    if not all(0 <= v < SIZE for v in start):
        raise LevelError("%s:%d: start outside 0..63" % (name, number))

    number, line = take()
    if line != "legend":
        raise LevelError("%s:%d: expected 'legend'" % (name, number))
    legend = {}
    while pos < len(lines) and lines[pos][1] not in LAYERS:
        number, line = take()
        parts = line.split(None, 2)
        symbol = line[0]
        if len(parts) < 2 or len(parts[0]) != 1 or symbol in "# ":
            raise LevelError("%s:%d: bad legend line (or a missing 'walls')" % (name, number))
        if not symbol.isprintable():
            raise LevelError("%s:%d: legend symbol not printable" % (name, number))
        try:
            value = int(parts[1])
        except ValueError:
            raise LevelError("%s:%d: legend byte is not a number" % (name, number))
        if not 0 <= value <= 255:
            raise LevelError("%s:%d: legend byte outside 0..255" % (name, number))
        if symbol in legend:
            raise LevelError("%s:%d: symbol %r defined twice" % (name, number, symbol))
        legend[symbol] = value

    layers = {}
    for layer in LAYERS:
        number, line = take()
        if line != layer:
            raise LevelError("%s:%d: expected '%s'" % (name, number, layer))
        rows = []
        for _ in range(SIZE):
            number, line = take()
            if len(line) != SIZE:
                raise LevelError("%s:%d: %d symbols, want %d"
                                 % (name, number, len(line), SIZE))
            row = []
            for col, symbol in enumerate(line):
                if symbol not in legend:
                    raise LevelError("%s:%d:%d: symbol %r not in the legend"
                                     % (name, number, col + 1, symbol))
                row.append(legend[symbol])
            rows.append(row)
        layers[layer] = rows
    if pos != len(lines):
        raise LevelError("%s:%d: text after the ceiling layer" % (name, lines[pos][0]))
    return start, legend, layers


def is_wall(b):
    return 1 <= b < DOOR_BYTE_BASE


def is_door(b):
    return DOOR_BYTE_BASE < b <= LAST_DOOR_BYTE


def is_empty(b):
    return b in (0, DOOR_BYTE_BASE)


def flood(seeds, passable):
    seen = set(seeds)
    todo = list(seeds)
    while todo:
        x, y = todo.pop()
        for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
            if (0 <= nx < SIZE and 0 <= ny < SIZE and (nx, ny) not in seen
                    and passable(nx, ny)):
                seen.add((nx, ny))
                todo.append((nx, ny))
    return seen


def regions(walls, start):
    """(reachable, outside): the cells the player can walk to from the start
    cell through empty cells and doors, and the empty cells connected to the
    grid's edge."""
    edge = [(x, y) for y in range(SIZE) for x in range(SIZE)
            if (x in (0, SIZE - 1) or y in (0, SIZE - 1)) and walls[y][x] == 0]
    outside = flood(edge, lambda x, y: walls[y][x] == 0)
    sx, sy = start
    reach = set()
    if 0 <= sx < SIZE and 0 <= sy < SIZE and walls[sy][sx] == 0:
        reach = flood([start], lambda x, y: walls[y][x] == 0 or is_door(walls[y][x]))
    return reach, outside


def count(values):
    result = {}
    for v in values:
        if v:
            result[v] = result.get(v, 0) + 1
    return dict(sorted(result.items()))


def door_in_wall_line(walls, reach, x, y):
    """Whether the door at (x, y) stands between two walls with open,
    reachable ground on both sides across it."""
    if not (0 < x < SIZE - 1 and 0 < y < SIZE - 1):
        return False

    def hard(b):
        return not is_empty(b) and not is_door(b)

    def open_cell(cx, cy):
        return (cx, cy) in reach and is_empty(walls[cy][cx])

    along_x = (hard(walls[y][x - 1]) and hard(walls[y][x + 1])
               and open_cell(x, y - 1) and open_cell(x, y + 1))
    along_y = (hard(walls[y - 1][x]) and hard(walls[y + 1][x])
               and open_cell(x - 1, y) and open_cell(x + 1, y))
    return along_x or along_y


def survey(start, layers):
    """The level's figures, named as in art/level_figures.txt, counted as
    tools/level_survey.cpp counts them: reachable is a fill from the start cell
    through empty cells and doors, a pocket cell is empty, unreachable and
    floored, a stray ceiling has neither wall nor floor under it."""
    walls, floors, ceilings = (layers[n] for n in LAYERS)
    cells = [(x, y) for y in range(SIZE) for x in range(SIZE)]
    sx, sy = start
    reach = set()
    if not is_wall(walls[sy][sx]) and walls[sy][sx] <= LAST_DOOR_BYTE:
        reach = flood([start], lambda x, y: is_empty(walls[y][x]) or is_door(walls[y][x]))
    solid = [(x, y) for x, y in cells if walls[y][x]]
    flat = [ceilings[y][x] for y in range(SIZE) for x in range(SIZE)]

    def edge(x, y):
        return x in (0, SIZE - 1) or y in (0, SIZE - 1)

    box = (min((x for x, _ in solid), default=SIZE), max((x for x, _ in solid), default=-1),
           min((y for _, y in solid), default=SIZE), max((y for _, y in solid), default=-1))
    return {
        "start": [sx, sy],
        "reachable_cells": [len(reach)],
        "reachable_on_edge": [int(any(edge(x, y) for x, y in reach))],
        "reachable_touches_outside": [int(any(
            floors[y + dy][x + dx] == 0 for x, y in reach if not edge(x, y)
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))))],
        "wall_cells": [len(solid)],
        "wall_extent": list(box),
        "walls_by_texture": count(walls[y][x] for x, y in solid if is_wall(walls[y][x])),
        "doors_by_byte": count(walls[y][x] for x, y in solid if is_door(walls[y][x])),
        "other_wall_bytes": [sum(1 for x, y in solid if not is_wall(walls[y][x]) and not is_door(walls[y][x]))],
        "doors_in_wall_line": [int(all(door_in_wall_line(walls, reach, x, y)
                                       for x, y in solid if is_door(walls[y][x])))],
        "floors_by_texture": count(floors[y][x] for x, y in cells),
        "ceilings_by_texture": count(ceilings[y][x] for x, y in cells),
        "pocket_cells": [sum(1 for x, y in cells if is_empty(walls[y][x]) and (x, y) not in reach
                             and floors[y][x])],
        "stray_ceilings": [sum(1 for x, y in cells if walls[y][x] == 0 and floors[y][x] == 0
                               and ceilings[y][x])],
        "ceiling_zero_tail": [len(flat) - max((i + 1 for i, v in enumerate(flat) if v), default=0)],
        "actor_cells": [sum(1 for x, y in cells if floors[y][x] and is_empty(walls[y][x]))],
    }


def survey_text(figures):
    """The survey as lines of art/level_figures.txt's form, in a fixed order."""
    lines = []
    for name, value in figures.items():
        if isinstance(value, dict):
            lines.append(" ".join([name] + ["%d:%d" % item for item in value.items()]))
        else:
            lines.append(" ".join([name] + [str(v) for v in value]))
    return "\n".join(lines) + "\n"


def check(start, layers):
    """Returns a list of (figure, found, wanted, ok)."""
    walls, floors, ceilings = (layers[n] for n in LAYERS)
    cells = [(x, y) for y in range(SIZE) for x in range(SIZE)]
    results = []

    def figure(label, found, wanted, ok=None):
        results.append((label, found, wanted, found == wanted if ok is None else ok))

    figure("start", start, START)
    sx, sy = start
    corner = [(sx - 1, sy - 1), (sx, sy - 1), (sx - 1, sy), (sx, sy)]
    figure("start corner cells empty",
           [walls[y][x] for x, y in corner if 0 <= x < SIZE and 0 <= y < SIZE],
           [0, 0, 0, 0])

    reach, outside = regions(walls, start)
    figure("reachable cells (doors included)", len(reach), REACHABLE_CELLS)
    figure("reachable cells on the grid edge",
           sum(1 for x, y in reach if x in (0, SIZE - 1) or y in (0, SIZE - 1)), 0)
    leaks = sorted((x, y) for x, y in reach
                   for dx in (-1, 0, 1) for dy in (-1, 0, 1)
                   if (x + dx, y + dy) in outside)
    figure("reachable cells touching the outside", len(leaks), 0)

    solid = [(x, y) for x, y in cells if walls[y][x]]
    x0, x1, y0, y1 = WALL_BOX
    figure("wall-layer cells outside x %d..%d, y %d..%d" % WALL_BOX,
           sum(1 for x, y in solid if not (x0 <= x <= x1 and y0 <= y <= y1)), 0)
    figure("non-zero wall-layer cells", len(solid),
           sum(WALL_COUNTS.values()) + sum(DOOR_COUNTS.values()))
    figure("walls by texture", count(walls[y][x] for x, y in solid
                                     if is_wall(walls[y][x])), WALL_COUNTS)
    figure("doors by stored byte", count(walls[y][x] for x, y in solid
                                         if is_door(walls[y][x])), DOOR_COUNTS)
    figure("other wall-layer bytes (64, 128..255)",
           sum(1 for x, y in solid
               if not is_wall(walls[y][x]) and not is_door(walls[y][x])), 0)

    bad_doors = [(x, y) for x, y in solid
                 if is_door(walls[y][x]) and not door_in_wall_line(walls, reach, x, y)]
    figure("doors not set in a wall line", bad_doors, [])

    pocket = [(x, y) for x, y in cells
              if walls[y][x] == 0 and (x, y) not in reach and (x, y) not in outside]
    figure("enclosed unreachable empty cells", len(pocket), POCKET_CELLS)
    if pocket:
        figure("enclosed cells form one pocket",
               len(flood([pocket[0]], lambda x, y: (x, y) in pocket)), len(pocket))

    floored = set(solid) | reach | set(pocket)
    floor_cells = {(x, y) for x, y in cells if floors[y][x]}
    figure("floor cells", len(floor_cells), sum(FLOOR_COUNTS.values()))
    figure("floors by texture", count(floors[y][x] for x, y in cells), FLOOR_COUNTS)
    figure("floor set = walls + doors + reachable + pocket",
           len(floor_cells ^ floored), 0)

    ceiling_cells = {(x, y) for x, y in cells if ceilings[y][x]}
    figure("ceiling cells", len(ceiling_cells), sum(CEILING_COUNTS.values()))
    figure("ceilings by texture", count(ceilings[y][x] for x, y in cells),
           CEILING_COUNTS)
    figure("floored cells without a ceiling", len(floored - ceiling_cells), 0)
    strays = sorted(ceiling_cells - floored, key=lambda c: (c[1], c[0]))
    figure("stray ceiling cells outside the complex",
           sum(1 for c in strays if c in outside and floors[c[1]][c[0]] == 0),
           STRAY_CEILINGS)
    flat = [ceilings[y][x] for y in range(SIZE) for x in range(SIZE)]
    tail = len(flat) - max((i + 1 for i, v in enumerate(flat) if v), default=0)
    figure("zero bytes ending the ceiling layer", tail, CEILING_ZERO_TAIL)
    figure("last stray ceiling cell", strays[-1] if strays else None, LAST_STRAY)

    figure("reachable floors outside %s" % sorted(WALKABLE_FLOORS),
           sorted(c for c in reach if floors[c[1]][c[0]] not in WALKABLE_FLOORS), [])
    figure("reachable ceilings outside %s" % sorted(WALKABLE_CEILINGS),
           sorted(c for c in reach if ceilings[c[1]][c[0]] not in WALKABLE_CEILINGS), [])
    figure("outside cells with a wall or floor",
           sum(1 for x, y in outside if walls[y][x] or floors[y][x]), 0)
    placeable = [c for c in reach | set(pocket)
                 if floors[c[1]][c[0]] and not is_door(walls[c[1]][c[0]])]
    figure("cells an actor may start on", len(placeable),
           REACHABLE_CELLS - sum(DOOR_COUNTS.values()) + POCKET_CELLS)
    return results


def show_maps(start, legend, layers):
    """Prints the three layers cropped to the wall box.  In the wall layer,
    empty cells the player can reach are blank, the sealed pocket is '*' and
    '@' is cell (start x, start y), whose top-left corner is the start."""
    to_symbol = {}
    for symbol, value in legend.items():
        to_symbol.setdefault(value, symbol)
    walls = layers["walls"]
    reach, outside = regions(walls, start)
    x0, x1, y0, y1 = WALL_BOX
    ruler = "".join(str(x % 10) for x in range(x0, x1 + 1))
    for name in LAYERS:
        print("%s (x %d..%d, y %d..%d)" % (name, x0, x1, y0, y1))
        print("     " + ruler)
        for y in range(y0, y1 + 1):
            row = ""
            for x in range(x0, x1 + 1):
                value = layers[name][y][x]
                if name == "walls" and value == 0:
                    if (x, y) == start:
                        row += "@"
                    elif (x, y) in reach:
                        row += " "
                    elif (x, y) not in outside:
                        row += "*"
                    else:
                        row += to_symbol[0]
                else:
                    row += to_symbol[value]
            print("  %2d %s" % (y, row))
        print()


def read_level(path):
    """(start, legend, layers) of the level file at path; raises OSError or
    LevelError."""
    with open(path, newline="") as f:
        return parse(f.read(), os.path.basename(path))


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    surveys = len(argv) > 1 and argv[1] == "--survey"
    paths = argv[2:] if surveys else [argv[1] if len(argv) > 1 else os.path.join(root, "art", "level.txt")]
    try:
        levels = [read_level(path) for path in paths]
    except (OSError, LevelError) as e:
        print("level_check:", e)
        return 2
    if surveys:
        for start, _, layers in levels:
            sys.stdout.write(survey_text(survey(start, layers)) + "\n")
        return 0
    start, legend, layers = levels[0]
    show_maps(start, legend, layers)
    failures = 0
    for label, found, wanted, ok in check(start, layers):
        print("%-4s %s: %s%s" % ("ok" if ok else "FAIL", label, found,
                                 "" if ok else "  (want %s)" % (wanted,)))
        failures += not ok
    print("%d figure(s) off" % failures if failures else "all figures match")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
