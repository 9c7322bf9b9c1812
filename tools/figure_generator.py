#!/usr/bin/env python3
"""Generates the four walking-figure sprite sheets (art/sprites/sheet_N.txt).

The figure is a small 3D mannequin: ellipsoids for head and trunk, capsules
for neck and limbs. For every animation frame the limbs are posed by a few
joint angles, and for every view the mannequin is turned about its vertical
axis and ray cast orthographically into a 64x64 tile, one ray per texel.
Colour comes from which body part a ray hits and where on that part; the
brightness from a fixed light at the viewer's upper left, plus darker
outlines where the figure meets the background or one part passes in front
of another. Working in 3D means the eight views and four poses always agree
with each other, which hand-drawn sheets rarely do.

The text files are what the build packs; this script is how they were made.
Run it again after changing the figure and look at the previews:

    python3 tools/figure_generator.py                   # write art/sprites
    python3 tools/figure_generator.py --preview /tmp/fg # also write PNGs
    python3 tools/figure_generator.py --check           # only verify files

Only the standard library is used, and the output depends on nothing but
the numbers below, so the same sheets come out on every machine.
"""

import argparse
import math
import os
import sys

from art_format import (LETTERS as COLOUR_LETTERS, PALETTE, TRANSPARENT, console_cell, glyph_on,
                        parse_texel_row, texel_text, write_png)

TILE = 64
VIEW_COUNT = 8
FRAME_COUNT = 4

BLACK, GREEN, RED, WHITE = 0, 2, 4, 7

# The body's vertical axis, in tile columns. 31.0 is the line between
# columns 30 and 31, so a front view spans as many texels left as right of
# it and the figure sits in the middle of the tile.
AXIS_X = 31.0
# Rays start this far in front of the figure (tile units, toward the viewer).
RAY_START = 100.0

# Limits every image must keep; the renderer scales the whole tile, so the
# figure's feet must stand on the tile's bottom and its head stay clear of
# the top quarter, or figures would float or stand at different heights.
ROW_MIN, COL_MIN, COL_MAX = 16, 13, 47
FEET_ROWS = (62, 63)
OPAQUE_PER_SHEET = (32768 - 28172, 32768 - 27857)    # 4596 .. 4911

# Small vector helpers (3-tuples).


def add(p, q):
    return (p[0] + q[0], p[1] + q[1], p[2] + q[2])


def sub(p, q):
    return (p[0] - q[0], p[1] - q[1], p[2] - q[2])


def mul(p, s):
    return (p[0] * s, p[1] * s, p[2] * s)


def dot(p, q):
    return p[0] * q[0] + p[1] * q[1] + p[2] * q[2]


def cross(p, q):
    return (p[1] * q[2] - p[2] * q[1],
            p[2] * q[0] - p[0] * q[2],
            p[0] * q[1] - p[1] * q[0])


def unit(p):
    length = math.sqrt(dot(p, p))
    return mul(p, 1.0 / length) if length > 0.0 else (0.0, 0.0, 1.0)


def rad(degrees):
    return math.radians(degrees)


# Materials: colour and the brightness range that lighting spreads over.
# Black reaches 4 on its lit side so boots and hair get a grey sheen instead
# of reading as holes; white never drops below 3 so the face stays a face.

MATERIALS = {
    "cloth": (GREEN, 1, 6),
    "skin": (WHITE, 4, 7),
    "leather": (BLACK, 0, 4),
    "trim": (RED, 2, 6),
    "eye": (BLACK, 0, 1),
}

# Light in view space: from the upper left, slightly toward the viewer.
LIGHT = unit((-0.55, 0.55, 0.63))
AMBIENT = 0.2
SILHOUETTE_DARKEN = 1
OVERLAP_DARKEN = 2
# How much nearer a neighbouring texel's surface must be before the texel
# counts as lying behind an edge (tile units).
OVERLAP_STEP = 1.6

# Body measurements (tile units; one unit is one texel). About five heads
# tall: a big head reads better when the figure is only a dozen cells high.

