# shellcheck shell=bash disable=SC2034  # prefix, libdir, sysroot: for the sourcing script
# Shared by the package checks (sourced): an installation in a temporary
# directory, either the Debian package extracted or `cmake --install
# --prefix`, and the simulator of that installation on a pseudo-terminal.
# Everything lives in one temporary directory, removed on exit.
# From the test: VLR_CMAKE, VLR_LIBDIR (relative to the prefix).
set -euo pipefail

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

work=$(mktemp -d "${TMPDIR:-/tmp}/vlr1210-package.XXXXXX")
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# install_from deb PACKAGE | install_from prefix BUILD_DIR
# Sets prefix (holding bin/, include/, lib...), libdir, and sysroot: what
# pkg-config must put before the absolute paths of the installed .pc file.
install_from() {
  case $1 in
    deb)
      dpkg-deb -x "$2" "$work/root"
      prefix=$work/root/usr
      sysroot=$work/root
      ;;
    prefix)
      "$VLR_CMAKE" --install "$2" --prefix "$work/prefix" >"$work/install.log"
      prefix=$work/prefix
      sysroot=""
      ;;
    *) fail "unknown installation kind $1" ;;
  esac
  libdir=$prefix/$VLR_LIBDIR
}

# The installed simulator as a 2xx adapter playing the truck on COM1, so on
# device 201.
start_simulator() {
  export VLR1210_COM1=$work/com1
  "$prefix/bin/vlr1210-sim" --no-stdin --scenario truck \
    --link "$VLR1210_COM1" \
    >"$work/sim.log" 2>&1 &
  sim_pid=$!
  for _ in $(seq 300); do
    [ -e "$VLR1210_COM1" ] && return 0
    kill -0 "$sim_pid" 2>/dev/null ||
      fail "the simulator stopped: $(cat "$work/sim.log")"
    sleep 0.1
  done
  fail "the simulator made no $VLR1210_COM1 in 30 s"
}
