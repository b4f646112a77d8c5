#!/usr/bin/env bash
# The command line of the real executable on copies of the example river system: `run`
# against the dialogue answered the same way, `check`, -C, the usage errors (one line,
# status 2, no file written) and the help of each command.
# Usage: command_line.sh FLOWPLEX EXAMPLES_DIR
source "$(dirname "$0")/../scripts/command_line_support.sh" "$@"

# The reports of run with flags are those of the dialogue answered 30, 0, 1, 2, 0, (empty),
# HIS, HIS, 1, 2, 3, 4, 1, 2, 3, 4.
fresh dialogue && fresh flags
(cd "$work/dialogue" && printf '30\n0\n1\n2\n0\n\nHIS\nHIS\n1\n2\n3\n4\n1\n2\n3\n4\n' | "$flowplex" > console.txt) ||
  fail "the dialogue run"
(cd "$work" && "$flowplex" -C flags run --years 30 --option rigorous --gauges 1,2 --analyses all > flags/console.txt) ||
  fail "the run with flags"
for f in SEQPROBE.ANS SEQPROBE.PIN SEQPROBE.PN2 GAUGE.ANN; do
  cmp -s "$work/dialogue/$f" "$work/flags/$f" || fail "$f differs between the dialogue and run"
done
grep -q "ENTER" "$work/flags/console.txt" && fail "run shows a question"
tail -1 "$work/flags/console.txt" | grep -qx " There you go !" || fail "run does not end with its stop message"

# The output options follow `run` too.
(cd "$work/flags" && "$flowplex" run --years 3 --option bootstrap --gauges 1 --csv results --quiet > quiet.txt) ||
  fail "run with --csv"
[ -f "$work/flags/results/manifest.json" ] || fail "run with --csv wrote no manifest"
[ -s "$work/flags/quiet.txt" ] && fail "run --quiet wrote on the console"

# check: the example system passes; a missing ranked file fails it.
"$flowplex" -C "$work/flags" check > "$work/check.txt" || fail "check of the example system"
tail -1 "$work/check.txt" | grep -qx " 0 PROBLEMS, 0 WARNINGS" || fail "check's last line: $(tail -1 "$work/check.txt")"
fresh damaged && rm "$work/damaged/KLIP01.RNK"
"$flowplex" -C "$work/damaged" check > "$work/check.txt"
[ $? -eq 1 ] || fail "check of a system without KLIP01.RNK does not fail"

# A fault of the river system ends the run before any report or export file exists.
fresh early
"$flowplex" -C "$work/early" run --years 3 --option 0 --gauges 1 --historic XYZ --netcdf run.nc > "$work/early.txt"
[ $? -eq 1 ] || fail "a missing historic file does not fail the run"
ls "$work/early" | grep -q -E "SEQPROBE|GAUGE.ANN|run.nc" && fail "a run that failed its checks left a file"

# --threads after run too; the manifest records the command line without it, so the
# same run on any number of threads records the same.
for n in 1 3; do
  fresh "threads$n"
  (cd "$work/threads$n" && "$flowplex" run --years 3 --option bootstrap --gauges 1 --threads $n --csv results --quiet) ||
    fail "run with --threads $n"
done
cmp -s "$work/threads1/results/manifest.json" "$work/threads3/results/manifest.json" ||
  fail "the manifest differs with the number of threads"
grep -q -- "--threads" "$work/threads3/results/manifest.json" && fail "the manifest records --threads"

# Usage errors: one line on standard error naming the flag and value, status 2, no file.
fresh usage
usage() {
  local expected=$1; shift
  "$flowplex" -C "$work/usage" "$@" > /dev/null 2> "$work/error.txt"
  local status=$?
  [ $status -eq 2 ] || fail "$* gave status $status"
  [ "$(wc -l < "$work/error.txt")" -eq 1 ] || fail "$* gave $(wc -l < "$work/error.txt") lines"
  grep -q -F -- "$expected" "$work/error.txt" || fail "$*: $(cat "$work/error.txt")"
}
usage "--years: Value 0" run --years 0 --option 0 --gauges 1
usage "--option quick" run --years 30 --option quick --gauges 1
usage "--gauges 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16" run --years 30 --option 0 --gauges 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16
usage "--dump" run --years 30 --option 0 --gauges 1 --dump
usage '--historic: "ABCD"' check --historic ABCD
usage "--threads: a whole number of 1 or more is needed, not 0" --threads 0
usage "--threads: a whole number of 1 or more is needed, not -1" run --years 30 --option 0 --gauges 1 --threads -1
usage "--threads: a whole number of 1 or more is needed, not two" --threads two run --years 30 --option 0 --gauges 1
usage "--realizations 0: the number of realizations is 1 to 1000000" --realizations 0
usage "--realizations 1000001: the number of realizations is 1 to 1000000" run --years 3 --option 0 --gauges none --realizations 1000001
usage "--realizations 5-1000001: the last realization is at most 1000000" run --years 3 --option 0 --gauges none --realizations 5-1000001
usage "--realizations 80-71: the last realization comes before the first" run --years 3 --option 0 --gauges none --realizations 80-71
usage "--realizations 0-70: the first realization is 1 or more" run --years 3 --option 0 --gauges none --realizations 0-70
usage "--realizations many: N or A-B is needed" --realizations many
usage "--realizations 71-200: a range without realizations 1 to 41 makes exports only: it needs \`run\` with --gauges none" --realizations 71-200
usage "--realizations 30: a range without realizations 1 to 41 makes exports only" run --years 3 --option 0 --gauges 1 --realizations 30
usage "--realizations 71-200: a range without realizations 1 to 41 makes no analyses and no dump: leave out --analyses" run --years 3 --option 0 --gauges none --analyses 1 --realizations 71-200 --netcdf run.nc
usage "leave out --dump" run --years 3 --option forecast --gauges none --dump --realizations 71-200
ls "$work/usage" | grep -q -E "SEQPROBE|GAUGE.ANN|run.nc" && fail "a usage error left a report file"

# Each command lists its own options.
"$flowplex" --help | grep -q -E "^ +run " || fail "flowplex --help does not list run"
"$flowplex" --help | grep -q -E "^ +check " || fail "flowplex --help does not list check"
"$flowplex" run --help | grep -q -- "--analyses-for" || fail "flowplex run --help does not list --analyses-for"
"$flowplex" check --help | grep -q -- "--historic" || fail "flowplex check --help does not list --historic"
"$flowplex" check --help | grep -q -- "--years" && fail "flowplex check --help lists the flags of run"
exit $failed
