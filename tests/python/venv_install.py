#!/usr/bin/python3
"""The install the docs show, offline: a copy of the source tree installed with pip into a
fresh `venv --system-site-packages` of Debian's Python, then imported from elsewhere and
used on the example river system.

    venv_install.py SOURCE_DIR
"""
import os
import shutil
import subprocess
import sys
import tempfile

SCRIPT = """
import flowplex, sys
assert flowplex.__file__.startswith(sys.prefix), flowplex.__file__
system = flowplex.RiverSystem(sys.argv[1])
ensemble = system.generate(2, option="bootstrap", realizations=3)
assert ensemble.flow.shape == (3, 24, len(system.gauges)), ensemble.flow.shape
print("installed", flowplex.__version__)
"""


def main(source):
    with tempfile.TemporaryDirectory(prefix="flowplex-venv-") as scratch:
        tree = os.path.join(scratch, "flowplex")
        shutil.copytree(source, tree, ignore=shutil.ignore_patterns("build*", ".git", "__pycache__", "*.egg-info"))
        env = os.path.join(scratch, "env")
        subprocess.run(["/usr/bin/python3", "-m", "venv", "--system-site-packages", env], check=True)
        python = os.path.join(env, "bin", "python")
        subprocess.run([python, "-m", "pip", "install", "--no-build-isolation", "--no-index", "--quiet", tree],
                       check=True, env=dict(os.environ, CMAKE_BUILD_PARALLEL_LEVEL="2"))
        subprocess.run([python, "-c", SCRIPT, os.path.join(tree, "examples")], check=True, cwd=scratch)


if __name__ == "__main__":
    main(sys.argv[1])
