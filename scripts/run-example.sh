#!/usr/bin/env bash
# Builds flowplex (Release, -O2) and runs the main job: the rigorous generation and every
# analysis of every gauge of the bundled example river system. The reports land in
# out/example/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build-release" -DCMAKE_BUILD_TYPE=Release -DFLOWPLEX_TESTS=OFF >/dev/null
cmake --build "$root/build-release" --target flowplex -j"$(nproc)"
answers=${1:-answers_rigorous.txt}
work="$root/out/example"
rm -rf "$work" && mkdir -p "$work"
cp "$root"/examples/* "$work"/
cd "$work"
status=0
"$root/build-release/flowplex" < "$answers" > console.txt || status=$?
echo "flowplex ended with status $status; console transcript in $work/console.txt"
echo "reports: $work/SEQPROBE.ANS SEQPROBE.PIN SEQPROBE.PN2 GAUGE.ANN"
tail -n 1 console.txt
exit "$status"
