"""Receiving through python-can from the simulated truck: values, whole
transfers, no loss, loggers, time-outs."""

import os
import tempfile
import time
import unittest

import can

import sequence_replay
from receiving import (CCVS, EEC1, EEC2, LFE, PGN_DM1, TP_CM_FROM_ENGINE,
                       TP_DT_FROM_ENGINE, broadcast_transfers, first_with,
                       receive_for)
from simulator import Simulator

class TruckTest(unittest.TestCase):
    """The simulated truck, received through can.Bus."""

    @classmethod
    def setUpClass(cls):
        cls.sim = Simulator("--scenario", "truck-j1939")
        before = time.time()
        with can.Bus(interface="vlr1210", channel="201") as bus:
            cls.messages = receive_for(bus, 3.5)
        cls.window = (before, time.time())

    @classmethod
    def tearDownClass(cls):
        cls.sim.stop()

    def test_frames_are_extended_received_and_timed(self):
        self.assertGreater(len(self.messages), 200)
        previous = 0.0
        for m in self.messages:
            self.assertTrue(m.is_extended_id)
            self.assertTrue(m.is_rx)
            self.assertEqual(m.channel, "201")
            self.assertLessEqual(m.dlc, 8)
            self.assertGreaterEqual(m.timestamp, self.window[0])
            self.assertLessEqual(m.timestamp, self.window[1])
            self.assertGreaterEqual(m.timestamp, previous)
            previous = m.timestamp

    def test_decoded_values(self):
        ccvs = first_with(self.messages, CCVS)
        self.assertEqual(ccvs.data[5], 88)  # cruise control set speed, km/h
        eec1 = first_with(self.messages, EEC1)
        rpm = (eec1.data[3] | eec1.data[4] << 8) * 0.125
        self.assertTrue(500 <= rpm <= 2500, rpm)
        et1 = first_with(self.messages, 0x18FEEE00)
        self.assertTrue(-40 <= et1.data[0] - 40 <= 120)  # coolant, deg C

    def test_dm1_transfers_are_whole(self):
        transfers = broadcast_transfers(
            self.messages, TP_CM_FROM_ENGINE, TP_DT_FROM_ENGINE)
        self.assertGreaterEqual(len(transfers), 2)
        for pgn, data in transfers:
            self.assertEqual(pgn, PGN_DM1)
            self.assertEqual(data[0], 0x04)  # amber warning lamp on
            codes = [
                (data[i] | data[i + 1] << 8 | (data[i + 2] >> 5) << 16,
                 data[i + 2] & 0x1F, data[i + 3] & 0x7F)
                for i in range(2, len(data), 4)]
            self.assertEqual(codes, [(111, 1, 4), (636, 2, 1), (97, 15, 7)])

    def test_no_frame_lost_between_steady_streams(self):
        # Every 100 ms the truck sends CCVS (at +12 ms), LFE (+37 ms) and
        # two EEC2 (+5 ms, +55 ms): between two CCVS frames come exactly one
        # LFE and two EEC2, whatever the timing of the reads.
        between, counts = False, []
        for m in self.messages:
            if m.arbitration_id == CCVS:
                if between:
                    counts.append(tuple(current))
                between, current = True, [0, 0]
            elif between and m.arbitration_id == LFE:
                current[0] += 1
            elif between and m.arbitration_id == EEC2:
                current[1] += 1
        self.assertGreater(len(counts), 25)
        self.assertEqual(set(counts), {(1, 2)}, counts)


class RateTest(unittest.TestCase):
    def test_no_frame_lost_at_the_truck_rate(self):
        # The truck sends up to about 150 frames/s (EEC1 every 10 ms at
        # high engine speed); 250 frames/s for 4 s, counted one by one.
        count = 1000
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "sequence.log")
            sequence_replay.write_log(path, count, rate=250.0, lead_in=3.0)
            with Simulator("--replay", path), \
                    can.Bus(interface="vlr1210", channel="201") as bus:
                tally = sequence_replay.receive_sequence(bus, count, limit=60)
        self.assertEqual((tally.lost, tally.repeated, tally.out_of_order),
                         (0, 0, 0))


class LoggerTest(unittest.TestCase):
    def test_notifier_writes_a_candump_log_python_can_reads_back(self):
        with Simulator("--scenario", "truck-j1939"), \
                tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "trace.log")
            with can.Bus(interface="vlr1210", channel="201") as bus:
                seen = can.BufferedReader()
                logger = can.Logger(path)
                notifier = can.Notifier(bus, [logger, seen], timeout=0.1)
                time.sleep(2.0)
                notifier.stop()
                logger.stop()
            written = []
            while (m := seen.get_message(0)) is not None:
                written.append(m)
            read = list(can.CanutilsLogReader(path))
        self.assertGreater(len(written), 100)
        self.assertEqual(
            [(m.arbitration_id, bytes(m.data)) for m in read],
            [(m.arbitration_id, bytes(m.data)) for m in written])
        for a, b in zip(read, written):
            self.assertTrue(a.is_extended_id)
            self.assertAlmostEqual(a.timestamp, b.timestamp, places=5)


class RecvTimeoutTest(unittest.TestCase):
    def test_recv_keeps_its_timeout(self):
        with Simulator(), can.Bus(interface="vlr1210", channel="201") as bus:
            for timeout in (0, 0.05, 0.3):
                start = time.monotonic()
                self.assertIsNone(bus.recv(timeout=timeout))
                took = time.monotonic() - start
                self.assertGreaterEqual(took, timeout)
                self.assertLess(took, timeout + 1.0)  # never the driver's 10 s


if __name__ == "__main__":
    unittest.main()
