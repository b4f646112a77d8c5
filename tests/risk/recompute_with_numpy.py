"""Recomputes the risk figures of a run with numpy, from the run's own NetCDF file.

Runs flowplex on a copy of the example river system with --netcdf and --csv, then checks:
- the required storage of a few realizations and slots by the sequent-peak method, from
  the file's monthly flows and MAR, against required_storage, to float precision;
- the drought thresholds against the monthly Q80 of the historic files by the stated rule,
  and the drought figures (events per century, longest drought, largest deficit) of those
  realizations and slots from the file's flows and thresholds;
- the reliability table of reliability.csv against the per-realization storages: each value
  the ceil(p N / 100)-th smallest storage, what that rule gives at N = 41 (r98 = r99 = the
  largest), and the curves ordered by reliability;
- the headers of the six CSV tables (the validation figures' own tables are checked by
  recompute_validation_figures.py), and the risk page's (docs/risk.md) recomputation of the table;
- then, for an ensemble of 120 realizations, the same figures of realizations beyond the 41
  the tests keep (read back from the run's scratch file), the table's ranks at N = 120, the
  first 41 realizations' figures equal to the plain run's, and no scratch file left behind.

Usage: recompute_with_numpy.py FLOWPLEX EXAMPLES_DIR RISK_PAGE
"""
import math
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

import numpy as np
import pandas as pd
import xarray as xr

RELIABILITIES = (50, 80, 90, 95, 98, 99)
HEADERS = {
    "reliability.csv": "slot,gauge,stem,yield_percent,historical," + ",".join(
        f"r{p},r{p}_lower,r{p}_upper" for p in RELIABILITIES),
    "droughts.csv": "slot,gauge,stem,statistic,historical,p5,p50,p95",
    "flow_duration.csv": "slot,gauge,stem,exceedance_percent,historical,p5,p50,p95",
    "autocorrelation.csv": "slot,gauge,stem,series,lag,historical,bound,p5,p50,p95",
    "cross_correlation.csv": "slot,gauge,stem,other_slot,other_gauge,other_stem,historical,generated_mean",
    "validation_summary.csv": "slot,gauge,stem,inside,total,share_percent," + ",".join(
        f"{k}_inside,{k}_total" for k in ("moments", "persistence", "distribution", "droughts", "flow_duration"))
    + ",outside",
}
SAMPLE_REALIZATIONS = (1, 17, 41)
ENSEMBLE = 120
ENSEMBLE_SAMPLE = (1, 42, 77, 120)
PER_REALIZATION = ("required_storage", "drought_events_per_century", "longest_drought", "largest_deficit")
SAMPLE_SLOTS = (1, 3, 5)


def rank(percent, n):
    return max(math.ceil(percent * n / 100), 1)


def sequent_peak(months, mar):
    """Storage (% of mar) at the 20 yields, draughts formed in single precision as the
    statistics test forms them, running deficits in double precision."""
    storages, p = [], np.float32(0)
    for _ in range(20):
        p = np.float32(p + np.float32(0.05))
        draught = np.float64(np.float32(np.float32(mar * p) * np.float32(1.0 / 12.0)))
        deficit, deepest = 0.0, np.float32(0)
        for q in months.astype(np.float64):
            deficit = max(deficit + draught - q, 0.0)
            deepest = max(deepest, np.float32(deficit))
        storages.append(np.float32(np.float32(100 * deepest) / mar))
    return np.array(storages, dtype=np.float32)


