#!/usr/bin/env bash
# Time from `scripts/run` to the program's first window: once in a fresh
# clone of this repository (install check, configure, build of the program
# alone) and once more with nothing changed. Needs a display:
#   eval "$(scripts/xdesktop)"; bench/first_window.sh
# Prints figures only; ends only the programs it started.
set -euo pipefail
[ -n "${DISPLAY:-}" ] || { echo "first_window: needs DISPLAY (eval \"\$(scripts/xdesktop)\")" >&2; exit 2; }
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
git clone -q "$here" "$work/merkolo"

# start_until_window LOG: runs scripts/run in the clone, waits for the
# selector window, ends that program and prints the seconds it took.
start_until_window() {
  local log=$1 start wid pid now
  start=$(date +%s.%N)
  (cd "$work/merkolo" && scripts/run >"$log" 2>&1) &
  local runner=$!
  wid=""
  while [ -z "$wid" ]; do
    kill -0 "$runner" 2>/dev/null || { echo "first_window: scripts/run ended early:" >&2; cat "$log" >&2; exit 1; }
    wid=$(xdotool search --onlyvisible --name '^Merkolo-Auswahl' 2>/dev/null | head -n1 || true)
    [ -n "$wid" ] || sleep 0.02
  done
  now=$(date +%s.%N)
  pid=$(xdotool getwindowpid "$wid")
  # Only the program this clone's scripts/run started.
  [ "$(readlink "/proc/$pid/exe")" = "$work/merkolo/build/src/merkolo" ] || { echo "first_window: another Merkolo runs on $DISPLAY" >&2; exit 1; }
  kill "$pid"; wait "$runner" || true
  awk -v a="$start" -v b="$now" 'BEGIN { printf "%.1f", b - a }'
}

fresh=$(start_until_window "$work/fresh.log")
echo "fresh clone -> first window: ${fresh} s (load $(cut -d' ' -f1 /proc/loadavg))"
grep '^run:' "$work/fresh.log" | sed 's/^/  /'
again=$(start_until_window "$work/again.log")
echo "second scripts/run, nothing changed -> first window: ${again} s"
