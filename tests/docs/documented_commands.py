#!/usr/bin/python3
"""Every command the README and the pages of docs/ show is run by a test or marked as not.

A fenced block is read as commands unless its info string is `text` (a report, a formula, a
synopsis). A block whose paragraph before it says "not run by the tests" is marked and left
alone. Otherwise:
- a block of `$ ` lines is run here, each command in a copy of the example river system with
  the flowplex under test first on the path, and must print the lines that follow it;
- every other command, and every `python` block (named by its first line), must be in
  RUN_ELSEWHERE with the test or CI script that runs it, which must exist; an entry that no
  page shows any more is stale.

Usage: documented_commands.py FLOWPLEX SOURCE_DIR
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

MARK = "not run by the tests"

# Command as a page shows it (continuation lines joined, blanks collapsed, a trailing
# comment cut off) -> the test or CI script that runs it.
RUN_ELSEWHERE = {
    "scripts/run-example.sh": "scripts/fresh-machine-check.sh",
    "scripts/test.sh": "scripts/fresh-machine-check.sh",
    "flowplex --netcdf run.nc --csv results < answers_rigorous.txt": "tests/export/read_with_xarray.py",
    "cd examples && ../build-release/flowplex --html report.html < answers_rigorous.txt": "tests/html/browser_test.sh",
    "python: import xarray as xr, pandas as pd": "tests/export/read_with_xarray.py",
    "python: import numpy as np, xarray as xr": "tests/risk/recompute_with_numpy.py",
}


class Block:
    def __init__(self, page, line, info, lines, paragraph):
        self.page, self.line, self.info, self.lines = page, line, info, lines
        self.marked = MARK in " ".join(paragraph).lower()

    def where(self):
        return f"{self.page.name}:{self.line}"


def paragraph_before(lines, i):
    """The lines of the paragraph that ends just before line i (blank lines skipped)."""
    j = i - 1
    while j >= 0 and not lines[j].strip():
        j -= 1
    start = j
    while start >= 0 and lines[start].strip() and not lines[start].startswith("```"):
        start -= 1
    return lines[start + 1:j + 1]


def fenced_blocks(page):
    lines = page.read_text(encoding="utf-8").splitlines()
    i = 0
    while i < len(lines):
        if lines[i].startswith("```"):
            end = next(k for k in range(i + 1, len(lines)) if lines[k].startswith("```"))
            yield Block(page, i + 1, lines[i][3:].strip(), lines[i + 1:end], paragraph_before(lines, i))
            i = end
        i += 1


def commands(block):
    """The commands of a block that is not a `$` block: continuations joined, comments cut."""
    if block.info == "python":
        return ["python: " + block.lines[0].strip()]
    found, pending = [], ""
    for line in block.lines:
        line = re.split(r"\s{2,}#", line, maxsplit=1)[0].rstrip()
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        if line.endswith("\\"):
            pending += line[:-1] + " "
            continue
        found.append(" ".join((pending + line).split()))
        pending = ""
    return found


def dollar_steps(block):
    """(command, expected output lines) for each `$ ` line of the block."""
    steps = []
    for line in block.lines:
        if line.startswith("$ "):
            steps.append((line[2:], []))
        else:
            steps[-1][1].append(line.rstrip())
    return steps


def run_dollar_block(block, flowplex, examples):
    problems = []
    with tempfile.TemporaryDirectory() as tmp:
        folder = Path(tmp) / "river"
        shutil.copytree(examples, folder)
        env = dict(os.environ, PATH=f"{Path(flowplex).resolve().parent}:{os.environ['PATH']}")
        for command, expected in dollar_steps(block):
            done = subprocess.run(["bash", "-o", "pipefail", "-c", command], cwd=folder, env=env, capture_output=True, text=True)
            printed = [line.rstrip() for line in done.stdout.splitlines()]
            if done.returncode != 0 or printed != expected:
                problems.append(f"{block.where()}: `{command}` exited {done.returncode} and printed:\n"
                                + "\n".join(printed) + "\n--- where the page shows:\n" + "\n".join(expected))
    return problems


def main():
    flowplex, source = sys.argv[1], Path(sys.argv[2])
    if not Path(flowplex).name == "flowplex":
        sys.exit("the executable must be named flowplex: the pages call it so")
    pages = [source / "README.md", *sorted((source / "docs").glob("*.md"))]
    problems, shown, ran = [], set(), 0
    for page in pages:
        for block in fenced_blocks(page):
            if block.info == "text" or block.marked:
                continue
            if block.lines and block.lines[0].startswith("$ "):
                problems += run_dollar_block(block, flowplex, source / "examples")
                ran += 1
                continue
            for command in commands(block):
                shown.add(command)
                if command not in RUN_ELSEWHERE:
                    problems.append(f'{block.where()}: `{command}` is run by no test listed here and not '
                                    f'marked "{MARK}"')
    for command, runner in RUN_ELSEWHERE.items():
        if command not in shown:
            problems.append(f"stale entry: no page shows `{command}`")
        if not (source / runner).is_file():
            problems.append(f"`{command}`: its runner {runner} does not exist")
    if ran == 0:
        problems.append("no block of `$` commands was run: the README's worked example is gone")
    if problems:
        sys.exit("\n".join(problems))
    print(f"{len(shown)} commands run by the tests listed, {ran} blocks run here, the rest marked")


if __name__ == "__main__":
    main()