def droughts(months, thresholds):
    """Events per century, longest run and largest deficit of runs below the thresholds."""
    below = months < np.tile(thresholds, len(months) // 12)
    events, run, longest, deficit, largest = 0, 0, 0, 0.0, 0.0
    for t, dry in enumerate(below):
        if not dry:
            run = 0
            continue
        if run == 0:
            events, deficit = events + 1, 0.0
        run += 1
        deficit += float(thresholds[t % 12]) - float(months[t])
        longest, largest = max(longest, run), max(largest, deficit)
    return np.float32(100.0 * events / (len(months) // 12)), longest, np.float32(largest)


def historic_months(path):
    """The monthly flows of a historic file: a year, then twelve F7.2 fields of 8 columns."""
    rows = [[float(line[9 + 8 * m:16 + 8 * m]) for m in range(12)] for line in path.read_text().splitlines()]
    return np.array(rows, dtype=np.float32)


def check_storages_and_droughts(ds, folder, realizations):
    stems = list(ds.file_stem.values)
    for s, slot in enumerate(ds.slot.values):
        gauge = int(ds.slot_gauge.values[s])
        record = historic_months(folder / f"{stems[gauge - 1]}.HIS")
        thresholds = np.array([np.sort(record[:, m])[rank(20, len(record)) - 1] for m in range(12)], dtype=np.float32)
        np.testing.assert_array_equal(ds.drought_threshold.values[s], thresholds, err_msg=f"Q80 of slot {slot}")
        if slot not in SAMPLE_SLOTS:
            continue
        mar = np.float32(ds.mar.values[s])
        for r in realizations:
            months = ds.flow.values[r - 1, :, gauge - 1]
            np.testing.assert_allclose(ds.required_storage.values[r - 1, s], sequent_peak(months, mar),
                                       rtol=2.0 ** -22, atol=1e-6, err_msg=f"storage of {r}, slot {slot}")
            events, longest, largest = droughts(months, thresholds)
            assert ds.drought_events_per_century.values[r - 1, s] == events, (r, slot)
            assert ds.longest_drought.values[r - 1, s] == longest, (r, slot)
            np.testing.assert_allclose(ds.largest_deficit.values[r - 1, s], largest, rtol=2.0 ** -22,
                                       err_msg=f"largest deficit of {r}, slot {slot}")


def check_reliability(ds, results, ranks):
    table = pd.read_csv(results / "reliability.csv", float_precision="round_trip")
    n = ds.sizes["realization"]
    assert [rank(p, n) for p in RELIABILITIES] == ranks, (n, ranks)
    ordered = np.sort(ds.required_storage.values, axis=0)
    for s, slot in enumerate(ds.slot.values):
        rows = table[table.slot == slot].reset_index()
        assert list(rows.yield_percent.round(4)) == [round(5.0 * L, 4) for L in range(1, 21)], slot
        for level, row in rows.iterrows():
            values = np.array([row[f"r{p}"] for p in RELIABILITIES], dtype=np.float32)
            expected = np.array([ordered[rank(p, n) - 1, s, level] for p in RELIABILITIES], dtype=np.float32)
            np.testing.assert_array_equal(values, expected, err_msg=f"slot {slot} level {level + 1}")
            assert np.all(np.diff(values) >= 0), (slot, level, values)
            if n == 41:
                assert values[-1] == values[-2] == ordered[-1, s, level]


def check_headers(results):
    for name, header in HEADERS.items():
        assert (results / name).read_text().splitlines()[0] == header, name


def check_page_example(page, folder, results):
    section = Path(page).read_text().split("## Where they go", 1)[1].split("\n## ", 1)[0]
    code = re.search(r"```python\n(.*?)```", section, re.S).group(1)
    printed = subprocess.run([sys.executable, "-c", code], cwd=folder, check=True, capture_output=True,
                             text=True).stdout
    table = pd.read_csv(results / "reliability.csv")
    first = table[table.slot == table.slot.iloc[0]]
    numbers = [float(v) for v in re.findall(r"-?\d+\.\d+", printed)]
    for value in first.r98.round(2):
        assert value in numbers, (value, printed)


def run(flowplex, examples, folder, *options):
    folder.mkdir()
    for f in Path(examples).iterdir():
        shutil.copy(f, folder)
    with open(folder / "answers_rigorous.txt", "rb") as answers:
        subprocess.run([flowplex, "--netcdf", "run.nc", "--csv", "results", *options], cwd=folder, stdin=answers,
                       stdout=subprocess.DEVNULL, check=True)
    return xr.open_dataset(folder / "run.nc").load()


def check_ensemble(flowplex, examples, folder, plain):
    ds = run(flowplex, examples, folder, "--realizations", str(ENSEMBLE))
    assert not [p.name for p in folder.iterdir() if p.name.startswith(".")], "a scratch file was left behind"
    assert ds.sizes["realization"] == ENSEMBLE
    for name in PER_REALIZATION:
        np.testing.assert_array_equal(ds[name].values[:41], plain[name].values, err_msg=name)
    check_storages_and_droughts(ds, folder, ENSEMBLE_SAMPLE)
    check_reliability(ds, folder / "results", [60, 96, 108, 114, 118, 119])


def main():
    flowplex, examples, page = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as tmp:
        folder = Path(tmp) / "plain"
        ds = run(flowplex, examples, folder)
        assert list(ds.slot.values) == [1, 2, 3, 4, 5] and list(ds.yield_level.values) == list(range(5, 101, 5))
        for name in ("slot_gauge", "mar", "drought_threshold", "yield_level"):
            assert name in ds.coords, name
        results = folder / "results"
        check_headers(results)
        check_storages_and_droughts(ds, folder, SAMPLE_REALIZATIONS)
        check_reliability(ds, results, [21, 33, 37, 39, 41, 41])
        check_page_example(page, folder, results)
        check_ensemble(flowplex, examples, Path(tmp) / "ensemble", ds)
    print("the risk figures recompute from the NetCDF file's own flows")


if __name__ == "__main__":
    main()
