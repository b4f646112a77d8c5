#!/usr/bin/env bash
# flowplex stress refuses bad input as a usage error: status 2, the flag and value (or
# the file's line) named, no output written. The page of a grid shows its map.
# Usage: stress_usage.sh FLOWPLEX EXAMPLES_DIR
source "$(dirname "$0")/../scripts/command_line_support.sh" "$@"
base=(stress --years 10 --option rigorous --gauges 1 --realizations 20)
grid=(--mean 0.9:1.1:0.1 --cv 1:1.2:0.2)

expect_usage() {
  local name=$1 pattern=$2
  shift 2
  fresh "$name"
  (cd "$work/$name" && "$flowplex" "$@" --netcdf s.nc --csv out > console.txt 2> errors.txt)
  local status=$?
  [ $status -eq 2 ] || fail "$name: status $status, not 2"
  cat "$work/$name/console.txt" "$work/$name/errors.txt" | grep -q -- "$pattern" || fail "$name: no \"$pattern\""
  for f in s.nc out page.html; do [ -e "$work/$name/$f" ] && fail "$name: $f was written"; done
}
printf 'label,mean,cv\nA,0.9,1.1\nB,0.9\n' > "$work/projections.csv"
printf 'scenario,gauge,mean,cv,months\ndry,*,0.8,1,\nwet,*,x,1,\n' > "$work/scenarios.csv"
printf 'gauge,mean,cv,months\n*,0.8,1,\n' > "$work/no_header.csv"
printf 'scenario,gauge,mean,cv,months\nfar,7,0.8,1,\n' > "$work/outside.csv"
expect_usage backwards "--mean 1.1:0.9:0.1: TO comes before FROM" "${base[@]}" --mean 1.1:0.9:0.1 --cv 1:1:1
expect_usage no_step "--cv 1:1.2:0: the step is above 0" "${base[@]}" --mean 1:1:1 --cv 1:1.2:0
expect_usage too_many "more than 400" "${base[@]}" --mean 0.5:1.5:0.01 --cv 0.5:1.5:0.1
expect_usage zero_factor "a factor is above 0" "${base[@]}" --mean 0:1:0.5 --cv 1:1:1
expect_usage one_axis "--mean" "${base[@]}" --mean 0.9:1.1:0.1
expect_usage yield "--yields 30,33: \"33\" is not a yield level" "${base[@]}" "${grid[@]}" --yields 30,33
expect_usage reliability "--reliabilities 100" "${base[@]}" "${grid[@]}" --reliabilities 100
expect_usage storage "--storage 50,0" "${base[@]}" "${grid[@]}" --storage 50,0
expect_usage projections "line 3: a row holds three fields" "${base[@]}" "${grid[@]}" --projections "$work/projections.csv"
expect_usage scenarios "scenarios.csv line 3: the mean factor \"x\" is not a number" "${base[@]}" --scenarios "$work/scenarios.csv"
expect_usage header "line 1: the header scenario,gauge,mean,cv,months is missing" "${base[@]}" --scenarios "$work/no_header.csv"
expect_usage outside "scenario far: gauge 7 is not in the river system" "${base[@]}" --scenarios "$work/outside.csv"
expect_usage both "a scenarios file takes the place of --mean and --cv" "${base[@]}" "${grid[@]}" --scenarios "$work/scenarios.csv"
expect_usage no_gauges "--gauges none: a stress test analyses gauges" stress --years 10 --option rigorous --gauges none "${grid[@]}"
expect_usage forecast "not the forecasting mode" stress --years 10 --option forecast --gauges 1 "${grid[@]}"
expect_usage perturb "--perturb mean=0.9: a stress test takes its factors from its scenarios" --perturb mean=0.9 "${base[@]}" "${grid[@]}"
expect_usage shard_csv "--csv needs realizations from 1" stress --years 10 --option rigorous --gauges 1 --realizations 5-9 "${grid[@]}"
expect_usage combine_flags "--years 10: --combine takes the whole stress test" stress --combine a.nc --years 10

# The page of a grid with a projection: a heat map per yield, the contour of the storage,
# today's climate and the projection marked, the reliability explained.
fresh page
printf 'label,mean,cv\nRCP 8.5 2060,0.92,1.15\n' > "$work/page/projections.csv"
(cd "$work/page" && "$flowplex" "${base[@]}" "${grid[@]}" --storage 30 --projections projections.csv --html page.html > /dev/null) ||
  fail "the page of a grid"
for text in 'class="ct"' 'class="bl"' 'RCP 8.5 2060' 'never fail' 'not an annual reliability' 'Yield 70 % MAR'; do
  grep -q -- "$text" "$work/page/page.html" || fail "the page shows no $text"
done
grep -q "<script" "$work/page/page.html" && fail "the page holds a script"
exit $failed
