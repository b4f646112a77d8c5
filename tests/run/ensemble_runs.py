#!/usr/bin/python3
"""Ensembles of the example river system, read as their users read them.

  - a plain run and a run of 200 realizations: the reports and the console byte for byte the
    same, realizations 1 to 41 of the NetCDF file equal to the plain run's bit for bit;
  - 200 realizations on one thread and on two: the same file;
  - shards 1-70 and 71-200, run side by side in one folder without report files, combined by
    xarray.open_mfdataset: every value equal to the run of 200;
  - the CSV sequence files of a large ensemble: seven-digit names, the range in the manifest.

    ensemble_runs.py FLOWPLEX EXAMPLES_DIR
"""
import filecmp
import json
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

import numpy as np
import xarray as xr

REPORTS = ("SEQPROBE.ANS", "SEQPROBE.PIN", "SEQPROBE.PN2", "GAUGE.ANN")
RUN = ["run", "--years", "30", "--option", "rigorous"]
PER_REALIZATION = ("flow", "index_year", "start_state")


def copy_of(examples, folder):
    folder.mkdir()
    for f in Path(examples).iterdir():
        shutil.copy(f, folder)
    return folder


def flowplex(exe, folder, *args):
    done = subprocess.run([exe, *args], cwd=folder, capture_output=True, text=True)
    assert done.returncode == 0, (args, done.stdout[-2000:], done.stderr)
    return done.stdout


def open_run(path):
    return xr.open_dataset(path).load()


def same_values(a, b, what):
    """Every variable and coordinate of b in a and equal to a's, bit for bit."""
    assert set(b.variables) <= set(a.variables), (what, set(b.variables) - set(a.variables))
    for name in b.variables:
        assert np.array_equal(a[name].values, b[name].values), (what, name)


def check_the_first_41(exe, examples, work):
    plain = copy_of(examples, work / "plain")
    ensemble = copy_of(examples, work / "ensemble")
    args = RUN + ["--gauges", "1,2", "--netcdf", "run.nc"]
    plain_console = flowplex(exe, plain, *args)
    ensemble_console = flowplex(exe, ensemble, *args, "--realizations", "200", "--threads", "2")
    assert plain_console == ensemble_console, "the console differs with --realizations 200"
    for report in REPORTS:
        assert filecmp.cmp(plain / report, ensemble / report, shallow=False), report
    first, many = open_run(plain / "run.nc"), open_run(ensemble / "run.nc")
    assert list(many.realization.values) == list(range(1, 201))
    assert many.attrs["first_realization"] == 1 and many.attrs["last_realization"] == 200
    for name in PER_REALIZATION:
        assert np.array_equal(first[name].values, many[name].values[:41]), name
    assert many.realization.attrs["standard_name"] == "realization" and many.realization.attrs["long_name"]
    return ensemble / "run.nc"


def check_threads_agree(exe, examples, work, two_threads):
    one = copy_of(examples, work / "one_thread")
    flowplex(exe, one, *RUN, "--gauges", "1,2", "--netcdf", "run.nc", "--realizations", "200", "--threads", "1")
    assert filecmp.cmp(one / "run.nc", two_threads, shallow=False), "--threads 1 and 2 wrote different files"


def check_shards_combine(exe, examples, work, whole):
    shards = copy_of(examples, work / "shards")
    inputs = set(p.name for p in shards.iterdir())
    runs = [subprocess.Popen([exe, *RUN, "--gauges", "none", "--realizations", r, "--netcdf", f"shard-{r}.nc"],
                             cwd=shards, stdout=subprocess.PIPE, text=True)
            for r in ("71-200", "1-70")]
    consoles = [r.communicate()[0] for r in runs]
    assert all(r.returncode == 0 for r in runs), consoles
    assert "SEQ NO." not in consoles[0] and "Start Random" not in consoles[0], "shard 71-200 wrote sequence lines"
    assert " SEQ NO.         41\n" in consoles[1], "shard 1-70 does not describe sequences 1 to 41"
    assert set(p.name for p in shards.iterdir()) - inputs == {"shard-1-70.nc", "shard-71-200.nc"}, \
        "the shards wrote more than their NetCDF files"
    files = sorted(shards.glob("shard-*.nc"), key=lambda p: int(p.name.split("-")[1]))
    with xr.open_mfdataset(files, combine="nested", concat_dim="realization") as combined:
        combined = combined.load()
    one_run = open_run(whole)
    same_values(one_run, combined, "shards 1-70 and 71-200")
    # The whole run read the historic files of its gauges too; the shards read the same files.
    digests = {xr.open_dataset(f).attrs["input_digest"] for f in files}
    assert len(digests) == 1, digests


def check_csv_of_a_large_ensemble(exe, examples, work):
    folder = copy_of(examples, work / "csv")
    flowplex(exe, folder, *RUN, "--gauges", "none", "--realizations", "99-101", "--csv", "results")
    names = sorted(p.name for p in (folder / "results" / "sequences").iterdir())
    assert names == ["sequence_0000099.csv", "sequence_0000100.csv", "sequence_0000101.csv"], names
    manifest = json.loads((folder / "results" / "manifest.json").read_text())
    assert manifest["realizations"] == {"first": 99, "last": 101}, manifest.get("realizations")
    assert len(manifest["start_states"]) == 3
    assert not any(o["path"] in REPORTS for o in manifest["outputs"]), "the manifest lists reports never written"
    assert not any((folder / r).exists() for r in REPORTS), "an export-only run wrote a report"
    hidden = [p.name for p in (folder / "results").rglob(".*")]
    assert not hidden, hidden


def main():
    exe, examples = str(Path(sys.argv[1]).resolve()), sys.argv[2]
    with tempfile.TemporaryDirectory() as scratch:
        work = Path(scratch)
        two_threads = check_the_first_41(exe, examples, work)
        check_threads_agree(exe, examples, work, two_threads)
        check_shards_combine(exe, examples, work, two_threads)
        check_csv_of_a_large_ensemble(exe, examples, work)
    print("ensemble runs: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
