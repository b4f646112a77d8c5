"""Reads a run's NetCDF file and CSV tables as their users do, with xarray and pandas.

Runs flowplex on a copy of the example river system with --netcdf and --csv, then checks
what a reader sees: the dimensions and names, the time axis decoded without a warning,
the annual sums of the chosen gauges against GAUGE.ANN to its printed digits, the CSV
header rows and the annual flows against the NetCDF months, and finally runs the Python
example of the exports page (docs/exports.md) in the run's folder. The same run with --netcdf-deflate writes the same
dataset, flows compressed: every flow the same float32 bits, every other variable, coordinate
and attribute the same but `flow_deflate_level`, which it adds, and which its manifest records.

Usage: read_with_xarray.py FLOWPLEX EXAMPLES_DIR EXPORTS_PAGE
"""
import re
import shutil
import subprocess
import sys
import tempfile
import warnings
from pathlib import Path

import json

import cftime  # noqa: F401  imported first: their import-time notices are not about the file
import netCDF4
import numpy as np
import pandas as pd
import xarray as xr

HEADERS = {
    "index_years.csv": ["sequence", "year", "index_year"],
    "gauge_parameters.csv": ["slot", "gauge", "stem", "mean", "sd", "phi1", "phi2", "theta1", "theta2",
                             "aicc", "anc", "zero_flows"],
    "historical_moments.csv": ["slot", "gauge", "stem", "mean", "sd", "cv", "skewness", "lag1", "years"],
    "statistics.csv": ["slot", "gauge", "stem", "statistic", "key", "historical",
                       "maximum", "p95", "p75", "p50", "p25", "p5", "minimum"],
    "simulation_summary.csv": ["slot", "gauge", "stem", "statistic", "average", "std_dev", "skewness"],
    "storage_yield.csv": ["slot", "gauge", "stem", "curve", "yield_percent", "storage_percent"],
    "correlations.csv": ["slot", "gauge", "stem", "other_slot", "other_gauge", "other_stem", "period",
                         "historical", "mean", "maximum", "p95", "p75", "p50", "p25", "p5", "minimum"],
}
STEMS = ["KLIP01", "KLIP02", "BERG01", "DROOG01", "MOOI01"]


DEFLATE_LEVEL = 4


def run_example(flowplex, examples, folder, outputs=("--netcdf", "run.nc", "--csv", "results")):
    for f in Path(examples).iterdir():
        shutil.copy(f, folder)
    with open(folder / "answers_rigorous.txt", "rb") as answers:
        subprocess.run([flowplex, *outputs], cwd=folder, stdin=answers, stdout=subprocess.DEVNULL, check=True)


def open_without_warnings(path):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        ds = xr.open_dataset(path).load()
    assert not caught, [str(w.message) for w in caught]
    return ds


def check_dataset(ds):
    # The risk analyses of the five gauges tested add their slots, months, yield levels and
    # monthly tests.
    assert dict(ds.sizes) == {"realization": 41, "time": 600, "station": 5, "year": 50, "generator_state": 3,
                              "slot": 5, "month": 12, "yield_level": 20, "monthly_test": 2}, dict(ds.sizes)
    for name in ("flow", "index_year", "start_state", "gauge_number", "gauge_name", "file_stem", "key_gauge",
                 "stochastic_year", "hydrological_month"):
        assert name in ds.variables, name
    assert ds.flow.dtype == np.float32
    assert ds.attrs["Conventions"] == "CF-1.8"
    first, year_two = ds.time.values[0], ds.time.values[12]
    assert (first.year, first.month, first.day) == (1, 10, 1), first
    assert (year_two.year, year_two.month) == (2, 10), year_two
    assert ds.time.values[3].calendar == "360_day"
    assert list(ds.hydrological_month.values[:13]) == list(range(1, 13)) + [1]
    assert list(ds.file_stem.values) == STEMS
    assert ds.gauge_name.values[3] == "DROOG01 DROOGLOOP AT SANDDRIF"
    assert ds.index_year.dtype.kind == "i"


