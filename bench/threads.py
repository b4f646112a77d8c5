#!/usr/bin/env python3
"""Times workload B (300 gauges, 200 years, 15 chosen gauges, every analysis) on one thread
and on two, as a user runs it: the whole run, and the run without its analyses (the load,
the 41 sequences and the historic files), which shows the generation's own speed-up. The
median wall and user times and the peak resident memory of --runs runs are printed, and
the reports' checksums of every run, which must not depend on the threads.
"""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from workloads import checksums, measure, workload_b  # noqa: E402

MAX_GAUGES = 15


def chosen_gauges(answers):
    """The gauge numbers of a workload's answers file: after the years and the option, up
    to the 0 that ends the list or the fifteenth gauge, which ends it too."""
    gauges = []
    for line in answers.read_text().splitlines()[2:2 + MAX_GAUGES]:
        if line.strip() == "0":
            break
        gauges.append(line.strip())
    return ",".join(gauges)


def main():
    args, folder, answers = workload_b(__doc__)
    without_analyses = ["run", "--years", "200", "--option", "rigorous", "--gauges", chosen_gauges(answers),
                        "--analyses", "none"]
    print(f"{'workload B':<26}{'threads':>8}{'wall s':>9}{'user s':>9}{'peak MiB':>10}{'speed-up':>10}")
    for name, extra in (("whole run", []), ("without the analyses", without_analyses)):
        walls = {}
        sums = set()
        for threads in (1, 2):
            wall, user, peak = measure([args.exe, "--threads", str(threads)] + extra, folder, args.runs, answers)
            walls[threads] = wall
            sums.add(tuple(checksums(folder).items()))
            print(f"{name:<26}{threads:>8}{wall:>9.3f}{user:>9.3f}{peak / 1024:>10.1f}{walls[1] / wall:>10.2f}")
        if len(sums) != 1:
            sys.exit(f"{name}: the reports differ with the number of threads")


if __name__ == "__main__":
    main()
