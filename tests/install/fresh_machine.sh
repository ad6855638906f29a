#!/usr/bin/env bash
# The README's commands on a fresh machine, without touching this one: a
# dpkg-query that knows no package and an apt-get, cmake, ctest and cpack that
# only note their calls stand first in PATH. Each row runs one script and
# checks what it asked apt for, that it went on to configure and build (or
# stopped with one line naming the failed step), and its exit status.
# Usage: fresh_machine.sh <source-dir>
set -uo pipefail
source=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=../../scripts/packages.sh
program_packages=() desktop_packages=() test_packages=()
eval "$(sed -n '/^[a-z_]*_packages=(/,/)/p' "$source/scripts/packages.sh")"
failures=0

stub() { printf '#!/bin/sh\n%s\n' "$2" >"$work/bin/$1"; chmod +x "$work/bin/$1"; }

# row NAME SCRIPT EXPECT-STATUS PACKAGES-WANTED LINES-WANTED [VAR=VALUE...]
# APT is what the stub apt-get does for "install": ok, fail or lock.
row() {
  local name=$1 script=$2 want_status=$3 want_packages=$4 want_lines=$5; shift 5
  rm -rf "$work/bin" "$work/build" "$work/calls" "$work/installed"; mkdir -p "$work/bin"
  local APT=ok DPKG=unknown UID_=0 CMAKE=ok DISPLAY_=:fake
  local kv; for kv in "$@"; do local "${kv?}"; done
  case $DPKG in
    # Knows only what the stub apt-get installed.
    unknown) stub dpkg-query 'shift 2; s=0; for p; do if grep -qx "$p" '"$work/installed"' 2>/dev/null; then echo "$p installed"; else echo "dpkg-query: no packages found matching $p" >&2; s=1; fi; done; exit $s' ;;
    triggers) stub dpkg-query 'shift 2; for p; do echo "$p triggers-pending"; done' ;;
  esac
  case $APT in
    ok) stub apt-get 'echo "apt-get $*" >>'"$work/calls"'; for p; do echo "$p" >>'"$work/installed"'; done' ;;
    fail) stub apt-get 'echo "apt-get $*" >>'"$work/calls"'; case "$*" in *install*) echo "E: Unable to locate package qt6-base-dev" >&2; exit 100;; esac' ;;
    # Another package manager holds the lock for longer than the scripts wait.
    lock) stub apt-get 'echo "apt-get $*" >>'"$work/calls"'; echo "E: Could not get lock '"$work/lock"'. It is held by process 4242 (apt-get)" >&2; exit 100' ;;
  esac
  stub id "[ \"\$1\" = -u ] && echo $UID_ || exec /usr/bin/id \"\$@\""
  stub sudo 'echo "sudo" >>'"$work/calls"'; exec "$@"'
  stub cmake 'echo "cmake $*" >>'"$work/calls"'; [ '"$CMAKE"' = ok ] || exit 1
    case "$1" in --build) mkdir -p "$2/src"; printf "#!/bin/sh\necho merkolo running\n" >"$2/src/merkolo"; chmod +x "$2/src/merkolo";; esac'
  stub ctest 'echo "ctest $*" >>'"$work/calls"
  stub cpack 'echo "cpack $*" >>'"$work/calls"'; touch merkolo_1.0.0_amd64.deb'
  for x in Xvfb openbox trayer xdpyinfo; do stub $x 'exit 0'; done
  local out status holder=""
  if [ $APT = lock ]; then (exec 9>"$work/lock"; flock 9; exec sleep 60) & holder=$!; sleep 0.2; fi
  out=$(cd "$work" && PATH="$work/bin:$PATH" DISPLAY=$DISPLAY_ MERKOLO_BUILD="$work/build" \
        MERKOLO_APT_LOCKS="$work/lock" MERKOLO_LOCK_WAIT=2 \
        timeout 60 bash "$source/scripts/$script" </dev/null 2>&1); status=$?
  [ -z "$holder" ] || kill "$holder"
  local asked
  asked=$(grep -o 'install -y -qq .*' "$work/calls" 2>/dev/null | sed 's/install -y -qq //' | tr ' ' '\n' | sed '/^$/d' | sort | tr '\n' ' ')
  local wanted; wanted=$(printf '%s\n' $want_packages | sed '/^$/d' | sort | tr '\n' ' ')
  local problem=""
  [ "$status" = "$want_status" ] || problem+=" exit status $status, wanted $want_status;"
  [ "$asked" = "$wanted" ] || problem+=" apt was asked for [$asked], wanted [$wanted];"
  local line; while IFS= read -r line; do
    [ -z "$line" ] || grep -qF -- "$line" <<<"$out" || problem+=" no line '$line';"
  done <<<"${want_lines//|/$'\n'}"
  # One line for each step: nothing but our tagged lines and the program's own.
  local stray; stray=$(grep -vE '^(run|setup|test|package): |^merkolo running$|merkolo_1.0.0_amd64.deb$' <<<"$out" | head -3)
  [ -z "$stray" ] || problem+=" stray output: $stray;"
  [[ "$want_lines" != *waiting* ]] || [ "$(grep -c waiting <<<"$out")" = 1 ] || problem+=" the wait is not said once;"
  [ "$UID_" = 0 ] || grep -qx sudo "$work/calls" || problem+=" sudo not used;"
  if [ -n "$problem" ]; then
    echo "FAIL $name:$problem"; echo "$out" | sed 's/^/    /'; failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

all="${program_packages[*]} ${desktop_packages[*]} ${test_packages[*]}"
row "run with a display" run 0 "${program_packages[*]}" "run: installing|run: configuring $work/build|run: building the program|run: starting|merkolo running"
row "run without a display" run 0 "${program_packages[*]} ${desktop_packages[*]}" "run: no display found|merkolo running" DISPLAY_=
row "run as a user with sudo" run 0 "${program_packages[*]}" "run: installing|merkolo running" UID_=1000
row "test" test 0 "$all" "setup: installing|setup: configuring|setup: building|test: running the suite"
row "package" package 0 "$all" "setup: installing|package: making the Debian package|merkolo_1.0.0_amd64.deb"
row "packages waiting for their triggers" run 0 "" "run: configuring|merkolo running" DPKG=triggers
row "apt-get cannot install" run 1 "${program_packages[*]}" "run: apt-get install failed (exit status 100): E: Unable to locate package" APT=fail
row "the lock stays held" test 1 "" "setup: another package manager holds the lock; waiting|setup: apt-get update failed (exit status 100): E: Could not get lock" APT=lock
row "configuring fails" run 1 "${program_packages[*]}" "run: configuring $work/build failed (exit status 1)" CMAKE=fail
[ $failures -eq 0 ] || { echo "$failures of the fresh-machine rows failed"; exit 1; }
