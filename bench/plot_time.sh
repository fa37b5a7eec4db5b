#!/usr/bin/env bash
# How long `vlr1210 plot` takes for a 10-minute capture of the simulated
# truck (and for one five times as long, as many messages as ten minutes
# at a 2xx adapter's full line rate), drawing a PNG and an SVG at once.
#   bench/plot_time.sh BUILD_DIR   (built with -DVLR_BUILD_BENCH=ON)
set -euo pipefail
build=$1
client=$build/tools/client/vlr1210
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for seconds in 600 3000; do
  "$build/bench/vlr_truck_capture" "$seconds" >"$work/truck.log"
  echo "capture of $seconds s: $(wc -l <"$work/truck.log") frames"
  for run in 1 2 3; do
    /usr/bin/time -f "  run $run: %e s wall, %U s user, %M KB peak" \
      "$client" plot "$work/truck.log" --output "$work/plot.png" \
      --output "$work/plot.svg"
  done
done
