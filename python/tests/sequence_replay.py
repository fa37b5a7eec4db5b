"""Replays whose frames carry a sequence number, so that what a receiver
lost, repeated or reordered is counted exactly.

The simulator plays a candump log from its start, and a 2xx adapter drops
what comes before the driver switches J1939 receive on; the log therefore
opens with a marker frame and a pause long enough to connect.
"""

import time

import can

# The truck's identifiers, in turn: EEC1, EEC2, CCVS, LFE.
IDENTIFIERS = (0x0CF00400, 0x0CF00300, 0x18FEF100, 0x18FEF200)
MARKER = 0x18FFFFFE


def write_log(path, count, rate, lead_in=3.0):
    """`count` frames at `rate` frames/s (None: all due at once) after a
    lead-in of `lead_in` seconds."""
    start = 1_000_000.0
    with open(path, "w") as log:
        log.write(f"({start:.6f}) can0 {MARKER:08X}#00\n")
        for n in range(count):
            at = start + lead_in + (n / rate if rate else 0.0)
            data = n.to_bytes(4, "big") + bytes((0xA5, 0x5A, 0xFF, 0xFF))
            log.write(f"({at:.6f}) can0 {IDENTIFIERS[n % len(IDENTIFIERS)]:08X}"
                      f"#{data.hex().upper()}\n")


def sequence_of(message):
    if message.arbitration_id not in IDENTIFIERS or len(message.data) != 8:
        return None
    return int.from_bytes(message.data[:4], "big")


class Tally:
    """What a receiver made of a sequence."""

    def __init__(self, count):
        self.count = count
        self.seen = set()
        self.repeated = 0
        self.out_of_order = 0
        self.last = -1
        self.first_at = None
        self.last_at = None
        self.cpu_first = self.cpu_last = (0.0, 0.0)

    def add(self, sequence):
        now = time.monotonic()
        cpu = (time.process_time(), time.thread_time())
        if self.first_at is None:
            self.first_at, self.cpu_first = now, cpu
        self.last_at, self.cpu_last = now, cpu
        if sequence in self.seen:
            self.repeated += 1
        elif sequence < self.last:
            self.out_of_order += 1
        self.seen.add(sequence)
        self.last = max(self.last, sequence)

    @property
    def lost(self):
        return self.count - len(self.seen)

    def cpu_ms_per_second(self):
        """(process, receiving thread) CPU from the first frame to the last."""
        span = (self.last_at or 0) - (self.first_at or 0)
        if span <= 0:
            return 0.0, 0.0
        return tuple((b - a) * 1000 / span
                     for a, b in zip(self.cpu_first, self.cpu_last))

    @property
    def rate(self):
        span = (self.last_at or 0) - (self.first_at or 0)
        return (len(self.seen) - 1) / span if span > 0 else 0.0


def receive_sequence(bus: can.BusABC, count, idle=3.0, limit=120.0):
    """Receives until the last frame, `idle` seconds without any, or `limit`."""
    tally = Tally(count)
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        message = bus.recv(timeout=idle)
        if message is None:
            if tally.first_at is not None:
                break
            continue
        sequence = sequence_of(message)
        if sequence is not None:
            tally.add(sequence)
            if sequence == count - 1:
                break
    return tally
