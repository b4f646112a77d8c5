#!/usr/bin/env bash
# Builds the Release executable and the benchmarks, then times both large workloads end to
# end against the floor (bench/workloads.py) and, with --hot, the hot routines under Google
# Benchmark. The workloads are generated on first use into build-release/bench-data.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" bench
cmake -S "$root" -B "$root/build-release" -DCMAKE_BUILD_TYPE=Release -DFLOWPLEX_TESTS=OFF -DFLOWPLEX_BENCH=ON >/dev/null
cmake --build "$root/build-release" -j"$(nproc)"
python3 "$root/bench/workloads.py" --runs "${RUNS:-5}"
if [ "${1:-}" = "--hot" ]; then
  FLOWPLEX_BENCH_DATA="$root/build-release/bench-data/A" "$root/build-release/bench/flowplex_hot_routines"
fi
