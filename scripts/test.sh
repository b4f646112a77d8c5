#!/usr/bin/env bash
# Builds flowplex with its tests and runs them all (unit tests and golden-file runs).
# Environment: BUILD_DIR (default build), BUILD_TYPE (default Debug; Release is the build users
# run), FLOWPLEX_WERROR=ON for warnings as errors, FLOWPLEX_SANITIZE=ON for AddressSanitizer
# and UndefinedBehaviorSanitizer, FLOWPLEX_TSAN=ON for ThreadSanitizer,
# FLOWPLEX_VECTOR_CLONES=OFF to compile the hot loops without their AVX2 clones, and
# FLOWPLEX_TEST_LABELS to run only the tests of the labels listed, separated by spaces or
# commas (e.g. "golden parallel"; FLOWPLEX_TEST_LABEL is the same), with FLOWPLEX_BUILD_TARGETS
# to build only the targets those tests need (e.g. "flowplex parallel_tests"; default all).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The tests also read the outputs as their users do: Debian's Python with xarray, netCDF4
# and pandas, and Chromium.
"$root/scripts/setup.sh" test
build="$root/${BUILD_DIR:-build}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Debug}" \
  -DFLOWPLEX_WERROR="${FLOWPLEX_WERROR:-OFF}" -DFLOWPLEX_SANITIZE="${FLOWPLEX_SANITIZE:-OFF}" \
  -DFLOWPLEX_TSAN="${FLOWPLEX_TSAN:-OFF}" -DFLOWPLEX_VECTOR_CLONES="${FLOWPLEX_VECTOR_CLONES:-ON}" >/dev/null
targets=()
read -r -a targets <<<"${FLOWPLEX_BUILD_TARGETS:-}"
cmake --build "$build" -j"$(nproc)" ${targets[@]:+--target "${targets[@]}"}
# The labels as one regular expression that matches each of them whole: "golden parallel"
# gives ^(golden|parallel)$.
labels=${FLOWPLEX_TEST_LABELS:-${FLOWPLEX_TEST_LABEL:-}}
label_regex=
if [ -n "$labels" ]; then
  read -r -a names <<<"${labels//,/ }"
  label_regex="^($(IFS='|'; echo "${names[*]}"))\$"
fi
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" ${label_regex:+-L "$label_regex"}
