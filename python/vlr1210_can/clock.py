"""Wall-clock times for the driver's millisecond stamps.

The driver stamps each received message with a 32-bit millisecond tick of
the system's monotonic clock (CLOCK_MONOTONIC on Linux, GetTickCount on
Windows). Reading the same clock here places every stamp on the wall clock
exactly, without the delay between the stamp and the read.
"""

import sys
import time

_WRAP = 1 << 32
_HALF_WRAP = 1 << 31


def _tick_source():
    if sys.platform == "win32":
        import ctypes

        get_tick_count = ctypes.windll.kernel32.GetTickCount64
        get_tick_count.restype = ctypes.c_uint64
        return lambda: int(get_tick_count())
    return lambda: time.clock_gettime_ns(time.CLOCK_MONOTONIC) // 1_000_000


class DriverClock:
    def __init__(self, now_ms=None, wall_now=None):
        self._now_ms = now_ms or _tick_source()
        wall = wall_now or time.time
        # Taken once: later changes of the wall clock do not bend the
        # spacing of the messages.
        self._wall_at_zero = wall() - self._now_ms() / 1000.0

    def wall_time(self, tick_ms: int) -> float:
        """The wall-clock time of a 32-bit tick, taken as the most recent
        one (a stamp is never far in the future of the read)."""
        now = self._now_ms()
        behind = (now - tick_ms) % _WRAP
        if behind >= _HALF_WRAP:
            behind -= _WRAP
        return self._wall_at_zero + (now - behind) / 1000.0
