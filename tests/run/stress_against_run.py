"""One scenario of a stress test against `run` perturbed by its factors: the storages at
each reliability and the drought medians of the CSV tables, and every realization's
required storage in the NetCDF files, equal to the last bit.
Usage: stress_against_run.py FOLDER SCENARIO (FOLDER holds out/ and s.nc of the stress
test, ref/ and r.nc of the run)."""
import csv
import sys
from pathlib import Path

import netCDF4
import numpy as np

folder, scenario = Path(sys.argv[1]), sys.argv[2]


def rows(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f))


# The run writes its yield levels as the float sums it forms them by (30.000002).
reliability = {(r["slot"], round(float(r["yield_percent"]))): r for r in rows(folder / "ref/reliability.csv")}
stressed = [r for r in rows(folder / "out/storage_at_reliability.csv") if r["scenario"] == scenario]
assert stressed, f"no scenario {scenario}"
for r in stressed:
    expected = reliability[(r["slot"], int(r["yield_percent"]))]["r" + r["reliability_percent"]]
    assert r["storage_percent_mar"] == expected, (r, expected)

medians = {(r["slot"], r["statistic"]): r["p50"] for r in rows(folder / "ref/droughts.csv")}
for r in rows(folder / "out/droughts.csv"):
    if r["scenario"] == scenario:
        assert r["p50"] == medians[(r["slot"], r["statistic"])], r

run, stress = netCDF4.Dataset(folder / "r.nc"), netCDF4.Dataset(folder / "s.nc")
s = list(stress["scenario_name"][:]).index(scenario)
levels = [y // 5 - 1 for y in stress["yield_level"][:]]
assert np.array_equal(stress["required_storage"][s], run["required_storage"][:][:, :, levels])
assert np.array_equal(stress["longest_drought"][s], run["longest_drought"][:])
assert np.array_equal(stress["largest_deficit"][s], run["largest_deficit"][:])
