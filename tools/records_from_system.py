#!/usr/bin/env python3
"""Write the monthly records CSV of an existing river system, for `flowplex fit`.

Reads the gauge names from the system's PARMSET.DAT and every gauge's incremental
series file (STEM.INC: hydrological years, October first), and writes one CSV row per
calendar month, `year,month,` then one column per gauge headed by the gauge's name.
Gauges whose record periods differ leave their missing months empty.

Usage:
  python3 tools/records_from_system.py --system DIR --out FILE [--series INC|RAN]
"""

import argparse
import os
import sys

from make_river_system import free_group


def read_gauges(system):
    """Name, stem and record length of every gauge of the system's PARMSET.DAT."""
    with open(os.path.join(system, "PARMSET.DAT")) as f:
        lines = f.read().split("\n")
    (ngauge,), pos = free_group(lines, 0, 1)
    pos += 1
    (nkey,), _ = free_group(lines, pos, 1)
    _, pos = free_group(lines, pos, max(0, int(nkey)) + 1)
    pos += 1
    gauges = []
    for _ in range(int(ngauge)):
        name = lines[pos].rstrip()
        record, pos = free_group(lines, pos + 1, 6)
        for count in (5, 8, 4):
            _, pos = free_group(lines, pos, count)
        pos += 1
        gauges.append(dict(name=name, stem=name.split()[0], nyears=int(record[0])))
    return gauges


def read_series(path):
    """{(calendar year, calendar month): value} of a series file."""
    values = {}
    with open(path) as f:
        for line in f:
            if not line.strip():
                continue
            year = int(line[4:8])
            for m in range(12):
                calendar_month = m + 10 if m < 3 else m - 2
                calendar_year = year if m < 3 else year + 1
                values[(calendar_year, calendar_month)] = line[9 + 8 * m:16 + 8 * m].strip()
    return values


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--system", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--series", default="INC", choices=("INC", "RAN"), help="the series to write")
    a = ap.parse_args(argv)
    names = [g["name"] for g in read_gauges(a.system)]
    series = [read_series(os.path.join(a.system, "%s.%s" % (n.split()[0], a.series))) for n in names]
    months = sorted(set().union(*series))
    with open(a.out, "w") as f:
        f.write("year,month," + ",".join('"%s"' % n if "," in n else n for n in names) + "\n")
        for ym in months:
            f.write("%d,%d," % ym + ",".join(s.get(ym, "") for s in series) + "\n")
    print("wrote %d gauges, %d months to %s" % (len(names), len(months), a.out))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
