#!/usr/bin/env bash
# The page of a whole run of the example system against the reports of the same run:
# every number of its tables and every mark of its charts (check_page.py), for the
# rigorous and the bootstrap option; and the reports and console of each run byte for
# byte those of the same run without --html.
# Usage: page_against_reports.sh FLOWPLEX EXAMPLES_DIR
set -uo pipefail
flowplex=$(realpath "$1") examples=$(realpath "$2") here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
for option in rigorous bootstrap; do
  mkdir -p "$work/$option/plain" "$work/$option/page"
  cp "$examples"/* "$work/$option/plain/" && cp "$examples"/* "$work/$option/page/"
  (cd "$work/$option/plain" && "$flowplex" < "answers_$option.txt" > console.txt 2>&1; echo $? > status.txt)
  (cd "$work/$option/page" && "$flowplex" --html report.html < "answers_$option.txt" > console.txt 2>&1; echo $? > status.txt)
  for f in console.txt status.txt SEQPROBE.ANS SEQPROBE.PIN SEQPROBE.PN2 GAUGE.ANN; do
    cmp -s "$work/$option/plain/$f" "$work/$option/page/$f" || { echo "$option: --html CHANGED $f"; failed=1; }
  done
  /usr/bin/python3 "$here/check_page.py" "$work/$option/page" "$work/$option/page/report.html" || failed=1
done
exit $failed
