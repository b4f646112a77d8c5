#!/usr/bin/env bash
# Builds the fuzz targets of the input readers (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz and runs each on a seed corpus made from the
# example river system.
#   scripts/fuzz.sh [SECONDS]  each target for SECONDS (default 60), keeping its corpus
#   scripts/fuzz.sh --ci       each target for a fixed number of runs from a fixed seed,
#                              from a fresh corpus, so that the run is the same every time
# A failing input is left in build-fuzz/findings/<target>/; the script fails if any
# target failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
ci=0
seconds=60
case "${1:-}" in
  --ci) ci=1 ;;
  "") ;;
  *[!0-9]*) echo "usage: scripts/fuzz.sh [SECONDS | --ci]" >&2; exit 2 ;;
  *) seconds=$1 ;;
esac

"$root/scripts/setup.sh" fuzz

build="$root/build-fuzz"
CC=clang-14 CXX=clang++-14 cmake -S "$root/fuzz" -B "$build" >/dev/null
cmake --build "$build" -j2

# Seeds: the example files, each as the input of the target that reads it; the series
# and layout inputs begin with the byte that picks what is read.
make_corpus() {
  local corpus=$1 ex="$root/examples"
  rm -rf "$corpus"
  mkdir -p "$corpus"/{layout,parameter_file,series_file,historic_file,forecast_file}
  cp "$root"/fuzz/seeds/layout/* "$corpus/layout/"
  cp "$ex/PARMSET.DAT" "$corpus/parameter_file/"
  cp "$ex/PARAMFOR.DAT" "$corpus/forecast_file/"
  cp "$ex"/*.HIS "$corpus/historic_file/"
  local type=0 ext f
  for ext in INC RNK RAN AFF IRR; do
    for f in "$ex"/*."$ext"; do
      { printf "\\$(printf '%03o' "$type")"; cat "$f"; } >"$corpus/series_file/$(basename "$f")"
    done
    type=$((type + 1))
  done
}

# Runs per target in CI: about a minute for all five on two cores.
declare -A ci_runs=([layout]=15000 [parameter_file]=12000 [series_file]=6000 [historic_file]=6000 [forecast_file]=3000)

if [ $ci -eq 1 ]; then
  corpus="$build/ci-corpus"
  make_corpus "$corpus"
else
  corpus="$build/corpus"
  [ -d "$corpus" ] || make_corpus "$corpus"
fi

failed=()
for target in layout parameter_file series_file historic_file forecast_file; do
  # Each target reads and writes its input files in a private, empty folder.
  work="$build/work/$target"
  findings="$build/findings/$target"
  rm -rf "$work"
  mkdir -p "$work" "$findings"
  if [ $ci -eq 1 ]; then
    limit=(-seed=1 -runs="${ci_runs[$target]}")
  else
    limit=(-max_total_time="$seconds")
  fi
  echo "== fuzz_$target"
  start=$SECONDS
  if ! (cd "$work" && "$build/fuzz_$target" "${limit[@]}" -timeout=10 -rss_limit_mb=4096 \
          -artifact_prefix="$findings/" -print_final_stats=1 "$corpus/$target" >"$build/fuzz_$target.log" 2>&1); then
    failed+=("$target")
    tail -n 40 "$build/fuzz_$target.log"
  fi
  grep -E "^stat::number_of_executed_units" "$build/fuzz_$target.log" || true
  echo "   $((SECONDS - start)) s"
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing failed: ${failed[*]} (inputs in $build/findings/)"
  exit 1
fi
echo "Fuzzing passed"
