#!/usr/bin/env python3
"""Shows where two runs of farrowgate-headless part: the first frame, row and
column whose cells differ, and the first differing state line.

    tools/tour_diff.py OLD.frames NEW.frames [OLD.state NEW.state]

Golden-tour outputs are left in the build tree's tours/ folder; run the tours
once on a known-good checkout and once on yours, then compare the two."""
import sys

FRAME = 16000
GLYPHS = {0: ' ', 176: 'light', 177: 'medium', 178: 'dark', 219: 'block'}


def cell(data, frame, row, column):
    at = frame * FRAME + (row * 80 + column) * 4
    code, attribute = data[at], data[at + 2] | data[at + 3] << 8
    return '%s (%d) attribute 0x%02X' % (GLYPHS.get(code, '?'), code, attribute)


def frames(old_path, new_path):
    old, new = open(old_path, 'rb').read(), open(new_path, 'rb').read()
    count = min(len(old), len(new)) // FRAME
    for f in range(count):
        a, b = old[f * FRAME:(f + 1) * FRAME], new[f * FRAME:(f + 1) * FRAME]
        if a == b:
            continue
        first = next(i for i in range(FRAME) if a[i] != b[i]) // 4
        row, column = divmod(first, 80)
        changed = sum(1 for i in range(0, FRAME, 4) if a[i:i + 4] != b[i:i + 4])
        print('frame %d differs first at row %d column %d: %s -> %s (%d cells differ)'
              % (f, row, column, cell(old, f, row, column), cell(new, f, row, column), changed))
        return 1
    if len(old) != len(new):
        print('the runs have %d and %d frames' % (len(old) // FRAME, len(new) // FRAME))
        return 1
    print('all %d frames are equal' % count)
    return 0


def states(old_path, new_path):
    old, new = open(old_path).read().splitlines(), open(new_path).read().splitlines()
    frame = None
    for number, (a, b) in enumerate(zip(old, new), 1):
        if a.startswith('frame '):
            frame = a.split()[1]
        if a != b:
            print('state differs after frame %s, line %d:\n  - %s\n  + %s' % (frame, number, a, b))
            return 1
    if len(old) != len(new):
        print('the state files have %d and %d lines' % (len(old), len(new)))
        return 1
    print('the states are equal')
    return 0


if __name__ == '__main__':
    if len(sys.argv) not in (3, 5):
        sys.exit(__doc__)
    status = frames(sys.argv[1], sys.argv[2])
    if len(sys.argv) == 5:
        status |= states(sys.argv[3], sys.argv[4])
    sys.exit(status)
