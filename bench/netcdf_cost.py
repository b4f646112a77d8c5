#!/usr/bin/env python3
"""What --netcdf costs on the worst-case system (workload B of workloads.py: 300 gauges,
200-year records, every gauge a key gauge), and how fast its file reads back both ways:

    flowplex run --years 200 --option rigorous --gauges none --realizations N --threads 2 [--netcdf run.nc]

1. The disk: the rate of writing (and reading back, cold) 1 GiB in the data folder, so that
   the figures below can be set beside it.
2. The run without and with --netcdf (and with --netcdf-deflate LEVEL for each --deflate
   given): the median wall and user times of --runs runs after one warm-up run, `sync`
   before each, the peak resident memory, the ratio to the run without, the file's size and
   the throughput in monthly values (one month of one gauge) per second.
3. Cold reads of the --netcdf file with xarray, each in a fresh interpreter: the file's
   pages evicted (posix_fadvise DONTNEED) after `import` and `open_dataset`, which are not
   timed; then the whole `flow` variable, one station of every realization, one realization
   of every station (median of --runs reads each).

--exe names the build measured, so that two builds (before and after a change) run the same
measurements one after the other. Nothing here is a test.
"""
import argparse
import os
import statistics
import subprocess
import sys
import time
from pathlib import Path

from workloads import ROOT, make_workload, timed_run

GAUGES, MONTHS = 300, 12 * 200
PYTHON = "/usr/bin/python3"  # Debian's, with xarray and netCDF4

READER = r"""
import os, sys, time
import xarray as xr
path, what, index = sys.argv[1], sys.argv[2], int(sys.argv[3])
def evict():
    fd = os.open(path, os.O_RDONLY)
    os.fsync(fd)
    os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
    os.close(fd)
evict()
ds = xr.open_dataset(path)
flow = ds.flow
evict()
start = time.perf_counter()
if what == "all":
    values = flow.values
elif what == "station":
    values = flow.isel(station=index).values
else:
    values = flow.isel(realization=index).values
seconds = time.perf_counter() - start
print(seconds, values.size)
"""


def disk_rates(folder):
    """MB/s of writing 1 GiB with fdatasync, and of reading it back cold."""
    probe = folder / "disk-probe.bin"
    block = os.urandom(16 << 20)
    os.sync()
    start = time.perf_counter()
    with open(probe, "wb") as f:
        for _ in range(64):
            f.write(block)
        f.flush()
        os.fdatasync(f.fileno())
    write = (1 << 30) / (time.perf_counter() - start) / 1e6
    fd = os.open(probe, os.O_RDONLY)
    os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
    start = time.perf_counter()
    while os.read(fd, 16 << 20):
        pass
    read = (1 << 30) / (time.perf_counter() - start) / 1e6
    os.close(fd)
    probe.unlink()
    return write, read


def run_command(exe, n, threads, outputs):
    return [exe, "run", "--years", "200", "--option", "rigorous", "--gauges", "none", "--realizations", str(n),
            "--threads", str(threads)] + outputs


def measure(command, folder, runs, warm_up=True):
    """Median wall and user seconds and the largest peak resident MiB of `runs` runs."""
    if warm_up:
        timed_run(command, folder, "/dev/null")
    samples = []
    for _ in range(runs):
        subprocess.run(["sync"], check=True)
        samples.append(timed_run(command, folder, "/dev/null"))
    return (statistics.median(s[0] for s in samples), statistics.median(s[1] for s in samples),
            max(s[2] for s in samples) / 1024, [round(s[0], 2) for s in samples],
            statistics.median(s[3] for s in samples))


def cold_read(path, what, index, runs):
    times = []
    for _ in range(runs):
        out = subprocess.run([PYTHON, "-c", READER, str(path), what, str(index)], check=True, capture_output=True,
                             text=True).stdout.split()
        times.append(float(out[0]))
    return statistics.median(times), int(out[1]), [round(t, 4) for t in times]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", default=str(ROOT / "build-release" / "flowplex"))
    parser.add_argument("--data", default=str(ROOT / "build-release" / "bench-data"))
    parser.add_argument("--realizations", type=int, default=1000)
    parser.add_argument("--threads", type=int, default=2)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--deflate", type=int, nargs="*", default=[], help="levels of --netcdf-deflate to time too")
    parser.add_argument("--deflate-runs", type=int, default=1)
    parser.add_argument("--skip-disk", action="store_true")
    parser.add_argument("--plain-from", type=float, metavar="SECONDS",
                        help="take the run without export as measured already (by another build: the export is "
                             "all that differs) instead of timing it again")
    parser.add_argument("--skip-reads", action="store_true")
    parser.add_argument("--keep", action="store_true", help="keep run.nc (removed otherwise)")
    args = parser.parse_args()
    folder = Path(args.data) / "B"
    folder.mkdir(parents=True, exist_ok=True)
    make_workload("B", folder)
    n = args.realizations
    values = n * GAUGES * MONTHS
    nc = folder / "run.nc"
    print(f"build {args.exe}: {n} realizations of workload B, {values:,} monthly values, --threads {args.threads}")
    if not args.skip_disk:
        write, read = disk_rates(folder)
        print(f"disk: writes {write:.0f} MB/s (1 GiB, fdatasync), reads {read:.0f} MB/s cold")

    print(f"{'run':<22}{'wall s':>9}{'user s':>9}{'peak MiB':>10}{'x plain':>9}{'file MiB':>10}{'values/s':>11}  runs")
    if args.plain_from:
        plain = (args.plain_from,)
        print(f"{'no export (given)':<22}{plain[0]:>9.2f}")
    else:
        plain = measure(run_command(args.exe, n, args.threads, []), folder, args.runs)
        print(f"{'no export':<22}{plain[0]:>9.2f}{plain[1]:>9.2f}{plain[2]:>10.1f}{1:>9.2f}{'':>10}"
              f"{values / plain[0]:>11.3e}  {plain[3]} sys {plain[4]:.2f} s")
    variants = [("--netcdf", [], args.runs, True)]
    variants += [(f"--netcdf-deflate {d}", ["--netcdf-deflate", str(d)], args.deflate_runs, False) for d in args.deflate]
    for name, extra, runs, warm in variants:
        if nc.exists():
            nc.unlink()
        result = measure(run_command(args.exe, n, args.threads, ["--netcdf", "run.nc"] + extra), folder, runs, warm)
        size = nc.stat().st_size
        print(f"{name:<22}{result[0]:>9.2f}{result[1]:>9.2f}{result[2]:>10.1f}{result[0] / plain[0]:>9.2f}"
              f"{size / 2**20:>10.1f}{values / result[0]:>11.3e}  {result[3]} sys {result[4]:.2f} s")
        if name == "--netcdf" and not args.skip_reads:
            subprocess.run(["sync"], check=True)
            whole, count, whole_runs = cold_read(nc, "all", 0, args.runs)
            print(f"  cold read of the whole flow ({count:,} values): {whole:.3f} s {whole_runs}, "
                  f"{count / whole:.3e} values/s, {size / whole / 1e6:.0f} MB/s of file")
            for what, index in (("station", GAUGES // 2), ("realization", n // 2)):
                t, count, runs_ = cold_read(nc, what, index, args.runs)
                print(f"  cold read of one {what} ({count:,} values): {t:.4f} s {runs_}, "
                      f"1/{whole / t:.0f} of the whole")
    if not args.keep and nc.exists():
        nc.unlink()
    return 0


if __name__ == "__main__":
    sys.exit(main())
