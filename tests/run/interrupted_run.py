#!/usr/bin/python3
"""A run stopped by SIGINT or SIGTERM while it waits at a prompt, with its NetCDF file, CSV
folder and page under way, and an ensemble of 5000 realizations stopped while it generates,
with its per-realization CSV files under way: each exits with 130 or 143 within a second,
says so in one console line, and leaves the folder holding only its inputs and the report
files it had opened (none for the ensemble, which tests no gauge). An ensemble of 300 whose
gauges wait for their analyses at the prompt leaves no scratch file of realizations 42 on.
A run whose scratch file meets a file-size limit (ulimit -f) ends with status 1 and a line
naming that file, and leaves nothing behind either.

    interrupted_run.py FLOWPLEX EXAMPLES_DIR
"""
import os
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import time

REPORTS = {"SEQPROBE.ANS", "SEQPROBE.PIN", "SEQPROBE.PN2", "GAUGE.ANN"}
# The dialogue up to generation: years, option, gauges, the end of the list, the parameter file.
ANSWERS = "50\n0\n1\n2\n0\n\n"
PROMPT = b"ENTER THE HISTORIC FILE TYPE"


def read_until(stream, marker, seconds):
    """The console until the marker shows, or None after the time allowed."""
    seen, deadline = b"", time.monotonic() + seconds
    os.set_blocking(stream.fileno(), False)
    while marker not in seen:
        if time.monotonic() > deadline:
            return None
        chunk = stream.read()
        if chunk:
            seen += chunk
        else:
            time.sleep(0.05)
    return seen


def at_the_prompt(run, work):
    """Answers the dialogue up to the historic file question and waits there."""
    run.stdin.write(ANSWERS.encode())
    run.stdin.flush()
    return read_until(run.stdout, PROMPT, 120) is not None


def generating_realizations(run, work):
    """Waits until the ensemble has written sequence files of several realizations."""
    sequences, deadline = os.path.join(work, "results", "sequences"), time.monotonic() + 120
    while time.monotonic() < deadline and run.poll() is None:
        if os.path.isdir(sequences) and len(os.listdir(sequences)) >= 3:
            return True
        time.sleep(0.05)
    return False


ENSEMBLE = ["run", "--years", "200", "--option", "rigorous", "--gauges", "none", "--realizations", "5000",
            "--netcdf", "run.nc", "--csv", "results"]
DIALOGUE = ["--netcdf", "run.nc", "--csv", "results", "--html", "report.html"]


def interrupted_run(exe, examples, sig, expected_status, args=DIALOGUE, reach=at_the_prompt, reports=REPORTS):
    problems = []
    with tempfile.TemporaryDirectory() as work:
        for name in os.listdir(examples):
            shutil.copy(os.path.join(examples, name), work)
        inputs = set(os.listdir(work))
        run = subprocess.Popen([exe, *args], cwd=work, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        if not reach(run, work):
            run.kill()
            return [f"{sig.name} {args[0]}: the run never reached the point to interrupt"]
        sent = time.monotonic()
        run.send_signal(sig)
        try:
            status = run.wait(timeout=5)
        except subprocess.TimeoutExpired:
            run.kill()
            return [f"{sig.name}: the run did not stop"]
        if time.monotonic() - sent > 1.0:
            problems.append(f"{sig.name}: took {time.monotonic() - sent:.2f} s to stop")
        console = read_until(run.stdout, b"\n", 1) or b""
        rest = run.stdout.read() or b""
        last = (console + rest).decode().rstrip("\n").split("\n")[-1]
        if status != expected_status:
            problems.append(f"{sig.name}: status {status}, expected {expected_status}")
        if last != f" *** RUN INTERRUPTED BY {sig.name} ***":
            problems.append(f"{sig.name}: last console line {last!r}")
        left = set(os.listdir(work)) - inputs - reports
        if left:
            problems.append(f"{sig.name}: left behind {sorted(left)}")
    return problems


def file_size_limit(exe, examples):
    """The scratch file of an ensemble outgrows a 200 KiB file-size limit."""
    with tempfile.TemporaryDirectory() as work:
        for name in os.listdir(examples):
            shutil.copy(os.path.join(examples, name), work)
        inputs = set(os.listdir(work))
        limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (200 * 1024, resource.RLIM_INFINITY))
        run = subprocess.run([exe, *DIALOGUE, "--realizations", "300"], cwd=work, input=(ANSWERS + "HIS\nHIS\n").encode(),
                             stdout=subprocess.PIPE, preexec_fn=limit, timeout=120)
        console = run.stdout.decode()
        problems = []
        if run.returncode != 1:
            problems.append(f"file-size limit: status {run.returncode}, expected 1")
        if "*** CANNOT WRITE THE SCRATCH FILE ./.realizations." not in console:
            problems.append(f"file-size limit: no line names the scratch file: {console[-300:]!r}")
        left = set(os.listdir(work)) - inputs - REPORTS
        if left:
            problems.append(f"file-size limit: left behind {sorted(left)}")
    return problems


def main():
    exe, examples = sys.argv[1], sys.argv[2]
    problems = interrupted_run(exe, examples, signal.SIGINT, 130)
    problems += interrupted_run(exe, examples, signal.SIGTERM, 143)
    problems += interrupted_run(exe, examples, signal.SIGTERM, 143, DIALOGUE + ["--realizations", "300"])
    problems += file_size_limit(exe, examples)
    for sig, status in ((signal.SIGINT, 130), (signal.SIGTERM, 143)):
        problems += interrupted_run(exe, examples, sig, status, ENSEMBLE, generating_realizations, set())
    for p in problems:
        print(p)
    print("interrupted runs:", "FAILED" if problems else "passed")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
