#!/usr/bin/env bash
# The fresh-machine check cleans up after a failing quick start: given a commit whose README
# starts a process that holds the root's /dev and then runs `false`, it must fail naming
# `false`, end that process, unmount everything it mounted and remove its root, leaving the
# host's /dev as it was. Run by CI after the check itself (root and a package registry needed).
set -euo pipefail
project=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

git clone --quiet "$project" "$scratch/clone"
cp "$project/scripts/fresh-machine-check.sh" "$project/scripts/setup.sh" "$project/scripts/packages.txt" "$scratch/clone/scripts/"
python3 - "$scratch/clone/README.md" <<'PY'
import re, sys
path = sys.argv[1]
text = open(path, encoding="utf-8").read()
block = "```\nsleep 600 </dev/zero >/dev/null 2>&1 &   # holds the root's /dev\nfalse                  # fails\n```"
text = re.sub(r"(## Quick start\n.*?)```\n.*?```", lambda m: m.group(1) + block, text, count=1, flags=re.S)
open(path, "w", encoding="utf-8").write(text)
PY
git -C "$scratch/clone" -c user.name=ci -c user.email=ci@localhost commit --quiet -am "a quick start that fails"

roots_before=$(ls -d /var/tmp/flowplex-fresh.* 2>/dev/null || true)
set +e
"$scratch/clone/scripts/fresh-machine-check.sh" >"$scratch/out" 2>&1
status=$?
set -e
cat "$scratch/out"

problems=()
[ $status -ne 0 ] || problems+=("the check passed a quick start that fails")
grep -q "FAILED .*: false" "$scratch/out" || problems+=("the failing command is not named")
grep -q "flowplex-fresh" /proc/mounts && problems+=("still mounted: $(grep flowplex-fresh /proc/mounts)")
[ "$(ls -d /var/tmp/flowplex-fresh.* 2>/dev/null || true)" = "$roots_before" ] || problems+=("the root was left behind")
pgrep -f "sleep 600" >/dev/null && problems+=("a process of the root is still running")
[ -c /dev/null ] && [ -c /dev/zero ] || problems+=("the host's /dev was damaged")
if [ ${#problems[@]} -gt 0 ]; then
  printf 'fresh-machine clean-up: %s\n' "${problems[@]}"
  exit 1
fi
echo "fresh-machine clean-up passed"
