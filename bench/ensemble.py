#!/usr/bin/env python3
"""Times export-only ensembles of the worst-case river system (workload B of workloads.py:
300 gauges, 200-year records, every gauge a key gauge), as a user runs them:

    flowplex run --years 200 --option rigorous --gauges none --realizations N --netcdf run.nc --threads 2

for N = 41 and 1,000 (and each N given with --sizes), after one warm-up run of the first.
Prints the wall and user times, the cost per realization against that of the first size, the
peak resident memory, the NetCDF file's size and the throughput in monthly values (one month
of one gauge) per second. The river system is made on first use, as workloads.py makes it.
"""
import argparse
import sys
from pathlib import Path

from workloads import ROOT, make_workload, timed_run

GAUGES, MONTHS = 300, 12 * 200


def ensemble_command(exe, n, threads):
    return [exe, "run", "--years", "200", "--option", "rigorous", "--gauges", "none", "--realizations", str(n),
            "--netcdf", "run.nc", "--threads", str(threads)]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", default=str(ROOT / "build-release" / "flowplex"))
    parser.add_argument("--data", default=str(ROOT / "build-release" / "bench-data"))
    parser.add_argument("--sizes", type=int, nargs="+", default=[41, 1000])
    parser.add_argument("--threads", type=int, default=2)
    args = parser.parse_args()
    folder = Path(args.data) / "B"
    folder.mkdir(parents=True, exist_ok=True)
    make_workload("B", folder)
    timed_run(ensemble_command(args.exe, args.sizes[0], args.threads), folder, "/dev/null")  # warm-up
    print(f"{'realizations':>12}{'wall s':>10}{'user s':>10}{'s each':>9}{'x first':>9}{'peak MiB':>10}"
          f"{'NetCDF MiB':>12}{'values/s':>12}")
    first_each = None
    for n in args.sizes:
        wall, user, peak, _ = timed_run(ensemble_command(args.exe, n, args.threads), folder, "/dev/null")
        each = wall / n
        first_each = first_each or each
        size = (folder / "run.nc").stat().st_size / 2**20
        print(f"{n:>12}{wall:>10.2f}{user:>10.2f}{each:>9.4f}{each / first_each:>9.3f}{peak / 1024:>10.1f}"
              f"{size:>12.1f}{n * GAUGES * MONTHS / wall:>12.3e}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
