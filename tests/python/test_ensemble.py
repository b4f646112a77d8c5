"""RiverSystem.ensemble: the dataset of generate, generated lazily block by block."""
import os
import signal
import time

import dask
import numpy as np
import pytest
import xarray as xr
from distributed import Client, get_task_stream

import flowplex
from conftest import local_cluster

GENERATING = "flowplex-generate-"


def generating_tasks(keys):
    """The tasks that make blocks, by their keys (the task stream names them as text)."""
    return {str(k) for k in keys if GENERATING in str(k)}


@pytest.mark.parametrize("arguments", [
    dict(years=4, option="forecast", realizations=9, chunk=4),
    dict(years=3, option="bootstrap", realizations=range(45, 91), chunk=7, perturbation={"mean": 0.8, "cv": 1.25}),
    dict(years=2, realizations=(40, 44)),
], ids=["forecast", "bootstrap-perturbed-range", "default-chunk"])
def test_the_computed_ensemble_is_the_generated_one(examples, arguments):
    system = flowplex.RiverSystem(examples)
    lazy = system.ensemble(**arguments)
    chunk = arguments.get("chunk")
    count = lazy.sizes["realization"]
    assert lazy.flow.chunks[0] == ((chunk,) * (count // chunk) + ((count % chunk,) if count % chunk else ())
                                   if chunk else (count,))
    generated = system.generate(threads=2, **{k: v for k, v in arguments.items() if k != "chunk"})
    with dask.config.set(scheduler="sync"):
        xr.testing.assert_identical(lazy.compute(), generated)


def test_a_perturbation_file_is_read_by_the_workers_wherever_they_run(examples, tmp_path, monkeypatch):
    (examples / "factors.csv").write_text("gauge,mean,cv,months\n*,0.7,1.2,\n")
    monkeypatch.chdir(examples)
    system = flowplex.RiverSystem(".")
    lazy = system.ensemble(3, realizations=12, chunk=5, perturbation="factors.csv")
    generated = system.generate(3, realizations=12, perturbation="factors.csv")
    monkeypatch.chdir(tmp_path)
    with dask.config.set(scheduler="sync"):
        xr.testing.assert_identical(lazy.compute(), generated)


def test_reductions_on_a_cluster_are_those_of_generate(examples, client):
    system = flowplex.RiverSystem(examples)
    lazy = system.ensemble(6, option="bootstrap", realizations=50, chunk=8)
    eager = system.generate(6, option="bootstrap", realizations=50)
    for reduce in (lambda d: d.flow.min("realization"), lambda d: d.flow.max("realization"),
                   lambda d: d.flow.astype("float64").mean("realization"),
                   lambda d: d.index_year.sum("realization"), lambda d: d.start_state.sum()):
        xr.testing.assert_identical(reduce(lazy).compute(), reduce(eager))
    # A float32 mean is summed block by block, in another order than numpy's.
    xr.testing.assert_allclose(lazy.flow.mean("realization").compute(), eager.flow.mean("realization"), rtol=1e-6)
    kinds = client.run(lambda dask_worker: type(dask_worker.data).__name__)
    assert set(kinds.values()) == {"dict"}, "the workers would spill blocks to disk"


def test_each_block_is_made_by_one_task_whatever_is_computed(examples, client):
    lazy = flowplex.RiverSystem(examples).ensemble(3, realizations=23, chunk=5)
    graph = dict(lazy.__dask_graph__())
    assert len(generating_tasks(graph)) == 5
    with get_task_stream(client) as stream:
        dask.compute(lazy.flow.sum(), lazy.index_year.max(), lazy.start_state.min())
    assert len(generating_tasks(t["key"] for t in stream.data)) == 5


def test_the_workers_load_the_system_once_and_never_hold_it_in_a_task(examples, client):
    lazy = flowplex.RiverSystem(examples).ensemble(2, realizations=30, chunk=3)
    for task in dict(lazy.__dask_graph__()).values():
        assert "_core" not in repr(task)
    lazy.flow.sum().compute()
    loaded = client.run(lambda: [k[0] for k in flowplex.ensemble._systems])
    assert all(folders.count(os.path.abspath(examples)) <= 1 for folders in loaded.values())
    assert sum(folders.count(os.path.abspath(examples)) for folders in loaded.values()) >= 1


def test_a_worker_killed_while_blocks_are_made_changes_nothing(examples):
    system = flowplex.RiverSystem(examples)
    eager = system.generate(100, realizations=300)
    lazy = system.ensemble(100, realizations=300, chunk=10)
    with local_cluster() as cluster, Client(cluster) as client:
        total = client.compute(lazy.flow.astype("float64").sum("realization"))
        pids = client.run(os.getpid)
        deadline = time.monotonic() + 60
        while not any(client.processing().values()) and time.monotonic() < deadline:
            time.sleep(0.02)
        busy = next(address for address, keys in client.processing().items() if keys)
        os.kill(pids[busy], signal.SIGKILL)
        assert not total.done(), "the blocks were made before the worker was killed"
        xr.testing.assert_identical(total.result(), eager.flow.astype("float64").sum("realization"))


def test_wrong_arguments_are_refused_before_anything_is_made(examples):
    system = flowplex.RiverSystem(examples)
    for chunk, fault in ((0, ValueError), (True, TypeError), (2.5, TypeError), (-3, ValueError)):
        with pytest.raises(fault, match="chunk"):
            system.ensemble(2, chunk=chunk)
    with pytest.raises(ValueError, match="years"):
        system.ensemble(201)
    with pytest.raises(ValueError):
        system.ensemble(2, option="forecast", perturbation={"mean": 0.9})


def test_input_files_changed_after_the_ensemble_was_described_are_refused(examples):
    lazy = flowplex.RiverSystem(examples).ensemble(2, realizations=4)
    with open(examples / "PARMSET.DAT", "a") as f:
        f.write("\n")
    with dask.config.set(scheduler="sync"), pytest.raises(flowplex.InputError, match="not the one"):
        lazy.flow.compute()
