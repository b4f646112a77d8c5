#!/usr/bin/python3
"""The Python module's generation against the command line's, on the worst-case system.

The river system is workload A's of bench/workloads.py (300 gauges, 200 years). After one
warm-up call each, the command line's `run --years 200 --option rigorous --gauges none
--realizations N` without exports and `RiverSystem.generate(200, realizations=N)` each
run --runs times on the same threads; the medians, their ratio (target: at most 1.15) and
the module's peak resident memory beyond the dataset (target: at most 128 MiB) are
printed. The module's generation is timed alone, its river system loaded beforehand; the
command line's run includes its loading.

    python_generate.py --exe build-release/flowplex --python build-release/python
"""
import argparse
import json
import os
import statistics
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "bench"))
from workloads import make_workload  # noqa: E402

# One process per measurement, so that its peak memory is its own.
MODULE_RUN = """
import json, resource, sys, time
import flowplex
folder, realizations, threads, runs = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
system = flowplex.RiverSystem(folder, threads=threads)
times = []
for run in range(runs + 1):  # the first is the warm-up
    start = time.perf_counter()
    ensemble = system.generate(200, realizations=realizations, threads=threads)
    times.append(time.perf_counter() - start)
    dataset = ensemble.nbytes
    del ensemble
baseline = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024
print(json.dumps({"times": times[1:], "peak": baseline, "dataset": dataset}))
"""


def command_line(exe, folder, realizations, threads, runs):
    arguments = [exe, "-C", str(folder), "--threads", str(threads), "run", "--years", "200", "--option", "rigorous",
                 "--gauges", "none", "--realizations", str(realizations)]
    times = []
    for run in range(runs + 1):
        start = time.perf_counter()
        subprocess.run(arguments, check=True, stdout=subprocess.DEVNULL)
        times.append(time.perf_counter() - start)
    return times[1:]


def module(python_path, folder, realizations, threads, runs):
    env = dict(os.environ, PYTHONPATH=python_path) if python_path else dict(os.environ)
    done = subprocess.run(["/usr/bin/python3" if python_path else sys.executable, "-c", MODULE_RUN, str(folder),
                           str(realizations), str(threads), str(runs)], check=True, capture_output=True, text=True,
                          env=env)
    return json.loads(done.stdout)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", default=str(ROOT / "build-release" / "flowplex"))
    parser.add_argument("--python", default=str(ROOT / "build-release" / "python"),
                        help="the folder holding the built package flowplex; empty: this interpreter's own")
    parser.add_argument("--data", default=str(ROOT / "build-release" / "bench-data"))
    parser.add_argument("--realizations", type=int, default=1000)
    parser.add_argument("--threads", type=int, default=2)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    folder = Path(args.data) / "A"
    folder.mkdir(parents=True, exist_ok=True)
    make_workload("A", folder)
    cli = statistics.median(command_line(args.exe, folder, args.realizations, args.threads, args.runs))
    measured = module(args.python, folder, args.realizations, args.threads, args.runs)
    python = statistics.median(measured["times"])
    beyond = (measured["peak"] - measured["dataset"]) / 2**20
    print(f"command line run --gauges none --realizations {args.realizations}: {cli:.2f} s (median of {args.runs})")
    print(f"RiverSystem.generate(200, realizations={args.realizations}): {python:.2f} s, ratio {python / cli:.3f} "
          "(target at most 1.15)")
    print(f"peak memory: {measured['peak'] / 2**20:.0f} MiB, dataset {measured['dataset'] / 2**20:.0f} MiB, "
          f"beyond it {beyond:.0f} MiB (target at most 128)")


if __name__ == "__main__":
    main()
