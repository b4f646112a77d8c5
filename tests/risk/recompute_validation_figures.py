"""Recomputes the validation figures of a run with numpy and scipy, independently of flowplex.

Runs flowplex on a copy of the example river system with --netcdf and --csv, then, for every
slot, for the historical record and for realizations 1, 17 and 41 (the monthly flows of the
NetCDF file, the records of the historic files):
- the Hurst exponent by rescaled range (blocks of 8, 16, ... years, at least two a size, mean
  R/S per size, least-squares slope of ln R/S on ln size), and the Anis-Lloyd expectation at
  the record's and the realizations' length;
- the low-frequency share from numpy's FFT (frequencies up to 0.1 cycles a year, Parseval
  weights, the Nyquist ordinate once);
- the L-moment ratios from the unbiased probability-weighted moments;
- the SSI-12 drought figures (12-month sums through the record's own, Weibull positions,
  scipy's normal quantile, the extreme position outside the record's range);
each against the NetCDF variables to a relative 2e-5 (single-precision results of double
sums; the event counts exactly), the historical values against historical_* and
validation_figures.csv, and the bands of validation_figures.csv against the quantile rule
on all 41 realizations' values, exactly.
- The monthly tests: the p-values that the risk analyses form (through a probe linked to
  the risk library) for each month of those realizations against scipy.stats.mannwhitneyu
  (asymptotic, continuity corrected) and scipy.stats.levene(center="median") to a relative
  1e-9; and the rejected shares of monthly_tests.csv against scipy's p < 0.05 over all 41
  realizations (a p-value within 1e-9 of 0.05 may fall either way).
- The reliability intervals: the ranks from scipy.stats.binom (largest l with P(B <= l-1)
  <= 5 %, smallest u with P(B >= u) <= 5 %) and the order statistics of the NetCDF storages,
  against rN_lower and rN_upper of reliability.csv exactly, an empty cell where a rank
  falls outside 1..N.
- The validation summary: each kind's counts add up to the total, and every figure of
  validation_figures.csv outside its band is named in the summary's outside list.

Usage: recompute_validation_figures.py FLOWPLEX PROBE EXAMPLES_DIR
"""
import math
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

import numpy as np
import pandas as pd
import xarray as xr
from scipy import special, stats

FIGURES = ("hurst", "low_frequency_share", "l_cv", "l_skewness", "l_kurtosis", "ssi_events_per_century",
           "ssi_mean_duration", "ssi_mean_severity")
HEADERS = {
    "validation_figures.csv": "slot,gauge,stem,figure,historical,p5,p50,p95,inside",
    "monthly_tests.csv": "slot,gauge,stem,month,test,rejected_share",
}
RELIABILITIES = (50, 80, 90, 95, 98, 99)
SAMPLE_REALIZATIONS = (1, 17, 41)
RTOL = 2e-5
P_RTOL = 1e-9
KINDS = ("moments", "persistence", "distribution", "droughts", "flow_duration")


def rank(percent, n):
    return max(math.ceil(percent * n / 100), 1)


def historic_months(path):
    rows = [[float(line[9 + 8 * m:16 + 8 * m]) for m in range(12)] for line in path.read_text().splitlines()]
    return np.array(rows, dtype=np.float32).reshape(-1)


