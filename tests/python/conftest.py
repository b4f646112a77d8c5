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
