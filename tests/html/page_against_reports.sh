#!/usr/bin/env bash
# The page of a whole run of the example system against the reports of the same run:
# every number of its tables and every mark of its charts (check_page.py), for the
# rigorous and the bootstrap option and for sequences of a single year (correlations too
# short to rank, runs longer than the sequences); and the reports and console of each run
# byte for byte those of the same run without --html.
# Usage: page_against_reports.sh FLOWPLEX EXAMPLES_DIR
set -uo pipefail
flowplex=$(realpath "$1") examples=$(realpath "$2") here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
for answers in "$examples/answers_rigorous.txt" "$examples/answers_bootstrap.txt" "$here/short_sequences.txt"; do
  run=$(basename "$answers" .txt)
  mkdir -p "$work/$run/plain" "$work/$run/page"
  cp "$examples"/* "$work/$run/plain/" && cp "$examples"/* "$work/$run/page/"
  (cd "$work/$run/plain" && "$flowplex" < "$answers" > console.txt 2>&1; echo $? > status.txt)
  (cd "$work/$run/page" && "$flowplex" --html report.html < "$answers" > console.txt 2>&1; echo $? > status.txt)
  for f in console.txt status.txt SEQPROBE.ANS SEQPROBE.PIN SEQPROBE.PN2 GAUGE.ANN; do
    cmp -s "$work/$run/plain/$f" "$work/$run/page/$f" || { echo "$run: --html CHANGED $f"; failed=1; }
  done
  /usr/bin/python3 "$here/check_page.py" "$work/$run/page" "$work/$run/page/report.html" || failed=1
done
exit $failed
