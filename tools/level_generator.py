#!/usr/bin/env python3
"""Writes art/level.txt, the one built-in level, from the hand-drawn plan below.

The plan fixes everything that can be seen: room shapes, wall textures, doors
and which room each open cell belongs to.  The program only spreads floor and
ceiling textures: visible cells take their room's pair, and the cells nobody
sees (inside walls, the sealed closet, two stray ceiling cells far outside)
absorb whatever is left of the fixed per-texture totals.  Output is
deterministic; run tools/level_check.py afterwards.

    python3 tools/level_generator.py [output path]
"""

import os
import sys

from art_format import read_level_figures

SIZE = 64
FIGURES = read_level_figures()
START = tuple(FIGURES["start"])

# Cell (PLAN_ORIGIN[0] + column, PLAN_ORIGIN[1] + line) of the plan.
PLAN_ORIGIN = (19, 23)

# Upper case: wall texture symbol.  Lower case: open cell of a room.
# '=', '%', '&': doors.  '*': the sealed closet.  '.': outside.
PLAN = [
    "GGGGGGRRRRRRRRRRRRR...",
    "GllllGRRRRRRRRRRRRR...",
    "GllllGSSSRgggggggRR...",
    "Gllllnnnn=gggggggRR...",
    "GllllGSSSRgggggggRR...",
    "OG=GGOWWWWRWF=FWRRR...",
    "OwwwwOWWWWWhhhhhWRCCCR",
    "OwwwwOWWWWWhhhhhWCeeeC",
    "Owwww=cccc=hhhhhWCeeeC",
    "OwwwwOWWWWWhhhhh=eeeeC",
    "OOuOOWWWWWWhhhhhWCeeeC",
    ".SuSWW***WWhhhhhWCeeeC",
    ".S=YWWWRNNNWX&XWNNC=CR",
    "BYuYYWWWNNaaaaaaaNSkS.",
    "BvvvvWWWNNaaNaNaaNSkS.",
    "Bvvvvttt=taaaaaaaNSkS.",
    "BvvvvWWWNNaaaaaaaNSkS.",
    "BvvvvY...NNNMMMI%ITkS.",
    "BvvvvY.........TssssT.",
    "OYYYYR.........TssssT.",
    "...............TssssT.",
    "...............TTTTTT.",
]

# Symbol, byte, description: the legend written into the level file.  Floor
# and ceiling layers reuse the texture symbols.
LEGEND = [
    (".", 0, "nothing: empty cell, no floor or ceiling"),
    ("W", 1, "large dressed grey stone blocks"),
    ("Y", 2, "granite and sandstone flagstones"),
    ("B", 3, "blue glazed bricks"),
    ("O", 4, "cracked white plaster with an oak beam"),
    ("C", 5, "riveted cyan steel plates"),
    ("Q", 7, "chequered pale stone and terracotta tiles"),
    ("S", 8, "old weathered boards"),
    ("I", 9, "grey panelling (the panelled door's leaf, as a wall)"),
    ("G", 10, "glazed white wall tiles"),
    ("M", 11, "white marble with a magenta tapestry"),
    ("R", 12, "red brick"),
    ("T", 13, "cyan tiles with red diamond inlays"),
    ("F", 15, "golden planks bound with iron"),
    ("N", 16, "blue slate slabs"),
    ("X", 18, "white ashlar with a red chevron band"),
    ("=", 70, "sliding door: cyan steel leaf (texture 6)"),
    ("%", 73, "sliding door: grey panelled leaf (texture 9)"),
    ("&", 78, "sliding door: steel shutter (texture 14)"),
]

# Room letter: (name, floor texture, ceiling texture).
ROOMS = {
    "h": ("gate hall, the start", 7, 16),
    "g": ("brick gallery", 12, 1),
    "n": ("boarded passage to the tiled room", 8, 12),
    "l": ("tiled room", 8, 12),
    "w": ("plaster cottage room", 2, 8),
    "c": ("stone passage, cottage to hall", 2, 1),
    "e": ("steel engine room", 16, 1),
    "k": ("boarded passage, engine room to mosaic room", 7, 7),
    "a": ("slate chapel", 7, 12),
    "s": ("mosaic room", 8, 2),
    "v": ("blue bath", 16, 7),
    "t": ("passage, bath to chapel", 2, 16),
    "u": ("passage, cottage to bath", 2, 8),
}

DOOR_SYMBOLS = "=%&"
CLOSET = "*"

# Cells that everything outside the complex leaves at zero, except these two
# ceiling cells.  The second one is the last non-zero ceiling byte in file
# order, so it fixes how many zero bytes end the ceiling layer.
STRAY_CEILINGS = [(47, 12), tuple(FIGURES["last_stray_ceiling"])]

FLOOR_TOTALS = FIGURES["floors_by_texture"]
CEILING_TOTALS = FIGURES["ceilings_by_texture"]

NEIGHBOURS_4 = ((0, 1), (0, -1), (-1, 0), (1, 0))


