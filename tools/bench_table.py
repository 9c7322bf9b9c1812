#!/usr/bin/env python3
"""Runs farrowgate-bench and prints its figures as one table.

The per-frame benchmarks run in REPEATS rounds within one process
(--paired_repetitions), each round in a shuffled order, with a run of BM_Floor
(the least a frame can cost) right before every run and one after the last.
Each run is divided by the mean of the two floor runs beside it, so a change
in the machine's load falls on both sides of the ratio alike; the table shows
the median of those pairwise ratios with their spread (lowest and highest).

A verdict against a target needs a floor that held still: when the floor's
own runs spread wider than --max-floor-spread (the 90th percentile over the
10th, minus 1), the table says so and gives no verdict.

With --before OTHER_BENCH, the same is done for a second build in the same
invocation, right before this one, and the table shows both side by side.

Usage: tools/bench_table.py [BENCH] [--repetitions N] [--min-time SECONDS]
                            [--max-floor-spread F] [--before OTHER_BENCH]
       (BENCH defaults to build/bench/farrowgate-bench)
       tools/bench_table.py --self-test
"""
import argparse
import json
import statistics
import subprocess
import sys

TARGETS = {"BM_ColumnPass": 3.0, "BM_WalkingFrame": 2.0}
FLOOR = "BM_Floor"
PER_FRAME = ("BM_ColumnPass", "BM_WalkingFrame")
SCALE = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}


def run(bench, repetitions, min_time):
    command = [bench, "--benchmark_format=json", f"--paired_repetitions={repetitions}",
               f"--benchmark_min_time={min_time}"]
    result = subprocess.run(command, check=True, capture_output=True, text=True)
    return json.loads(result.stdout)


def target_of(name):
    for prefix, target in TARGETS.items():
        if name.startswith(prefix):
            return target
    return None


def percentile(values, fraction):
    """The value at the given fraction of the sorted values, interpolated."""
    ordered = sorted(values)
    position = fraction * (len(ordered) - 1)
    low = int(position)
    high = min(low + 1, len(ordered) - 1)
    return ordered[low] + (ordered[high] - ordered[low]) * (position - low)


def spread(values):
    """How far the runs spread: 90th percentile over 10th, minus 1."""
    return percentile(values, 0.9) / percentile(values, 0.1) - 1


def analyse(report):
    """Per benchmark, in the order first run: its CPU times, its ratios to the
    floor runs beside each run, and any error; plus the floor's own times."""
    runs = [(e["run_name"], e.get("error_message"), e["cpu_time"] * SCALE[e["time_unit"]])
            for e in report["benchmarks"] if e.get("run_type", "iteration") == "iteration"]
    floors = [micros for name, error, micros in runs if name == FLOOR and error is None]
    results = {}
    for i, (name, error, micros) in enumerate(runs):
        if name == FLOOR:
            continue
        entry = results.setdefault(name, {"micros": [], "ratios": [], "error": None})
        if error is not None:
            entry["error"] = error
            continue
        entry["micros"].append(micros)
        if not name.startswith(PER_FRAME):
            continue
        beside = [runs[k][2] for k in (i - 1, i + 1)
                  if 0 <= k < len(runs) and runs[k][0] == FLOOR and runs[k][1] is None]
        if beside:
            entry["ratios"].append(micros / statistics.mean(beside))
    return floors, results


def describe(floors, max_spread):
    floor_spread = spread(floors) if len(floors) > 1 else 0.0
    steady = floor_spread <= max_spread
    line = (f"floor: {len(floors)} runs, median {statistics.median(floors):.2f} us, "
            f"spread {floor_spread:.0%} (at most {max_spread:.0%} for a verdict)")
    if not steady:
        line += ": the floor did not hold still, so no verdicts; run again on a quieter machine"
    return line, steady


def cells(entry):
    """Median time, median ratio and the ratios' range, as table cells."""
    if entry is None:
        return ["", "", ""]
    if entry["error"] is not None:
        return ["error: " + entry["error"], "", ""]
    micros = f"{statistics.median(entry['micros']):.2f}"
    if not entry["ratios"]:
        return [micros, "", ""]
    ratios = entry["ratios"]
    return [micros, f"{statistics.median(ratios):.2f}", f"{min(ratios):.2f}-{max(ratios):.2f}"]


