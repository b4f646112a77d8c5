#!/usr/bin/env python3
"""Does a river system's rigorous option reproduce its own record?

Runs flowplex on a copy of the system: the rigorous option, sequences as long as the
record (at most 200 years), and the statistical-properties test for every gauge (15
gauges a run).  From the side file SEQPROBE.PIN it takes, for every gauge whose annual
flows are all positive, the historical annual mean, annual standard deviation and the
twelve monthly means, and counts how many lie between the generated 5 % and 95 % values
of the 41 sequences.

Usage:
  python3 tools/check_record_reproduction.py --system DIR --flowplex BIN [--report FILE]
Prints the figure and every (gauge, statistic) outside its band.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

from records_from_system import read_gauges

MONTHS = ("OCT", "NOV", "DEC", "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP")
SLOTS = 15


def annual_totals(path):
    totals = []
    with open(path) as f:
        for line in f:
            totals.append(sum(float(line[9 + 8 * m:16 + 8 * m]) for m in range(12)))
    return totals


def answers(years, gauge_numbers):
    lines = [str(years), "0"] + [str(g) for g in gauge_numbers]
    if len(gauge_numbers) < SLOTS:
        lines.append("0")
    lines.append("")
    lines += ["HIS"] * len(gauge_numbers)
    for _ in gauge_numbers:
        lines += ["1", "4"]
    return "\n".join(lines) + "\n"


def parse_pin(path):
    """Per gauge block: 26 rows of (historical, max, 95 %, 75 %, 50 %, 25 %, 5 %, min)."""
    with open(path) as f:
        lines = f.read().split("\n")
    blocks = []
    for i, line in enumerate(lines):
        if "MEAN AND STANDARD DEVIATION OF ANNUAL & MONTHLY FLOWS" in line:
            rows = [[float(v) for v in lines[i + 1 + k].split()] for k in range(26)]
            blocks.append(rows)
    return blocks


def run_batch(flowplex, folder, years, numbers):
    for name in ("SEQPROBE.PIN", "SEQPROBE.ANS", "SEQPROBE.PN2", "GAUGE.ANN"):
        if os.path.exists(os.path.join(folder, name)):
            os.remove(os.path.join(folder, name))
    done = subprocess.run([flowplex], input=answers(years, numbers), cwd=folder, capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit("flowplex failed (status %d):\n%s" % (done.returncode, done.stdout[-2000:]))
    return parse_pin(os.path.join(folder, "SEQPROBE.PIN"))


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--system", required=True)
    ap.add_argument("--flowplex", required=True)
    ap.add_argument("--report", help="also write the findings to this file")
    a = ap.parse_args(argv)
    gauges = read_gauges(a.system)
    years = min(200, min(g["nyears"] for g in gauges))
    out = []
    with tempfile.TemporaryDirectory() as work:
        folder = os.path.join(work, "system")
        shutil.copytree(a.system, folder)
        blocks = []
        numbers = list(range(1, len(gauges) + 1))
        for k in range(0, len(numbers), SLOTS):
            blocks += run_batch(os.path.abspath(a.flowplex), folder, years, numbers[k:k + SLOTS])
        counts = {True: [0, 0], False: [0, 0]}  # positive annual flows or not: [pairs, inside]
        skipped = []
        for g, rows in zip(gauges, blocks):
            positive = min(annual_totals(os.path.join(folder, g["stem"] + ".INC"))) > 0.0
            if not positive:
                skipped.append(g["stem"])
            stats = [("ANNUAL MEAN", rows[0]), ("ANNUAL SD", rows[1])]
            stats += [("MEAN " + MONTHS[m], rows[2 + 2 * m]) for m in range(12)]
            for label, row in stats:
                hist, p95, p5 = row[0], row[2], row[6]
                counts[positive][0] += 1
                if p5 <= hist <= p95:
                    counts[positive][1] += 1
                else:
                    out.append("  %-8s %-12s historical %10.1f  generated 5 %% %10.1f  95 %% %10.1f%s"
                               % (g["stem"], label, hist, p5, p95, "" if positive else "  (not counted)"))
    pairs, inside = counts[True]
    head = ["%d of %d (gauge, statistic) pairs inside the generated 5 %%-95 %% band: %.1f %%"
            % (inside, pairs, 100.0 * inside / max(1, pairs)),
            "gauges with an annual total at or below zero, not counted: %s" % (" ".join(skipped) or "none"),
            "  their pairs inside the band: %d of %d" % (counts[False][1], counts[False][0]),
            "outside the band:"]
    text = "\n".join(head + out) + "\n"
    print(text, end="")
    if a.report:
        with open(a.report, "w") as f:
            f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
