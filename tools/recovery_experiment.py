#!/usr/bin/env python3
"""Refit river systems made from known models and compare the fit with the truth.

For each system: tools/make_river_system.py makes a record from a known model (all four
transform types, ARMA orders drawn at random, a regional factor model of the
innovations); tools/records_from_system.py writes it as a records CSV; `flowplex fit`
refits it with the true ARMA orders imposed.  Then it counts

  * the ARMA coefficients within two standard errors of the truth,
  * the innovation cross-correlations within two standard errors (1 - r^2)/sqrt(n) of
    the truth (the fitted ones are read back from CMAT1),
  * the 5 %, 50 % and 95 % annual-flow quantiles of the fitted model within 10 % of the
    true ones, by gauge (all three) and by (gauge, quantile).

Usage:
  python3 tools/recovery_experiment.py --flowplex BIN [--systems 20] [--gauges 10] [--years 100]
"""

import argparse
import csv
import json
import math
import os
import subprocess
import sys
import tempfile
from statistics import NormalDist

from check_record_reproduction import annual_totals
from make_river_system import forward_transform, inverse_transform, read_matrix

HERE = os.path.dirname(os.path.abspath(__file__))
ND = NormalDist()
PROBABILITIES = (0.05, 0.5, 0.95)


def run(command, **kw):
    done = subprocess.run(command, capture_output=True, text=True, **kw)
    if done.returncode != 0:
        sys.exit("%s failed:\n%s%s" % (" ".join(command), done.stdout[-3000:], done.stderr[-3000:]))


def fitted_quantile(row, prob):
    p0 = float(row["p0"])
    if prob < p0:
        return 0.0
    x = float(row["amean"]) + float(row["asd"]) * ND.inv_cdf((prob - p0) / (1.0 - p0))
    return inverse_transform(x, int(row["itrans"]), *(float(row[k]) for k in ("gamma", "delta", "lambda", "xi")))


def oracle_quantile(annual, g, prob):
    """The quantile a fit would give that knew the transform's family and shape and only
    estimated its location and scale from the record's annual totals: the sampling error alone."""
    xs = [forward_transform(q, g["itype"], *g["tpar"]) for q in annual if q > 0.0]
    xs = [x for x in xs if x is not None]
    mean = sum(xs) / len(xs)
    sd = math.sqrt(sum((x - mean) ** 2 for x in xs) / len(xs))
    p0 = g["p0"]
    return inverse_transform(mean + sd * ND.inv_cdf((prob - p0) / (1.0 - p0)), g["itype"], *g["tpar"])


def fitted_correlation(folder, n):
    """The innovation correlation implied by CMAT1 of a fitted PARMSET.DAT."""
    with open(os.path.join(folder, "PARMSET.DAT")) as f:
        lines = f.read().split("\n")
    pos = next(i for i, line in enumerate(lines) if line.startswith(" CMAT1")) + 1
    c, _ = read_matrix(lines, pos, n)
    cov = [[sum(c[i][k] * c[j][k] for k in range(n)) for j in range(n)] for i in range(n)]
    return [[cov[i][j] / math.sqrt(cov[i][i] * cov[j][j]) for j in range(n)] for i in range(n)]


