#!/usr/bin/env bash
# A program built against an installation, with pkg-config or with CMake's
# find_package, links the installed driver and reads the installed
# simulator's traffic through it.
#   check_consumer.sh deb PACKAGE pkg-config|cmake
#   check_consumer.sh prefix BUILD_DIR pkg-config|cmake
# From the test: VLR_CC, VLR_CMAKE, VLR_LIBDIR, VLR_VERSION, VLR_SOVERSION.
source "$(dirname "$0")/installation.sh"
sources=$(cd "$(dirname "$0")/consumer" && pwd)
install_from "$1" "$2"

case $3 in
  pkg-config)
    # Only the installation's .pc files, its paths seen from inside it.
    export PKG_CONFIG_LIBDIR=$libdir/pkgconfig
    if [ -n "$sysroot" ]; then export PKG_CONFIG_SYSROOT_DIR=$sysroot; fi
    version=$(pkg-config --modversion vlr1210)
    [ "$version" = "$VLR_VERSION" ] ||
      fail "pkg-config reports version $version, not $VLR_VERSION"
    consumer=$work/consumer
    # shellcheck disable=SC2046
    "$VLR_CC" -Wall -Werror -o "$consumer" "$sources/consumer.c" \
      $(pkg-config --cflags --libs vlr1210)
    # Where the package's library lives is on the loader's path once
    # installed; here the variable stands in for that.
    export LD_LIBRARY_PATH=$libdir
    ;;
  cmake)
    "$VLR_CMAKE" -S "$sources" -B "$work/build" -DCMAKE_PREFIX_PATH="$prefix" \
      -DCMAKE_C_COMPILER="$VLR_CC" >"$work/configure.log" ||
      fail "configuring the consumer: $(cat "$work/configure.log")"
    found=$(sed -n 's/^vlr1210_DIR:PATH=//p' "$work/build/CMakeCache.txt")
    [ "$found" = "$libdir/cmake/vlr1210" ] ||
      fail "find_package found $found, not the installation's package"
    "$VLR_CMAKE" --build "$work/build" >"$work/build.log" ||
      fail "building the consumer: $(cat "$work/build.log")"
    consumer=$work/build/consumer
    ;;
  *) fail "unknown build way $3" ;;
esac

soname=libvlr1210.so.$VLR_SOVERSION
# Output first, then the match: grep -q stops reading early, and under
# pipefail the writer's broken pipe would fail the check at random.
needs=$(ldd "$consumer")
grep -qF "$soname => $libdir/$soname" <<<"$needs" ||
  fail "the consumer does not use the installed $soname: $needs"
start_simulator
timeout 120 "$consumer" || fail "the consumer read no traffic"