HIP_HALF_WIDTH = 3.6
THIGH_LENGTH, THIGH_RADIUS = 10.0, 3.3
SHIN_LENGTH, SHIN_RADIUS = 10.0, 2.8
BOOT_TOP = 0.62           # fraction of the shin, from the knee, where boots start
FOOT_BACK, FOOT_FRONT, FOOT_RADIUS, FOOT_DROP = 1.2, 4.2, 2.3, 0.5
SHOULDER_HALF_WIDTH, SHOULDER_HEIGHT = 8.0, 12.8    # height above the hips
UPPER_ARM_LENGTH, UPPER_ARM_RADIUS = 8.6, 2.5
FOREARM_LENGTH, FOREARM_RADIUS = 7.6, 2.3
CUFF_START = 0.86         # fraction of the forearm where the red cuff begins
HAND_RADIUS = 2.3
ARM_SPLAY = 6.0           # degrees the arms hang away from the body
LEAN = 4.0                # degrees the upper body leans into the walk

# Walk cycle, one entry per sheet. Legs: (thigh swing, knee bend, foot pitch),
# arms: (shoulder swing, elbow bend), all in degrees; positive swing is
# forward, positive pitch lifts the toe. Frame 0 plants the left foot in
# front, frame 1 passes the right leg through, frame 2 plants the right foot,
# frame 3 passes the left leg; arms swing against the legs.
CONTACT = {"front_leg": (24.0, 4.0, 12.0), "back_leg": (-20.0, 16.0, -28.0),
           "front_arm": (21.0, 24.0), "back_arm": (-19.0, 10.0)}
# At contact the hips turn to carry the front leg forward and the shoulders
# turn the other way with the arms (degrees; positive brings the left hip
# forward).
CONTACT_TWIST = 7.0
PASSING = {"support_leg": (2.0, 4.0, 0.0), "swing_leg": (16.0, 58.0, -20.0),
           "ahead_arm": (10.0, 20.0), "behind_arm": (-9.0, 12.0)}

POSES = [
    {"leg_l": CONTACT["front_leg"], "leg_r": CONTACT["back_leg"],
     "arm_l": CONTACT["back_arm"], "arm_r": CONTACT["front_arm"], "twist": CONTACT_TWIST},
    {"leg_l": PASSING["support_leg"], "leg_r": PASSING["swing_leg"],
     "arm_l": PASSING["ahead_arm"], "arm_r": PASSING["behind_arm"], "twist": 0.0},
    {"leg_l": CONTACT["back_leg"], "leg_r": CONTACT["front_leg"],
     "arm_l": CONTACT["front_arm"], "arm_r": CONTACT["back_arm"], "twist": -CONTACT_TWIST},
    {"leg_l": PASSING["swing_leg"], "leg_r": PASSING["support_leg"],
     "arm_l": PASSING["behind_arm"], "arm_r": PASSING["ahead_arm"], "twist": 0.0},
]

# View d shows the figure turned d * 45 degrees from facing the viewer, the
# turn going toward screen-left first: 0 front, 2 walking to screen-left,
# 4 back, 6 walking to screen-right.
VIEW_TURN_DEGREES = 45.0
# The player's eye is above a walker's waist, so the figure is seen a little
# from above: a foot stepping toward the viewer lands lower on the tile than
# the one behind, which is what makes the front and back views read as walking.
VIEW_ELEVATION = 12.0

# Primitives. A part is a dict with a "kind" and its geometry in view space
# (x right, y up, z toward the viewer) plus a paint function that chooses the
# material from where on the part the ray landed.


def ellipsoid(centre, axes, radii, paint):
    return {"kind": "ellipsoid", "centre": centre, "axes": axes,
            "radii": radii, "paint": paint,
            "reach": max(radii)}


def capsule(p0, p1, radius, paint):
    return {"kind": "capsule", "p0": p0, "p1": p1, "radius": radius,
            "paint": paint}


def part_bounds(part):
    """Screen-space box (x0, x1, y0, y1) outside which a ray cannot hit."""
    if part["kind"] == "ellipsoid":
        c, r = part["centre"], part["reach"]
        return (c[0] - r, c[0] + r, c[1] - r, c[1] + r)
    p0, p1, r = part["p0"], part["p1"], part["radius"]
    return (min(p0[0], p1[0]) - r, max(p0[0], p1[0]) + r,
            min(p0[1], p1[1]) - r, max(p0[1], p1[1]) + r)


def sphere_hit(origin, centre, radius):
    """Distance along a ray going toward -z to a sphere, or None."""
    oc = sub(origin, centre)
    b = -oc[2]                      # dot(direction, oc)
    c = dot(oc, oc) - radius * radius
    h = b * b - c
    if h < 0.0:
        return None
    return -b - math.sqrt(h)


