"""The river system of examples/ in a scratch folder for each test, and the command line
the module is compared with (FLOWPLEX: the executable of the same build)."""
import os
import shutil
import subprocess

import pytest

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


@pytest.fixture
def examples(tmp_path):
    folder = tmp_path / "examples"
    shutil.copytree(os.path.join(SOURCE, "examples"), folder)
    return folder


@pytest.fixture
def flowplex_cli():
    """Runs the command line in a folder; returns the finished process."""
    executable = os.environ["FLOWPLEX"]

    def run(folder, *arguments, status=0):
        done = subprocess.run([executable, "-C", str(folder), *arguments], capture_output=True, text=True)
        assert done.returncode == status, done.stdout + done.stderr
        return done

    return run


# Workers that keep every block in memory: no flow is ever written to their disk.
NO_SPILLING = {"distributed.worker.memory.target": False, "distributed.worker.memory.spill": False}


def local_cluster():
    """Two worker processes of one thread each, without dashboards, spilling nothing."""
    import dask
    from distributed import LocalCluster
    with dask.config.set(NO_SPILLING):
        return LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None,
                            worker_dashboard_address=None, silence_logs=40)


@pytest.fixture(scope="module")
def client():
    from distributed import Client
    with local_cluster() as cluster, Client(cluster) as connected:
        yield connected
