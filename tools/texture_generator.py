#!/usr/bin/env python3
"""Procedural generator for the eighteen FARROWGATE surface textures.

Writes art/textures/01.txt .. 18.txt (the format of art/README.md) and checks
each texture against its required look (main colours in order of
frequency covering >= 90 %, exact brightness range, seamless tiling).
Optionally writes PNG previews showing each texture as the console draws it.

Usage:
    python3 tools/texture_generator.py                 # write the 18 files + check
    python3 tools/texture_generator.py --check         # only check existing files
    python3 tools/texture_generator.py --preview DIR   # also write PNG previews

Standard library only and fully deterministic: every random choice comes from
random.Random with a fixed seed per texture.
"""

import math
import os
import random
import sys

from art_format import (COLOUR_NAMES, PALETTE, console_cell, glyph_on, parse_texel_row, texel_text,
                        write_png)

SIZE = 64
# Colour indices (texel bits 0-2), console colour order.
K, B, G, C, R, M, Y, W = range(8)
NAMES = COLOUR_NAMES


# Texture container and periodic helpers

class Tex:
    """64x64 grid of (colour, brightness) pairs; all coordinates wrap, so
    anything drawn with them tiles seamlessly by construction."""

    def __init__(self, colour=W, bright=4):
        self.col = [[colour] * SIZE for _ in range(SIZE)]
        self.bri = [[bright] * SIZE for _ in range(SIZE)]

    def set(self, x, y, colour=None, bright=None):
        x %= SIZE
        y %= SIZE
        if colour is not None:
            self.col[y][x] = colour
        if bright is not None:
            self.bri[y][x] = bright

    def rect(self, x0, y0, w, h, colour=None, bright=None):
        for y in range(y0, y0 + h):
            for x in range(x0, x0 + w):
                self.set(x, y, colour, bright)

    def add(self, x, y, delta):
        x %= SIZE
        y %= SIZE
        self.bri[y][x] += delta

    def clamp(self, lo, hi):
        for y in range(SIZE):
            for x in range(SIZE):
                self.bri[y][x] = max(lo, min(hi, int(self.bri[y][x])))

    def roll(self, dx, dy):
        """Shift the whole (periodic) picture; seams stay seamless."""
        self.col = [[self.col[(y - dy) % SIZE][(x - dx) % SIZE] for x in range(SIZE)]
                    for y in range(SIZE)]
        self.bri = [[self.bri[(y - dy) % SIZE][(x - dx) % SIZE] for x in range(SIZE)]
                    for y in range(SIZE)]


def quiet_edges(tex, u=True, v=True):
    """Roll a periodic texture so that its wrap-around edges fall where
    neighbouring columns/rows differ least (mid-stone rather than on a joint).
    Used for surfaces whose features have no fixed place."""
    def diff(a, b):
        return (a[0] != b[0]) + abs(a[1] - b[1]) / 4.0
    dx = dy = 0
    if u:
        scores = [sum(diff((tex.col[y][x], tex.bri[y][x]),
                           (tex.col[y][(x + 1) % SIZE], tex.bri[y][(x + 1) % SIZE]))
                      for y in range(SIZE)) for x in range(SIZE)]
        best = min(range(SIZE), key=lambda x: (scores[x], x))
        dx = (SIZE - 1 - best) % SIZE      # column `best` becomes column 63
    if v:
        scores = [sum(diff((tex.col[y][x], tex.bri[y][x]),
                           (tex.col[(y + 1) % SIZE][x], tex.bri[(y + 1) % SIZE][x]))
                      for x in range(SIZE)) for y in range(SIZE)]
        best = min(range(SIZE), key=lambda y: (scores[y], y))
        dy = (SIZE - 1 - best) % SIZE
    tex.roll(dx, dy)


