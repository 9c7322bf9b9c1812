#!/usr/bin/env python3
"""Runs farrowgate-bench and prints its figures as one table.

Each benchmark runs REPEATS times, the repetitions of all benchmarks
interleaved at random so that a change in the machine's load falls on all of
them alike. The table shows the median CPU time and, for the per-frame
figures, that median as a multiple of BM_Floor's (the least a frame can cost)
from the same run, beside the target where there is one.

Usage: tools/bench_table.py [BENCH] [--repetitions N] [--min-time SECONDS]
       (BENCH defaults to build/bench/farrowgate-bench)
"""
import argparse
import json
import subprocess
import sys

TARGETS = {"BM_ColumnPass": 5.0, "BM_WalkingFrame": 4.0}
PER_FRAME = ("BM_Floor", "BM_ColumnPass", "BM_WalkingFrame")


def run(bench, repetitions, min_time):
    command = [bench, "--benchmark_format=json", f"--benchmark_repetitions={repetitions}",
               "--benchmark_report_aggregates_only=true", f"--benchmark_min_time={min_time}",
               "--benchmark_enable_random_interleaving=true"]
    result = subprocess.run(command, check=True, capture_output=True, text=True)
    return json.loads(result.stdout)


def target_of(name):
    for prefix, target in TARGETS.items():
        if name.startswith(prefix):
            return target
    return None


def rows(report, repetitions):
    # One repetition has no aggregates: its single run is the median.
    wanted = "median" if repetitions > 1 else None
    medians = [entry for entry in report["benchmarks"] if entry.get("aggregate_name") == wanted]
    # Interleaved runs report in any order: show them in the order they are declared.
    medians.sort(key=lambda e: (e.get("family_index", 0), e.get("per_family_instance_index", 0)))
    scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3}
    floor = next((e["cpu_time"] * scale[e["time_unit"]] for e in medians
                  if e["run_name"] == "BM_Floor" and "error_message" not in e), None)
    for entry in medians:
        if "error_message" in entry:
            yield entry["run_name"], None, None, None, entry["error_message"]
            continue
        micros = entry["cpu_time"] * scale[entry["time_unit"]]
        floors = micros / floor if floor and entry["run_name"].startswith(PER_FRAME) else None
        yield entry["run_name"], micros, floors, target_of(entry["run_name"]), None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("bench", nargs="?", default="build/bench/farrowgate-bench")
    parser.add_argument("--repetitions", type=int, default=5)
    parser.add_argument("--min-time", type=float, default=0.3)
    args = parser.parse_args()
    report = run(args.bench, args.repetitions, args.min_time)
    context = report["context"]
    print(f"{context.get('num_cpus')} CPUs at {context.get('mhz_per_cpu')} MHz; "
          f"medians of {args.repetitions} repetitions, CPU time")
    print()
    print("| benchmark | median (us) | floors | target | |")
    print("|---|---:|---:|---:|---|")
    failed = False
    for name, micros, floors, target, error in rows(report, args.repetitions):
        if error is not None:
            print(f"| {name} | | | | error: {error} |")
            failed = True
            continue
        shown_floors = "" if floors is None else f"{floors:.2f}"
        shown_target = "" if target is None else f"<= {target:g}"
        verdict = ""
        if target is not None and floors is not None:
            verdict = "met" if floors <= target else "missed"
        print(f"| {name} | {micros:.2f} | {shown_floors} | {shown_target} | {verdict} |")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
