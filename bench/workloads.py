#!/usr/bin/env python3
"""Times flowplex end to end on the two largest workloads, as a user runs it.

Each workload is the 300-gauge, 200-year river system of the example generator with a
scripted answers file (rigorous option, 15 chosen gauges, 200 stochastic years):
  A  20 key gauges; analyses 1, 2 and 3 for the first chosen gauge, 4 for the others;
  B  every gauge a key gauge; analyses 1, 2 and 3 for every chosen gauge.
The real executable reads the answers on standard input and writes its reports. After one
warm-up run, every workload runs --runs times; the median wall and user times and the
peak resident memory are printed beside the floor: the same number of normal deviates
drawn and nothing else (flowplex_floor). Each workload then runs the same way with the
exports (--netcdf and --csv), and the ratio to the run without them and the sizes of the
files written are printed. The reports' checksums are printed too, so two builds can be
shown to write the same bytes, and with the exports the same bytes as without them.
"""
import argparse
import hashlib
import os
import statistics
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
REPORTS = ("SEQPROBE.ANS", "SEQPROBE.PIN", "SEQPROBE.PN2", "GAUGE.ANN")
EXPORTS = ["--netcdf", "run.nc", "--csv", "results"]
WORKLOADS = {"A": ["--keys", "20"], "B": ["--keys", "300", "--all-keys"]}


def make_workload(name, folder):
    answers = folder / f"answers_{name}.txt"
    if answers.exists():
        return answers
    generator = [sys.executable, str(ROOT / "tools" / "make_river_system.py")]
    subprocess.run(generator + ["--out", str(folder), "--gauges", "300", "--years", "200"] + WORKLOADS[name],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(generator + ["--answers", str(answers), "--workload", name], check=True,
                   stdout=subprocess.DEVNULL)
    return answers


def workload_b(description):
    """A benchmark's command line (--exe, --data, --runs) and the folder and answers of
    workload B, made on first use."""
    parser = argparse.ArgumentParser(description=description, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", default=str(ROOT / "build-release" / "flowplex"))
    parser.add_argument("--data", default=str(ROOT / "build-release" / "bench-data"))
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    folder = Path(args.data) / "B"
    folder.mkdir(parents=True, exist_ok=True)
    return args, folder, make_workload("B", folder)


def timed_run(command, folder, answers):
    """Wall seconds, user seconds, peak resident KiB and system seconds of one run."""
    with open(answers, "rb") as stdin:
        start = time.perf_counter()
        process = subprocess.Popen(command, cwd=folder, stdin=stdin, stdout=subprocess.DEVNULL)
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{command[0]} ended with status {os.waitstatus_to_exitcode(status)} in {folder}")
    return wall, usage.ru_utime, usage.ru_maxrss, usage.ru_stime


def measure(command, folder, runs, answers):
    timed_run(command, folder, answers)  # warm-up: files in the page cache
    samples = [timed_run(command, folder, answers) for _ in range(runs)]
    return (statistics.median(s[0] for s in samples), statistics.median(s[1] for s in samples),
            max(s[2] for s in samples))


def floor_seconds(floor, runs):
    """Median time of the floor's drawing loop alone, as it reports it (no start-up)."""
    def once():
        line = subprocess.run([floor], check=True, capture_output=True, text=True).stdout
        return float(line.split(" in ")[1].split()[0])
    once()
    return statistics.median(once() for _ in range(runs))


def checksums(folder):
    return {r: hashlib.sha256((folder / r).read_bytes()).hexdigest()[:16] for r in REPORTS}


def export_sizes(folder):
    """MiB of the NetCDF file and of the CSV folder."""
    csv = sum(f.stat().st_size for f in (folder / "results").rglob("*") if f.is_file())
    return (folder / "run.nc").stat().st_size / 2**20, csv / 2**20


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", default=str(ROOT / "build-release" / "flowplex"))
    parser.add_argument("--floor", default=str(ROOT / "build-release" / "bench" / "flowplex_floor"))
    parser.add_argument("--data", default=str(ROOT / "build-release" / "bench-data"))
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    data = Path(args.data)

    floor = floor_seconds(args.floor, args.runs)
    print(f"floor: 8,302,500 normal deviates drawn by anorm, the loop alone: median {floor:.3f} s")
    print(f"{'workload':<11}{'wall s':>9}{'user s':>9}{'peak MiB':>10}{'x floor':>9}{'x plain':>9}"
          f"{'NetCDF MiB':>12}{'CSV MiB':>9}")
    results = {}
    for name in WORKLOADS:
        folder = data / name
        folder.mkdir(parents=True, exist_ok=True)
        answers = make_workload(name, folder)
        wall, user, peak = measure([args.exe], folder, args.runs, answers)
        results[name] = checksums(folder)
        print(f"{name:<11}{wall:>9.3f}{user:>9.3f}{peak / 1024:>10.1f}{wall / floor:>9.2f}")
        exported, exported_user, exported_peak = measure([args.exe] + EXPORTS, folder, args.runs, answers)
        results[name + " +exports"] = checksums(folder)
        netcdf, csv = export_sizes(folder)
        print(f"{name + ' +exports':<11}{exported:>9.3f}{exported_user:>9.3f}{exported_peak / 1024:>10.1f}"
              f"{exported / floor:>9.2f}"
              f"{exported / wall:>9.2f}{netcdf:>12.1f}{csv:>9.1f}")
    for name, sums in results.items():
        print(f"reports of {name}: " + " ".join(f"{r} {h}" for r, h in sums.items()))


if __name__ == "__main__":
    main()
