#!/usr/bin/env bash
# A real browser opens the page of the example system's rigorous run: headless Chromium
# dumps the DOM it built, logs the page's console and takes a screenshot, and
# check_browser.py checks them against the run's report.
# Usage: browser_test.sh FLOWPLEX EXAMPLES_DIR
set -uo pipefail
flowplex=$(realpath "$1") examples=$(realpath "$2") here=$(cd "$(dirname "$0")" && pwd)
browser=${CHROMIUM:-/usr/bin/chromium}
[ -x "$browser" ] || { echo "no browser at $browser (scripts/setup.sh installs chromium)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$examples"/* "$work/"
cd "$work"
"$flowplex" --html report.html < answers_rigorous.txt > console.txt 2>&1 || { echo "the run failed"; exit 1; }
options=(--headless --disable-gpu --no-first-run --disable-background-networking --disable-component-update
         --disable-sync --hide-scrollbars --enable-logging=stderr --v=0)
[ "$(id -u)" -eq 0 ] && options+=(--no-sandbox)
# Each run of the browser gets a fresh profile of its own. On a busy machine headless
# Chromium now and then never finishes (seen once in CI while the Dask tests ran beside
# it): a run that has not made its file within a minute is ended and tried afresh, up to
# three times; the page itself is checked only once it has been made.
browse() { local profile; profile=$(mktemp -d -p "$work"); timeout 60 "$browser" "${options[@]}" --user-data-dir="$profile" "$@"; }
# browse_until OUT LOG MADE ARGS...: the browser's output to OUT, its log to LOG, until it
# has made the file MADE.
browse_until() {
  local out=$1 log=$2 made=$3
  shift 3
  for attempt in 1 2 3; do
    rm -f "$made"
    if browse "$@" > "$out" 2> "$log" && [ -s "$made" ]; then return 0; fi
    echo "the browser did not finish making $made (attempt $attempt)" >&2
  done
  return 1
}
browse_until dom.html dom.log dom.html --dump-dom "file://$work/report.html"
browse_until /dev/null screen.log screen.png --window-size=1366,2400 --screenshot="$work/screen.png" "file://$work/report.html"
/usr/bin/python3 "$here/check_browser.py" "$work"
