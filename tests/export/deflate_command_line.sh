#!/usr/bin/env bash
# --netcdf-deflate LEVEL on the real executable: it stands where --netcdf may (before the
# dialogue, before or after `run`) and adds the attribute flow_deflate_level; a level other
# than 1 to 9, or the flag without --netcdf, is a usage error (one line, status 2, no file).
# Usage: deflate_command_line.sh FLOWPLEX EXAMPLES_DIR
source "$(dirname "$0")/../scripts/command_line_support.sh" "$@"
small_run=(run --years 3 --option bootstrap --gauges 1 --quiet)
# Three years of the bootstrap, gauge 1 with no analysis: the dialogue's answers.
small_answers='3\n1\n1\n0\n\nHIS\n4\n'

# The level of the file's flows, "none" without the attribute, as the netCDF library reads it.
level_of() {
  /usr/bin/python3 -c 'import sys, netCDF4
nc = netCDF4.Dataset(sys.argv[1]); f = nc.variables["flow"].filters()
level = nc.getncattr("flow_deflate_level") if "flow_deflate_level" in nc.ncattrs() else "none"
print(level, f["complevel"] if f["zlib"] and f["shuffle"] else "uncompressed")' "$1"
}

fresh before && (cd "$work/before" && "$flowplex" --netcdf run.nc --netcdf-deflate 3 "${small_run[@]}") ||
  fail "--netcdf-deflate before run"
[ "$(level_of "$work/before/run.nc")" = "3 3" ] || fail "before run: $(level_of "$work/before/run.nc")"
fresh after && (cd "$work/after" && "$flowplex" "${small_run[@]}" --netcdf-deflate=9 --netcdf run.nc --csv results) ||
  fail "--netcdf-deflate after run"
[ "$(level_of "$work/after/run.nc")" = "9 9" ] || fail "after run: $(level_of "$work/after/run.nc")"
grep -q '"netcdf_deflate_level": 9' "$work/after/results/manifest.json" || fail "the manifest does not record the level"
fresh dialogue && (cd "$work/dialogue" && printf "$small_answers" | "$flowplex" --netcdf-deflate 1 --netcdf run.nc > console.txt) ||
  fail "--netcdf-deflate before the dialogue"
[ "$(level_of "$work/dialogue/run.nc")" = "1 1" ] || fail "dialogue: $(level_of "$work/dialogue/run.nc")"
fresh plain && (cd "$work/plain" && "$flowplex" "${small_run[@]}" --netcdf run.nc --csv results) || fail "--netcdf alone"
[ "$(level_of "$work/plain/run.nc")" = "none uncompressed" ] || fail "plain: $(level_of "$work/plain/run.nc")"
grep -q 'netcdf_deflate_level' "$work/plain/results/manifest.json" && fail "the manifest of a plain file records a level"

fresh usage
usage() {
  local expected=$1; shift
  "$flowplex" -C "$work/usage" "$@" > /dev/null 2> "$work/error.txt" < /dev/null
  local status=$?
  [ $status -eq 2 ] || fail "$* gave status $status"
  [ "$(wc -l < "$work/error.txt")" -eq 1 ] || fail "$* gave $(wc -l < "$work/error.txt") lines"
  grep -q -F -- "$expected" "$work/error.txt" || fail "$*: $(cat "$work/error.txt")"
}
level="the level is a whole number from 1 to 9"
usage "--netcdf-deflate 0: $level" --netcdf run.nc --netcdf-deflate 0 "${small_run[@]}"
usage "--netcdf-deflate 10: $level" "${small_run[@]}" --netcdf run.nc --netcdf-deflate 10
usage "--netcdf-deflate fast: $level" --netcdf-deflate fast --netcdf run.nc
usage "--netcdf-deflate -1: $level" "${small_run[@]}" --netcdf run.nc --netcdf-deflate=-1 --csv results
without="it compresses the flows of --netcdf FILE, which is not given"
usage "--netcdf-deflate 5: $without" --netcdf-deflate 5
usage "--netcdf-deflate 5: $without" "${small_run[@]}" --netcdf-deflate 5 --csv results --html page.html
usage "--netcdf-deflate 2: $without" run --years 3 --option 0 --gauges none --realizations 71-80 --netcdf-deflate 2
[ -z "$(ls -A "$work/usage" | grep -v -x -F -f <(ls "$examples"))" ] ||
  fail "a usage error left a file: $(ls -A "$work/usage" | grep -v -x -F -f <(ls "$examples"))"
exit $failed
