#!/usr/bin/env bash
# The guard, given the package list without libnlopt-cxx-dev (still installed, as on the
# machine where a hand-installed package once hid its absence from the list), must fail
# and name it.
#   guard_names_missing.sh GUARD PACKAGES_TXT BUILD_DIR EXECUTABLE [GUARD OPTIONS...]
set -uo pipefail
guard=$1 list=$2
shift 2
trimmed=$(mktemp)
trap 'rm -f "$trimmed"' EXIT
sed 's/ libnlopt-cxx-dev//' "$list" >"$trimmed"
output=$(/usr/bin/python3 "$guard" "$trimmed" "$@")
status=$?
[ $status -eq 77 ] && { echo "$output"; exit 77; }
echo "$output"
if [ $status -eq 1 ] && grep -q '^libnlopt-cxx-dev: .*nlopt.hpp' <<<"$output"; then exit 0; fi
echo "the guard did not fail naming libnlopt-cxx-dev (status $status)"
exit 1