def value_noise(rng, cells):
    """Smooth periodic value noise in [0,1]; `cells` lattice cells across 64."""
    lat = [[rng.random() for _ in range(cells)] for _ in range(cells)]
    step = SIZE / cells
    out = [[0.0] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        fy = y / step
        iy = int(fy)
        ty = fy - iy
        ty = ty * ty * (3 - 2 * ty)
        for x in range(SIZE):
            fx = x / step
            ix = int(fx)
            tx = fx - ix
            tx = tx * tx * (3 - 2 * tx)
            a = lat[iy % cells][ix % cells]
            b = lat[iy % cells][(ix + 1) % cells]
            c = lat[(iy + 1) % cells][ix % cells]
            d = lat[(iy + 1) % cells][(ix + 1) % cells]
            top = a + (b - a) * tx
            bot = c + (d - c) * tx
            out[y][x] = top + (bot - top) * ty
    return out


def fbm(rng, octaves):
    """Sum of periodic value-noise octaves [(cells, weight), ...], in [0,1]."""
    total = sum(w for _, w in octaves)
    out = [[0.0] * SIZE for _ in range(SIZE)]
    for cells, weight in octaves:
        n = value_noise(rng, cells)
        for y in range(SIZE):
            for x in range(SIZE):
                out[y][x] += n[y][x] * weight / total
    return out


def stretch(field):
    """Rescale a noise field to span exactly [0,1] (noise sums bunch up)."""
    lo = min(min(r) for r in field)
    hi = max(max(r) for r in field)
    return [[(v - lo) / (hi - lo) for v in r] for r in field]


def brick_cell(x, y, bw, bh, offset):
    """Locate (x,y) in a running-bond brick layout that tiles in 64x64.
    Returns (brick id, local x, local y); row r is shifted by r*offset."""
    row = (y % SIZE) // bh
    sx = (x + row * offset) % SIZE
    col = sx // bw
    return (row, col), sx % bw, (y % SIZE) % bh


def hash_rng(seed, *key):
    """Deterministic per-feature random generator (same brick -> same tone)."""
    return random.Random(hash_key(seed, key))


def hash_key(seed, key):
    h = seed * 1000003
    for k in key:
        if isinstance(k, tuple):
            h = hash_key(h, k)
        else:
            h = (h * 31 + int(k) + 7) & 0xFFFFFFFF
    return h


def bevel(tex, x0, y0, w, h, hi, lo, width=1):
    """Raised-panel look: lighten the top/left rim, darken the bottom/right."""
    for i in range(width):
        for x in range(x0 + i, x0 + w - i):
            tex.add(x, y0 + i, hi)
            tex.add(x, y0 + h - 1 - i, lo)
        for y in range(y0 + i + 1, y0 + h - 1 - i):
            tex.add(x0 + i, y, hi)
            tex.add(x0 + w - 1 - i, y, lo)


def rivet(tex, x, y, colour, bright):
    """A 2x2 rivet head with a 1-texel shadow to its lower right."""
    tex.rect(x, y, 2, 2, colour, bright)
    tex.set(x + 1, y + 1, None, bright - 2)
    tex.set(x + 2, y + 1, K, 1)
    tex.set(x + 1, y + 2, K, 1)
    tex.set(x + 2, y + 2, K, 1)


def speckle(tex, rng, count, colour, brights, where=None):
    """Scatter single texels (mineral flecks, dirt) over cells passing `where`."""
    done = 0
    tries = 0
    while done < count and tries < count * 50:
        tries += 1
        x = rng.randrange(SIZE)
        y = rng.randrange(SIZE)
        if where is None or where(x, y):
            tex.set(x, y, colour, rng.choice(brights))
            done += 1


def voronoi(rng, cells):
    """Periodic Voronoi: one jittered site per grid cell.  Returns per texel
    (nearest site id, distance to nearest, distance to second nearest)."""
    step = SIZE / cells
    sites = []
    for j in range(cells):
        for i in range(cells):
            sites.append(((i + 0.15 + 0.7 * rng.random()) * step,
                          (j + 0.15 + 0.7 * rng.random()) * step))
    out = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            best = [(1e9, -1), (1e9, -1)]
            for idx, (sx, sy) in enumerate(sites):
                dx = abs(x + 0.5 - sx)
                dy = abs(y + 0.5 - sy)
                dx = min(dx, SIZE - dx)
                dy = min(dy, SIZE - dy)
                # slightly squashed metric gives rounder, wider cobbles
                d = math.hypot(dx, dy * 1.1)
                if d < best[0][0]:
                    best = [(d, idx), best[0]]
                elif d < best[1][0]:
                    best[1] = (d, idx)
            row.append((best[0][1], best[0][0], best[1][0]))
        out.append(row)
    return out


# The surfaces.  Each function returns a Tex; brightness is clamped to the
# table's range afterwards.  Walls are seen at 10-50 rows close up and a few
# rows far away, and are shaded down with distance, so features are big and
# the bulk of each surface sits at brightness 4-6.

def t01_grey_stone_blocks(seed):
    """Large dressed grey stone blocks, dark mortar.  Wall and ceiling."""
    rng = random.Random(seed)
    tex = Tex(W, 5)
    grain = fbm(rng, [(8, 2), (16, 1), (32, 1)])
    for y in range(SIZE):
        for x in range(SIZE):
            bid, lx, ly = brick_cell(x, y, 32, 16, 16)
            if lx < 2 or ly < 2:
                tex.set(x, y, K, 0 if (lx == 0 or ly == 0) else 1)
                continue
            tone = hash_rng(seed, bid).choice([4, 5, 5, 5, 6])
            b = tone + (1 if grain[y][x] > 0.62 else 0) - (1 if grain[y][x] < 0.38 else 0)
            # chisel bevel: lit top edge, shadowed bottom edge
            if ly == 2:
                b = 6
            elif ly == 15 or lx == 31:
                b = 3
            tex.set(x, y, W, b)
    # a few hairline cracks and chips (brightness 2) on some blocks
    for _ in range(6):
        x = rng.randrange(SIZE)
        y = rng.randrange(SIZE)
        for _ in range(rng.randrange(4, 9)):
            if tex.col[y % SIZE][x % SIZE] == W:
                tex.set(x, y, W, 2)
            x += rng.choice([0, 1, 1])
            y += rng.choice([1, 1, 0])
    tex.roll(8, 7)   # edges fall mid-block, not on a joint
    return tex


def t02_flagstones(seed):
    """Flagstones of grey granite and sandstone with black joints.
    Mostly a floor; also walls and ceilings."""
    rng = random.Random(seed)
    tex = Tex(W, 5)
    grain = fbm(rng, [(8, 1), (16, 2), (32, 1)])
    # rows of flags: (top, height, [(start x, width, colour), ...])
    layout = [
        (0, 20, [(0, 24, W), (24, 20, Y), (44, 20, W)]),
        (20, 22, [(10, 18, Y), (28, 22, W), (50, 24, W)]),
        (42, 22, [(4, 20, W), (24, 14, W), (38, 26, Y)]),
    ]
    for top, h, flags in layout:
        for sx, w, colour in flags:
            r = hash_rng(seed, top, sx)
            tone = r.choice([5, 5, 6])
            for y in range(top, top + h):
                for x in range(sx, sx + w):
                    lx, ly = x - sx, y - top
                    if lx < 2 or ly < 2:
                        tex.set(x, y, K, 0 if lx == 0 or ly == 0 else 1)
                        continue
                    g = grain[y % SIZE][x % SIZE]
                    b = tone + (1 if g > 0.6 else 0) - (1 if g < 0.4 else 0) - (1 if g < 0.3 else 0)
                    if ly == 2 or lx == 2:
                        b = 7 if colour == W else 6
                    elif ly == h - 1 or lx == w - 1:
                        b = 3
                    tex.set(x, y, colour, b)
    # worn pits and dirt in the stones
    speckle(tex, rng, 40, None, [2, 3], lambda x, y: tex.col[y][x] != K)
    tex.roll(5, 9)
    return tex


def t03_blue_glazed_brick(seed):
    """Blue glazed bricks, black mortar, white glaze highlights."""
    rng = random.Random(seed)
    tex = Tex(B, 5)
    grain = fbm(rng, [(16, 1), (32, 1)])
    for y in range(SIZE):
        for x in range(SIZE):
            bid, lx, ly = brick_cell(x, y, 32, 16, 16)
            if lx < 2 or ly < 2:
                tex.set(x, y, K, 0 if ly == 0 or lx == 0 else 2)
                continue
            tone = hash_rng(seed, bid).choice([4, 5, 5, 6])
            b = tone + (1 if grain[y][x] > 0.65 else 0) - (1 if grain[y][x] < 0.35 else 0)
            if ly >= 14 or lx >= 30:
                b = 3                       # shadowed lower/right rim
            elif ly == 13:
                b = 2 if lx > 3 else 3
            tex.set(x, y, B, b)
            # glaze highlight: a white streak along the upper-left of each brick
            if (ly == 3 and 4 <= lx <= 12) or (lx == 3 and 3 <= ly <= 6):
                tex.set(x, y, W, 7)
            elif ly == 4 and 5 <= lx <= 8:
                tex.set(x, y, W, 6)
    # a few glaze crazing cracks in black
    for _ in range(5):
        x = rng.randrange(SIZE)
        y = rng.randrange(SIZE)
        for _ in range(5):
            if tex.col[y % SIZE][x % SIZE] == B:
                tex.set(x, y, K, 1)
            x += rng.choice([1, 1, 0])
            y += rng.choice([1, 0])
    tex.roll(8, 6)
    return tex


def t04_plaster_beam(seed):
    """Cracked white plaster with patches fallen away to grey stone beneath,
    a brown oak beam across it."""
    rng = random.Random(seed)
    tex = Tex(W, 5)
    plaster = fbm(rng, [(8, 1), (16, 1), (32, 1)])
    # whole bricks are exposed where the plaster has fallen: a brick shows
    # if it lies in one of a few hand-placed damaged areas (centre, radius)
    damage = [(12, 18, 11), (42, 30, 10), (56, 12, 7), (30, 60, 6)]
    exposed = set()
    for y in range(SIZE):
        for x in range(SIZE):
            bid, lx, ly = brick_cell(x, y, 16, 8, 8)
            cx, cy = x - lx + 8, y - ly + 4          # brick centre
            for dx0, dy0, rad in damage:
                dx = (cx - dx0 + 32) % SIZE - 32
                dy = (cy - dy0 + 32) % SIZE - 32
                if dx * dx + (dy * 1.6) ** 2 < rad * rad:
                    exposed.add(bid)
    for y in range(SIZE):
        for x in range(SIZE):
            bid, lx, ly = brick_cell(x, y, 16, 8, 8)
            if bid in exposed and (8 <= y <= 37 or 56 <= y <= 62):
                # the stonework behind: dark grey bricks, black joints
                if lx == 0 or ly == 0:
                    tex.set(x, y, K, 0)
                else:
                    tone = hash_rng(seed, bid).choice([4, 5, 5])
                    tex.set(x, y, K, 6 if ly == 1 else (3 if ly == 7 else tone))
            else:
                p = plaster[y][x]
                tex.set(x, y, W, 6 if p > 0.62 else (5 if p > 0.35 else 4))
    # broken plaster rim: shadowed where it overhangs the hole
    rim = []
    for y in range(SIZE):
        for x in range(SIZE):
            if tex.col[y][x] == W and any(tex.col[(y + dy) % SIZE][(x + dx) % SIZE] == K
                                          for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                rim.append((x, y))
    for x, y in rim:
        tex.set(x, y, W, 3)
    # oak beam, rows 40..47: top lit, grain flecks, dark lower edge
    for y in range(40, 48):
        for x in range(SIZE):
            ly = y - 40
            if ly == 0:
                b = 6
            elif ly == 7:
                b = 1
            elif ly == 6:
                b = 2
            else:
                b = 4 + ((x * 3 + ly * 17 + (x // 9) * 5) % 7 == 0) - ((x + ly * 11) % 13 == 0) * 2
            tex.set(x, y, Y, b)
    for x in range(SIZE):
        tex.set(x, 48, K, 1)               # the beam's shadow on the wall
        tex.set(x, 49, W, 3)
    # iron pegs in the beam
    for x in (12, 44):
        tex.rect(x, 43, 2, 2, K, 5)
        tex.set(x + 1, 44, K, 7)
    # cracks in the plaster
    for _ in range(7):
        x = rng.randrange(SIZE)
        y = rng.randrange(0, 38)
        for _ in range(rng.randrange(4, 10)):
            if tex.col[y % SIZE][x % SIZE] == W:
                tex.set(x, y, W, 2)
            x += rng.choice([-1, 0, 1])
            y += 1
    quiet_edges(tex, u=True, v=False)
    return tex


def t05_cyan_metal_plates(seed):
    """Riveted cyan steel plates with black seams and a vent grille."""
    rng = random.Random(seed)
    tex = Tex(C, 5)
    streak = fbm(rng, [(4, 1), (32, 1)])
    for y in range(SIZE):
        for x in range(SIZE):
            lx, ly = x % 32, y % 32
            if lx < 2 or ly < 2:
                tex.set(x, y, K, 0 if lx == 0 or ly == 0 else 2)
                continue
            # brushed-metal streaks along x: noise sampled mostly by row
            s = streak[y][(x // 8) % SIZE]
            b = 5 if s > 0.45 else 4
            if ly == 2 or lx == 2:
                b = 6
            elif ly == 31 or lx == 31:
                b = 3
            tex.set(x, y, C, b)
    # rivets in each plate corner
    for py in (0, 32):
        for px in (0, 32):
            for rx, ry in ((4, 4), (27, 4), (4, 27), (27, 27)):
                rivet(tex, px + rx, py + ry, W, 6)
    # vent slots in the lower-right plate
    for i in range(4):
        y = 40 + i * 4
        tex.rect(38, y, 20, 2, K, 0)
        tex.rect(38, y + 2, 20, 1, C, 3)
        tex.rect(38, y - 1, 20, 1, C, 6)
    # a stencilled white band across the upper-left plate
    tex.rect(6, 12, 20, 3, W, 5)
    tex.rect(6, 15, 20, 1, C, 3)
    tex.roll(16, 8)
    return tex


def t06_cyan_steel_door(seed):
    """Sliding steel door, cyan leaf, white frame and hazard stripe, black
    handle slot near the leading edge (column 63)."""
    tex = Tex(C, 5)
    # white frame, 4 wide, bevelled
    tex.rect(0, 0, SIZE, 4, W, 6)
    tex.rect(0, 60, SIZE, 4, W, 4)
    tex.rect(0, 0, 4, SIZE, W, 6)
    tex.rect(60, 0, 4, SIZE, W, 5)
    # outermost ring identical on all four sides, so a tiled door (or the
    # leading edge, column 63, meeting a wall) shows a clean uniform band
    tex.rect(1, 1, SIZE - 2, 1, W, 7)
    tex.rect(1, 1, 1, SIZE - 2, W, 7)
    tex.rect(62, 1, 1, SIZE - 2, W, 3)
    tex.rect(1, 62, SIZE - 2, 1, W, 3)
    for i in range(SIZE):
        for x, y in ((i, 0), (i, 63), (0, i), (63, i)):
            tex.set(x, y, W, 5)
    tex.rect(4, 4, 56, 1, K, 0)          # gap between frame and leaf
    tex.rect(4, 4, 1, 56, K, 1)
    # two recessed panels, above and below a white stripe
    for y0 in (8, 38):
        tex.rect(8, y0, 44, 18, C, 4)
        tex.rect(8, y0, 44, 1, K, 1)      # recess shadow on top
        tex.rect(8, y0, 1, 18, K, 2)
        tex.rect(8, y0 + 17, 44, 1, C, 7)  # lit lower lip
        tex.rect(51, y0, 1, 18, C, 6)
        for y in range(y0 + 2, y0 + 16, 3):  # pressed ribs
            tex.rect(11, y, 38, 1, C, 3)
    # white stripe across the middle with black chevrons
    tex.rect(5, 28, 55, 8, W, 6)
    tex.rect(5, 35, 55, 1, W, 4)
    for x in range(5, 60):
        for y in range(29, 35):
            if ((x + (y - 29)) // 4) % 3 == 0:
                tex.set(x, y, K, 1)
    # handle slot near the leading edge
    tex.rect(54, 20, 3, 24, K, 0)
    tex.rect(57, 20, 1, 24, C, 7)
    tex.rect(54, 44, 4, 1, C, 7)
    # rivets along the frame
    for y in range(10, 60, 12):
        tex.set(2, y, C, 7)
        tex.set(61, y, C, 7)
    return tex


def t07_checker_floor(seed):
    """Large chequered floor tiles, pale stone and brown terracotta (dim:
    brightness 1..4; the floor pass shades up to 1.33x close by)."""
    rng = random.Random(seed)
    tex = Tex(W, 3)
    mottle = fbm(rng, [(8, 1), (16, 1)])
    for y in range(SIZE):
        for x in range(SIZE):
            tx, ty = x // 32, y // 32
            lx, ly = x % 32, y % 32
            colour = W if (tx + ty) % 2 == 0 else Y
            if lx < 2 or ly < 2:
                tex.set(x, y, W, 1)         # grout
                continue
            m = mottle[y][x]
            b = 3 if m > 0.35 else 2
            if lx == 2 or ly == 2:
                b = 4
            elif lx == 31 or ly == 31:
                b = 2
            tex.set(x, y, colour, b)
    # an inset square motif on the pale tiles
    for oy in (0, 32):
        for ox in (0, 32):
            if (ox + oy) % 64 == 0:
                for i in range(12, 22):
                    for j in (12, 21):
                        tex.set(ox + i, oy + j, Y, 2)
                        tex.set(ox + j, oy + i, Y, 2)
    speckle(tex, rng, 30, None, [1, 4], lambda x, y: x % 32 > 3 and y % 32 > 3)
    tex.roll(16, 16)
    return tex


def t08_old_boards(seed):
    """Old weathered boards, mostly grey with some brown, dim (1..3).
    Walls, floors and ceilings: reads as a plank floor."""
    rng = random.Random(seed)
    tex = Tex(W, 2)
    for plank in range(4):
        x0 = plank * 16
        # each plank column is cut into two lengths at a staggered joint
        cut = (plank * 23 + 5) % SIZE
        for part in range(2):
            r = hash_rng(seed, plank, part)
            colour = Y if (plank + part) % 3 == 0 else W
            phase = r.random() * 6.28
            for y in range(SIZE):
                ly = (y - cut) % SIZE
                if (ly < 32) != (part == 0):
                    continue
                for x in range(x0, x0 + 16):
                    lx = x - x0
                    if lx < 2:
                        tex.set(x, y, W, 1)  # gap between planks
                        continue
                    # wavy grain lines
                    gx = lx + 1.5 * math.sin(y / 7.0 + phase)
                    b = 2 if int(gx) % 5 == 0 else 3
                    if lx == 2:
                        b = 3
                    if lx == 15:
                        b = 2
                    tex.set(x, y, colour, b)
            # butt joint between lengths, with nail heads
            yj = (cut + (0 if part == 0 else 32)) % SIZE
            tex.rect(x0, yj, 16, 1, W, 1)
            tex.set(x0 + 4, yj + 2, W, 1)
            tex.set(x0 + 12, yj + 2, W, 1)
            # a knot
            ky = (yj + 8 + r.randrange(16)) % SIZE
            kx = x0 + 5 + r.randrange(6)
            tex.rect(kx, ky, 2, 2, colour, 1)
    tex.roll(8, 0)
    quiet_edges(tex, u=False, v=True)
    return tex


def t09_panel_door(seed):
    """Grey panelled door (also used as a plain wall): frame, four raised
    panels, dark knob and push plate near the leading edge (column 63)."""
    tex = Tex(W, 5)
    # frame: lit top/left, shadowed right/bottom
    tex.rect(0, 0, SIZE, 3, W, 6)
    tex.rect(0, 0, 3, SIZE, W, 6)
    tex.rect(61, 0, 3, SIZE, W, 4)
    tex.rect(0, 61, SIZE, 3, W, 4)
    tex.rect(1, 1, SIZE - 2, 1, W, 7)
    tex.rect(1, 1, 1, SIZE - 2, W, 7)
    tex.rect(3, 3, 58, 1, K, 0)
    tex.rect(3, 3, 1, 58, K, 0)
    # dark outline, the same on all four sides (clean seam when tiled)
    for i in range(SIZE):
        for x, y in ((i, 0), (i, 63), (0, i), (63, i)):
            tex.set(x, y, K, 2)
    # four panels (2 across, 2 down), recessed moulding + raised centre
    for px, py, pw, ph in ((8, 7, 20, 24), (34, 7, 20, 24),
                           (8, 36, 20, 22), (34, 36, 20, 22)):
        tex.rect(px, py, pw, ph, K, 4)          # recessed moulding (grey)
        tex.rect(px, py, pw, 1, K, 1)
        tex.rect(px, py, 1, ph, K, 1)
        tex.rect(px + 3, py + 3, pw - 6, ph - 6, W, 5)
        bevel(tex, px + 3, py + 3, pw - 6, ph - 6, 2, -2)
    # door knob and escutcheon near the leading edge
    tex.rect(56, 30, 3, 6, K, 3)
    tex.rect(56, 31, 3, 3, K, 6)
    tex.set(57, 32, K, 7)
    tex.set(59, 32, K, 1)
    return tex


def t10_white_tiles(seed):
    """Glazed white wall tiles, 16x16, dark grout; a few cracked or dirty
    tiles (brightness 1..7, no black texel)."""
    rng = random.Random(seed)
    tex = Tex(W, 6)
    for y in range(SIZE):
        for x in range(SIZE):
            lx, ly = x % 16, y % 16
            if lx < 2 or ly < 2:
                tex.set(x, y, K, 3 if lx == 0 or ly == 0 else 4)
                continue
            b = 6
            if lx == 2 or ly == 2:
                b = 7
            elif lx == 15 or ly == 15:
                b = 4
            elif lx == 14 or ly == 14:
                b = 5
            tex.set(x, y, W, b)
    # glaze glint on each tile
    for ty in range(4):
        for tx in range(4):
            tex.set(tx * 16 + 4, ty * 16 + 4, W, 7)
            tex.set(tx * 16 + 5, ty * 16 + 4, W, 7)
    # cracks on two tiles, grime on another
    for (tx, ty) in ((1, 2), (3, 0)):
        x, y = tx * 16 + 4, ty * 16 + 3
        while y < ty * 16 + 15 and x < tx * 16 + 15:
            tex.set(x, y, W, 1)
            x += rng.choice([0, 1])
            y += 1
    for i in range(14):
        tex.set(2 * 16 + 3 + rng.randrange(11), 3 * 16 + 8 + rng.randrange(6), W, rng.choice([2, 3]))
    for i in range(6):
        tex.set(rng.randrange(SIZE), rng.randrange(SIZE) // 16 * 16, K, 1)
    tex.roll(8, 8)
    return tex


def t11_tapestry(seed):
    """White marble wall with a magenta tapestry, red border and emblem."""
    rng = random.Random(seed)
    tex = Tex(W, 5)
    vein = fbm(rng, [(4, 2), (8, 2), (16, 1)])
    for y in range(SIZE):
        for x in range(SIZE):
            bid, lx, ly = brick_cell(x + 8, y + 16, 32, 32, 16)
            if lx == 0 or ly == 0:
                tex.set(x, y, W, 1)
                continue
            v = vein[y][x]
            b = 6 if abs(v - 0.5) < 0.02 else (4 if abs(v - 0.5) < 0.05 else 5)
            if ly == 1 or lx == 1:
                b = 7
            if ly == 31 or lx == 31:
                b = 3
            tex.set(x, y, W, b)
    # hanging rod
    tex.rect(14, 4, 36, 2, Y, 6)
    tex.rect(14, 6, 36, 1, K, 0)
    # tapestry body with red border and diamond emblem
    x0, y0, w, h = 17, 6, 30, 52
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            lx, ly = x - x0, y - y0
            # folds: vertical light/dark bands
            b = 5 if (lx // 5) % 2 == 0 else 4
            if lx % 5 == 4:
                b = 3
            colour = M
            if lx < 3 or lx >= w - 3 or ly >= h - 3 or ly < 2:
                colour, b = R, (5 if lx % 2 == 0 else 4)
            cx, cy = lx - w / 2 + 0.5, ly - 24
            d = abs(cx) + abs(cy) * 0.8
            if d < 9:
                colour, b = (R, 6) if d >= 6 else ((W, 7) if d < 3 else (M, 6))
            tex.set(x, y, colour, b)
    # fringe at the bottom
    for x in range(x0, x0 + w, 2):
        tex.rect(x, y0 + h, 1, 3, R, 4)
    # shadow of the tapestry on the wall (right side)
    tex.rect(x0 + w, y0, 1, h, W, 2)
    tex.rect(x0 + 1, y0 + h + 3, w, 1, W, 2)
    return tex


def t12_red_brick(seed):
    """Classic red brick: 8x16 bricks in running bond, pale mortar on top and
    left, black shadow under each brick.  Walls, floors, ceilings."""
    rng = random.Random(seed)
    tex = Tex(R, 5)
    grain = fbm(rng, [(16, 1), (32, 2)])
    for y in range(SIZE):
        for x in range(SIZE):
            bid, lx, ly = brick_cell(x, y, 16, 8, 8)
            if ly == 0:
                tex.set(x, y, W, 4)          # bed joint
                continue
            if lx == 0:
                tex.set(x, y, W, 3)          # head joint
                continue
            if ly == 7:
                tex.set(x, y, K, 0)          # shadow beneath the brick
                continue
            if lx == 15:
                tex.set(x, y, K, 1)
                continue
            tone = hash_rng(seed, bid).choice([4, 5, 5, 5, 6])
            g = grain[y][x]
            b = tone + (1 if g > 0.66 else 0) - (1 if g < 0.34 else 0)
            if ly == 1:
                b = min(6, tone + 1)
            tex.set(x, y, R, b)
    # chips in a few bricks
    speckle(tex, rng, 30, R, [2, 3], lambda x, y: tex.col[y][x] == R)
    tex.roll(4, 3)
    return tex


def t13_mosaic_tiles(seed):
    """Cyan ceramic tiles with red diamond inlays and white grout lines."""
    tex = Tex(C, 5)
    for y in range(SIZE):
        for x in range(SIZE):
            lx, ly = x % 32, y % 32
            if lx == 0 or ly == 0:
                tex.set(x, y, W, 6)
                continue
            if lx == 16 or ly == 16:
                tex.set(x, y, C, 2)          # finer grout between small tiles
                continue
            # red diamond centred on each grout crossing of the big grid
            dx = min(lx, 32 - lx)
            dy = min(ly, 32 - ly)
            d = dx + dy
            if d <= 8:
                tex.set(x, y, R, 6 if d <= 5 else 4)
                if d == 8:
                    tex.set(x, y, R, 3)
                continue
            b = 5
            sx, sy = lx % 16, ly % 16
            if sx == 1 or sy == 1:
                b = 7
            elif sx == 15 or sy == 15:
                b = 3
            elif sx == 14 or sy == 14:
                b = 4
            # small cyan dot in the middle of each small tile
            if abs(lx - 24) + abs(ly - 24) <= 1 or abs(lx - 8) + abs(ly - 8) <= 1:
                b = 2
            if abs(lx - 24) + abs(ly - 8) <= 1 or abs(lx - 8) + abs(ly - 24) <= 1:
                b = 2
            tex.set(x, y, C, b)
    # darker shadow line under grout
    for y in range(SIZE):
        for x in range(SIZE):
            if y % 32 == 1 and tex.col[y][x] == C:
                tex.set(x, y, C, 1)
    tex.roll(8, 8)
    return tex


def t14_steel_shutter(seed):
    """Grey steel shutter door: horizontal ribs, a dark view slit and a
    handle bar near the leading edge (column 63).  Brightness 1..6."""
    tex = Tex(W, 5)
    for y in range(SIZE):
        for x in range(SIZE):
            ly = y % 8
            b = 5
            if ly == 0:
                b = 6
            elif ly == 6:
                b = 3
            elif ly == 7:
                tex.set(x, y, K, 2)
                continue
            tex.set(x, y, W, b)
    # heavy frame
    tex.rect(0, 0, 4, SIZE, W, 6)
    tex.rect(60, 0, 4, SIZE, W, 4)
    tex.rect(4, 0, 1, SIZE, K, 1)
    tex.rect(59, 0, 1, SIZE, K, 1)
    tex.rect(0, 0, SIZE, 2, W, 6)
    tex.rect(0, 61, SIZE, 2, K, 4)
    # outer ring identical on all sides (clean seam when tiled)
    for i in range(SIZE):
        for x, y in ((i, 0), (i, 63), (0, i), (63, i)):
            tex.set(x, y, W, 5)
    for y in range(4, 60, 8):                 # bolts in the frame
        tex.set(1, y, K, 6)
        tex.set(62, y, K, 6)
    # view slit
    tex.rect(18, 10, 28, 5, K, 1)
    tex.rect(18, 9, 28, 1, W, 3)
    tex.rect(18, 15, 28, 1, W, 6)
    # hazard-free kick plate at the bottom
    tex.rect(5, 50, 54, 12, W, 4)
    tex.rect(5, 50, 54, 1, W, 6)
    for x in range(9, 58, 8):
        tex.set(x, 55, K, 5)
    # handle bar near the leading edge
    tex.rect(52, 24, 3, 18, K, 5)
    tex.rect(53, 24, 1, 18, K, 6)
    tex.rect(55, 25, 1, 18, K, 1)
    return tex


def t15_wood_panelling(seed):
    """Golden wooden planks held by grey iron bands with red enamel studs."""
    rng = random.Random(seed)
    tex = Tex(Y, 4)
    for plank in range(4):
        x0 = plank * 16
        phase = rng.random() * 6.28
        for y in range(SIZE):
            for x in range(x0, x0 + 16):
                lx = x - x0
                if lx == 0:
                    tex.set(x, y, K, 0)
                    continue
                gx = lx + 2.0 * math.sin(y / 9.0 + phase)
                b = 4 if int(gx) % 4 else 3
                if lx == 1:
                    b = 5
                elif lx == 15:
                    b = 2
                elif int(gx) % 7 == 3:
                    b = 5
                tex.set(x, y, Y, b)
    # iron bands
    for y0 in (8, 46):
        tex.rect(0, y0, SIZE, 8, W, 5)
        tex.rect(0, y0, SIZE, 1, W, 7)
        tex.rect(0, y0 + 7, SIZE, 1, W, 3)
        tex.rect(0, y0 + 8, SIZE, 1, Y, 1)
        # red studs
        for x in range(6, SIZE, 16):
            tex.rect(x, y0 + 2, 4, 4, R, 5)
            tex.rect(x, y0 + 2, 4, 1, R, 7)
            tex.rect(x + 3, y0 + 3, 1, 3, R, 3)
    # red diamond inlay in the middle of the wall
    for y in range(22, 40):
        for x in range(SIZE):
            dx = min((x - 8) % 16, 16 - (x - 8) % 16)
            if abs(y - 31) + dx * 1.3 <= 6:
                tex.set(x, y, R, 4 if abs(y - 31) + dx * 1.3 > 4 else 6)
    tex.roll(4, 0)                # edges mid-plank, not on a plank gap
    return tex


def t16_blue_slate(seed):
    """Large blue slate slabs with black joints and pale mineral flecks.
    The most used ceiling and a major floor."""
    rng = random.Random(seed)
    tex = Tex(B, 5)
    grain = stretch(fbm(rng, [(4, 1), (8, 2), (16, 1)]))
    for y in range(SIZE):
        for x in range(SIZE):
            bid, lx, ly = brick_cell(x, y, 32, 32, 16)
            if lx < 2 or ly < 2:
                tex.set(x, y, K, 0 if lx == 0 or ly == 0 else 1)
                continue
            tone = hash_rng(seed, bid).choice([4, 5, 5])
            g = grain[y][x]
            b = tone + (1 if g > 0.65 else 0) - (1 if g < 0.3 else 0)
            if lx == 2 or ly == 2:
                b = 7
            elif lx == 31 or ly == 31:
                b = 2
            tex.set(x, y, B, b)
    # mineral flecks and a crack
    speckle(tex, rng, 130, W, [4, 5, 6], lambda x, y: tex.col[y][x] == B and x % 32 > 3 and y % 32 > 3)
    x, y = 40, 37
    for _ in range(16):
        tex.set(x, y, K, 1)
        x += rng.choice([1, 1, 0])
        y += rng.choice([1, 0])
    speckle(tex, rng, 20, B, [3], lambda x, y: tex.col[y][x] == B)
    tex.roll(8, 8)
    return tex


def t17_cobbles(seed):
    """Rounded grey cobbles in black gaps with brown earth between some
    stones (not used by the level, kept as a spare surface)."""
    rng = random.Random(seed)
    tex = Tex(W, 5)
    cells = voronoi(rng, 5)
    earth = stretch(fbm(rng, [(4, 1), (8, 1)]))
    for y in range(SIZE):
        for x in range(SIZE):
            site, d1, d2 = cells[y][x]
            edge = d2 - d1
            if edge < 1.2:
                if earth[y][x] > 0.62:
                    tex.set(x, y, Y, 2 if edge < 0.6 else 3)
                else:
                    tex.set(x, y, K, 0)
                continue
            if edge < 2.4:
                tex.set(x, y, K, 1)
                if earth[y][x] > 0.62:
                    tex.set(x, y, Y, 4)
                continue
            tone = hash_rng(seed, site).choice([4, 5, 5, 6])
            # dome shading: lighter toward the stone's centre
            b = tone + (1 if d1 < 3 else 0) - (1 if edge < 3.5 else 0)
            tex.set(x, y, W, b)
    # highlight on the upper-left of every stone
    for y in range(SIZE):
        for x in range(SIZE):
            if tex.col[y][x] == W and tex.col[(y - 2) % SIZE][(x - 2) % SIZE] != W:
                tex.set(x, y, W, 7)
    quiet_edges(tex)
    return tex


def t18_red_band(seed):
    """White ashlar with a red painted band carrying black chevrons."""
    rng = random.Random(seed)
    tex = Tex(W, 5)
    grain = fbm(rng, [(8, 1), (16, 1)])
    for y in range(SIZE):
        for x in range(SIZE):
            bid, lx, ly = brick_cell(x + 8, y + 8, 32, 16, 16)
            if ly == 0 or lx == 0:
                tex.set(x, y, K, 0)
                continue
            if ly == 15 or lx == 31:
                tex.set(x, y, W, 3)
                continue
            b = 5 + (1 if grain[y][x] > 0.6 else 0) - (1 if grain[y][x] < 0.38 else 0)
            if ly == 1:
                b = 7
            tex.set(x, y, W, b)
    # red band over rows 24..41 with chevrons pointing along +u
    for y in range(24, 42):
        for x in range(SIZE):
            ly = y - 24
            if ly == 0 or ly == 17:
                tex.set(x, y, K, 1)
                continue
            if ly == 1:
                tex.set(x, y, R, 7)
                continue
            if ly == 16:
                tex.set(x, y, R, 2)
                continue
            c = abs(ly - 8.5)
            if (x - c) % 16 < 4:
                tex.set(x, y, K, 0 if (x - c) % 16 < 3 else 4)
            else:
                tex.set(x, y, R, 5)
    return tex


# (maker, main colours in order of frequency, brightness range present).
TEXTURES = {
    1: (t01_grey_stone_blocks, [W, K], (0, 6)),
    2: (t02_flagstones, [W, Y, K], (0, 7)),
    3: (t03_blue_glazed_brick, [B, K, W], (0, 7)),
    4: (t04_plaster_beam, [W, K, Y], (0, 7)),
    5: (t05_cyan_metal_plates, [C, K, W], (0, 6)),
    6: (t06_cyan_steel_door, [C, W, K], (0, 7)),
    7: (t07_checker_floor, [W, Y], (1, 4)),
    8: (t08_old_boards, [W, Y], (1, 3)),
    9: (t09_panel_door, [W, K], (0, 7)),
    10: (t10_white_tiles, [W, K], (1, 7)),
    11: (t11_tapestry, [W, M, R], (0, 7)),
    12: (t12_red_brick, [R, W, K], (0, 6)),
    13: (t13_mosaic_tiles, [C, R, W], (1, 7)),
    14: (t14_steel_shutter, [W, K], (1, 6)),
    15: (t15_wood_panelling, [Y, W, R], (0, 7)),
    16: (t16_blue_slate, [B, K, W], (0, 7)),
    17: (t17_cobbles, [W, K, Y], (0, 7)),
    18: (t18_red_band, [W, R, K], (0, 7)),
}


# Text format

def make_texture(n):
    maker, _, (lo, hi) = TEXTURES[n]
    tex = maker(1000 + n)
    tex.clamp(lo, hi)
    return [[tex.col[y][x] | (tex.bri[y][x] << 3) for x in range(SIZE)] for y in range(SIZE)]


def to_text(n, texels):
    maker = TEXTURES[n][0]
    doc = (maker.__doc__ or "").split(".")[0].split("\n")
    lines = ["# Texture %02d: %s" % (n, " ".join(s.strip() for s in doc).strip()),
             "# Generated by tools/texture_generator.py"]
    for row in texels:
        lines.append("".join(texel_text(t) for t in row))
    return "\n".join(lines) + "\n"


def parse_text(text):
    rows = []
    for line in text.splitlines():
        line = line.rstrip(" \r")
        if not line or line.startswith("#"):
            continue
        rows.append(parse_texel_row(line, allow_transparent=False))
    if len(rows) != 64:
        raise ValueError("%d data lines" % len(rows))
    return rows


# Checks: the colour and brightness rules every texture must keep

def texel_diff(a, b):
    """How different two texels look: colour change counts fully, brightness
    by its step."""
    if (a & 7) != (b & 7) and (a >> 3) and (b >> 3):
        return 1.0
    return min(1.0, abs((a >> 3) - (b >> 3)) / 4.0)


def seam_scores(texels):
    """Mean difference across each adjacent column pair and row pair, the
    wrap-around pair (63 -> 0) last."""
    cols = []
    for x in range(SIZE):
        x2 = (x + 1) % SIZE
        cols.append(sum(texel_diff(texels[y][x], texels[y][x2]) for y in range(SIZE)) / SIZE)
    rows = []
    for y in range(SIZE):
        y2 = (y + 1) % SIZE
        rows.append(sum(texel_diff(texels[y][x], texels[y2][x]) for x in range(SIZE)) / SIZE)
    return cols, rows


def check_texture(n, texels):
    _, mains, (lo, hi) = TEXTURES[n]
    problems = []
    counts = [0] * 8
    levels = set()
    for row in texels:
        for t in row:
            if not 0 <= t <= 63:
                problems.append("texel %d out of range" % t)
            counts[t & 7] += 1
            levels.add(t >> 3)
    main_counts = [counts[c] for c in mains]
    if any(main_counts[i] <= main_counts[i + 1] for i in range(len(mains) - 1)):
        problems.append("main colours not in strictly decreasing order")
    others = [counts[c] for c in range(8) if c not in mains]
    if others and max(others) >= main_counts[-1]:
        problems.append("another colour as frequent as a main colour")
    if sum(main_counts) < 0.9 * 4096:
        problems.append("main colours cover only %d texels" % sum(main_counts))
    if levels != set(range(lo, hi + 1)):
        problems.append("brightness levels %s, want %d..%d" % (sorted(levels), lo, hi))
    cols, rows = seam_scores(texels)
    seams = []
    for name, s in (("u", cols), ("v", rows)):
        mean = sum(s[:-1]) / (SIZE - 1)
        seams.append((name, s[-1], mean))
        # the wrap-around pair must be no more abrupt than an average
        # interior pair of neighbouring columns/rows
        if s[-1] > max(mean, 0.05) + 1e-9:
            problems.append("seam %s: edge difference %.3f above interior mean %.3f" % (name, s[-1], mean))
    return counts, levels, seams, problems


# PNG preview: each texel becomes one console cell (factor 1.0 by default)

def render_cells(grid, cell):
    """grid: rows of (glyph, fg, bg) -> pixel rows."""
    out = []
    for row in grid:
        for py in range(cell):
            line = []
            for glyph, fg, bg in row:
                for px in range(cell):
                    line.append(PALETTE[fg] if glyph_on(glyph, px, py) else PALETTE[bg])
            out.append(line)
    return out


def preview(texels, path, tiles=2, cell=4, factor=1.0):
    """The texture tiled tiles x tiles, one console cell per texel."""
    grid = [[console_cell(texels[y % SIZE][x % SIZE], factor) for x in range(SIZE * tiles)]
            for y in range(SIZE * tiles)]
    pix = render_cells(grid, cell)
    write_png(path, pix)


def preview_far(texels, path, cell=8):
    """Three wall cells side by side as the console would draw them at
    distance ~2 and ~4 (x-faces, factor 2.5/(d+0.5)), sampled down to the
    screen rows and columns they would cover."""
    rows_out = []
    for dist in (1.5, 2.5, 4.0):
        factor = 2.5 / (dist + 0.5)
        n = int(50 / dist)                 # screen rows of the wall
        wcols = int(80 / (2 * dist * math.tan(math.radians(30))))  # columns per cell
        for r in range(n + 1):
            v = (r * 64) // n if n else 0
            line = []
            for c in range(wcols * 3):
                u = (c % wcols) * 64 // wcols
                line.append(console_cell(texels[min(v, 63)][u], factor))
            rows_out.append(line)
        rows_out.append([(0, 0, 0)] * 0)
    width = max(len(r) for r in rows_out)
    rows_out = [r + [(3, 1, 0)] * (width - len(r)) for r in rows_out]
    pix = render_cells(rows_out, cell)
    write_png(path, pix)


def contact_sheet(all_texels, path, cell=3):
    """All 18 textures in a 6x3 grid, one tile each, with gaps."""
    gap = 4
    tile = SIZE + gap
    grid = [[(3, 0, 0)] * (6 * tile) for _ in range(3 * tile)]
    for i, n in enumerate(sorted(all_texels)):
        ox, oy = (i % 6) * tile, (i // 6) * tile
        for y in range(SIZE):
            for x in range(SIZE):
                grid[oy + y][ox + x] = console_cell(all_texels[n][y][x], 1.0)
    pix = render_cells(grid, cell)
    write_png(path, pix)


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out_dir = os.path.join(root, "art", "textures")
    check_only = "--check" in argv
    preview_dir = None
    if "--preview" in argv:
        preview_dir = argv[argv.index("--preview") + 1]
        os.makedirs(preview_dir, exist_ok=True)
    only = [int(a) for a in argv if a.isdigit()] or sorted(TEXTURES)
    failed = False
    all_texels = {}
    for n in only:
        path = os.path.join(out_dir, "%02d.txt" % n)
        if check_only:
            with open(path) as f:
                texels = parse_text(f.read())
        else:
            texels = make_texture(n)
            text = to_text(n, texels)
            assert parse_text(text) == texels
            with open(path, "w", newline="\n") as f:
                f.write(text)
        all_texels[n] = texels
        counts, levels, seams, problems = check_texture(n, texels)
        mains = TEXTURES[n][1]
        desc = ", ".join("%s %d" % (NAMES[c], counts[c]) for c in mains)
        rest = ", ".join("%s %d" % (NAMES[c], counts[c]) for c in range(8)
                         if c not in mains and counts[c])
        share = 100.0 * sum(counts[c] for c in mains) / 4096
        seam = " ".join("%s %.2f (mean %.2f)" % sm for sm in seams)
        print("%02d %-3s main: %s (%.1f%%)%s; levels %s; seams %s" % (
            n, "OK" if not problems else "BAD", desc, share,
            ("; other: " + rest) if rest else "",
            "".join(str(l) for l in sorted(levels)), seam))
        for p in problems:
            print("    " + p)
        failed = failed or bool(problems)
        if preview_dir:
            preview(texels, os.path.join(preview_dir, "%02d.png" % n))
            preview_far(texels, os.path.join(preview_dir, "%02d_far.png" % n))
    if preview_dir and len(all_texels) > 1:
        contact_sheet(all_texels, os.path.join(preview_dir, "all.png"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
