import unittest

from vlr1210_can.clock import DriverClock

WRAP = 1 << 32


class ClockTest(unittest.TestCase):
    def clock(self, now_ms, wall_at_start=1_000_000.0):
        self.now = now_ms
        return DriverClock(now_ms=lambda: self.now,
                           wall_now=lambda: wall_at_start)

    def test_stamp_before_the_read(self):
        clock = self.clock(5_000)
        self.now = 7_000
        self.assertAlmostEqual(clock.wall_time(6_500), 1_000_001.5)

    def test_stamp_across_the_32_bit_wrap(self):
        # The driver's 32-bit tick has wrapped; the clock here has not.
        start = WRAP - 1_000
        clock = self.clock(start)
        self.now = WRAP + 2_000
        self.assertAlmostEqual(clock.wall_time(1_500), 1_000_000.0 + 2.5)
        self.assertAlmostEqual(clock.wall_time(WRAP - 500), 1_000_000.0 + 0.5)

    def test_many_wraps_after_start(self):
        clock = self.clock(10)
        self.now = 3 * WRAP + 100
        self.assertAlmostEqual(clock.wall_time(90),
                               1_000_000.0 + (3 * WRAP + 80) / 1000.0)

    def test_stamp_a_little_ahead_is_not_a_wrap_away(self):
        clock = self.clock(1_000)
        self.now = 1_000
        self.assertAlmostEqual(clock.wall_time(1_001), 1_000_000.001)


if __name__ == "__main__":
    unittest.main()
