"""Ctrl-C during a long generation, and fit against the command line."""
import filecmp
import os
import signal
import subprocess
import sys
import textwrap

import pandas as pd
import pytest

import flowplex

RECORDS = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "fit", "data",
                       "colorado_four_nodes.csv")


def test_ctrl_c_stops_a_long_generation_with_keyboard_interrupt(examples):
    # In a process of its own: the interrupt goes to the interpreter's main thread while
    # the generation runs on others, far from done when it comes.
    script = textwrap.dedent(f"""
        import os, signal, sys, threading, time
        import flowplex
        system = flowplex.RiverSystem({str(examples)!r})
        sent = []
        def interrupt():
            sent.append(time.monotonic())
            os.kill(os.getpid(), signal.SIGINT)
        threading.Timer(1.0, interrupt).start()
        try:
            system.generate(200, realizations=200000, threads=2)
        except KeyboardInterrupt:
            print("stopped after", time.monotonic() - sent[0])
            sys.exit(0)
        sys.exit("the generation was not stopped")
    """)
    done = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=120)
    assert done.returncode == 0, done.stdout + done.stderr
    assert done.stdout.startswith("stopped after")
    # Far below the minutes the whole request takes; the bound is loose for a shared machine.
    assert float(done.stdout.split()[-1]) < 10


def test_fit_writes_what_the_command_line_writes(tmp_path, flowplex_cli):
    flowplex_cli(tmp_path, "fit", "--records", RECORDS, "--scale", "0.001", "--out", "by_cli")
    system = flowplex.fit(RECORDS, tmp_path / "by_python", scale=0.001)
    assert isinstance(system, flowplex.RiverSystem)
    assert len(system.gauges) == 4
    names = sorted(os.listdir(tmp_path / "by_cli"))
    assert sorted(os.listdir(tmp_path / "by_python")) == names
    same, differ, errors = filecmp.cmpfiles(tmp_path / "by_cli", tmp_path / "by_python", names, shallow=False)
    # The fit report names the folder it wrote.
    assert set(differ) <= {"fit_report.txt", "fit_report.csv"} and not errors


def test_fit_takes_a_table_of_records_and_refuses_what_cannot_be_fitted(tmp_path):
    records = pd.read_csv(RECORDS)
    system = flowplex.fit(records, tmp_path / "from_table", scale=0.001, keys=[1, 2], title="COLORADO")
    assert system.title == "COLORADO"
    assert system.gauges.key_gauge.tolist()[:2] == [True, True]
    with pytest.raises(flowplex.InputError, match="--scale"):
        flowplex.fit(records, tmp_path / "too_wide")
    assert not os.path.exists(tmp_path / "too_wide")
    with pytest.raises(ValueError, match="scale"):
        flowplex.fit(records, tmp_path / "no_scale", scale=0)