def hit_ellipsoid(part, origin):
    """Returns (distance, normal, info) of the first hit, or None.
    info is the hit point in the ellipsoid's unit-sphere coordinates, which
    the paint functions use to place hair, belt and badge."""
    rel = sub(origin, part["centre"])
    q0 = [dot(rel, e) / r for e, r in zip(part["axes"], part["radii"])]
    qd = [-e[2] / r for e, r in zip(part["axes"], part["radii"])]
    a = sum(v * v for v in qd)
    b = 2.0 * sum(p * d for p, d in zip(q0, qd))
    c = sum(p * p for p in q0) - 1.0
    disc = b * b - 4.0 * a * c
    if disc < 0.0:
        return None
    t = (-b - math.sqrt(disc)) / (2.0 * a)
    q = tuple(p + t * d for p, d in zip(q0, qd))
    normal = (0.0, 0.0, 0.0)
    for qi, e, r in zip(q, part["axes"], part["radii"]):
        normal = add(normal, mul(e, qi / r))
    return t, unit(normal), q


def hit_capsule(part, origin):
    """Returns (distance, normal, info) of the first hit, or None. info is
    the fraction 0..1 along the capsule's axis where the hit lies.
    A capsule is the union of a cylinder and two end spheres, so its first
    hit is the nearest of their first hits."""
    p0, p1, r = part["p0"], part["p1"], part["radius"]
    axis = sub(p1, p0)
    length2 = dot(axis, axis)
    candidates = []
    for end in (p0, p1):
        t = sphere_hit(origin, end, r)
        if t is not None:
            candidates.append(t)
    # Cylinder, with direction d = (0, 0, -1).
    oa = sub(origin, p0)
    axis_d = -axis[2]
    axis_oa = dot(axis, oa)
    d_oa = -oa[2]
    a = length2 - axis_d * axis_d
    if a > 1e-9:
        b = length2 * d_oa - axis_oa * axis_d
        c = length2 * dot(oa, oa) - axis_oa * axis_oa - r * r * length2
        h = b * b - a * c
        if h >= 0.0:
            t = (-b - math.sqrt(h)) / a
            along = axis_oa + t * axis_d
            if 0.0 < along < length2:
                candidates.append(t)
    if not candidates:
        return None
    t = min(candidates)
    point = add(origin, (0.0, 0.0, -t))
    s = max(0.0, min(1.0, dot(sub(point, p0), axis) / length2))
    closest = add(p0, mul(axis, s))
    return t, unit(sub(point, closest)), s


def hit_part(part, origin):
    if part["kind"] == "ellipsoid":
        return hit_ellipsoid(part, origin)
    return hit_capsule(part, origin)


# Paint rules. Ellipsoid coordinates are (across to the figure's right, up,
# forward) on the unit sphere; capsule info is the fraction along the limb.


def paint_cloth(_info):
    return "cloth"


def paint_skin(_info):
    return "skin"


def paint_leather(_info):
    return "leather"


def paint_pelvis(q):
    # The belt is a band round the top of the hips.
    return "leather" if q[1] > 0.18 else "cloth"


def paint_chest(q):
    # A badge on the left breast (the figure's left is -x in its own frame).
    if q[2] > 0.55 and -0.72 < q[0] < -0.30 and 0.10 < q[1] < 0.45:
        return "trim"
    return "cloth"


def paint_head(q):
    across, up, forward = q
    # Hair covers the crown, the back and the sides above the ears; the face
    # is what is left at the front.
    if up > 0.5 or (forward < 0.0 and up > -0.2) or (forward < -0.4 and up > -0.7):
        return "leather"
    if forward > 0.6 and 0.22 < abs(across) < 0.5 and 0.02 < up < 0.26:
        return "eye"
    return "skin"


def paint_shin(s):
    return "leather" if s > BOOT_TOP else "cloth"


def paint_forearm(s):
    return "trim" if s > CUFF_START else "cloth"


# Posing and building the figure.


def swing_direction(swing_deg, side_deg=0.0, side=0.0):
    """Unit limb direction in the body frame (right, up, forward) for a limb
    hanging down, swung forward by swing_deg and outward by side_deg."""
    s = rad(swing_deg)
    o = rad(side_deg)
    return unit((side * math.sin(o), -math.cos(s) * math.cos(o), math.sin(s) * math.cos(o)))