def annual_listing(path):
    """GAUGE.ANN as {(sequence, year): [printed annual flow of each chosen gauge]}."""
    listing, sequence = {}, 0
    for line in Path(path).read_text().splitlines():
        if m := re.search(r"SEQUENCE NO. IS +(\d+)", line):
            sequence = int(m.group(1))
        elif re.match(r"^ [ \d]\d ", line):
            listing[(sequence, int(line[1:3]))] = [line[4 + 8 * i: 12 + 8 * i].strip()
                                                    for i in range((len(line) - 4) // 8)]
    return listing


def check_annual_sums(ds, folder):
    months = ds.flow.values.reshape(41, 50, 12, 5).astype(np.float64)
    annual = months.sum(axis=2).astype(np.float32)
    listing = annual_listing(folder / "GAUGE.ANN")
    assert len(listing) == 41 * 50
    for (sequence, year), printed in listing.items():
        assert printed == [f"{v:.0f}." for v in annual[sequence - 1, year - 1]], (sequence, year, printed)
    return annual


def check_tables(folder, annual):
    results = folder / "results"
    for name, header in HEADERS.items():
        assert list(pd.read_csv(results / name, nrows=0).columns) == header, name
    flows = pd.read_csv(results / "annual_flows.csv", float_precision="round_trip")
    assert list(flows.columns) == ["sequence", "year"] + STEMS
    table = flows[STEMS].to_numpy(dtype=np.float64).astype(np.float32).reshape(41, 50, 5)
    np.testing.assert_array_max_ulp(table, annual, maxulp=1)
    sequence = pd.read_csv(results / "sequences" / "sequence_07.csv", float_precision="round_trip")
    assert list(sequence.columns) == ["year", "month"] + STEMS
    stats = pd.read_csv(results / "statistics.csv")
    assert stats.loc[stats.statistic == "annual_mean", "key"].isna().all()


def run_page_example(page, folder):
    section = Path(page).read_text().split("## Reading them in Python", 1)[1].split("\n## ", 1)[0]
    code = re.search(r"```python\n(.*?)```", section, re.S).group(1)
    assert len(code.strip().splitlines()) == 5, code
    subprocess.run([sys.executable, "-c", code], cwd=folder, check=True, stdout=subprocess.DEVNULL)


def check_storage(path, deflate_level):
    """The flows uncompressed (or shuffled and deflated at the level asked), in chunks of R
    realizations, every month and S stations: here the 5 gauges in one block."""
    with netCDF4.Dataset(path) as nc:
        flow = nc.variables["flow"]
        filters = flow.filters()
        if deflate_level is None:
            assert not filters["zlib"] and not filters["shuffle"], filters
            assert "flow_deflate_level" not in nc.ncattrs()
        else:
            assert filters["zlib"] and filters["shuffle"] and filters["complevel"] == deflate_level, filters
            assert nc.getncattr("flow_deflate_level") == deflate_level
        realizations, months, stations = flow.chunking()
        assert (months, stations) == (600, 5), flow.chunking()
        assert 1 <= realizations <= 41 and realizations * months * stations * 4 >= 256 * 1024, flow.chunking()


def check_deflated_against(ds, flowplex, examples, folder):
    """The same run with --netcdf-deflate: the same dataset, the flows bit for bit."""
    run_example(flowplex, examples, folder, ("--netcdf", "deflated.nc", "--netcdf-deflate", str(DEFLATE_LEVEL),
                                             "--csv", "deflated"))
    check_storage(folder / "deflated.nc", DEFLATE_LEVEL)
    deflated = open_without_warnings(folder / "deflated.nc")
    assert np.array_equal(ds.flow.values.view(np.uint32), deflated.flow.values.view(np.uint32))
    assert deflated.attrs.pop("flow_deflate_level") == DEFLATE_LEVEL
    assert ds.identical(deflated)
    manifest = json.loads((folder / "deflated" / "manifest.json").read_text())
    assert manifest["netcdf_deflate_level"] == DEFLATE_LEVEL, manifest.keys()
    assert "netcdf_deflate_level" not in json.loads((folder / "results" / "manifest.json").read_text())
    assert (folder / "deflated.nc").stat().st_size < (folder / "run.nc").stat().st_size


def main():
    flowplex, examples, page = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as tmp:
        folder = Path(tmp)
        run_example(flowplex, examples, folder)
        check_storage(folder / "run.nc", None)
        ds = open_without_warnings(folder / "run.nc")
        check_dataset(ds)
        annual = check_annual_sums(ds, folder)
        check_tables(folder, annual)
        run_page_example(page, folder)
        check_deflated_against(ds, flowplex, examples, folder)
    print("the NetCDF file and the CSV tables read as expected")


if __name__ == "__main__":
    main()
