#!/usr/bin/env bash
# The installed client, given no driver, finds the installed driver (not a
# build tree's) and shows the installed simulator's traffic.
#   check_client.sh deb PACKAGE | check_client.sh prefix BUILD_DIR
source "$(dirname "$0")/installation.sh"
install_from "$1" "$2"
start_simulator

unset VLR1210_DRIVER
if ! LD_DEBUG=libs "$prefix/bin/vlr1210" monitor --device 201 --count 5 \
     --duration 60 --no-summary >"$work/out" 2>"$work/err"; then
  grep -v '^ *[0-9]*:' "$work/err" >&2 || true
  fail "the installed client failed"
fi
# The loader reports each library it initialises.
loaded=$(sed -n 's/.*calling init: \(.*libvlr1210\.so.*\)/\1/p' "$work/err")
if [ -z "$loaded" ] ||
   [ "$(realpath "$loaded")" != "$(realpath "$libdir/libvlr1210.so")" ]; then
  fail "the client loaded '$loaded', not the installed $libdir/libvlr1210.so"
fi
lines=$(grep -c 'J1939' "$work/out" || true)
[ "$lines" -eq 5 ] || fail "expected 5 J1939 messages, got: $(cat "$work/out")"
echo "the installed client loaded $libdir/libvlr1210.so and read 5 messages"