def pitched_forward(pitch_deg):
    p = rad(pitch_deg)
    return (0.0, math.sin(p), math.cos(p))


def yawed(p, degrees):
    """Body-frame point or vector turned about the vertical axis; positive
    turns bring the figure's left side forward."""
    t = rad(degrees)
    return (p[0] * math.cos(t) + p[2] * math.sin(t),
            p[1],
            p[2] * math.cos(t) - p[0] * math.sin(t))


def pose_legs(pose):
    """Joint positions of both legs relative to the hip centre, body frame."""
    legs = {}
    for name, side in (("leg_l", -1.0), ("leg_r", 1.0)):
        thigh, knee, pitch = pose[name]
        hip = yawed((side * HIP_HALF_WIDTH, 0.0, 0.0), pose["twist"])
        knee_pos = add(hip, mul(swing_direction(thigh), THIGH_LENGTH))
        ankle = add(knee_pos, mul(swing_direction(thigh - knee), SHIN_LENGTH))
        foot = pitched_forward(pitch)
        down = (0.0, -FOOT_DROP, 0.0)
        heel = add(add(ankle, mul(foot, -FOOT_BACK)), down)
        toe = add(add(ankle, mul(foot, FOOT_FRONT)), down)
        legs[name] = (hip, knee_pos, ankle, heel, toe)
    return legs


def hip_height(legs):
    """Height of the hip centre that puts the lowest boot on the ground."""
    lowest = min(min(heel[1], toe[1]) for _, _, _, heel, toe in legs.values())
    return -(lowest - FOOT_RADIUS)


def build_figure(pose, view):
    """All body parts, posed and turned for one view, in view space."""
    turn = rad(view * VIEW_TURN_DEGREES)
    forward = (-math.sin(turn), 0.0, math.cos(turn))
    right = cross(forward, (0.0, 1.0, 0.0))     # the figure's own right side

    legs = pose_legs(pose)
    hips = hip_height(legs)

    elevation = rad(VIEW_ELEVATION)

    def place(p):
        """Body frame (right, up, forward; origin on the ground under the
        hips) to view space: turned for the view, then tipped toward the
        viewer by the elevation."""
        x = p[0] * right[0] + p[2] * forward[0]
        z = p[0] * right[2] + p[2] * forward[2]
        return (AXIS_X + x,
                p[1] * math.cos(elevation) - z * math.sin(elevation),
                z * math.cos(elevation) + p[1] * math.sin(elevation))

    lean = rad(LEAN)

    def leaned(v):
        """Body-frame vector tilted forward by the lean of the upper body."""
        return (v[0],
                v[1] * math.cos(lean) - v[2] * math.sin(lean),
                v[2] * math.cos(lean) + v[1] * math.sin(lean))

    def upper(p):
        """Upper-body point given relative to the hip centre, placed."""
        q = leaned(p)
        return place((q[0], hips + q[1], q[2]))

    def lower(p):
        return place((p[0], hips + p[1], p[2]))

    def trunk_axes(twist):
        """View-space axes (right, up, forward) of a trunk part turned by
        twist degrees and leaned."""
        origin = place((0.0, 0.0, 0.0))
        return tuple(unit(sub(place(leaned(yawed(v, twist))), origin))
                     for v in ((1.0, 0.0, 0.0), (0.0, 1.0, 0.0), (0.0, 0.0, 1.0)))

    hip_turn = pose["twist"]
    shoulder_turn = -pose["twist"]
    head_axes = trunk_axes(0.0)

    parts = [
        ellipsoid(upper((0.0, 1.0, 0.0)), trunk_axes(hip_turn), (6.3, 3.4, 4.7), paint_pelvis),
        ellipsoid(upper((0.0, 5.2, 0.2)), head_axes, (6.4, 4.6, 4.7), paint_cloth),
        ellipsoid(upper(yawed((0.0, 10.0, 0.3), shoulder_turn)), trunk_axes(shoulder_turn),
                  (7.1, 5.4, 5.1), paint_chest),
        capsule(upper((0.0, 14.4, 0.2)), upper((0.0, 16.4, 0.4)), 1.9, paint_skin),
        ellipsoid(upper((0.0, 19.6, 0.5)), head_axes, (4.8, 5.1, 5.0), paint_head),
        # A small nose makes the face point somewhere in the side views.
        ellipsoid(upper((0.0, 19.0, 5.3)), head_axes, (0.9, 1.0, 0.9), paint_skin),
    ]

    for name in ("leg_l", "leg_r"):
        hip, knee, ankle, heel, toe = legs[name]
        parts.append(capsule(lower(hip), lower(knee), THIGH_RADIUS, paint_cloth))
        parts.append(capsule(lower(knee), lower(ankle), SHIN_RADIUS, paint_shin))
        parts.append(capsule(lower(heel), lower(toe), FOOT_RADIUS, paint_leather))

    for name, side in (("arm_l", -1.0), ("arm_r", 1.0)):
        swing, elbow_bend = pose[name]
        shoulder = yawed((side * SHOULDER_HALF_WIDTH, SHOULDER_HEIGHT, 0.2), shoulder_turn)
        elbow = add(shoulder, mul(swing_direction(swing, ARM_SPLAY, side), UPPER_ARM_LENGTH))
        wrist = add(elbow, mul(swing_direction(swing + elbow_bend, ARM_SPLAY, side), FOREARM_LENGTH))
        hand = add(wrist, mul(swing_direction(swing + elbow_bend, ARM_SPLAY, side), 1.2))
        parts.append(capsule(upper(shoulder), upper(elbow), UPPER_ARM_RADIUS, paint_cloth))
        parts.append(capsule(upper(elbow), upper(wrist), FOREARM_RADIUS, paint_forearm))
        parts.append(ellipsoid(upper(hand), head_axes, (HAND_RADIUS,) * 3, paint_skin))
    return parts


