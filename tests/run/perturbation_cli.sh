#!/usr/bin/env bash
# --perturb and --perturbation on the real executable: the identity changes no report, a
# perturbed run says so and states its factors in its exports, and every bad input is a
# usage error (status 2) that leaves no file behind.
# Usage: perturbation_cli.sh FLOWPLEX EXAMPLES_DIR
source "$(dirname "$0")/../scripts/command_line_support.sh" "$@"
run=(run --years 10 --option rigorous --gauges 1,2)

fresh plain && fresh identity
(cd "$work/plain" && "$flowplex" "${run[@]}" > console.txt) || fail "the unperturbed run"
(cd "$work/identity" && "$flowplex" "${run[@]}" --perturb mean=1,cv=1 > console.txt) || fail "the identity run"
for f in SEQPROBE.ANS SEQPROBE.PIN SEQPROBE.PN2 GAUGE.ANN; do
  cmp -s "$work/plain/$f" "$work/identity/$f" || fail "$f differs under mean=1,cv=1"
done
grep -qx " PERTURBED FLOWS: mean=1,cv=1" "$work/identity/console.txt" || fail "the identity run does not say so"
grep -q "PERTURBED" "$work/plain/console.txt" && fail "an unperturbed run says it is perturbed"

# A file of factors, before `run`: the console names it, the exports state the factors.
fresh file
printf 'gauge,mean,cv,months\n2,0.9,1.1,\n*,1.2,0.8,1:1:1:1:1:1:1:1:1:2:2:2\n' > "$work/file/factors.csv"
(cd "$work/file" && "$flowplex" --perturbation factors.csv run --years 5 --option bootstrap --gauges 1 \
  --netcdf flows.nc --csv out --html page.html > console.txt) || fail "the run with a file of factors"
grep -qx " PERTURBED FLOWS: FACTORS OF factors.csv" "$work/file/console.txt" || fail "the console names no file"
grep -q '"perturbation"' "$work/file/out/manifest.json" || fail "the manifest states no factors"
grep -q "against today's record" "$work/file/page.html" || fail "the page does not say what it validates against"
/usr/bin/python3 - "$work/file/flows.nc" <<'PY' || fail "the NetCDF attributes do not state the factors"
import sys, netCDF4
d = netCDF4.Dataset(sys.argv[1])
assert d.perturbation == "FACTORS OF factors.csv"
assert list(d.perturbation_mean_factor) == [1.2, 0.9, 1.2, 1.2, 1.2], d.perturbation_mean_factor
assert list(d.perturbation_cv_factor)[1] == 1.1
assert len(d.perturbation_monthly_factors) == 60 and d.perturbation_monthly_factors[9] == 2.0
PY

# Bad input: status 2, the flag and value named, nothing written.
expect_usage() {
  local name=$1 pattern=$2
  shift 2
  fresh "$name"
  (cd "$work/$name" && "$flowplex" "$@" --netcdf flows.nc > console.txt 2> errors.txt)
  local status=$?
  [ $status -eq 2 ] || fail "$name: status $status, not 2"
  cat "$work/$name/console.txt" "$work/$name/errors.txt" | grep -q -- "$pattern" || fail "$name: no \"$pattern\""
  for f in SEQPROBE.ANS SEQPROBE.PIN GAUGE.ANN flows.nc; do
    [ -e "$work/$name/$f" ] && fail "$name: $f was written"
  done
}
printf 'gauge,mean,cv,months\n1,0.9\n' > "$work/bad_row.csv"
printf '1,0.9,1,\n' > "$work/no_header.csv"
printf 'gauge,mean,cv,months\n7,0.9,1,\n' > "$work/outside.csv"
expect_usage zero "--perturb mean=0" "${run[@]}" --perturb mean=0,cv=1
expect_usage nan "not a number" "${run[@]}" --perturb cv=nan
expect_usage twice "given twice" "${run[@]}" --perturb mean=0.9,mean=0.8
expect_usage flag_twice "perturb" "${run[@]}" --perturb mean=0.9 --perturb mean=0.8
expect_usage months "twelve positive numbers" "${run[@]}" --perturb months=1:2:3
expect_usage both "perturb" "${run[@]}" --perturb mean=0.9 --perturbation "$work/bad_row.csv"
expect_usage bad_row "line 2" "${run[@]}" --perturbation "$work/bad_row.csv"
expect_usage no_header "header" "${run[@]}" --perturbation "$work/no_header.csv"
expect_usage outside "gauge 7 is not in the river system" "${run[@]}" --perturbation "$work/outside.csv"
expect_usage forecast "forecasting mode takes no perturbation" run --years 5 --option forecast --gauges 1 \
  --perturb mean=0.9

exit $failed
