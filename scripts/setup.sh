#!/usr/bin/env bash
# Installs what the build needs when it is missing, and any further Debian packages named
# on the command line: through apt-get when run as root, otherwise it prints the exact
# apt-get line to run.
set -euo pipefail
packages=(g++ cmake make libgtest-dev libcli11-dev libnetcdf-dev nlohmann-json3-dev libssl-dev libeigen3-dev libnlopt-dev "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then
    apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
  else
    echo "Missing packages. Install them with:"
    echo "  sudo apt-get install -y ${missing[*]}"
    exit 1
  fi
fi