def verdict(name, entry, steady):
    target = target_of(name)
    if target is None or entry is None or not entry["ratios"] or entry["error"] is not None:
        return "", ""
    if not steady:
        return f"<= {target:g}", "no verdict"
    return f"<= {target:g}", "met" if statistics.median(entry["ratios"]) <= target else "missed"


def self_test():
    """The pairing, the ratios and the floor's spread on made-up runs."""
    def entry(name, micros, error=None):
        e = {"run_name": name, "cpu_time": micros * 1000, "time_unit": "ns", "run_type": "iteration"}
        if error:
            e["error_message"] = error
        return e

    # The machine slows down threefold half way: each run is divided by its
    # own neighbours, so the ratios stay 2 and 5, but for the one run whose
    # neighbours straddle the change; the median holds.
    runs = []
    for load in (1, 1, 3, 3):
        runs += [entry(FLOOR, 3 * load), entry("BM_WalkingFrame", 6 * load),
                 entry(FLOOR, 3 * load), entry("BM_ColumnPass/open_hall", 15 * load)]
    runs += [entry(FLOOR, 9), entry("BM_BuildWorld", 80), entry("BM_WalkingFrame", 1, "stood still")]
    floors, results = analyse({"benchmarks": runs})
    failures = []
    if len(floors) != 9:
        failures.append(f"floors {floors}")
    if results["BM_WalkingFrame"]["ratios"] != [2.0] * 4:
        failures.append(f"walking ratios {results['BM_WalkingFrame']['ratios']}")
    if statistics.median(results["BM_ColumnPass/open_hall"]["ratios"]) != 5.0:
        failures.append(f"column pass ratios {results['BM_ColumnPass/open_hall']['ratios']}")
    if results["BM_BuildWorld"]["ratios"] or results["BM_BuildWorld"]["micros"] != [80.0]:
        failures.append(f"start-up figure {results['BM_BuildWorld']}")
    if results["BM_WalkingFrame"]["error"] != "stood still":
        failures.append("the error is lost")
    _, steady = describe(floors, 0.3)
    if steady:
        failures.append("a floor that tripled counts as steady")
    if verdict("BM_ColumnPass/open_hall", results["BM_ColumnPass/open_hall"], steady) != ("<= 3", "no verdict"):
        failures.append("a verdict on an unsteady floor")
    if verdict("BM_ColumnPass/open_hall", results["BM_ColumnPass/open_hall"], True) != ("<= 3", "missed"):
        failures.append("5 floors met a target of 3")
    for failure in failures:
        print("bench_table self-test:", failure, file=sys.stderr)
    return 1 if failures else 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("bench", nargs="?", default="build/bench/farrowgate-bench")
    parser.add_argument("--repetitions", type=int, default=10)
    parser.add_argument("--min-time", type=float, default=0.2)
    parser.add_argument("--max-floor-spread", type=float, default=0.3)
    parser.add_argument("--before", help="a second build's farrowgate-bench, shown beside")
    args = parser.parse_args()

    builds = ([("before", args.before)] if args.before else []) + [("after" if args.before else "", args.bench)]
    analysed = []
    for label, bench in builds:
        report = run(bench, args.repetitions, args.min_time)
        floors, results = analyse(report)
        line, steady = describe(floors, args.max_floor_spread)
        analysed.append((label, floors, results, steady))
        context = report["context"]
        prefix = f"{label}: " if label else ""
        print(f"{prefix}{bench}: {context.get('num_cpus')} CPUs at {context.get('mhz_per_cpu')} MHz, "
              f"{args.repetitions} rounds, CPU time; {line}")
    print()

    header = ["benchmark"]
    for label, *_ in analysed:
        suffix = f" {label}" if label else ""
        header += [f"median (us){suffix}", f"floors{suffix}", f"spread{suffix}"]
    header += ["target", ""]
    print("| " + " | ".join(header) + " |")
    print("|---|" + "---:|" * (len(header) - 3) + "---|---|")
    names = [FLOOR]
    for _, _, results, _ in analysed:
        names += [n for n in results if n not in names]
    failed = False
    for name in names:
        row = [name]
        for _, floors, results, _ in analysed:
            if name == FLOOR:
                row += [f"{statistics.median(floors):.2f}", "1", f"{spread(floors):.0%}" if len(floors) > 1 else ""]
                continue
            entry = results.get(name)
            failed |= entry is not None and entry["error"] is not None
            row += cells(entry)
        last = analysed[-1]
        row += list(verdict(name, last[2].get(name), last[3]))
        print("| " + " | ".join(row) + " |")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
