#!/usr/bin/env python3
"""Times flowplex stress against the run it stands beside, on workload B (the 300-gauge
system, every gauge a key gauge): 15 chosen gauges, 50 years, 1,000 realizations,
--threads 2. The stress test's grid is 25 scenarios (mean and variability factors 0.8 to
1.2 by 0.1); the run is one unperturbed `run ... --analyses 1 --html r.html`, which makes
the same risk analyses of the same gauges. Prints the median wall and user seconds of
each and their ratio (the target: at most 2.5, aiming for 2).

    python3 bench/stress.py [--exe build-release/flowplex] [--data DIR] [--runs N]
"""
import statistics
import sys

from workloads import timed_run, workload_b

GAUGES = ",".join(str(g) for g in range(1, 16))
COMMON = ["--years", "50", "--option", "rigorous", "--gauges", GAUGES]
OUTER = ["--realizations", "1000", "--threads", "2"]


def median_of(command, folder, runs):
    timed_run(command, folder, "/dev/null")  # warm-up: files in the page cache
    samples = [timed_run(command, folder, "/dev/null") for _ in range(runs)]
    return statistics.median(s[0] for s in samples), statistics.median(s[1] for s in samples)


def main():
    args, folder, _ = workload_b(__doc__)
    run = [args.exe, *OUTER, "--html", "r.html", "run", *COMMON, "--analyses", "1"]
    stress = [args.exe, *OUTER, "stress", *COMMON, "--mean", "0.8:1.2:0.1", "--cv", "0.8:1.2:0.1", "--netcdf", "s.nc"]
    run_wall, run_user = median_of(run, folder, args.runs)
    stress_wall, stress_user = median_of(stress, folder, args.runs)
    print(f"run --analyses 1 --html: {run_wall:8.2f} s wall {run_user:8.2f} s user")
    print(f"stress, 25 scenarios:    {stress_wall:8.2f} s wall {stress_user:8.2f} s user")
    print(f"ratio (wall):            {stress_wall / run_wall:8.2f}  (target at most 2.5, aim 2)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