# Rendering one view.


def shade(material, normal):
    colour, low, high = MATERIALS[material]
    light = AMBIENT + (1.0 - AMBIENT) * max(0.0, dot(normal, LIGHT))
    return colour, low + int(round((high - low) * light))


def ray_cast(parts):
    """Per texel: None, or (colour, brightness, depth) of the nearest hit."""
    boxes = [part_bounds(p) for p in parts]
    hits = [[None] * TILE for _ in range(TILE)]
    for row in range(TILE):
        y = TILE - 0.5 - row            # row 63 samples 0.5 above the ground
        for col in range(TILE):
            x = col + 0.5
            origin = (x, y, RAY_START)
            best = None
            for part, (x0, x1, y0, y1) in zip(parts, boxes):
                if not (x0 <= x <= x1 and y0 <= y <= y1):
                    continue
                hit = hit_part(part, origin)
                if hit is not None and (best is None or hit[0] < best[0]):
                    best = (hit[0], hit[1], part["paint"](hit[2]))
            if best is not None:
                colour, level = shade(best[2], best[1])
                hits[row][col] = (colour, level, RAY_START - best[0])
    return hits


def outline(hits):
    """Darkens texels on the silhouette and texels lying just behind a part
    that passes in front of them, so limbs stay apart from the body even
    where both are green."""
    image = [[TRANSPARENT] * TILE for _ in range(TILE)]
    for row in range(TILE):
        for col in range(TILE):
            hit = hits[row][col]
            if hit is None:
                continue
            colour, level, depth = hit
            darken = 0
            for dr, dc in ((-1, 0), (1, 0), (0, -1), (0, 1)):
                r, c = row + dr, col + dc
                other = hits[r][c] if 0 <= r < TILE and 0 <= c < TILE else None
                if other is None:
                    darken = max(darken, SILHOUETTE_DARKEN)
                elif other[2] > depth + OVERLAP_STEP:
                    darken = max(darken, OVERLAP_DARKEN)
            image[row][col] = colour | max(0, level - darken) << 3
    return image


def settle_on_ground(image):
    """Moves the figure down so its lowest texel is on the tile's last row;
    rounding in the ray cast can leave the boots a row short of it."""
    opaque_rows = [r for r in range(TILE) if any(t != TRANSPARENT for t in image[r])]
    drop = TILE - 1 - max(opaque_rows)
    if drop <= 0:
        return image
    empty = [[TRANSPARENT] * TILE for _ in range(drop)]
    return empty + image[:TILE - drop]


def render_view(frame, view):
    return settle_on_ground(outline(ray_cast(build_figure(POSES[frame], view))))


