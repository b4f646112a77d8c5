#!/usr/bin/python3
"""tools/ensemble.py on a LocalCluster of two workers: three shards of the example river
system combine to what one run of the same realizations writes, and so they do when a
worker is killed while it makes its shard (Dask runs the shard again on another worker).

    ensemble_tool.py FLOWPLEX EXAMPLES_DIR TOOL
"""
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import xarray as xr

from ensemble_runs import same_values

REALIZATIONS = 60
# Long enough years that a shard is still being made when the worker is killed.
RUN = ["run", "--years", "200", "--option", "rigorous", "--gauges", "none"]


def children(pid):
    found = []
    for task in Path(f"/proc/{pid}/task").iterdir():
        found += [int(c) for c in (task / "children").read_text().split()]
    return found


def descendants(pid):
    found = []
    for child in children(pid):
        found += [child] + descendants(child)
    return found


def command_of(pid):
    return Path(f"/proc/{pid}/cmdline").read_bytes().split(b"\0")[0].decode()


def kill_a_worker_making_a_shard(tool, exe, seconds=120):
    """Waits for a flowplex run under the tool and kills the worker process that runs it."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline and tool.poll() is None:
        try:
            for pid in descendants(tool.pid):
                if command_of(pid) == exe:
                    worker = int(Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()[1])
                    os.kill(worker, signal.SIGKILL)
                    return True
        except (FileNotFoundError, ProcessLookupError):
            pass  # a process ended while it was looked at
        time.sleep(0.05)
    return False


def ensemble(tool, exe, river, out, kill_a_worker):
    command = ["/usr/bin/python3", tool, "--flowplex", exe, "--realizations", str(REALIZATIONS), "--shards", "3",
               "--out", str(out), "--workers", "2", "--", "-C", river.name, *RUN]
    run = subprocess.Popen(command, cwd=river.parent, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    killed = kill_a_worker_making_a_shard(run, exe) if kill_a_worker else False
    stdout, stderr = run.communicate(timeout=600)
    assert run.returncode == 0, (run.returncode, stdout, stderr[-3000:])
    assert killed or not kill_a_worker, "no worker was seen making a shard"
    record = json.loads((out / "ensemble.json").read_text())
    assert [(s["first"], s["last"]) for s in record["shards"]] == [(1, 20), (21, 40), (41, 60)], record
    files = [out / s["file"] for s in record["shards"]]
    with xr.open_mfdataset(files, combine="nested", concat_dim="realization") as combined:
        combined = combined.load()
    assert combined.attrs["input_digest"] == record["input_digest"]
    return combined


def main():
    exe, examples, tool = str(Path(sys.argv[1]).resolve()), sys.argv[2], str(Path(sys.argv[3]).resolve())
    with tempfile.TemporaryDirectory() as scratch:
        work = Path(scratch)
        river = work / "river"
        river.mkdir()
        for f in Path(examples).iterdir():
            shutil.copy(f, river)
        subprocess.run([exe, *RUN, "--realizations", str(REALIZATIONS), "--netcdf", "one.nc"], cwd=river,
                       check=True, stdout=subprocess.DEVNULL)
        one_run = xr.open_dataset(river / "one.nc").load()
        same_values(one_run, ensemble(tool, exe, river, work / "shards", False), "three shards")
        same_values(one_run, ensemble(tool, exe, river, work / "after_a_kill", True), "a worker killed")
        left = [p.name for p in (work / "after_a_kill").iterdir() if p.name.startswith(".")]
        assert not left, f"temporary files left: {left}"
    print("ensemble tool: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
