#!/usr/bin/env python3
"""Split-sample validation: does a river system fitted to the early record reproduce the late one?

    tools/split_sample.py RECORDS.csv --split YEAR --gauges LIST [--scale S] --out DIR
                          [--flowplex BIN] [--realizations N]

1. Fits a river system with `flowplex fit` to the records of the chosen gauges (at most
   15, by column name or by 1-based column number after year and month) in the
   hydrological years before YEAR (October YEAR-1 to September YEAR is the last; the
   records' months from October YEAR on are left out): DIR/system.
2. Writes the held-out hydrological years, YEAR up to the last year every chosen gauge has
   complete, as historic files of their own type, STEM.HLD, in the layout of the .HIS
   files (the values scaled by S and rounded to hundredths, as the fit rounds them).
3. Generates from the fitted system, rigorous option, sequences as long as the held-out
   period, the statistical-properties test of every gauge against its .HLD file, with
   the risk analyses written as CSV (`--csv`, N realizations, default 100): DIR/held_out.
   For contrast, the same against the fitting period itself (.HIS, sequences as long as
   it): DIR/in_sample.
4. Counts, per gauge and by kind, how many held-out figures fall inside the generated
   5-95 % band (the run's validation_summary.csv), and writes DIR/split_sample.csv and
   DIR/split_sample.md, which says how it was done.

A fitted model that captures the river gives held-out scores near the in-sample ones; a
long held-out period (at least 32 years) also gives the Hurst exponent.
"""
import argparse
import csv
import math
import os
import shutil
import subprocess
import sys
from pathlib import Path

MAX_GAUGES = 15
KINDS = ("moments", "persistence", "distribution", "droughts", "flow_duration")


def hydrological_year(year, month):
    return year if month >= 10 else year - 1


def read_records(path):
    with open(path, newline="") as f:
        rows = list(csv.reader(f))
    return rows[0], rows[1:]


def chosen_columns(header, gauges):
    columns = []
    for g in gauges.split(","):
        g = g.strip()
        if g.isdigit():
            index = int(g) + 1
        elif g in header:
            index = header.index(g)
        else:
            sys.exit(f"split_sample: no gauge {g!r} in the records")
        if not 2 <= index < len(header):
            sys.exit(f"split_sample: no gauge column {g}")
        columns.append(index)
    if not 1 <= len(columns) <= MAX_GAUGES:
        sys.exit(f"split_sample: give 1 to {MAX_GAUGES} gauges")
    return columns


def stem(name):
    first = name.split()[0] if name.split() else name
    return "".join(c if c.isalnum() or c in "_-" else "_" for c in first[:40])


def hundredths(value):
    return math.floor(value * 100.0 + 0.5) / 100.0


def held_out_years(rows, columns, split, scale):
    """{hydrological year: [12 months of every chosen gauge, October first]} of complete years."""
    years = {}
    for row in rows:
        year, month = int(row[0]), int(row[1])
        hy = hydrological_year(year, month)
        if hy < split:
            continue
        slot = (month - 10) % 12
        values = years.setdefault(hy, [[None] * 12 for _ in columns])
        for i, c in enumerate(columns):
            cell = row[c].strip()
            values[i][slot] = hundredths(float(cell) * scale) if cell else None
    complete = []
    for hy in sorted(years):
        if any(v is None for g in years[hy] for v in g):
            break
        complete.append(hy)
    return {hy: years[hy] for hy in complete}


def his_line(year, months):
    # 4X I4 1X 12(F7.2 1X) F9.2: the layout of the series and historic files.
    return f"    {year:4d} " + "".join(f"{v:7.2f} " for v in months) + f"{hundredths(sum(months)):9.2f}\n"


def run(flowplex, system, folder, years, gauges, historic, realizations):
    if folder.exists():
        shutil.rmtree(folder)
    command = [flowplex, "-C", str(system), "--csv", str(folder.resolve()), "--realizations", str(realizations),
               "run", "--years", str(years), "--option", "rigorous", "--gauges", ",".join(map(str, gauges)),
               "--historic", historic, "--analyses", "1", "--quiet"]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    with open(folder / "validation_summary.csv", newline="") as f:
        return list(csv.DictReader(f))


def score(row, kind=None):
    inside, total = (int(row["inside"]), int(row["total"])) if kind is None else \
        (int(row[f"{kind}_inside"]), int(row[f"{kind}_total"]))
    return inside, total


