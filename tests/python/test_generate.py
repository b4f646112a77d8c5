"""RiverSystem.generate against the command line's NetCDF file of the same run."""
import numpy as np
import pandas as pd
import pytest
import xarray as xr

import flowplex

RUNS = [
    # (command-line flags, generate's arguments)
    (["--years", "5", "--option", "rigorous"], dict(years=5, option="rigorous")),
    (["--years", "6", "--option", "bootstrap"], dict(years=6, option=1)),
    (["--years", "4", "--option", "forecast"], dict(years=4, option=3)),
    (["--years", "3", "--option", "rigorous", "--realizations", "45-90"], dict(years=3, realizations=range(45, 91))),
    (["--years", "3", "--option", "bootstrap", "--realizations", "60", "--perturb", "mean=0.8,cv=1.25"],
     dict(years=3, option="bootstrap", realizations=60, perturbation={"mean": 0.8, "cv": 1.25})),
    (["--years", "2", "--option", "rigorous", "--realizations", "40-44",
      "--perturb", "mean=1.1,months=1:1:1:1:1:1:1.2:1.2:1:1:1:1"],
     dict(years=2, realizations=(40, 44),
          perturbation={"mean": 1.1, "months": [1, 1, 1, 1, 1, 1, 1.2, 1.2, 1, 1, 1, 1]})),
]


@pytest.mark.parametrize("flags, arguments", RUNS, ids=lambda r: " ".join(r) if isinstance(r, list) else None)
def test_the_dataset_is_the_command_lines_file(examples, flowplex_cli, flags, arguments):
    flowplex_cli(examples, "run", *flags, "--gauges", "none", "--netcdf", "run.nc")
    dataset = flowplex.RiverSystem(examples).generate(threads=2, **arguments)
    with xr.open_dataset(examples / "run.nc") as written:
        xr.testing.assert_identical(dataset, written)


def test_a_perturbation_file_or_table_is_the_command_lines_file(examples, flowplex_cli):
    table = pd.DataFrame({"gauge": ["2", "*"], "mean": [0.7, 1.0], "cv": [1.3, 1.1],
                          "months": ["", "1:1:1:1:1:2:2:1:1:1:1:1"]})
    table.to_csv(examples / "factors.csv", index=False)
    flowplex_cli(examples, "run", "--years", "3", "--option", "rigorous", "--gauges", "none",
                 "--perturbation", "factors.csv", "--netcdf", "run.nc")
    system = flowplex.RiverSystem(examples)
    from_file = system.generate(3, perturbation=examples / "factors.csv")
    from_table = system.generate(3, perturbation=table)
    with xr.open_dataset(examples / "run.nc") as written:
        # The attribute that names the factors' source names it as each was given it.
        assert from_file.attrs.pop("perturbation").endswith("factors.csv")
        assert written.attrs.pop("perturbation") == "FACTORS OF factors.csv"
        xr.testing.assert_identical(from_file, written)
    assert from_table.attrs.pop("perturbation") == "FACTORS OF DataFrame"
    xr.testing.assert_identical(from_table, from_file)


def test_realization_k_is_the_same_whatever_the_range_and_threads(examples):
    system = flowplex.RiverSystem(examples)
    whole = system.generate(4, option="bootstrap", realizations=50, threads=1)
    part = system.generate(4, option="bootstrap", realizations=(43, 50), threads=2)
    xr.testing.assert_identical(whole.flow.sel(realization=slice(43, 50)), part.flow)
    np.testing.assert_array_equal(whole.start_state.sel(realization=slice(43, 50)), part.start_state)


def test_forecast_years_have_no_index_year_and_other_options_whole_numbers(examples):
    system = flowplex.RiverSystem(examples)
    assert system.generate(2, option="forecast", realizations=3).index_year.isnull().all()
    index_year = system.generate(2, option="bootstrap", realizations=3).index_year
    assert index_year.dtype == np.int32
    first, last = system.common_period
    assert ((index_year >= first - 100) & (index_year <= last + 100)).all()


def test_the_gauges_and_the_check(examples, flowplex_cli):
    system = flowplex.RiverSystem(examples)
    gauges = system.gauges
    assert list(gauges.columns) == ["number", "name", "stem", "key_gauge", "first_year", "last_year"]
    dataset = system.generate(1, realizations=1)
    assert gauges.number.tolist() == dataset.gauge_number.values.tolist()
    assert gauges.stem.tolist() == dataset.file_stem.values.tolist()
    assert gauges.key_gauge.astype(int).tolist() == dataset.key_gauge.values.tolist()

    report = system.check()
    assert report.ok and not report.problems
    cli = flowplex_cli(examples, "check")
    assert report.text == cli.stdout
    for finding in report.warnings:
        assert finding.message.splitlines()[0] in cli.stdout


def test_the_dataset_holds_the_arrays_the_threads_wrote(examples, monkeypatch):
    written = {}
    generate_into = flowplex._core.generate_into

    def remembered(*args):
        written.update(flow=args[-3], index_year=args[-2], start_state=args[-1])
        return generate_into(*args)

    monkeypatch.setattr(flowplex._core, "generate_into", remembered)
    dataset = flowplex.RiverSystem(examples).generate(3, realizations=5)
    for name, array in written.items():
        assert np.shares_memory(dataset[name].values, array), name
