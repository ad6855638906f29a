#!/usr/bin/env bash
# Time from `scripts/run` to the program's first window: once in a fresh
# clone of this repository (install check, configure, build of the program
# alone) and once more with nothing changed, with the time of each step
# (installing, configuring, building, starting). Needs a display:
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
  # Each line of scripts/run with the time it came, to say where the time went.
  (cd "$work/merkolo" && scripts/run 2>&1 | while IFS= read -r line; do echo "$(date +%s.%N) $line"; done >"$log") &
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
  echo "$now window" >>"$log"
  awk -v a="$start" -v b="$now" 'BEGIN { printf "%.1f", b - a }'
}

# steps LOG: the seconds from each step's line to the next one.
steps() {
  awk '$2 == "run:" || $2 == "window" { if (name != "") printf "  %-10s %6.1f s\n", name, $1 - prev;
                   name = ($2 == "window") ? "" : $3; prev = $1 }' "$1"
}

fresh=$(start_until_window "$work/fresh.log")
echo "fresh clone -> first window: ${fresh} s (load $(cut -d' ' -f1 /proc/loadavg))"
steps "$work/fresh.log"
again=$(start_until_window "$work/again.log")
echo "second scripts/run, nothing changed -> first window: ${again} s"
