#!/usr/bin/python3
"""A lazy ensemble reduced on a two-worker LocalCluster against generating it, on the
worst-case system.

The river system is workload A's of bench/workloads.py (300 gauges, 200 years). The
command line's `run --years 200 --option rigorous --gauges none --realizations N
--threads W` without exports is timed after one warm-up run; then, on a LocalCluster of W
worker processes of one thread each (spilling off), the monthly mean over the
realizations of one station of `RiverSystem.ensemble(200, realizations=N)` (default
blocks: at most 64 MiB of flows), after a warm-up that loads the river system on every
worker. Printed: both times, their ratio (target: at most 1.3) and each worker's peak
resident memory (target: at most 512 MiB), for N/10 and N realizations, each on a cluster
of its own, so that the peak belongs to that N.

    python_ensemble.py --exe build-release/flowplex --python build-release/python
"""
import argparse
import json
import os
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "bench"))
from workloads import make_workload  # noqa: E402

# One process per cluster, so that the workers' peaks are those of one N.
LAZY_RUN = """
import json, resource, sys, time
import dask
from distributed import Client, LocalCluster
import flowplex
folder, realizations, workers = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
no_spilling = {"distributed.worker.memory.target": False, "distributed.worker.memory.spill": False}
with dask.config.set(no_spilling), LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                                dashboard_address=None, silence_logs=40) as cluster, \\
        Client(cluster) as client:
    system = flowplex.RiverSystem(folder)
    system.ensemble(200, realizations=2 * workers, chunk=1).flow.isel(station=0).mean("realization").compute()
    start = time.perf_counter()
    system.ensemble(200, realizations=realizations).flow.isel(station=0).mean("realization").compute()
    elapsed = time.perf_counter() - start
    peaks = client.run(lambda: resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024)
print(json.dumps({"time": elapsed, "peaks": sorted(peaks.values())}))
"""


def command_line(exe, folder, realizations, threads):
    arguments = [exe, "-C", str(folder), "--threads", str(threads), "run", "--years", "200", "--option", "rigorous",
                 "--gauges", "none", "--realizations", str(realizations)]
    subprocess.run(arguments[:-1] + [str(2 * threads)], check=True, stdout=subprocess.DEVNULL)  # the warm-up
    start = time.perf_counter()
    subprocess.run(arguments, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def lazy(python_path, folder, realizations, workers):
    env = dict(os.environ, PYTHONPATH=python_path) if python_path else dict(os.environ)
    done = subprocess.run(["/usr/bin/python3" if python_path else sys.executable, "-c", LAZY_RUN, str(folder),
                           str(realizations), str(workers)], check=True, capture_output=True, text=True, env=env)
    return json.loads(done.stdout.strip().splitlines()[-1])


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", default=str(ROOT / "build-release" / "flowplex"))
    parser.add_argument("--python", default=str(ROOT / "build-release" / "python"),
                        help="the folder holding the built package flowplex; empty: this interpreter's own")
    parser.add_argument("--data", default=str(ROOT / "build-release" / "bench-data"))
    parser.add_argument("--realizations", type=int, default=10_000)
    parser.add_argument("--workers", type=int, default=2, help="the cluster's workers and the command line's threads")
    args = parser.parse_args()
    folder = Path(args.data) / "A"
    folder.mkdir(parents=True, exist_ok=True)
    make_workload("A", folder)
    for realizations in (max(1, args.realizations // 10), args.realizations):
        cli = command_line(args.exe, folder, realizations, args.workers)
        measured = lazy(args.python, folder, realizations, args.workers)
        peaks = ", ".join(f"{p / 2**20:.0f}" for p in measured["peaks"])
        print(f"{realizations} realizations: command line {cli:.1f} s, lazy mean of one station "
              f"{measured['time']:.1f} s, ratio {measured['time'] / cli:.3f} (target at most 1.3); "
              f"workers' peak memory {peaks} MiB (target at most 512)", flush=True)


if __name__ == "__main__":
    main()
