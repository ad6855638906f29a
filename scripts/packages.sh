# Sourced by the scripts: the Debian packages each step needs, one function
# that installs the missing ones (with sudo when not root), and the scripts'
# way of saying a step failed.

# Building and running the program.
program_packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-translations-l10n libgl-dev libxcb1-dev
                  libxcb-xfixes0-dev libwayland-dev libwayland-bin libqt6sql6-sqlite fonts-dejavu-core)
# A desktop of our own when there is no display (scripts/run, the e2e suite).
desktop_packages=(xvfb openbox trayer x11-utils)
# The test suite and the benchmarks on top.
# sway, wl-clipboard and foot: a headless Wayland desktop for the data-control
# tests, with xwayland to show the program's X11 windows on it (and xhost, of
# x11-xserver-utils, to let the tests in when sway runs as a user of its own);
# python3-gi with GTK: a real program that copies and quits; clang: the second
# compiler the project's own checks build with.
test_packages=(libgtest-dev libbenchmark-dev fonts-dejavu-extra xclip xdotool imagemagick
               desktop-file-utils appstream dpkg-dev file lintian man-db sway xwayland x11-xserver-utils
               wl-clipboard foot python3-gi gir1.2-gtk-3.0 devscripts clang)
# Building the Debian package.
package_packages=(dpkg-dev file)

# How long another package manager may hold the lock before we give up.
MERKOLO_LOCK_WAIT=${MERKOLO_LOCK_WAIT:-600}

# step TAG WHAT: names the step the script is in, for the failure line.
# Every script sources this file and calls `step` before each stage; a
# command that fails under `set -e` then ends the script with one line that
# names the stage and the status, never silently.
step_tag=merkolo
step_what=starting
step() { step_tag=$1; step_what=$2; }
trap 'status=$?; echo "$step_tag: $step_what failed (exit status $status)" >&2; exit $status' ERR
set -o errtrace

# missing_packages package...: prints the packages that dpkg does not have
# installed. A package dpkg has never heard of is missing (dpkg-query then
# exits 1, which is normal on a fresh machine); one that is only waiting
# for its triggers (another apt is configuring) counts as installed.
missing_packages() {
  local known
  known=$({ dpkg-query -W -f='${Package} ${db:Status-Status}\n' "$@" 2>/dev/null || true; } \
            | awk '$2 == "installed" || $2 == "triggers-pending" || $2 == "triggers-awaited" {print $1}' \
            | sed 's/:.*//' | sort -u)
  comm -13 <(printf '%s\n' "$known") <(printf '%s\n' "$@" | sort -u) | tr '\n' ' '
}

# The locks apt and dpkg take; another package manager holding one of them
# (Debian's unattended upgrades do, for minutes after a boot) is waited for.
MERKOLO_APT_LOCKS=${MERKOLO_APT_LOCKS:-/var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock}
lock_held() {
  local f ino
  for f in $MERKOLO_APT_LOCKS; do
    ino=$(stat -c %i "$f" 2>/dev/null) || continue
    grep -qE "^[0-9]+: .* [0-9a-f]+:[0-9a-f]+:$ino " /proc/locks && return 0
  done
  return 1
}

# wait_for_lock TAG: returns once no other package manager holds a lock,
# saying once that it waits; gives up after MERKOLO_LOCK_WAIT seconds.
# (apt-get update does not wait for a held lock by itself.)
lock_said=0
wait_for_lock() {
  local tag=$1 waited=0
  while lock_held; do
    if [ $lock_said -eq 0 ]; then
      echo "$tag: another package manager holds the lock; waiting for it (at most $((MERKOLO_LOCK_WAIT / 60)) min)"
      lock_said=1
    fi
    [ $waited -lt "$MERKOLO_LOCK_WAIT" ] || return 0 # apt-get then says which lock and who holds it
    sleep 1; waited=$((waited + 1))
  done
}

# apt_quiet TAG apt-get-arguments...: runs apt-get once no other package
# manager holds its lock, and shows apt's own output only when it fails.
apt_quiet() {
  local tag=$1; shift
  local sudo_cmd=() out status=0 line
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  wait_for_lock "$tag"
  out=$(mktemp)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout="$MERKOLO_LOCK_WAIT" \
    -o Acquire::Retries=3 "$@" >"$out" 2>&1 || status=$?
  if [ "$status" != 0 ]; then
    local why
    why=$(grep -E '^(E|Err):' "$out" | tail -n 1 || true)
    echo "$tag: apt-get $1 failed (exit status $status): ${why:-$(tail -n 1 "$out")}" >&2
    rm -f "$out"
    return 1
  fi
  rm -f "$out"
}

# install_missing TAG package...: installs the packages not yet installed,
# printing one line that names them. Ends the script with one line naming
# the failure when apt cannot install them.
install_missing() {
  local tag=$1; shift
  local missing
  missing=$(missing_packages "$@")
  [ -n "${missing// /}" ] || return 0
  echo "$tag: installing $missing"
  if [ "$(id -u)" -ne 0 ] && ! command -v sudo >/dev/null 2>&1; then
    echo "$tag: these packages are missing and sudo is not installed; install them as root: apt-get install $missing" >&2
    exit 1
  fi
  # shellcheck disable=SC2086
  apt_quiet "$tag" update -qq && apt_quiet "$tag" install -y -qq $missing || exit 1
}
