# Sourced by the scripts: the Debian packages each step needs, and one
# function that installs the missing ones (with sudo when not root).

# Building and running the program.
program_packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-translations-l10n libgl-dev libxcb1-dev
                  libxcb-xfixes0-dev libwayland-dev libwayland-bin fonts-dejavu-core)
# A desktop of our own when there is no display (scripts/run, the e2e suite).
desktop_packages=(xvfb openbox trayer x11-utils)
# The test suite and the benchmarks on top.
# sway, wl-clipboard and foot: a headless Wayland desktop for the data-control
# tests; python3-gi with GTK: a real program that copies and quits.
test_packages=(libgtest-dev libbenchmark-dev fonts-dejavu-extra xclip xdotool imagemagick
               desktop-file-utils appstream dpkg-dev file lintian man-db sway wl-clipboard foot
               python3-gi gir1.2-gtk-3.0)

# install_missing TAG package...: installs the packages not yet installed,
# printing one line that names them.
install_missing() {
  local tag=$1; shift
  local missing
  missing=$(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "$@" 2>/dev/null \
              | awk '$2 == "installed" {print $1}' | sort -u \
              | comm -13 - <(printf '%s\n' "$@" | sort -u) | tr '\n' ' ')
  [ -n "${missing// /}" ] || return 0
  echo "$tag: installing $missing"
  local sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq $missing >/dev/null
}
