#!/usr/bin/env bash
# The python-can interface's Debian package: its fields and files, then,
# with both packages unpacked into a throwaway root, python-can finds the
# interface by name and receives the installed simulator's traffic through
# the installed driver, nothing set but where the root is.
#   check_python_package.sh DRIVER_PACKAGE PYTHON_PACKAGE
# Exits 77 (skipped) where the system python3 has no python-can.
source "$(dirname "$0")/installation.sh"
driver_deb=$1
deb=$2
python=/usr/bin/python3  # Debian's, which reads dist-packages
"$python" -c 'import can' 2>/dev/null || {
  echo "python3 with python-can is not installed"
  exit 77
}
[ "$(basename "$deb")" = "python3-vlr1210-can_${VLR_VERSION}_all.deb" ] ||
  fail "package file named $(basename "$deb")"
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = python3-vlr1210-can ] || fail "Package: $(field Package)"
[ "$(field Architecture)" = all ] || fail "Architecture: $(field Architecture)"
for needed in "python3-can (>= 4.0)" "vlr1210 (= $VLR_VERSION)"; do
  grep -qF "$needed" <<<"$(field Depends)" ||
    fail "Depends lacks $needed: $(field Depends)"
done

site=usr/lib/python3/dist-packages
dpkg-deb -c "$deb" | grep -v '/$' | sed -E 's/^([^ ]+ +){5}\.\///' |
  sort >"$work/files"
expected=$(
  for module in __init__ bus call_gate clock driver filters records; do
    echo "$site/vlr1210_can/$module.py"
  done
  for file in INSTALLER METADATA entry_points.txt top_level.txt; do
    echo "$site/vlr1210_can-$VLR_VERSION.dist-info/$file"
  done
  echo usr/share/doc/python3-vlr1210-can/copyright
)
[ "$(cat "$work/files")" = "$(sort <<<"$expected")" ] ||
  fail "files: $(diff <(sort <<<"$expected") "$work/files")"

# What apt would do with both: their dependencies resolve here.
if command -v apt-get >/dev/null; then
  apt-get install --simulate "$(realpath "$driver_deb")" "$(realpath "$deb")" \
    >"$work/apt.log" 2>&1 ||
    fail "apt cannot install the packages: $(tail -5 "$work/apt.log")"
  grep -q '^Inst python3-vlr1210-can ' "$work/apt.log" ||
    fail "apt would not install python3-vlr1210-can: $(tail -5 "$work/apt.log")"
fi

install_from deb "$driver_deb"
dpkg-deb -x "$deb" "$work/root"
start_simulator
unset VLR1210_DRIVER
# The root stands in for /: its library directory and its dist-packages.
LD_LIBRARY_PATH=$libdir PYTHONPATH=$work/root/$site PYTHONDONTWRITEBYTECODE=1 \
  timeout 120 "$python" - "$work/root/$site" <<'PYTHON' || fail "python-can failed"
import sys
import can
import vlr1210_can
assert vlr1210_can.__file__.startswith(sys.argv[1]), vlr1210_can.__file__
with can.Bus(interface="vlr1210", channel=201) as bus:
    seen = [bus.recv(timeout=10) for _ in range(20)]
assert all(m is not None for m in seen), seen
assert any(m.arbitration_id == 0x0CF00400 for m in seen), seen
print("can.Bus(interface='vlr1210') received", len(seen), "messages, e.g.", seen[0])
PYTHON