def render_sheets():
    """sheets[frame][view] is a 64x64 list of rows of texel bytes."""
    return [[render_view(f, v) for v in range(VIEW_COUNT)] for f in range(FRAME_COUNT)]


# The art text format.


def sheet_text(frame, views):
    lines = [
        "# Sprite sheet %d: the walking figure, animation frame %d of 0..3." % (frame, frame),
        "# Made by tools/figure_generator.py; edit the generator, not this file.",
    ]
    for view, image in enumerate(views):
        lines.append("view %d" % view)
        lines.extend("".join(texel_text(t) for t in row) for row in image)
    return "\n".join(lines) + "\n"


def parse_sheet_text(text):
    """Reads a sheet file back into eight 64x64 images; raises ValueError
    naming the line on anything the asset packer would refuse."""
    views = []
    for number, raw in enumerate(text.split("\n"), 1):
        line = raw.rstrip("\r").rstrip(" ")
        if not line or line.startswith("#"):
            continue
        if line.startswith("view "):
            if line != "view %d" % len(views):
                raise ValueError("line %d: expected 'view %d'" % (number, len(views)))
            views.append([])
            continue
        if not views or len(views[-1]) == TILE:
            raise ValueError("line %d: texel row outside a view section" % number)
        if len(line) != 2 * TILE:
            raise ValueError("line %d: %d characters, expected %d" % (number, len(line), 2 * TILE))
        try:
            row = parse_texel_row(line, allow_transparent=True)
        except ValueError as e:
            raise ValueError("line %d: %s" % (number, e))
        views[-1].append(row)
    if len(views) != VIEW_COUNT or any(len(v) != TILE for v in views):
        raise ValueError("expected %d views of %d rows" % (VIEW_COUNT, TILE))
    return views


# Measuring and checking.


def measure_view(image):
    cells = [(r, c) for r in range(TILE) for c in range(TILE) if image[r][c] != TRANSPARENT]
    rows = [r for r, _ in cells]
    cols = [c for _, c in cells]
    return {"opaque": len(cells), "rows": (min(rows), max(rows)),
            "cols": (min(cols), max(cols)),
            "centre": sum(cols) / len(cols)}


def sheet_problems(frame, views):
    """Everything wrong with one sheet, as a list of messages."""
    problems = []
    opaque = 0
    colours, levels = set(), set()
    red = 0
    for view, image in enumerate(views):
        m = measure_view(image)
        opaque += m["opaque"]
        where = "sheet %d view %d" % (frame, view)
        if m["rows"][0] < ROW_MIN or m["rows"][1] not in FEET_ROWS:
            problems.append("%s: rows %d..%d" % ((where,) + m["rows"]))
        if m["cols"][0] < COL_MIN or m["cols"][1] > COL_MAX:
            problems.append("%s: columns %d..%d" % ((where,) + m["cols"]))
        if not 28.5 <= m["centre"] <= 32.5:
            problems.append("%s: off centre (%.1f)" % (where, m["centre"]))
        for row in image:
            for t in row:
                if t == TRANSPARENT:
                    continue
                if t > 63:
                    problems.append("%s: texel value %d" % (where, t))
                colours.add(t & 7)
                levels.add(t >> 3)
                red += (t & 7) == RED
    if not OPAQUE_PER_SHEET[0] <= opaque <= OPAQUE_PER_SHEET[1]:
        problems.append("sheet %d: %d opaque texels, want %d..%d"
                        % ((frame, opaque) + OPAQUE_PER_SHEET))
    if colours != {BLACK, GREEN, RED, WHITE}:
        problems.append("sheet %d: colours %s" % (frame, sorted(colours)))
    if levels != set(range(8)):
        problems.append("sheet %d: brightness levels %s" % (frame, sorted(levels)))
    # "A few" red details: a badge and cuffs, not a red outfit.
    if red > opaque // 25:
        problems.append("sheet %d: %d red texels is more than a few" % (frame, red))
    return problems


