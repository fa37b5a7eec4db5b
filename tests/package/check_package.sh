#!/usr/bin/env bash
# What the Debian package holds and declares: its name and fields, exactly
# the expected files, the library's SONAME and links, dependencies as
# dpkg-shlibdeps computes them from the binaries, the shlibs file, manual
# pages, and no path of the machine that built it.
#   check_package.sh PACKAGE
# From the test: VLR_CMAKE, VLR_LIBDIR, VLR_VERSION, VLR_SOVERSION,
# VLR_SOURCE_DIR, VLR_BUILD_DIR.
source "$(dirname "$0")/installation.sh"
deb=$1
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "vlr1210_${VLR_VERSION}_${arch}.deb" ] ||
  fail "package file named $(basename "$deb")"

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = vlr1210 ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$VLR_VERSION" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"

# Every file and link, and nothing else (the targets file of the build
# type has the type in its name).
lib=usr/$VLR_LIBDIR
real=libvlr1210.so.$VLR_VERSION
soname=libvlr1210.so.$VLR_SOVERSION
expected=(
  "usr/bin/vlr1210"
  "usr/bin/vlr1210-sim"
  "usr/include/vlr1210/rp1210.h"
  "$lib/$real"
  "$lib/$soname -> $real"
  "$lib/libvlr1210.so -> $soname"
  "$lib/pkgconfig/vlr1210.pc"
  "$lib/cmake/vlr1210/vlr1210-config.cmake"
  "$lib/cmake/vlr1210/vlr1210-config-version.cmake"
  "$lib/cmake/vlr1210/vlr1210-targets.cmake"
  "$lib/cmake/vlr1210/vlr1210-targets-[a-z]*.cmake"
  "usr/share/man/man1/vlr1210.1.gz"
  "usr/share/man/man1/vlr1210-sim.1.gz"
  "usr/share/doc/vlr1210/README.md"
  "usr/share/doc/vlr1210/copyright"
  "usr/share/doc/vlr1210/examples/ports.ini"
)
dpkg-deb --fsys-tarfile "$deb" | tar -tvf - | grep -v '^d' |
  sed -E 's/^([^ ]+ +){5}\.\///' >"$work/files"
unmatched=$(cat "$work/files")
for entry in "${expected[@]}"; do
  count=0
  while IFS= read -r line; do
    # shellcheck disable=SC2053
    if [[ $line == $entry ]]; then count=$((count + 1)); fi
  done <"$work/files"
  [ "$count" -eq 1 ] || fail "expected one '$entry' in the package, found $count"
  unmatched=$(while IFS= read -r line; do
    # shellcheck disable=SC2053
    [[ $line == $entry ]] || echo "$line"
  done <<<"$unmatched")
done
[ -z "$unmatched" ] || fail "unexpected in the package: $unmatched"

install_from deb "$deb"
# Whole outputs before each match: grep -q stops reading early, and under
# pipefail the writer's broken pipe would fail the check at random.
dynamic=$(readelf -d "$libdir/$real")
grep -qF "Library soname: [$soname]" <<<"$dynamic" ||
  fail "SONAME of $real: $(grep SONAME <<<"$dynamic")"

# The dependencies are what dpkg-shlibdeps finds in the packaged binaries,
# so a binary that needs another library changes them by itself.
mkdir -p "$work/shlibdeps/debian"
touch "$work/shlibdeps/debian/control"
computed=$(cd "$work/shlibdeps" &&
  dpkg-shlibdeps -O -l"$libdir" "$work/root/usr/bin/vlr1210" \
    "$work/root/usr/bin/vlr1210-sim" "$libdir/$real" 2>/dev/null |
  sed -n 's/^shlibs:Depends=//p')
normalise() { tr ',' '\n' | sed 's/^ *//' | sort; }
[ -n "$computed" ] || fail "dpkg-shlibdeps found no dependencies"
[ "$(field Depends | normalise)" = "$(normalise <<<"$computed")" ] ||
  fail "Depends: $(field Depends); dpkg-shlibdeps: $computed"

# What `apt install ./vlr1210_...deb` would do here: its dependencies resolve.
if command -v apt-get >/dev/null; then
  apt-get install --simulate "$(realpath "$deb")" >"$work/apt.log" 2>&1 ||
    fail "apt cannot install the package: $(tail -5 "$work/apt.log")"
  grep -q '^Inst vlr1210 ' "$work/apt.log" ||
    fail "apt would not install vlr1210: $(tail -5 "$work/apt.log")"
fi

# Packages built against the library depend on this version or later.
dpkg-deb --ctrl-tarfile "$deb" | tar -xf - -C "$work" ./shlibs
[ "$(cat "$work/shlibs")" = "libvlr1210 $VLR_SOVERSION vlr1210 (>= $VLR_VERSION)" ] ||
  fail "shlibs: $(cat "$work/shlibs")"

  grep -qx "prefix=/usr" "$libdir/pkgconfig/vlr1210.pc" ||
  fail "vlr1210.pc: $(head -1 "$libdir/pkgconfig/vlr1210.pc")"

# Each manual page is the program's own help: an option of each must be in.
man=$work/root/usr/share/man/man1
client_page=$(zcat "$man/vlr1210.1.gz")
sim_page=$(zcat "$man/vlr1210-sim.1.gz")
grep -q '^\.TH VLR1210 ' <<<"$client_page" || fail "vlr1210.1 has no title"
grep -q '\\-\\-pgn' <<<"$client_page" ||
  fail "vlr1210.1 lacks the commands' options"
grep -q '^\.TH VLR1210-SIM ' <<<"$sim_page" || fail "vlr1210-sim.1 has no title"
grep -q '\\-\\-link' <<<"$sim_page" || fail "vlr1210-sim.1 lacks the options"

# Nothing may point back into the machine that built the package.
for tree in "$VLR_SOURCE_DIR" "$VLR_BUILD_DIR"; do
  if grep -rlF "$tree" "$work/root" >"$work/leaks"; then
    fail "paths of $tree in: $(cat "$work/leaks")"
  fi
done
echo "vlr1210_${VLR_VERSION}_${arch}.deb: $(wc -l <"$work/files") files, Depends: $(field Depends)"
