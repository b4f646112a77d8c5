#!/usr/bin/env bash
# flowplex stress on the real executable: every scenario's figures are, bit for bit, those
# of `run` perturbed by its factors with the risk analyses of the same gauges (the rigorous
# grid, its baseline added off the grid, and named bootstrap scenarios with monthly
# factors); shards combined give the one run's file; shards that do not fit are refused.
# Usage: stress_exactness.sh FLOWPLEX EXAMPLES_DIR
source "$(dirname "$0")/../scripts/command_line_support.sh" "$@"
compare="$(dirname "$0")/stress_against_run.py"

# A grid that misses (1, 1): the baseline is added and equals the unperturbed run.
fresh grid
(cd "$work/grid" && "$flowplex" stress --years 20 --option rigorous --gauges 1,2 --realizations 60 \
  --mean 0.85:0.95:0.1 --cv 1.2:1.2:1 --yields 30,70 --storage 40 --netcdf s.nc --csv out > console.txt) ||
  fail "the grid's stress test"
for factors in mean=0.85,cv=1.2 mean=0.95,cv=1.2 mean=1,cv=1; do
  (cd "$work/grid" && rm -rf ref r.nc && "$flowplex" run --years 20 --option rigorous --gauges 1,2 --realizations 60 \
    --analyses 1 --perturb "$factors" --csv ref --netcdf r.nc > /dev/null) || fail "run --perturb $factors"
  /usr/bin/python3 "$compare" "$work/grid" "$factors" || fail "the grid's $factors differs from run --perturb"
done

# Named scenarios of the bootstrap, one with monthly factors on one gauge.
fresh named
printf 'scenario,gauge,mean,cv,months\ndry,*,0.8,1.1,\nshifted,2,1,1,2:2:2:1:1:1:1:1:1:1:1:1\nshifted,*,0.9,1,\n' \
  > "$work/named/scenarios.csv"
printf 'gauge,mean,cv,months\n*,0.8,1.1,\n' > "$work/named/dry.csv"
printf 'gauge,mean,cv,months\n2,1,1,2:2:2:1:1:1:1:1:1:1:1:1\n*,0.9,1,\n' > "$work/named/shifted.csv"
(cd "$work/named" && "$flowplex" stress --years 15 --option bootstrap --gauges 2,3 --realizations 50 \
  --scenarios scenarios.csv --netcdf s.nc --csv out --html page.html > console.txt) || fail "the named scenarios"
for scenario in dry shifted; do
  (cd "$work/named" && rm -rf ref r.nc && "$flowplex" --perturbation "$scenario.csv" run --years 15 --option bootstrap \
    --gauges 2,3 --realizations 50 --analyses 1 --csv ref --netcdf r.nc > /dev/null) || fail "run --perturbation $scenario"
  /usr/bin/python3 "$compare" "$work/named" "$scenario" || fail "the scenario $scenario differs from run --perturbation"
done
grep -q "baseline" "$work/named/out/scenarios.csv" || fail "the named scenarios lack the baseline"

# Shards: 1-25 and 26-60 combined are the one run of 1-60, whatever their order.
design=(stress --years 20 --option rigorous --gauges 1,2 --mean 0.85:0.95:0.1 --cv 1.2:1.2:1 --yields 30,70)
grid=("${design[@]}" --storage 40)
(cd "$work/grid" && "$flowplex" "${grid[@]}" --realizations 26-60 --netcdf b.nc > /dev/null &&
  "$flowplex" "${grid[@]}" --realizations 1-25 --netcdf a.nc > /dev/null &&
  "$flowplex" stress --combine b.nc a.nc --netcdf whole.nc --csv combined > /dev/null) || fail "the shards and their combining"
/usr/bin/python3 - "$work/grid/s.nc" "$work/grid/whole.nc" <<'PY' || fail "the combined shards differ from the one run"
import sys, netCDF4, numpy as np
one, whole = netCDF4.Dataset(sys.argv[1]), netCDF4.Dataset(sys.argv[2])
assert set(one.variables) == set(whole.variables)
for name, v in one.variables.items():
    a, b = v[:], whole[name][:]
    assert np.array_equal(np.ma.filled(a, -1), np.ma.filled(b, -1)) if a.dtype != object else list(a) == list(b), name
PY
for table in storage_at_reliability reliability_of_storage droughts; do
  cmp -s "$work/grid/out/$table.csv" "$work/grid/combined/$table.csv" || fail "combined $table.csv differs"
done

# The stress mode of tools/ensemble.py: three shards on a LocalCluster, combined.
tool="$(dirname "$0")/../../tools/ensemble.py"
(cd "$work/grid" && /usr/bin/python3 "$tool" --flowplex "$flowplex" --realizations 60 --shards 3 --out ens --workers 2 \
  --surface-csv ens/csv -- "${grid[@]}" > /dev/null 2>&1) || fail "tools/ensemble.py in stress mode"
for table in storage_at_reliability reliability_of_storage droughts; do
  cmp -s "$work/grid/out/$table.csv" "$work/grid/ens/csv/$table.csv" || fail "the Dask surface's $table.csv differs"
done

# Shards that do not make one surface: the fault named, status 2, nothing written.
expect_refused() {
  local pattern=$1
  shift
  (cd "$work/grid" && rm -f bad.nc && "$flowplex" stress --combine "$@" --netcdf bad.nc > /dev/null 2> errors.txt)
  local status=$?
  [ $status -eq 2 ] || fail "--combine $*: status $status, not 2"
  grep -q -- "$pattern" "$work/grid/errors.txt" || fail "--combine $*: no \"$pattern\""
  [ -e "$work/grid/bad.nc" ] && fail "--combine $*: bad.nc was written"
}
(cd "$work/grid" && "$flowplex" "${grid[@]}" --realizations 20-30 --netcdf overlap.nc > /dev/null &&
  "$flowplex" "${design[@]}" --storage 50 --realizations 26-60 --netcdf other.nc > /dev/null) || fail "the shards that do not fit"
expect_refused "realizations 1-25 are in no shard" b.nc
expect_refused "overlap" a.nc overlap.nc b.nc
expect_refused "its yields, reliabilities or storages differ" a.nc other.nc
expect_refused "not the NetCDF file of a stress test" a.nc r.nc
cp "$work/grid/b.nc" "$work/named/b.nc"
(cd "$work/named" && printf 'changed\n' >> PARMSET.DAT && "$flowplex" "${grid[@]}" --realizations 26-60 --netcdf b.nc > /dev/null) ||
  fail "the shard of changed inputs"
expect_refused "input digest differs" a.nc "$work/named/b.nc"
exit $failed
