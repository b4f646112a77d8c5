#!/usr/bin/env bash
# The whole page of one small run (one gauge chosen twice: its statistics twice and its
# correlations with itself) compared byte for byte with the expected page, and the
# console and reports of the run compared with those of the same run without --html.
# Usage: golden_page.sh FLOWPLEX EXAMPLES_DIR GOLDEN_DIR [--update]
set -uo pipefail
flowplex=$(realpath "$1") examples=$(realpath "$2") golden=$(realpath "$3") mode=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/plain" "$work/page"
for run in plain page; do
  cp "$examples"/* "$work/$run/"
done
(cd "$work/plain" && "$flowplex" < "$golden/answers.txt" > console.txt 2>&1; echo $? > status.txt)
(cd "$work/page" && "$flowplex" --html report.html < "$golden/answers.txt" > console.txt 2>&1; echo $? > status.txt)
if [ "$mode" = "--update" ]; then
  cp "$work/page/report.html" "$golden/expected.html"
  echo "expected page written"
  exit 0
fi
failed=0
for f in console.txt status.txt SEQPROBE.ANS SEQPROBE.PIN SEQPROBE.PN2 GAUGE.ANN; do
  cmp -s "$work/plain/$f" "$work/page/$f" || { echo "--html CHANGED $f"; diff "$work/plain/$f" "$work/page/$f" | head; failed=1; }
done
if ! cmp -s "$golden/expected.html" "$work/page/report.html"; then
  echo "THE PAGE DIFFERS from $golden/expected.html:"
  diff <(sed 's/></>\n</g' "$golden/expected.html") <(sed 's/></>\n</g' "$work/page/report.html") | head -40
  failed=1
fi
exit $failed
