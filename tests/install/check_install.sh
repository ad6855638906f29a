#!/usr/bin/env bash
# Installs the build into a staging folder (DESTDIR, any prefix) and checks
# what lies there: the program, its help page, a valid desktop entry, the
# icon in every size, AppStream metadata that appstreamcli accepts, the
# manual page, and nothing else, the program stripped; that scripts/uninstall
# removes it all and only the folders the install made; that an install of a
# build lacking a file refuses before writing.
# Then builds the Debian package and checks its files, its dependencies and
# what lintian and hardening-check say of it. Usage: check_install.sh <build-dir> <source-dir>
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR=$work/stage cmake --install "$build" --prefix /opt/merkolo >/dev/null
root=$work/stage/opt/merkolo

sizes=(16 22 24 32 48 64 128 256)
expected=(bin/merkolo share/applications/merkolo.desktop share/metainfo/de.merkolo.merkolo.metainfo.xml
          share/man/man1/merkolo.1.gz share/doc/merkolo/changelog.gz share/doc/merkolo/copyright)
for s in "${sizes[@]}"; do expected+=("share/icons/hicolor/${s}x${s}/apps/merkolo.png"); done
while IFS= read -r f; do expected+=("share/merkolo/mk-hilfe/$f"); done < <(cd "$source/resources/mk-hilfe" && find . -type f | sed 's|^\./||')
want=$(printf '%s\n' "${expected[@]}" | sort)
have=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort)
[ "$want" = "$have" ] || fail "installed files differ from the expected ones:
$(diff <(echo "$want") <(echo "$have") || true)"
# No folders to write into: an installed program writes into a folder per user.
for d in einstellung text bilder; do
  [ -z "$(cd "$root" && find . -name "$d")" ] || fail "$d installed"
done
[ -x "$root/bin/merkolo" ] || fail "bin/merkolo is not executable"

for s in "${sizes[@]}"; do
  got=$(identify -format '%wx%h' "$root/share/icons/hicolor/${s}x${s}/apps/merkolo.png")
  [ "$got" = "${s}x${s}" ] || fail "icon ${s}x${s} is $got"
done

desktop=$root/share/applications/merkolo.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'Exec=merkolo' "$desktop" || fail "Exec"
grep -qx 'Icon=merkolo' "$desktop" || fail "Icon"
grep -q '^Categories=.*Utility;' "$desktop" || fail "Categories"
grep -qx 'Comment=Sammelt kopierte Texte und Bilder aus der Zwischenablage' "$desktop" || fail "Comment"
appstreamcli validate --no-net --pedantic "$root/share/metainfo/de.merkolo.merkolo.metainfo.xml" >/dev/null \
  || fail "appstreamcli validate"
manwarn=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/share/man/man1/merkolo.1.gz" 2>&1 >/dev/null)
[ -z "$manwarn" ] || fail "the manual page: $manwarn"
LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$root/share/man/man1/merkolo.1.gz" 2>/dev/null | grep -q XDG_RUNTIME_DIR \
  || fail "the manual page does not render"

# Installed stripped: no symbol table, no debug sections.
readelf -S "$root/bin/merkolo" | grep -qE '\.symtab|\.debug_' && fail "bin/merkolo is not stripped"

# The Debian package.
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1) \
  || fail "cpack: $(cat "$work/cpack.log")"
deb=$(ls "$work"/pkg/merkolo_*.deb)
[ "$(dpkg-deb -f "$deb" Package)" = merkolo ] || fail "Package"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libxcb1; do
  [[ ",$depends," == *", $lib "* || ",$depends," == *",$lib "* || ",$depends," == *", $lib,"* ]] || fail "Depends lacks $lib: $depends"
done
for bad in gtest benchmark dev; do
  [[ "$depends" != *"$bad"* ]] || fail "Depends names $bad: $depends"
done
[[ "$(dpkg-deb -f "$deb" Recommends)" == *qt6-translations-l10n* ]] || fail "Recommends"
packaged=$(dpkg-deb -c "$deb" | awk '{print $NF}' | grep -v '/$' | sed 's|^\./usr/||' | sort)
[ "$want" = "$packaged" ] || fail "packaged files differ:
$(diff <(echo "$want") <(echo "$packaged") || true)"
# Built with Debian's hardening: stack protector, PIE, relro and now, seen
# by hardening-check in the packaged program. Fortify is seen in the build's
# commands: every libc call of the program has sizes the compiler knows, so
# no checked variant is left for hardening-check to find. Control-flow
# protection needs a glibc built for it, which Debian 12 lacks (its own
# programs fail that line too).
dpkg-deb -x "$deb" "$work/unpacked"
hardening=$(hardening-check --nofortify --nocfprotection "$work/unpacked/usr/bin/merkolo" 2>&1) \
  || fail "hardening-check: $hardening"
(cd "$build" && ninja -t commands merkolo) | grep -v -- '-D_FORTIFY_SOURCE=2' | grep -q -- ' -c .*\.cpp$' \
  && fail "units of the program built without _FORTIFY_SOURCE"
# lintian: nothing but the placeholder maintainer address.
tags=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -E '^[EW]: ' | grep -v 'bogus-mail-host' || true)
[ -z "$tags" ] || fail "lintian: $tags"
# Installing and uninstalling again, after CPack's own install: the
# uninstall removes every file and only the folders the install created.
# Rows: prefix | folders there before (kept, empty or not).
n=0
rows=("/opt/merkolo|"
      "/usr/local|usr/local/share/man usr/local/bin"
      "/usr/local/|usr/local/share usr/local/lib")
for row in "${rows[@]}"; do
  prefix=${row%%|*}
  stage=$work/row$((++n))
  mkdir -p "$stage"
  for d in ${row#*|}; do mkdir -p "$stage/$d"; done
  before=$(cd "$stage" && find . | sort)
  DESTDIR=$stage cmake --install "$build" --prefix "$prefix" >/dev/null
  [ -x "$stage${prefix%/}/bin/merkolo" ] || fail "$prefix: nothing installed"
  DESTDIR=$stage "$source/scripts/uninstall" --prefix "$prefix" "$build" >/dev/null
  after=$(cd "$stage" && find . | sort)
  [ "$before" = "$after" ] || fail "$prefix: the uninstall left a different tree:
$(diff <(echo "$before") <(echo "$after") || true)"
done
# The uninstall of the first install still finds its own note after all that.
DESTDIR=$work/stage "$source/scripts/uninstall" --prefix /opt/merkolo "$build" >/dev/null
[ -z "$(cd "$work/stage" && find . -mindepth 1)" ] || fail "left after uninstall: $(cd "$work/stage" && find . -mindepth 1)"

# A build that lacks a file to install (scripts/run builds the program
# alone): the install refuses before writing anything.
mv "$build/docs/merkolo.1.gz" "$work/merkolo.1.gz"
DESTDIR=$work/partial cmake --install "$build" --prefix /usr >"$work/partial.log" 2>&1 && refused=no || refused=yes
mv "$work/merkolo.1.gz" "$build/docs/merkolo.1.gz"
[ "$refused" = yes ] || fail "installed without the manual page"
grep -q 'not built: .*merkolo.1.gz' "$work/partial.log" || fail "the refusal: $(cat "$work/partial.log")"
[ ! -e "$work/partial" ] || fail "a refused install wrote: $(cd "$work/partial" && find . -type f)"

echo "install and package: ok ($(basename "$deb"))"