def report(sheets):
    for frame, views in enumerate(sheets):
        opaque = sum(measure_view(v)["opaque"] for v in views)
        counts = {}
        for image in views:
            for row in image:
                for t in row:
                    if t != TRANSPARENT:
                        counts[t & 7] = counts.get(t & 7, 0) + 1
        levels = sorted({t >> 3 for image in views for row in image for t in row
                         if t != TRANSPARENT})
        print("sheet %d: transparent %d, opaque %d, colours %s, brightness %s"
              % (frame, 32768 - opaque, opaque,
                 " ".join("%s=%d" % (COLOUR_LETTERS[c], n) for c, n in sorted(counts.items())),
                 levels))
        for view, image in enumerate(views):
            m = measure_view(image)
            print("  view %d: opaque %3d rows %d..%d cols %d..%d centre %.1f"
                  % (view, m["opaque"], m["rows"][0], m["rows"][1],
                     m["cols"][0], m["cols"][1], m["centre"]))


# Previews: the sheets as the console would show them.

CHECKER = ((40, 40, 56), (64, 64, 84))


def paint_cells(canvas, left, top, image, cell, factor):
    for r, row in enumerate(image):
        for c, t in enumerate(row):
            for y in range(cell):
                line = canvas[top + r * cell + y]
                for x in range(cell):
                    px = left + c * cell + x
                    if t == TRANSPARENT:
                        line[px] = CHECKER[(r + c) % 2]
                    else:
                        coverage, fg, bg = console_cell(t, factor)
                        line[px] = PALETTE[fg if glyph_on(coverage, x, y) else bg]


def scaled_image(image, n):
    """The texels a figure n cells tall shows, sampled as the renderer does
    (texture column 64k/n; rows as the column drawer steps them)."""
    height = n + 1
    cols = [(64 * k) // n % 64 for k in range(n + 1)]
    out = []
    for r in range(height):
        v = (max(r - 1, 0) * 64) // n
        out.append([image[v][u] for u in cols] if v < 64 else [TRANSPARENT] * len(cols))
    return out


def write_previews(sheets, directory):
    os.makedirs(directory, exist_ok=True)
    gap = 4
    # Full size, one texel per 4x4-pixel cell: each sheet, and all together.
    cell = 4
    span = TILE * cell + gap
    everything = [[(0, 0, 0)] * (VIEW_COUNT * span) for _ in range(FRAME_COUNT * span)]
    for frame, views in enumerate(sheets):
        canvas = [[(0, 0, 0)] * (VIEW_COUNT * span) for _ in range(span)]
        for view, image in enumerate(views):
            paint_cells(canvas, view * span, 0, image, cell, 1.0)
            paint_cells(everything, view * span, frame * span, image, cell, 1.0)
        write_png(os.path.join(directory, "sheet_%d.png" % frame), canvas)
    write_png(os.path.join(directory, "all_sheets.png"), everything)
    # Game sizes: the figure n cells tall with the brightness the renderer
    # gives at that distance (depth 50/n, factor 2/(depth+0.5)), 8x8 pixels
    # per cell like a console glyph.
    for n in (25, 16, 12, 8):
        factor = 2.0 / (50.0 / n + 0.5)
        cell = 8
        span = (n + 2) * cell + gap
        canvas = [[(0, 0, 0)] * (VIEW_COUNT * span) for _ in range(FRAME_COUNT * span)]
        for frame, views in enumerate(sheets):
            for view, image in enumerate(views):
                paint_cells(canvas, view * span, frame * span, scaled_image(image, n), cell, factor)
        write_png(os.path.join(directory, "game_n%02d.png" % n), canvas)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--out", default=os.path.join(here, "..", "art", "sprites"),
                        help="directory for sheet_0.txt .. sheet_3.txt")
    parser.add_argument("--preview", metavar="DIR", help="also write PNG previews here")
    parser.add_argument("--check", action="store_true",
                        help="only read and verify the existing sheet files")
    args = parser.parse_args(argv)

    if args.check:
        sheets = []
        for frame in range(FRAME_COUNT):
            with open(os.path.join(args.out, "sheet_%d.txt" % frame)) as f:
                sheets.append(parse_sheet_text(f.read()))
    else:
        sheets = render_sheets()
        os.makedirs(args.out, exist_ok=True)
        for frame, views in enumerate(sheets):
            text = sheet_text(frame, views)
            if parse_sheet_text(text) != views:
                raise SystemExit("sheet %d does not read back as written" % frame)
            with open(os.path.join(args.out, "sheet_%d.txt" % frame), "w", newline="\n") as f:
                f.write(text)
    report(sheets)
    if args.preview:
        write_previews(sheets, args.preview)
    problems = [p for frame, views in enumerate(sheets) for p in sheet_problems(frame, views)]
    for p in problems:
        print("problem:", p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
