#!/usr/bin/env python3
"""What the HTML page costs on workload B (300 gauges, 200 years, 15 chosen gauges, every
analysis): the page's size, and the time the run with --html takes beside the same run
without it.

The two runs alternate, after one warm-up run of each, --runs times. For each the median
and the least wall time and the median processor time (user and system) are printed,
with what the page adds, and the page's size. The run making the page is single-threaded,
so on an idle machine the wall time it adds is its processor time; on a busy machine only
the processor time is steady, and the budget is judged on it. The workload is made on
first use as bench/workloads.py makes it (tools/make_river_system.py).
"""
import statistics
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from workloads import timed_run, workload_b  # noqa: E402

PAGE = "report.html"
PAGE_LIMIT = 5 * 1000 * 1000   # bytes
TIME_LIMIT = 0.3               # seconds added to the run


def main():
    args, folder, answers = workload_b(__doc__)
    exe = str(Path(args.exe).resolve())  # the runs start in the workload's folder
    plain, page = [exe], [exe, "--html", PAGE]

    timed_run(plain, folder, answers)
    timed_run(page, folder, answers)
    samples = {"without page": [], "with --html": []}
    for _ in range(args.runs):
        samples["without page"].append(timed_run(plain, folder, answers))
        samples["with --html"].append(timed_run(page, folder, answers))

    def wall(name):
        return statistics.median(s[0] for s in samples[name])

    def least(name):
        return min(s[0] for s in samples[name])

    def cpu(name):  # user and system seconds
        return statistics.median(s[1] + s[3] for s in samples[name])

    print(f"workload B, {args.runs} runs each")
    print(f"{'':<14}{'wall s':>9}{'least s':>9}{'cpu s':>9}")
    for name in samples:
        print(f"{name:<14}{wall(name):>9.3f}{least(name):>9.3f}{cpu(name):>9.3f}")
    size = (folder / PAGE).stat().st_size
    added = cpu("with --html") - cpu("without page")
    print(f"page: {size / 1e6:.2f} MB (limit {PAGE_LIMIT / 1e6:.0f} MB); time added: {added:.3f} s processor, "
          f"{least('with --html') - least('without page'):.3f} s wall between the quickest runs "
          f"(limit {TIME_LIMIT} s)")
    if size > PAGE_LIMIT or added > TIME_LIMIT:
        sys.exit("the page is over its budget")


if __name__ == "__main__":
    main()
