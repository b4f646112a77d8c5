#!/usr/bin/python3
"""The library's realization k against the command line's NetCDF export of the same run.

flowplex_realization reads the example river system from its folder (the test runs it from
another working folder, so nothing is found by the working folder) and prints realization
K's monthly flows as the shortest text of each float; the command line writes the same
realization to NetCDF. Every value must read back as the same float32 bits, for each
option, for a realization the reports describe and for one beyond the 41.

    realization_against_netcdf.py FLOWPLEX FLOWPLEX_REALIZATION EXAMPLES_DIR
"""
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

import numpy as np
import xarray as xr

YEARS = 12


def netcdf_flows(exe, examples, work, option, k):
    folder = work / f"{option}-{k}"
    shutil.copytree(examples, folder)
    done = subprocess.run([exe, "run", "--years", str(YEARS), "--option", option, "--gauges", "none",
                           "--realizations", f"{k}-{k}", "--netcdf", "r.nc"],
                          cwd=folder, capture_output=True, text=True)
    assert done.returncode == 0, (option, k, done.stdout[-2000:], done.stderr)
    with xr.open_dataset(folder / "r.nc") as ds:
        return ds.flow.sel(realization=k).values


def library_flows(tool, examples, work, option, k):
    done = subprocess.run([tool, str(examples), str(YEARS), option, str(k)], cwd=work, capture_output=True,
                          text=True)
    assert done.returncode == 0, (option, k, done.stderr)
    lines = done.stdout.splitlines()
    assert len(lines) == YEARS * 12, len(lines)
    return np.array([[np.float32(v) for v in line.split()] for line in lines], dtype=np.float32)


def refusals(tool, examples, work):
    for args, status in ((["20", "sideways", "1"], 2), (["0", "rigorous", "1"], 2), (["20", "rigorous", "x"], 2),
                         (["20", "rigorous", "0"], 2)):
        done = subprocess.run([tool, str(examples), *args], cwd=work, capture_output=True, text=True)
        assert done.returncode == status and done.stdout == "", (args, done.returncode, done.stderr)
    missing = subprocess.run([tool, str(work / "no such folder"), "20", "rigorous", "1"], cwd=work,
                             capture_output=True, text=True)
    assert missing.returncode == 1 and "no such folder" in missing.stderr, missing.stderr


def main(exe, tool, examples):
    examples = Path(examples).resolve()
    with tempfile.TemporaryDirectory() as tmp:
        work = Path(tmp)
        for option in ("rigorous", "bootstrap", "forecast"):
            for k in (3, 45):
                expected = netcdf_flows(exe, examples, work, option, k)
                got = library_flows(tool, examples, work, option, k)
                assert got.shape == expected.shape, (option, k, got.shape, expected.shape)
                assert np.array_equal(got.view(np.uint32), expected.view(np.uint32)), (option, k)
        refusals(tool, examples, work)
    print("the library's realizations equal the command line's NetCDF flows bit for bit")


if __name__ == "__main__":
    main(*sys.argv[1:])
