#!/usr/bin/env python3
"""How fast python-can receives through the vlr1210 interface.

Each row plays a replay of sequence-numbered frames on the simulated 2xx
adapter (vlr1210-sim, unthrottled: each frame is written when due, as fast
as the pseudo-terminal takes it) and receives them with Bus.recv in a loop.
Then the truck scenario itself, and the cost of waiting on a quiet bus.

Run with the package installed (tests/install-venv) and the build's paths:
  VLR1210_DRIVER=build/default/src/libvlr1210.so \\
  VLR1210_SIM=build/default/tools/sim/vlr1210-sim \\
  build/default/python/venv/bin/python python/bench/receive_rate.py
"""

import argparse
import os
import sys
import tempfile
import time

import can

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
import sequence_replay  # noqa: E402
from simulator import Simulator  # noqa: E402

CCVS = 0x18FEF100


class Cpu:
    def __init__(self):
        self.wall, self.process, self.thread = time.monotonic(), time.process_time(), time.thread_time()

    def per_second(self):
        wall = time.monotonic() - self.wall
        return ((time.process_time() - self.process) * 1000 / wall,
                (time.thread_time() - self.thread) * 1000 / wall)


def sequence_row(rate, count):
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "sequence.log")
        sequence_replay.write_log(path, count, rate, lead_in=3.0)
        with Simulator("--replay", path), can.Bus(interface="vlr1210", channel="201") as bus:
            tally = sequence_replay.receive_sequence(bus, count)
    process_ms, thread_ms = tally.cpu_ms_per_second()
    offered = f"{rate:g}" if rate else "flood"
    print(f"| {offered} | {count} | {tally.lost} | {tally.repeated + tally.out_of_order} "
          f"| {tally.rate:.0f} | {process_ms:.0f} | {thread_ms:.0f} |", flush=True)


def drain(count=3000):
    """The driver keeps 3000 messages for a reader that stalls: let them
    pile up, then time how fast python-can takes them."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "sequence.log")
        sequence_replay.write_log(path, count, None, lead_in=3.0)
        with Simulator("--replay", path), can.Bus(interface="vlr1210", channel="201") as bus:
            time.sleep(6.0)
            tally = sequence_replay.receive_sequence(bus, count, idle=0.5)
    process_ms, thread_ms = tally.cpu_ms_per_second()
    print(f"drain of {count} queued frames: {len(tally.seen)} taken, lost {tally.lost}, "
          f"{tally.rate:.0f} frames/s ({1e6 / tally.rate:.1f} us each), recv thread CPU "
          f"{thread_ms:.0f} ms/s")


def truck(seconds):
    with Simulator("--scenario", "truck-j1939"), can.Bus(interface="vlr1210", channel="201") as bus:
        cpu = Cpu()
        messages = []
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            m = bus.recv(timeout=0.5)
            if m is not None:
                messages.append(m)
        process_ms, thread_ms = cpu.per_second()
    times = [m.timestamp for m in messages if m.arbitration_id == CCVS]
    gaps = [b - a for a, b in zip(times, times[1:])]
    tp = [m for m in messages if m.arbitration_id in (0x18ECFF00, 0x18EBFF00)]
    print(f"truck {seconds} s: {len(messages)} frames ({len(messages) / seconds:.0f}/s), "
          f"CCVS {len(times)} with gaps {min(gaps) * 1000:.0f}..{max(gaps) * 1000:.0f} ms, "
          f"{len(tp)} TP frames; CPU process {process_ms:.0f} ms/s, recv thread {thread_ms:.0f} ms/s")


def quiet(seconds):
    with Simulator(), can.Bus(interface="vlr1210", channel="201") as bus:
        cpu = Cpu()
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            bus.recv(timeout=1.0)
        process_ms, thread_ms = cpu.per_second()
    print(f"quiet bus {seconds} s, recv(timeout=1.0) in a loop: CPU process "
          f"{process_ms:.1f} ms/s, recv thread {thread_ms:.1f} ms/s")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seconds", type=float, default=5.0, help="length of each rate row")
    parser.add_argument("--truck-seconds", type=float, default=30.0)
    options = parser.parse_args()
    print(f"python-can {can.__version__}, Python {sys.version.split()[0]}")
    print("| offered frames/s | sent | lost | repeated or reordered | received frames/s "
          "| process CPU ms/s | recv thread CPU ms/s |")
    print("|---|---|---|---|---|---|---|")
    for rate in (150, 524, 1000, 2000, 5000, 10000, 20000):
        sequence_row(rate, int(rate * options.seconds))
    sequence_row(None, 50000)
    drain()
    truck(options.truck_seconds)
    quiet(10)


if __name__ == "__main__":
    main()