def percent(inside, total):
    return f"{100.0 * inside / total:.1f}" if total else ""


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("records")
    parser.add_argument("--split", type=int, required=True, help="first held-out hydrological year")
    parser.add_argument("--gauges", required=True, help="column names or numbers, at most 15")
    parser.add_argument("--scale", type=float, default=1.0)
    parser.add_argument("--out", required=True)
    parser.add_argument("--flowplex", default=shutil.which("flowplex") or "flowplex")
    parser.add_argument("--realizations", type=int, default=100)
    args = parser.parse_args()
    flowplex = os.path.abspath(args.flowplex) if os.path.exists(args.flowplex) else args.flowplex

    out = Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    header, rows = read_records(args.records)
    columns = chosen_columns(header, args.gauges)
    names = [header[c] for c in columns]

    # 1. The fitting period's records of the chosen gauges, and the fit.
    fitting = out / "fitting_records.csv"
    with open(fitting, "w", newline="") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerow(["year", "month", *names])
        for row in rows:
            if hydrological_year(int(row[0]), int(row[1])) < args.split:
                w.writerow([row[0], row[1], *(row[c] for c in columns)])
    system = out / "system"
    if system.exists():
        shutil.rmtree(system)
    subprocess.run([flowplex, "fit", "--records", str(fitting), "--scale", repr(args.scale), "--out", str(system)],
                   check=True, stdout=subprocess.DEVNULL)
    fitted_years = sum(1 for _ in open(system / f"{stem(names[0])}.HIS"))

    # 2. The held-out years as historic files of their own type.
    held = held_out_years(rows, columns, args.split, args.scale)
    if not held:
        sys.exit(f"split_sample: no complete hydrological year from {args.split} on")
    for i, name in enumerate(names):
        with open(system / f"{stem(name)}.HLD", "w") as f:
            for hy, values in held.items():
                f.write(his_line(hy, values[i]))

    # 3. Generation against the held-out years, and against the fitting period.
    gauges = list(range(1, len(names) + 1))
    held_rows = run(flowplex, system, out / "held_out", len(held), gauges, "HLD", args.realizations)
    in_rows = run(flowplex, system, out / "in_sample", min(fitted_years, 200), gauges, "HIS", args.realizations)

    # 4. The table.
    table = out / "split_sample.csv"
    totals = {"held": [0, 0], "in": [0, 0]}
    kind_totals = {k: [0, 0] for k in KINDS}
    with open(table, "w", newline="") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerow(["stem", "held_out_inside", "held_out_total", "held_out_share_percent", "in_sample_share_percent",
                    *[f"{k}_held_out" for k in KINDS], "held_out_outside"])
        for h, s in zip(held_rows, in_rows):
            hi, ht = score(h)
            si, st = score(s)
            totals["held"][0] += hi
            totals["held"][1] += ht
            totals["in"][0] += si
            totals["in"][1] += st
            kinds = []
            for k in KINDS:
                ki, kt = score(h, k)
                kind_totals[k][0] += ki
                kind_totals[k][1] += kt
                kinds.append(f"{ki}/{kt}")
            w.writerow([h["stem"], hi, ht, percent(hi, ht), percent(si, st), *kinds, h["outside"]])
        w.writerow(["all", *totals["held"], percent(*totals["held"]), percent(*totals["in"]),
                    *[f"{i}/{t}" for i, t in kind_totals.values()], ""])

    first, last = min(held), max(held)
    text = f"""# Split-sample check

- Records: `{args.records}`, gauges {", ".join(names)}, scaled by {args.scale}.
- Fitted (`flowplex fit`) to the hydrological years before {args.split}: {fitted_years} years,
  {first - fitted_years} to {args.split - 1}.
- Held out: {len(held)} hydrological years, {first} to {last}, written as `STEM.HLD` historic files.
- Generated: rigorous option, {args.realizations} realizations of {len(held)} years, statistical-properties test
  of every gauge against its `.HLD` file, risk analyses by `--csv`; the in-sample column is the same
  against the fitting period (`.HIS`, {min(fitted_years, 200)}-year realizations).
- Counted: the historical figures of the validation summary (moments, persistence and long memory,
  distribution, droughts, flow duration) inside the generated 5-95 % band.

Held-out figures inside the band: {totals["held"][0]} of {totals["held"][1]} ({percent(*totals["held"])} %);
in sample: {totals["in"][0]} of {totals["in"][1]} ({percent(*totals["in"])} %).

By kind (held out): {", ".join(f"{k} {i}/{t}" for k, (i, t) in kind_totals.items())}.

Per gauge: `split_sample.csv`.
"""
    (out / "split_sample.md").write_text(text)
    print(text)


if __name__ == "__main__":
    main()
