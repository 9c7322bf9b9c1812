#!/usr/bin/env python3
"""Runs every golden tour with one headless runner and checks it against the
pinned hashes, as the test suite does, for builds that cannot run the suite:
cross builds run here natively or under qemu-user.

With --reference DIR it also compares byte for byte what the pinned hashes do
not cover, the terminal bytes of every tour and the dumped assets, with the
files an earlier run left in DIR (the native build's): two builds for CPUs of
different byte order or word size then write the very same files.

Usage: tools/check_tours.py [--run-with "qemu-s390x"] [--reference DIR] HEADLESS OUT
Prints one line per tour; exits 1 on any difference.
"""
import argparse
import filecmp
import os
import shlex
import subprocess
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
TOURS = os.path.join(ROOT, "tests", "tours")
FRAME_BYTES = 16000  # 80 x 50 cells of 4 bytes


def fnv1a(data):
    h = 1469598103934665603
    for byte in data:
        h = ((h ^ byte) * 1099511628211) & 0xFFFFFFFFFFFFFFFF
    return h


def pinned(name):
    with open(os.path.join(TOURS, name + ".hashes"), encoding="ascii") as f:
        rows = [line.split() for line in f if line.strip() and not line.startswith("#")]
    return [(int(frame, 16), int(state, 16)) for _, frame, state in rows]


def actual(frames, state):
    """A hash of each frame's cells and of its state block (from its "frame" line to the next)."""
    blocks, start = [], 0
    for _ in range(len(frames) // FRAME_BYTES):
        next_block = state.find(b"\nframe ", start)
        next_block = len(state) if next_block < 0 else next_block + 1
        blocks.append(state[start:next_block])
        start = next_block
    return [(fnv1a(frames[i * FRAME_BYTES:(i + 1) * FRAME_BYTES]), fnv1a(block)) for i, block in enumerate(blocks)]


def first_difference(got, want):
    if len(got) != len(want):
        return f"{len(got)} frames, pinned {len(want)}"
    for i, (g, w) in enumerate(zip(got, want)):
        if g[0] != w[0]:
            return f"frame {i} differs"
        if g[1] != w[1]:
            return f"the state after frame {i} differs"
    return None


def run(command):
    result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, check=False)
    if result.returncode != 0:
        return f"status {result.returncode}: {result.stderr.decode(errors='replace').strip()}"
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--run-with", default="", help="a command to run the runner with, e.g. qemu-aarch64")
    parser.add_argument("--reference", help="an earlier OUT to compare terminal bytes and assets with")
    parser.add_argument("headless")
    parser.add_argument("out")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    runner = shlex.split(args.run_with) + [args.headless]
    failed = 0
    tours = sorted(name[:-4] for name in os.listdir(TOURS) if name.endswith(".txt"))
    for name in tours:
        script = os.path.join(TOURS, name + ".txt")
        with open(script, encoding="ascii") as f:
            first = f.readline()
        options = shlex.split(first[3:]) if first.startswith("#! ") else []
        paths = {kind: os.path.join(args.out, f"{name}.{kind}") for kind in ("frames", "state", "terminal")}
        why = run(runner + ["--script", script, "--frames-out", paths["frames"], "--state-out", paths["state"],
                            "--terminal-out", paths["terminal"]] + options)
        same = why is None and args.reference and all(
            filecmp.cmp(paths[kind], os.path.join(args.reference, f"{name}.{kind}"), shallow=False)
            for kind in ("frames", "state"))
        if why is None and not same:
            # Hashing in Python is slow; a run byte-identical to a reference
            # run that matched the pins matches them too.
            with open(paths["frames"], "rb") as frames, open(paths["state"], "rb") as state:
                got = actual(frames.read(), state.read())
            why = first_difference(got, pinned(name))
        if why is None and args.reference:
            if not filecmp.cmp(paths["terminal"], os.path.join(args.reference, name + ".terminal"), shallow=False):
                why = "terminal bytes differ from the reference run"
        verdict = "every frame and state as pinned"
        if args.reference:
            verdict += ", all three files identical to the reference run"
        print(f"{name}: {why or verdict}", flush=True)
        failed += why is not None

    assets = os.path.join(args.out, "assets")
    os.makedirs(assets, exist_ok=True)
    why = run(runner + ["--dump-assets", assets])
    if why is None and args.reference:
        compared = filecmp.dircmp(assets, os.path.join(args.reference, "assets"))
        differing = compared.left_only + compared.right_only + compared.diff_files
        # dircmp compares shallowly; read every file.
        _, mismatch, errors = filecmp.cmpfiles(assets, os.path.join(args.reference, "assets"),
                                                compared.common_files, shallow=False)
        differing += mismatch + errors
        why = f"dumped assets differ: {' '.join(sorted(set(differing)))}" if differing else None
    print(f"assets: {why or 'dumped' + (', identical to the reference run' if args.reference else '')}", flush=True)
    failed += why is not None
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
