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
# Each run of the browser gets a fresh profile of its own.
browse() { local profile; profile=$(mktemp -d -p "$work"); timeout 120 "$browser" "${options[@]}" --user-data-dir="$profile" "$@"; }
browse --dump-dom "file://$work/report.html" > dom.html 2> dom.log
browse --window-size=1366,2400 --screenshot="$work/screen.png" "file://$work/report.html" > /dev/null 2> screen.log
/usr/bin/python3 "$here/check_browser.py" "$work"
