#!/usr/bin/env bash
# Proves the README's quick start on a fresh machine: makes a minimal Debian 12 root with
# mmdebstrap from this machine's own package sources, puts a clean clone of REV (default
# HEAD) in it, and runs there, as root and in order, the commands of the fenced block of
# that clone's "Quick start" section. Prints each command's time; on a failure names the
# command and its first error line and exits non-zero.
#   scripts/fresh-machine-check.sh [REV]
# FLOWPLEX_SKIP_FRESH_MACHINE=1 skips the check (a developer's offline machine only).
set -euo pipefail
project=$(cd "$(dirname "$0")/.." && pwd)
rev=${1:-HEAD}

fail() { echo "fresh-machine check: $*" >&2; exit 1; }

if [ "${FLOWPLEX_SKIP_FRESH_MACHINE:-}" = 1 ]; then
  echo "!!! FRESH-MACHINE CHECK SKIPPED (FLOWPLEX_SKIP_FRESH_MACHINE=1): the README's quick start was NOT proved on a fresh machine !!!"
  exit 0
fi
[ "$(id -u)" -eq 0 ] || fail "must run as root: it makes a Debian root with mmdebstrap and mounts /proc, /dev and /sys into it"
commit=$(git -C "$project" rev-parse --verify --quiet "$rev^{commit}") || fail "no commit '$rev' in $project"
"$project/scripts/setup.sh" fresh-machine >/dev/null

work=$(mktemp -d /var/tmp/flowplex-fresh.XXXXXX)
root="$work/root"
clone=/root/flowplex

# Everything mounted at or below the root, deepest first, as /proc/mounts lists it.
mounts_under_root() {
  awk -v r="$root" '$2 == r || index($2, r "/") == 1 { print $2 }' /proc/mounts | sort -r
}

# Ends every process whose root is the Debian root (a browser left behind keeps /dev busy).
end_processes_in_root() {
  local signal p pids
  for signal in TERM KILL; do
    pids=()
    for p in /proc/[0-9]*; do
      [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && pids+=("${p#/proc/}")
    done
    [ ${#pids[@]} -eq 0 ] && return 0
    kill "-$signal" "${pids[@]}" 2>/dev/null || true
    sleep 1
  done
}

# Unmounts everything under the root and removes the work folder, but never while anything
# is still mounted there: a recursive delete through a bound /dev destroys the host's
# device nodes.
clean_up() {
  local status=$? m
  trap - EXIT INT TERM
  end_processes_in_root
  for m in $(mounts_under_root); do
    umount -R "$m" 2>/dev/null || umount -R -l "$m" 2>/dev/null || true
  done
  if [ -n "$(mounts_under_root)" ]; then
    echo "fresh-machine check: still mounted under $root, left $work in place:" >&2
    mounts_under_root >&2
    exit 1
  fi
  rm -rf --one-file-system "$work"
  exit "$status"
}
trap clean_up EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The machine's own package sources, as apt itself reads them.
sources=()
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] && grep -qE '^[[:space:]]*(deb|Types:)' "$f" && sources+=("$f")
done
[ ${#sources[@]} -gt 0 ] || fail "this machine has no apt package sources to make a Debian root from"

echo "== fresh Debian 12 root in $root"
start=$SECONDS
mmdebstrap --quiet --variant=apt bookworm "$root" "${sources[@]}" >"$work/mmdebstrap.log" 2>&1 || {
  tail -n 5 "$work/mmdebstrap.log" >&2
  fail "cannot make the Debian root with mmdebstrap (no package registry reachable?)"
}
cp /etc/resolv.conf "$root/etc/resolv.conf"
echo "   made in $((SECONDS - start)) s"

git clone --quiet --no-local --no-checkout "$project" "$root$clone"
git -C "$root$clone" checkout --quiet "$commit"
echo "== clean clone of $(git -C "$project" log -1 --format='%h %s' "$commit")"

mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev" && mount --make-rslave "$root/dev"
mount --rbind /sys "$root/sys" && mount --make-rslave "$root/sys"

# The quick start's commands: every line of the first fenced block after its heading.
mapfile -t commands < <(awk '/^## /{ section = ($0 == "## Quick start") } section && /^```/{ if (inside) exit; inside = 1; next } section && inside && NF' "$root$clone/README.md")
[ ${#commands[@]} -gt 0 ] || fail "no fenced block of commands in the \"Quick start\" section of README.md at $rev"

for command in "${commands[@]}"; do
  shown=${command%%#*}
  shown=${shown%"${shown##*[![:space:]]}"}
  echo "== $shown"
  log="$work/command.log"
  start=$SECONDS
  # In the background, so that a signal to this script is taken at once, not when the
  # command ends; the clean-up ends what is still running in the root.
  chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd $clone && $command" >"$log" 2>&1 </dev/null &
  if wait $!; then
    echo "   passed in $((SECONDS - start)) s"
  else
    status=$?
    first_error=$(grep -m1 -iE 'error|fatal|fail|cannot|not found|no such' "$log" || tail -n 1 "$log")
    echo "   FAILED after $((SECONDS - start)) s with status $status: $shown" >&2
    echo "   first error: $first_error" >&2
    exit 1
  fi
done
echo "fresh-machine check passed"
