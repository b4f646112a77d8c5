"""RiverSystem.risk against the risk variables of the command line's NetCDF file."""
import shutil

import dask
import pytest
import xarray as xr

import flowplex

RUN = ["run", "--years", "6", "--option", "bootstrap", "--gauges", "2,4,4", "--analyses", "1",
       "--realizations", "58", "--netcdf", "run.nc"]


def command_line_risk(folder, names, attributes):
    """The file's variables of the names, with the given global attributes: the file's
    own list its inputs with the historic files the analyses read."""
    with xr.open_dataset(folder / "run.nc") as written:
        expected = written[names].load()
    assert {k: v for k, v in expected.attrs.items() if not k.startswith("input_")} == \
           {k: v for k, v in attributes.items() if not k.startswith("input_")}
    expected.attrs = attributes
    return expected


def test_lazy_and_eager_risk_are_the_command_lines(examples, flowplex_cli, client):
    flowplex_cli(examples, *RUN)
    system = flowplex.RiverSystem(examples)
    eager = system.risk(system.generate(6, option="bootstrap", realizations=58), [2, 4, 4])
    lazy = system.risk(system.ensemble(6, option="bootstrap", realizations=58, chunk=13), [2, 4, 4])
    expected = command_line_risk(examples, list(eager.data_vars), eager.attrs)
    xr.testing.assert_identical(eager, expected)
    xr.testing.assert_identical(lazy, expected)


def test_one_gauge_in_blocks_of_one_realization_and_without_a_cluster(examples, flowplex_cli):
    flowplex_cli(examples, "run", "--years", "3", "--option", "rigorous", "--gauges", "4", "--analyses", "1",
                 "--netcdf", "run.nc")
    system = flowplex.RiverSystem(examples)
    with dask.config.set(scheduler="sync"):
        lazy = system.risk(system.ensemble(3, chunk=1), 4)
    xr.testing.assert_identical(lazy, command_line_risk(examples, list(lazy.data_vars), lazy.attrs))


def test_wrong_data_and_gauges_are_refused(examples, tmp_path):
    system = flowplex.RiverSystem(examples)
    ensemble = system.generate(2, realizations=41)
    for gauges, fault in ((0, ValueError), (6, ValueError), ([1] * 16, ValueError), ([], ValueError),
                          (True, TypeError), ("4", TypeError), ([4, 2.0], TypeError)):
        with pytest.raises(fault, match="gauges"):
            system.risk(ensemble, gauges)
    for data, fault in ((ensemble.flow, TypeError), (ensemble.drop_vars("flow"), TypeError),
                        (system.generate(2, realizations=40), ValueError),
                        (system.generate(2, realizations=(2, 45)), ValueError),
                        (xr.Dataset({"flow": ensemble.flow}), ValueError)):
        with pytest.raises(fault, match="data"):
            system.risk(data, 4)
    other = tmp_path / "other"
    shutil.copytree(examples, other)
    with open(other / "PARMSET.DAT", "a") as f:
        f.write("\n")
    with pytest.raises(ValueError, match="not of this river system"):
        flowplex.RiverSystem(other).risk(ensemble, 4)
    with pytest.raises(flowplex.InputError, match="XYZ"):
        system.risk(ensemble, 4, historic="XYZ")
