"""What the Python art tools share: the console's colours and shade glyphs,
the texel text of the art sources (art/README.md), PNG writing, and the
built-in level's pinned figures.

The palette is console/cell_glyphs.h's CONSOLE_PALETTE and the level layout
assets/level_image.h's; tests keep them equal.
"""

import os
import struct
import zlib

TEXTURE_SIZE = 64
TRANSPARENT = 255
LETTERS = "kbgcrmyw"  # colour 0..7 of a texel's low three bits
COLOUR_NAMES = ["black", "blue", "green", "cyan", "red", "magenta", "yellow", "white"]

# The sixteen console colours as RGB, in attribute-nibble order (bit 3 bright).
PALETTE = [
    (0x00, 0x00, 0x00), (0x00, 0x00, 0xAA), (0x00, 0xAA, 0x00), (0x00, 0xAA, 0xAA),
    (0xAA, 0x00, 0x00), (0xAA, 0x00, 0xAA), (0xAA, 0x55, 0x00), (0xAA, 0xAA, 0xAA),
    (0x55, 0x55, 0x55), (0x55, 0x55, 0xFF), (0x55, 0xFF, 0x55), (0x55, 0xFF, 0xFF),
    (0xFF, 0x55, 0x55), (0xFF, 0x55, 0xFF), (0xFF, 0xFF, 0x55), (0xFF, 0xFF, 0xFF),
]

# The level image's layout, as assets/level_image.h gives it; a test holds the
# two equal. Wall-layer bytes: 0 empty, 1..63 walls, DOOR_BYTE_BASE empty,
# DOOR_BYTE_BASE + t up to LAST_DOOR_BYTE a door of texture t.
MAP_SIZE = 64
LEVEL_START_BYTES = 2
LEVEL_LAYER_BYTES = 4096
DOOR_BYTE_BASE = 64
LAST_DOOR_BYTE = 127

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LEVEL_FIGURES = os.path.join(ROOT, "art", "level_figures.txt")


def texel_text(t):
    """A texel as its two characters: colour letter and brightness digit, or '..'."""
    if t == TRANSPARENT:
        return ".."
    return LETTERS[t & 7] + str((t >> 3) & 7)


def parse_texel_row(line, allow_transparent):
    """The 64 texels of a row of 128 characters; raises ValueError naming the
    1-based column of the first bad pair."""
    if len(line) != 2 * TEXTURE_SIZE:
        raise ValueError("%d characters, expected %d" % (len(line), 2 * TEXTURE_SIZE))
    row = []
    for i in range(0, len(line), 2):
        pair = line[i:i + 2]
        if pair == ".." and allow_transparent:
            row.append(TRANSPARENT)
        elif pair[0] in LETTERS and pair[1] in "01234567":
            row.append(LETTERS.index(pair[0]) | int(pair[1]) << 3)
        else:
            raise ValueError("column %d: bad texel %r" % (i + 1, pair))
    return row


def console_cell(texel, factor):
    """(glyph coverage 0..3, foreground, background) of a texel at a
    brightness factor, as the shade table draws it: level 0 black, 1-2 the
    dark colour on black, 3 on its own dark colour, 4 bright on black, 5
    bright on dark, 6-7 solid bright."""
    colour, brightness = texel & 7, (texel >> 3) & 7
    level = min(7, max(0, int(brightness * factor)))
    if level == 0:
        return 0, 0, 0
    fg = colour + (8 if level > 3 else 0)
    bg = colour if level in (3, 5) else 0
    return level // 2, fg, bg


def glyph_on(coverage, x, y):
    """Whether pixel (x, y) of a cell shows the foreground: light, medium and
    dark shade at 25/50/75 percent, then the full block."""
    if coverage == 0:
        return x % 2 == 0 and y % 2 == 0
    if coverage == 1:
        return (x + y) % 2 == 0
    if coverage == 2:
        return not (x % 2 == 1 and y % 2 == 1)
    return True


def write_png(path, pixels):
    """pixels: rows of (r, g, b); an 8-bit RGB PNG, compressed at level 9."""
    height, width = len(pixels), len(pixels[0])
    raw = b"".join(b"\x00" + bytes(v for px in row for v in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def read_level_figures(path=LEVEL_FIGURES):
    """The built-in level's pinned figures: name -> list of ints, or for a
    per-texture count, name -> {value: count} (written 'value:count')."""
    figures = {}
    with open(path) as f:
        for number, raw in enumerate(f, 1):
            words = raw.split("#", 1)[0].split()
            if not words:
                continue
            try:
                if any(":" in w for w in words[1:]):
                    figures[words[0]] = {int(k): int(v) for k, v in (w.split(":") for w in words[1:])}
                else:
                    figures[words[0]] = [int(w) for w in words[1:]]
            except ValueError:
                raise ValueError("%s:%d: expected '<name> <numbers>' or '<name> <value:count>...'"
                                 % (path, number))
    return figures
