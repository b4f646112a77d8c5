#!/usr/bin/env bash
# Installs the Debian packages of the "build" group of scripts/packages.txt and of every
# further group named on the command line (test, bench, fuzz, fresh-machine) when they are
# missing: through apt-get when run as root, otherwise it prints the exact apt-get line.
set -euo pipefail
list="$(cd "$(dirname "$0")" && pwd)/packages.txt"
packages=()
for group in build "$@"; do
  line=$(grep -E "^$group:" "$list") || { echo "setup.sh: no package group '$group' in $list" >&2; exit 2; }
  read -r -a names <<<"${line#*:}"
  packages+=("${names[@]}")
done
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
