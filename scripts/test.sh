#!/usr/bin/env bash
# Builds flowplex with its tests and runs them all (unit tests and golden-file runs).
# Environment: BUILD_DIR (default build), FLOWPLEX_WERROR=ON for warnings as errors,
# FLOWPLEX_SANITIZE=ON for AddressSanitizer and UndefinedBehaviorSanitizer, FLOWPLEX_TSAN=ON
# for ThreadSanitizer, FLOWPLEX_TEST_LABEL to run only the tests of one label (e.g. parallel).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The tests also read the outputs as their users do: Debian's Python with xarray, netCDF4
# and pandas, and Chromium.
"$root/scripts/setup.sh" test
build="$root/${BUILD_DIR:-build}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug \
  -DFLOWPLEX_WERROR="${FLOWPLEX_WERROR:-OFF}" -DFLOWPLEX_SANITIZE="${FLOWPLEX_SANITIZE:-OFF}" \
  -DFLOWPLEX_TSAN="${FLOWPLEX_TSAN:-OFF}" >/dev/null
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" ${FLOWPLEX_TEST_LABEL:+-L "$FLOWPLEX_TEST_LABEL"}