def annual(months):
    return np.array([np.float32(math.fsum(months[12 * y:12 * y + 12].astype(np.float64)))
                     for y in range(len(months) // 12)], dtype=np.float32)


def sizes(n):
    out, s = [], 8
    while n // s >= 2:
        out.append(s)
        s *= 2
    return out


def hurst(x):
    x = x.astype(np.float64)
    if len(x) < 32:
        return None
    logs, log_rs = [], []
    for s in sizes(len(x)):
        blocks = x[:len(x) // s * s].reshape(-1, s)
        dev = blocks - blocks.mean(axis=1, keepdims=True)
        cum = np.cumsum(dev, axis=1)
        r = np.maximum(cum.max(axis=1), 0) - np.minimum(cum.min(axis=1), 0)
        sd = dev.std(axis=1)
        keep = sd > 0
        if keep.any():
            logs.append(np.log(s))
            log_rs.append(np.log(np.mean(r[keep] / sd[keep])))
    return np.polyfit(logs, log_rs, 1)[0] if len(logs) >= 2 else None


def anis_lloyd(n):
    if n < 32:
        return None
    def rs(s):
        i = np.arange(1, s)
        return np.exp(special.gammaln((s - 1) / 2) - special.gammaln(s / 2)) / np.sqrt(np.pi) * np.sum(np.sqrt((s - i) / i))
    ss = sizes(n)
    return np.polyfit(np.log(ss), np.log([rs(s) for s in ss]), 1)[0]


def low_frequency_share(x):
    n = len(x)
    if n < 10:
        return None
    d = x.astype(np.float64) - x.astype(np.float64).mean()
    periodogram = np.abs(np.fft.rfft(d)) ** 2
    j = np.arange(len(periodogram))
    weights = np.where(2 * j == n, 1.0, 2.0)
    weights[0] = 0.0
    total = np.sum(weights * periodogram)
    return np.sum((weights * periodogram)[10 * j <= n]) / total if total > 0 else None


def l_moments(x):
    x = np.sort(x.astype(np.float64))
    n = len(x)
    j = np.arange(n)
    b0 = x.mean()
    b1 = np.sum(j / (n - 1) * x) / n
    b2 = np.sum(j * (j - 1) / ((n - 1) * (n - 2)) * x) / n
    b3 = np.sum(j * (j - 1) * (j - 2) / ((n - 1) * (n - 2) * (n - 3)) * x) / n
    l1, l2 = b0, 2 * b1 - b0
    l3, l4 = 6 * b2 - 6 * b1 + b0, 20 * b3 - 30 * b2 + 12 * b1 - b0
    return l2 / l1, l3 / l2, l4 / l2


def sums12(months):
    return np.array([math.fsum(months[t - 11:t + 1].astype(np.float64)) for t in range(11, len(months))])


def ssi(months, record_sums):
    reference = np.sort(record_sums)
    n = len(reference)
    at_or_below = np.clip(np.searchsorted(reference, sums12(months), side="right"), 1, n)
    z = stats.norm.ppf(at_or_below / (n + 1))
    events, months_in, severity, running = 0, 0, 0.0, False
    for value in z:
        if value < -1:
            events += 0 if running else 1
            running = True
            months_in += 1
            severity -= value
        else:
            running = False
    years = len(months) // 12
    return (100 * events / years, months_in / events if events else 0.0, severity / events if events else 0.0)


def figures_of(months, record_sums):
    a = annual(months)
    return (hurst(a), low_frequency_share(a), *l_moments(a), *ssi(months, record_sums))


def close(got, expected, what):
    if expected is None:
        assert np.isnan(got), (what, got)
    else:
        assert np.isclose(got, expected, rtol=RTOL, atol=1e-6), (what, got, expected)


def check_figures(ds, folder, table):
    stems = list(ds.file_stem.values)
    n = ds.sizes["realization"]
    for s, slot in enumerate(ds.slot.values):
        gauge = int(ds.slot_gauge.values[s])
        record = historic_months(folder / f"{stems[gauge - 1]}.HIS")
        record_sums = sums12(record)
        rows = table[table.slot == slot].set_index("figure")
        historical = figures_of(record, record_sums)
        for name, value in zip(FIGURES, historical):
            close(ds[f"historical_{name}"].values[s], value, (slot, "historical", name))
            close(rows.loc[name, "historical"], value, (slot, "csv historical", name))
        close(ds.historical_hurst_expected.values[s], anis_lloyd(len(record) // 12), (slot, "Anis-Lloyd NYH"))
        close(ds.hurst_expected.values[s], anis_lloyd(ds.sizes["year"]), (slot, "Anis-Lloyd NYS"))
        close(rows.loc["hurst_anis_lloyd", "historical"], anis_lloyd(len(record) // 12), (slot, "csv AL"))
        for r in SAMPLE_REALIZATIONS:
            months = ds.flow.values[r - 1, :, gauge - 1]
            for name, value in zip(FIGURES, figures_of(months, record_sums)):
                close(ds[name].values[r - 1, s], value, (slot, r, name))
            assert ds.ssi_events_per_century.values[r - 1, s] == np.float32(ssi(months, record_sums)[0]), (slot, r)
        for name in FIGURES:
            values = np.sort(ds[name].values[:, s][np.isfinite(ds[name].values[:, s])])
            for p in (5, 50, 95):
                assert np.float32(rows.loc[name, f"p{p}"]) == values[rank(p, len(values)) - 1], (slot, name, p)
            h, lo, hi = rows.loc[name, ["historical", "p5", "p95"]]
            assert rows.loc[name, "inside"] == (1 if lo <= h <= hi else 0), (slot, name)
        assert n == 41


def check_monthly_tests(ds, folder, probe, table):
    stems = list(ds.file_stem.values)
    n = ds.sizes["realization"]
    for s, slot in enumerate(ds.slot.values):
        gauge = int(ds.slot_gauge.values[s])
        record = historic_months(folder / f"{stems[gauge - 1]}.HIS").reshape(-1, 12)
        flows = ds.flow.values[:, :, gauge - 1].reshape(n, -1, 12)
        # The probe's p-values for the sampled realizations, against scipy's.
        pairs = [(flows[r - 1, :, m], record[:, m]) for r in SAMPLE_REALIZATIONS for m in range(12)]
        text = "".join(f"{len(x)} {len(y)}\n" + " ".join(repr(float(v)) for v in (*x, *y)) + "\n" for x, y in pairs)
        printed = subprocess.run([probe], input=text, capture_output=True, text=True, check=True).stdout.splitlines()
        assert len(printed) == len(pairs), (slot, len(printed))
        for (x, y), line in zip(pairs, printed):
            mw, bf = (float(v) for v in line.split())
            expected_mw = stats.mannwhitneyu(x.astype(np.float64), y.astype(np.float64), alternative="two-sided",
                                             method="asymptotic", use_continuity=True).pvalue
            expected_bf = stats.levene(x.astype(np.float64), y.astype(np.float64), center="median").pvalue
            assert math.isclose(mw, expected_mw, rel_tol=P_RTOL, abs_tol=1e-15), (slot, mw, expected_mw)
            assert math.isclose(bf, expected_bf, rel_tol=P_RTOL, abs_tol=1e-15), (slot, bf, expected_bf)
        # The shares over every realization, from scipy's p-values.
        rows = table[table.slot == slot]
        for m in range(12):
            for test, of in (("mann_whitney", lambda x, y: stats.mannwhitneyu(
                    x, y, alternative="two-sided", method="asymptotic").pvalue),
                             ("brown_forsythe", lambda x, y: stats.levene(x, y, center="median").pvalue)):
                p = np.array([of(flows[r, :, m].astype(np.float64), record[:, m].astype(np.float64)) for r in range(n)])
                share = np.float32(rows[(rows.month == m + 1) & (rows.test == test)].rejected_share.item())
                certain = np.abs(p - 0.05) > 1e-9 * 0.05
                low = np.sum((p < 0.05) & certain) / n
                high = np.sum((p < 0.05) | ~certain) / n
                assert np.float32(low) <= share <= np.float32(high), (slot, m + 1, test, share, low, high)
        assert np.allclose(ds.rejected_share.values[s, 0], rows[rows.test == "mann_whitney"].rejected_share.values)


def interval_ranks(percent, n):
    p, k = percent / 100, rank(percent, n)
    lower = next((l for l in range(k, 0, -1) if stats.binom.cdf(l - 1, n, p) <= 0.05), 0)
    upper = next((u for u in range(k, n + 1) if stats.binom.sf(u - 1, n, p) <= 0.05), n + 1)
    return lower, upper


def check_intervals(ds, results):
    table = pd.read_csv(results / "reliability.csv", float_precision="round_trip")
    n = ds.sizes["realization"]
    ordered = np.sort(ds.required_storage.values, axis=0)
    for p in RELIABILITIES:
        lower, upper = interval_ranks(p, n)
        if p == 98:
            assert upper == n + 1, "r98 from 41 realizations has no upper limit"
        for s, slot in enumerate(ds.slot.values):
            rows = table[table.slot == slot].reset_index()
            for level, row in rows.iterrows():
                expect_low = ordered[lower - 1, s, level] if lower >= 1 else None
                expect_high = ordered[upper - 1, s, level] if upper <= n else None
                for got, expected in ((row[f"r{p}_lower"], expect_low), (row[f"r{p}_upper"], expect_high)):
                    if expected is None:
                        assert np.isnan(got), (slot, p, level)
                    else:
                        assert np.float32(got) == expected, (slot, p, level, got, expected)
                assert (np.isnan(row[f"r{p}_lower"]) or row[f"r{p}_lower"] <= row[f"r{p}"]), (slot, p, level)
                assert (np.isnan(row[f"r{p}_upper"]) or row[f"r{p}"] <= row[f"r{p}_upper"]), (slot, p, level)


def check_summary(results, figures):
    summary = pd.read_csv(results / "validation_summary.csv", keep_default_na=False)
    for _, row in summary.iterrows():
        assert sum(row[f"{k}_inside"] for k in KINDS) == row.inside, row.stem
        assert sum(row[f"{k}_total"] for k in KINDS) == row.total, row.stem
        outside = row.outside.split()
        for _, f in figures[(figures.slot == row.slot) & (figures.inside == 0)].iterrows():
            assert f.figure in outside, (row.stem, f.figure)
        assert len(outside) == row.total - row.inside, row.stem


def main():
    flowplex, probe, examples = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as tmp:
        folder = Path(tmp) / "run"
        folder.mkdir()
        for f in Path(examples).iterdir():
            shutil.copy(f, folder)
        with open(folder / "answers_rigorous.txt", "rb") as answers:
            subprocess.run([flowplex, "--netcdf", "run.nc", "--csv", "results"], cwd=folder, stdin=answers,
                           stdout=subprocess.DEVNULL, check=True)
        ds = xr.open_dataset(folder / "run.nc").load()
        results = folder / "results"
        for name, header in HEADERS.items():
            assert (results / name).read_text().splitlines()[0] == header, name
        figures = pd.read_csv(results / "validation_figures.csv", float_precision="round_trip")
        assert list(figures[figures.slot == 1].figure) == [*FIGURES, "hurst_anis_lloyd"]
        check_figures(ds, folder, figures)
        check_monthly_tests(ds, folder, probe, pd.read_csv(results / "monthly_tests.csv"))
        check_intervals(ds, results)
        check_summary(results, figures)
    print("the validation figures recompute with numpy and scipy")


if __name__ == "__main__":
    main()
