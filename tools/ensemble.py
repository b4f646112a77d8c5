#!/usr/bin/python3
"""Makes an ensemble of N realizations as K shards, each an export-only flowplex run of one
range of realizations, spread over a Dask cluster, and checks that the shards fit together.

    /usr/bin/python3 tools/ensemble.py --flowplex EXE --realizations N --shards K --out DIR
        [--scheduler ADDRESS] [--workers W] -- FLOWPLEX_ARGS...

FLOWPLEX_ARGS are those of one export-only run (`run ... --gauges none`, -C DIR allowed); the
tool adds `--realizations A-B --netcdf DIR/shard-A-B.nc` to each.

In stress mode FLOWPLEX_ARGS are those of one stress test (`stress ... --mean ... --cv ...`
or `--scenarios FILE`): each shard is that test over one range of realizations, and once
all are made `flowplex stress --combine` joins them into DIR/surface.nc, and into the
tables and page of --surface-csv and --surface-html when given. Without --scheduler the
shards run on a LocalCluster of W worker processes on this machine; with it, on the cluster
whose scheduler is at ADDRESS, whose workers must see the river system's folder, DIR and EXE
under the same paths. A shard whose worker dies is run again by Dask on another; a shard
whose run fails is tried again --retries times. Relative paths are taken from the folder the
tool is called from. When every shard is made, their input digests must agree and their
realization numbers must cover 1 to N once; DIR/ensemble.json then lists the shards.

Exit status: 0 the ensemble is complete, 1 a shard failed or the shards do not fit, 2 wrong
arguments.
"""
import argparse
import ctypes
import json
import os
import signal
import subprocess
import sys
from pathlib import Path

MAX_REALIZATIONS = 1_000_000
# Flags the tool sets for every shard, or that would make the shards write over each other.
SET_BY_THE_TOOL = ("--realizations", "--netcdf", "--csv", "--html")


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--flowplex", required=True, help="the flowplex executable")
    parser.add_argument("--realizations", type=int, required=True, help="N: the ensemble holds realizations 1 to N")
    parser.add_argument("--shards", type=int, required=True, help="K: the runs the realizations are split into")
    parser.add_argument("--out", required=True, help="the folder of the shards and ensemble.json")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler (default: a LocalCluster)")
    parser.add_argument("--workers", type=int, default=os.cpu_count(), help="workers of the LocalCluster")
    parser.add_argument("--retries", type=int, default=2, help="further tries of a shard whose run failed")
    parser.add_argument("--surface-csv", help="stress mode: the folder of the combined surface's CSV tables")
    parser.add_argument("--surface-html", help="stress mode: the combined surface's page")
    parser.add_argument("flowplex_args", nargs=argparse.REMAINDER, help="-- then the arguments of one run")
    args = parser.parse_args(argv)
    args.flowplex_args = args.flowplex_args[1:] if args.flowplex_args[:1] == ["--"] else args.flowplex_args
    refuse_what_does_not_fit(parser, args)
    return args


def refuse_what_does_not_fit(parser, args):
    if not 1 <= args.realizations <= MAX_REALIZATIONS:
        parser.error(f"--realizations {args.realizations}: 1 to {MAX_REALIZATIONS}")
    if not 1 <= args.shards <= args.realizations:
        parser.error(f"--shards {args.shards}: 1 to the number of realizations")
    if args.workers < 1:
        parser.error(f"--workers {args.workers}: 1 or more")
    given = args.flowplex_args
    if (args.surface_csv or args.surface_html) and not stress_mode(given):
        parser.error("--surface-csv and --surface-html are for the shards of a stress test (FLOWPLEX_ARGS: stress ...)")
    if not stress_mode(given) and not any(a == "--gauges=none" or (a == "--gauges" and given[i + 1:i + 2] == ["none"])
               for i, a in enumerate(given)):
        parser.error("the shards are export-only runs: FLOWPLEX_ARGS must give `run ... --gauges none`")
    for flag in SET_BY_THE_TOOL:
        if any(a == flag or a.startswith(flag + "=") for a in given):
            parser.error(f"{flag} is set by the tool for each shard; leave it out of FLOWPLEX_ARGS")


def stress_mode(flowplex_args):
    """Whether the shards are those of a stress test."""
    return "stress" in flowplex_args


