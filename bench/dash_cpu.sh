#!/usr/bin/env bash
# CPU the dashboard takes at the truck scenario's rate: the simulator in a
# process of its own, `vlr1210 dash` (with the driver's threads) in a tmux
# terminal, its CPU time over a window read from /proc.
#   bench/dash_cpu.sh BUILD_DIR [SECONDS]   (default 60)
set -euo pipefail
build=$1
seconds=${2:-60}
client=$build/tools/client/vlr1210
work=$(mktemp -d)
socket=$work/tmux.sock
sim_pid=""
cleanup() {
  tmux -S "$socket" kill-server 2>/dev/null || true
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

"$client" sim --link "$work/com1" >"$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -e "$work/com1" ] && break; sleep 0.1; done
tmux -S "$socket" new-session -d -x 120 -y 40 \
  "exec env VLR1210_COM1=$work/com1 $client dash --device 201"
dash_pid=$(tmux -S "$socket" display-message -p '#{pane_pid}')
sleep 5  # connected and drawing
ticks() { awk '{print $14 + $15}' "/proc/$dash_pid/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
start=$(date +%s.%N)
sleep "$seconds"
after=$(ticks)
end=$(date +%s.%N)
rate=$(tmux -S "$socket" capture-pane -p | head -1)
awk -v t=$((after - before)) -v hz="$hz" -v s="$start" -v e="$end" \
  'BEGIN { printf "dash CPU: %.2f %% of a core over %.0f s\n", 100 * t / hz / (e - s), e - s }'
echo "its header then: $rate"