def symbol_bytes():
    return {symbol: value for symbol, value, _ in LEGEND}


def plan_cells():
    """Yields (x, y, symbol) for every plan character, in grid coordinates."""
    for line_no, line in enumerate(PLAN):
        for col, symbol in enumerate(line):
            yield PLAN_ORIGIN[0] + col, PLAN_ORIGIN[1] + line_no, symbol


def empty_layer():
    return [[0] * SIZE for _ in range(SIZE)]


def build_walls():
    """Wall layer plus the room letter of every open cell and the door cells."""
    values = symbol_bytes()
    walls = empty_layer()
    room_of = {}
    doors = []
    closet = []
    for x, y, symbol in plan_cells():
        if symbol == ".":
            continue
        if symbol.islower():
            if symbol not in ROOMS:
                raise ValueError("unknown room %r at (%d, %d)" % (symbol, x, y))
            room_of[(x, y)] = symbol
        elif symbol == CLOSET:
            closet.append((x, y))
        elif symbol in values:
            walls[y][x] = values[symbol]
            if symbol in DOOR_SYMBOLS:
                doors.append((x, y))
        else:
            raise ValueError("unknown plan symbol %r at (%d, %d)" % (symbol, x, y))
    return walls, room_of, doors, closet


def door_room(door, room_of):
    """A door cell is floored like the first room next to it (below, above,
    left, right), so its sill matches one side."""
    x, y = door
    for dx, dy in NEIGHBOURS_4:
        room = room_of.get((x + dx, y + dy))
        if room:
            return room
    raise ValueError("door at (%d, %d) touches no room" % door)


def spread(cells, preset, totals, layer):
    """Gives each of `cells` (in order) a texture so that, together with the
    `preset` assignments, every texture is used exactly totals[t] times.  A cell
    prefers the texture most common among its already assigned neighbours, so
    hidden surfaces continue the rooms beside them."""
    remaining = dict(totals)
    for texture in preset.values():
        remaining[texture] -= 1
    short = {t: n for t, n in remaining.items() if n < 0}
    if short:
        raise ValueError("visible cells use more than the totals allow: %r" % short)
    if sum(remaining.values()) != len(cells):
        raise ValueError("%d hidden cells for %d leftover textures"
                         % (len(cells), sum(remaining.values())))
    for x, y in preset:
        layer[y][x] = preset[(x, y)]
    for x, y in cells:
        votes = {}
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                nx, ny = x + dx, y + dy
                if 0 <= nx < SIZE and 0 <= ny < SIZE:
                    texture = layer[ny][nx]
                    if remaining.get(texture, 0) > 0:
                        votes[texture] = votes.get(texture, 0) + 1
        if votes:
            choice = max(sorted(votes), key=lambda t: votes[t])
        else:
            choice = max(sorted(remaining), key=lambda t: remaining[t])
        layer[y][x] = choice
        remaining[choice] -= 1


def build_level():
    walls, room_of, doors, closet = build_walls()
    floor_preset = {}
    ceiling_preset = {}
    for cell, room in room_of.items():
        floor_preset[cell] = ROOMS[room][1]
        ceiling_preset[cell] = ROOMS[room][2]
    for door in doors:
        room = door_room(door, room_of)
        floor_preset[door] = ROOMS[room][1]
        ceiling_preset[door] = ROOMS[room][2]
    hidden = sorted(
        [(x, y) for y in range(SIZE) for x in range(SIZE)
         if 0 < walls[y][x] < 64] + closet,
        key=lambda c: (c[1], c[0]))
    floors = empty_layer()
    ceilings = empty_layer()
    spread(hidden, floor_preset, FLOOR_TOTALS, floors)
    spread(sorted(hidden + STRAY_CEILINGS, key=lambda c: (c[1], c[0])),
           ceiling_preset, CEILING_TOTALS, ceilings)
    return walls, floors, ceilings


def render(walls, floors, ceilings):
    to_symbol = {value: symbol for symbol, value, _ in LEGEND}
    out = [
        "# FARROWGATE built-in level, written by tools/level_generator.py from",
        "# its plan. Edit this file or the plan (then regenerate); either way run",
        "# tools/level_check.py and the tests afterwards.",
        "#",
        "# The player starts at the corner of the gate hall's four middle",
        "# cells, facing +y: toward the steel shutter between two chevron",
        "# pillars that leads into the slate chapel.",
        "start %d %d" % START,
        "legend",
    ]
    for symbol, value, text in LEGEND:
        out.append("%s %d %s" % (symbol, value, text))
    for name, layer in (("walls", walls), ("floors", floors),
                        ("ceilings", ceilings)):
        out.append(name)
        for row in layer:
            out.append("".join(to_symbol[v] for v in row))
    return "\n".join(out) + "\n"


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = argv[1] if len(argv) > 1 else os.path.join(root, "art", "level.txt")
    text = render(*build_level())
    with open(path, "w", newline="\n") as f:
        f.write(text)
    print("wrote", path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
