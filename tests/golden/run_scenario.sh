#!/usr/bin/env bash
# Runs flowplex on a copy of the example river system with a scenario's answers and
# compares the console transcript, the exit status and every report file byte for byte
# with the scenario's expected files. With --update it writes the expected files instead;
# any other arguments after the scenario are passed to flowplex (e.g. --threads 7).
# Usage: run_scenario.sh FLOWPLEX EXAMPLES_DIR SCENARIO_DIR [--update | ARGUMENTS...]
set -uo pipefail
flowplex=$(realpath "$1") examples=$(realpath "$2") scenario=$(realpath "$3") mode=${4:-}
shift 3
arguments=()
[ "$mode" = "--update" ] || arguments=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$examples"/* "$work"/
cd "$work"
status=0
"$flowplex" "${arguments[@]}" < "$scenario/answers.txt" > console.txt 2>&1 || status=$?
echo "$status" > status.txt
outputs=(console.txt status.txt)
for f in SEQPROBE.ANS SEQPROBE.PIN SEQPROBE.PN2 GAUGE.ANN FORECAST.TXT; do
  [ -e "$f" ] && outputs+=("$f")
done
# No report line may hold a number that is not finite.
if grep -l -i -E '\b(nan|inf|infinity)\b' "${outputs[@]}" >/dev/null; then
  echo "a report holds a non-finite number:"; grep -n -i -E '\b(nan|inf|infinity)\b' "${outputs[@]}" | head
  exit 1
fi
if [ "$mode" = "--update" ]; then
  rm -rf "$scenario/expected" && mkdir -p "$scenario/expected"
  cp "${outputs[@]}" "$scenario/expected/"
  echo "expected files of $(basename "$scenario") written"
  exit 0
fi
failed=0
for f in "$scenario"/expected/*; do
  name=$(basename "$f")
  if ! cmp -s "$f" "$name"; then
    echo "DIFFERS: $name"; diff "$f" "$name" | head -20; failed=1
  fi
done
for f in "${outputs[@]}"; do
  [ -e "$scenario/expected/$f" ] || { echo "UNEXPECTED FILE: $f"; failed=1; }
done
exit $failed
