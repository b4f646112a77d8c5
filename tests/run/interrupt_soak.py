#!/usr/bin/python3
"""Many runs stopped by SIGINT and SIGTERM at moments drawn at random, while a second run of
flowplex keeps the other core busy: at the historic file prompt with the NetCDF file, CSV
folder and page under way; just after the dialogue's answers, while the run makes its
folders, temporary files and scratch file and generates; and while an ensemble generates
its per-realization CSV files. Every run must exit with 130 or 143, say so in its last
console line, and leave the folder holding only its inputs and the report files it had
opened. The moments are drawn from a seed that is printed, so that a failure can be
replayed (--seed).

    interrupt_soak.py FLOWPLEX EXAMPLES_DIR [--rounds N] [--seed S]
"""
import argparse
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
from interrupted_run import ANSWERS, DIALOGUE, ENSEMBLE, PROMPT, REPORTS, read_until

STATUS = {signal.SIGINT: 130, signal.SIGTERM: 143}
# The load on the other core: an ensemble far longer than the soak, writing nothing but its
# reports' absence (no gauge is tested).
LOAD = ["run", "--years", "200", "--option", "rigorous", "--gauges", "none", "--realizations", "1000000"]


def copy_inputs(examples, work):
    for name in os.listdir(examples):
        shutil.copy(os.path.join(examples, name), work)


def moment(rng, longest):
    """A wait drawn evenly on a log scale from a tenth of a millisecond to `longest` seconds:
    as many signals in the first milliseconds, while the folders and files are made, as
    later on."""
    return 1e-4 * (longest / 1e-4) ** rng.random()


def started(run):
    """Waits for the run's first console output: by then it takes the signals itself."""
    return read_until(run.stdout, b"\n", 60) is not None


def at_the_prompt(run, rng):
    """The dialogue answered up to the historic file question, the signal a moment after."""
    if not started(run):
        return False
    run.stdin.write(ANSWERS.encode())
    run.stdin.flush()
    if read_until(run.stdout, PROMPT, 120) is None:
        return False
    time.sleep(rng.uniform(0, 0.02))
    return True


def after_the_answers(run, rng):
    """The dialogue answered, the signal at any moment of the making of folders and files
    and of the generation that follows (or at the prompt, when the run was quick)."""
    if not started(run):
        return False
    run.stdin.write(ANSWERS.encode())
    run.stdin.flush()
    time.sleep(moment(rng, 0.3))
    return True


def ensemble_generating(run, rng):
    """The ensemble started, the signal from the making of its folders to well into the
    writing of its realizations' files."""
    if not started(run):
        return False
    time.sleep(moment(rng, 1.0))
    return True


# What each kind of round runs and the report files it may leave.
KINDS = [
    ("at the prompt", DIALOGUE, at_the_prompt, REPORTS),
    ("at the prompt, 300 realizations", DIALOGUE + ["--realizations", "300"], at_the_prompt, REPORTS),
    ("after the answers", DIALOGUE, after_the_answers, REPORTS),
    ("after the answers, 300 realizations", DIALOGUE + ["--realizations", "300"], after_the_answers, REPORTS),
    ("while the ensemble generates", ENSEMBLE, ensemble_generating, set()),
]


def one_round(exe, examples, kind, sig, rng):
    name, args, reach, reports = kind
    label = f"{sig.name} {name}"
    with tempfile.TemporaryDirectory() as work:
        copy_inputs(examples, work)
        inputs = set(os.listdir(work))
        run = subprocess.Popen([exe, *args], cwd=work, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        if not reach(run, rng):
            run.kill()
            run.wait()
            return [f"{label}: the run never reached the point to interrupt"]
        if run.poll() is not None:
            return [f"{label}: the run ended (status {run.returncode}) before the signal"]
        # What was under way when the signal went: shown for every round, so that the log
        # tells which moments the soak reached.
        made = sorted(set(os.listdir(work)) - inputs)
        sequences = os.path.join(work, "results", "sequences")
        files = len(os.listdir(sequences)) if os.path.isdir(sequences) else 0
        sent = time.monotonic()
        run.send_signal(sig)
        try:
            status = run.wait(timeout=10)
        except subprocess.TimeoutExpired:
            run.kill()
            run.wait()
            return [f"{label}: the run did not stop"]
        took = time.monotonic() - sent
        print(f"{label}: {files} sequence files, made {made}", flush=True)
        problems = []
        # Slower than the lone test allows: the other core is busy on purpose.
        if took > 2.0:
            problems.append(f"{label}: took {took:.2f} s to stop")
        rest = b""
        while True:
            chunk = run.stdout.read()
            if not chunk:
                break
            rest += chunk
        last = rest.decode(errors="replace").rstrip("\n").split("\n")[-1]
        if status != STATUS[sig]:
            problems.append(f"{label}: status {status}, expected {STATUS[sig]}")
        if last != f" *** RUN INTERRUPTED BY {sig.name} ***":
            problems.append(f"{label}: last console line {last!r}")
        left = set(os.listdir(work)) - inputs - reports
        if left:
            problems.append(f"{label}: left behind {sorted(left)}")
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("exe")
    parser.add_argument("examples")
    parser.add_argument("--rounds", type=int, default=30)
    parser.add_argument("--seed", type=int, default=None)
    options = parser.parse_args()
    options.exe, options.examples = os.path.abspath(options.exe), os.path.abspath(options.examples)
    seed = options.seed if options.seed is not None else random.SystemRandom().randrange(1 << 32)
    print(f"interrupt soak: {options.rounds} rounds, seed {seed}", flush=True)
    rng = random.Random(seed)
    problems = []
    started_at = time.monotonic()
    with tempfile.TemporaryDirectory() as load_work:
        copy_inputs(options.examples, load_work)
        load = subprocess.Popen([options.exe, *LOAD], cwd=load_work, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL)
        try:
            for i in range(options.rounds):
                if load.poll() is not None:
                    problems.append(f"the loading run ended early (status {load.returncode})")
                    break
                # Every kind with both signals, in turn, the moments at random.
                kind = KINDS[i % len(KINDS)]
                sig = (signal.SIGINT, signal.SIGTERM)[(i // len(KINDS)) % 2]
                problems += one_round(options.exe, options.examples, kind, sig, rng)
        finally:
            load.terminate()
            try:
                load.wait(timeout=10)
            except subprocess.TimeoutExpired:
                load.kill()
                load.wait()
    for p in problems:
        print(p)
    print(f"interrupt soak ({time.monotonic() - started_at:.1f} s, seed {seed}):", "FAILED" if problems else "passed")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