def combine_surface(args, out, paths):
    """The stress test's shards joined by `flowplex stress --combine`; a refusal raises."""
    command = [str(Path(args.flowplex).resolve()), "stress", "--combine", *paths, "--netcdf", str(out / "surface.nc")]
    if args.surface_csv:
        command += ["--csv", str(Path(args.surface_csv).resolve())]
    if args.surface_html:
        command += ["--html", str(Path(args.surface_html).resolve())]
    done = subprocess.run(command, capture_output=True, text=True)
    if done.returncode != 0:
        raise RuntimeError("flowplex stress --combine: " + (done.stdout + done.stderr).strip())


def ranges(n, k):
    """1..n in k consecutive ranges whose sizes differ by at most one."""
    return [(i * n // k + 1, (i + 1) * n // k) for i in range(k)]


def shard_name(first, last):
    """Seven digits, the width of the largest ensemble, so that the names sort in order."""
    return f"shard-{first:07d}-{last:07d}.nc"


def end_with_parent():
    """In the shard's process: a flowplex whose worker died is sent SIGTERM, so that it
    removes its temporary file instead of finishing a shard that is being made again."""
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


def run_shard(flowplex, arguments, folder, first, last, path):
    """One shard on a worker: the run's console is returned, a failed run raises."""
    command = [flowplex, *arguments, "--realizations", f"{first}-{last}", "--netcdf", path]
    done = subprocess.run(command, cwd=folder, capture_output=True, text=True, preexec_fn=end_with_parent)
    if done.returncode != 0:
        said = (done.stdout + done.stderr).strip().splitlines()
        raise RuntimeError(f"realizations {first}-{last}: flowplex ended with status {done.returncode}"
                           + (f": {said[-1].strip()}" if said else ""))
    return path


def make_shards(args, out, plan):
    """Every shard as a task of the cluster; the paths of the finished files, in order."""
    from dask.distributed import Client, LocalCluster

    cluster = None if args.scheduler else LocalCluster(n_workers=args.workers, threads_per_worker=1,
                                                       processes=True, dashboard_address=None)
    try:
        with Client(args.scheduler or cluster) as client:
            flowplex = str(Path(args.flowplex).resolve())
            tasks = [client.submit(run_shard, flowplex, args.flowplex_args, os.getcwd(), first, last,
                                   str(out / shard_name(first, last)), key=f"flowplex-shard-{first}-{last}",
                                   pure=False, retries=args.retries)
                     for first, last in plan]
            return client.gather(tasks)
    finally:
        if cluster is not None:
            cluster.close()


def shard_facts(path):
    """The input digest and the realization numbers of one shard."""
    import netCDF4

    with netCDF4.Dataset(path) as nc:
        return nc.getncattr("input_digest"), [int(r) for r in nc.variables["realization"][:]]


def check_shards(paths, n):
    """The one input digest of the shards; a shard of other inputs, or realizations not
    covering 1..n once, raise."""
    digests, numbers = {}, []
    for path in paths:
        digest, realizations = shard_facts(path)
        digests.setdefault(digest, []).append(Path(path).name)
        numbers += realizations
    if len(digests) != 1:
        raise ValueError("the shards were made from different inputs: "
                         + "; ".join(f"{d[:16]}: {', '.join(files)}" for d, files in digests.items()))
    if sorted(numbers) != list(range(1, n + 1)):
        raise ValueError(f"the shards' realizations do not cover 1 to {n} once")
    return next(iter(digests))


def main(argv):
    args = parse_arguments(argv)
    out = Path(args.out).resolve()
    out.mkdir(parents=True, exist_ok=True)
    plan = ranges(args.realizations, args.shards)
    try:
        paths = make_shards(args, out, plan)
        digest = check_shards(paths, args.realizations)
        if stress_mode(args.flowplex_args):
            combine_surface(args, out, paths)
    except Exception as e:  # a shard that failed on every try, or shards that do not fit
        print(f"ensemble.py: {e}", file=sys.stderr)
        return 1
    record = {
        "realizations": args.realizations,
        "input_digest": digest,
        "flowplex_arguments": args.flowplex_args,
        "shards": [{"file": shard_name(first, last), "first": first, "last": last} for first, last in plan],
    }
    if stress_mode(args.flowplex_args):
        record["surface"] = "surface.nc"
    (out / "ensemble.json").write_text(json.dumps(record, indent=2) + "\n")
    print(f"ensemble of {args.realizations} realizations in {len(plan)} shards: {out / 'ensemble.json'}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