def one_system(flowplex, work, index, gauges, years, seed, tally):
    system = os.path.join(work, "system%02d" % index)
    truth_file = os.path.join(work, "truth%02d.json" % index)
    records = os.path.join(work, "records%02d.csv" % index)
    orders = os.path.join(work, "orders%02d.txt" % index)
    fitted = os.path.join(work, "fitted%02d" % index)
    run([sys.executable, os.path.join(HERE, "make_river_system.py"), "--out", system, "--gauges", str(gauges),
         "--years", str(years), "--keys", "3", "--varied", "--truth", truth_file, "--seed", str(seed)])
    run([sys.executable, os.path.join(HERE, "records_from_system.py"), "--system", system, "--out", records])
    with open(truth_file) as f:
        truth = json.load(f)
    with open(orders, "w") as f:
        for g in truth["gauges"]:
            f.write("%s %d %d\n" % (g["stem"], g["order"][0], g["order"][1]))
    run([flowplex, "fit", "--records", records, "--out", fitted, "--orders", orders])
    with open(os.path.join(fitted, "fit_report.csv")) as f:
        rows = list(csv.DictReader(f))
    n = len(rows)
    for g, row in zip(truth["gauges"], rows):
        p, q = g["order"]
        names = [("phi1", 0), ("phi2", 1)][:p] + [("theta1", 2), ("theta2", 3)][:q]
        kind = "mixed-model coefficients" if p and q else "pure AR or MA coefficients"
        for name, k in names:
            se = float(row[name + "_se"]) if row[name + "_se"] else float("nan")
            within = abs(float(row[name]) - g["arma"][k]) <= 2.0 * se
            for key in ("coefficients", kind):
                tally[key][0] += 1
                tally[key][1] += within
        annual = annual_totals(os.path.join(system, g["stem"] + ".INC"))
        for prefix, quantile in (("oracle", lambda prob: oracle_quantile(annual, g, prob)),
                                 ("quantile", lambda prob: fitted_quantile(row, prob))):
            all_near = True
            for prob, expected in zip(PROBABILITIES, g["quantiles"]):
                if expected is None:
                    continue
                near = abs(quantile(prob) - expected) <= 0.1 * expected
                tally[prefix + " pairs"][0] += 1
                tally[prefix + " pairs"][1] += near
                all_near = all_near and near
            tally[prefix + " gauges"][0] += 1
            tally[prefix + " gauges"][1] += all_near
        tally["same family"][0] += 1
        tally["same family"][1] += int(row["itrans"]) == g["itype"]
    r = fitted_correlation(fitted, n)
    true_r = truth["correlation"]
    for i in range(n):
        for j in range(i):
            se = (1.0 - true_r[i][j] ** 2) / math.sqrt(years)
            tally["cross-correlations"][0] += 1
            tally["cross-correlations"][1] += abs(r[i][j] - true_r[i][j]) <= 2.0 * se


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--flowplex", required=True)
    ap.add_argument("--systems", type=int, default=20)
    ap.add_argument("--gauges", type=int, default=10)
    ap.add_argument("--years", type=int, default=100)
    ap.add_argument("--seed", type=int, default=1000)
    a = ap.parse_args(argv)
    tally = {k: [0, 0] for k in ("coefficients", "pure AR or MA coefficients", "mixed-model coefficients",
                                 "cross-correlations", "quantile gauges", "quantile pairs", "oracle gauges",
                                 "oracle pairs", "same family")}
    with tempfile.TemporaryDirectory() as work:
        for s in range(a.systems):
            one_system(os.path.abspath(a.flowplex), work, s, a.gauges, a.years, a.seed + s, tally)
    print("%d systems of %d gauges, %d years" % (a.systems, a.gauges, a.years))
    labels = {"coefficients": "ARMA coefficients within 2 SE of the truth",
              "pure AR or MA coefficients": "  of them of pure AR or MA models",
              "mixed-model coefficients": "  of them of mixed ARMA models",
              "cross-correlations": "innovation cross-correlations within 2 SE of the truth",
              "quantile gauges": "gauges with the 5, 50 and 95 % quantiles all within 10 %",
              "quantile pairs": "(gauge, quantile) pairs within 10 %",
              "oracle gauges": "  the same gauges, true shape known (sampling error alone)",
              "oracle pairs": "  the same pairs, true shape known (sampling error alone)",
              "same family": "gauges fitted with the true transform family"}
    for key, label in labels.items():
        total, good = tally[key]
        print("  %-58s %5d of %5d  %5.1f %%" % (label, good, total, 100.0 * good / max(1, total)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
