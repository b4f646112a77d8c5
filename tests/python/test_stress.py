"""RiverSystem.stress against the command line's --netcdf file of the same stress test,
on one process and on a Dask cluster, and its refusals."""
import pandas as pd
import pytest
import xarray as xr

import flowplex

SCENARIOS = pd.DataFrame({"scenario": ["dry", "shifted", "shifted"], "gauge": ["*", "2", "*"],
                          "mean": [0.8, 1.0, 0.9], "cv": [1.1, 1.0, 1.0],
                          "months": ["", "2:2:2:1:1:1:1:1:1:1:1:1", ""]})
PROJECTIONS = pd.DataFrame({"label": ["RCP 8.5"], "mean": [0.92], "cv": [1.15]})


def test_a_grid_with_storages_and_projections_is_the_command_lines_file(examples, flowplex_cli):
    PROJECTIONS.to_csv(examples / "projections.csv", index=False)
    flowplex_cli(examples, "stress", "--years", "6", "--option", "rigorous", "--gauges", "1,2", "--realizations", "12",
                 "--mean", "0.9:1:0.1", "--cv", "1:1.2:0.2", "--storage", "40,80", "--yields", "30,70",
                 "--projections", "projections.csv", "--netcdf", "s.nc")
    surface = flowplex.RiverSystem(examples).stress(6, gauges=[1, 2], realizations=12, mean=(0.9, 1, 0.1),
                                                    cv="1:1.2:0.2", storage=[40, 80], yields=[30, 70],
                                                    projections=PROJECTIONS, threads=2)
    with xr.open_dataset(examples / "s.nc") as written:
        xr.testing.assert_identical(surface, written)


def test_named_scenarios_and_a_shard_are_the_command_lines_files(examples, flowplex_cli):
    SCENARIOS.to_csv(examples / "scenarios.csv", index=False)
    system = flowplex.RiverSystem(examples)
    for realizations, flag in ((10, "10"), ((4, 9), "4-9")):
        flowplex_cli(examples, "stress", "--years", "5", "--option", "bootstrap", "--gauges", "2,3",
                     "--realizations", flag, "--scenarios", "scenarios.csv", "--storage", "25", "--netcdf", "s.nc")
        surface = system.stress(5, option="bootstrap", gauges="2,3", realizations=realizations,
                                scenarios=examples / "scenarios.csv", storage=25)
        with xr.open_dataset(examples / "s.nc") as written:
            xr.testing.assert_identical(surface, written)
    table = system.stress(5, option="bootstrap", gauges=[2, 3], realizations=10, scenarios=SCENARIOS, storage=25)
    xr.testing.assert_identical(table, system.stress(5, option="bootstrap", gauges=[2, 3], realizations=10,
                                                     scenarios=examples / "scenarios.csv", storage=25))


def test_shards_on_a_dask_cluster_are_the_one_process_surface(examples):
    distributed = pytest.importorskip("distributed")
    system = flowplex.RiverSystem(examples)
    request = dict(gauges=[1, 2], realizations=45, mean=(0.9, 1.0, 0.1), cv=(1.0, 1.1, 0.1), storage=50)
    one = system.stress(4, **request)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        xr.testing.assert_identical(system.stress(4, client=client, **request), one)


@pytest.mark.parametrize("arguments, error, words", [
    (dict(mean=(1.1, 0.9, 0.1), cv=(1, 1, 1)), ValueError, "mean: TO comes before FROM"),
    (dict(mean=(1, 1, 1), cv="1:1.2:0"), ValueError, "cv: the step is above 0"),
    (dict(mean=(0.5, 1.5, 0.01), cv=(0.5, 1.5, 0.1)), ValueError, "more than 400"),
    (dict(yields=[30, 33]), ValueError, "yields: \"33\" is not a yield level"),
    (dict(reliabilities=[100]), ValueError, "reliabilities: \"100\" is not a reliability"),
    (dict(storage=[50, 0]), ValueError, "storage: \"0\" is not a storage"),
    (dict(yields=[30.0]), TypeError, "yields"),
    (dict(mean=0.9), TypeError, "mean"),
    (dict(gauges=None), ValueError, "gauges: a stress test analyses gauges"),
    (dict(option="forecast"), ValueError, "not the forecasting mode"),
    (dict(gauges=[7]), flowplex.InputError, "GAUGE NO. 7"),
    (dict(scenarios=SCENARIOS), ValueError, "scenarios: a scenarios table takes the place of mean and cv"),
])
def test_refusals_name_the_argument_and_the_limit(examples, arguments, error, words):
    request = dict(gauges=[1], realizations=3, mean=(0.9, 1, 0.1), cv=(1, 1, 1))
    request.update(arguments)
    with pytest.raises(error, match=words.replace("(", r"\(").replace(".", r"\.")):
        flowplex.RiverSystem(examples).stress(3, **request)


def test_a_scenario_the_river_system_refuses_is_named(examples):
    table = pd.DataFrame({"scenario": ["far"], "gauge": ["7"], "mean": [0.8], "cv": [1], "months": [""]})
    with pytest.raises(ValueError, match="scenario far: gauge 7 is not in the river system"):
        flowplex.RiverSystem(examples).stress(3, gauges=[1], realizations=3, scenarios=table)
    bad = pd.DataFrame({"scenario": ["wet"], "gauge": ["*"], "mean": ["x"], "cv": [1], "months": [""]})
    with pytest.raises(ValueError, match="DataFrame line 2: the mean factor \"x\" is not a number"):
        flowplex.RiverSystem(examples).stress(3, gauges=[1], realizations=3, scenarios=bad)
