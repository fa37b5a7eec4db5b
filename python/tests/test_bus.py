"""The interface through python-can, the real driver and the simulated
adapter on a pseudo-terminal."""

import os
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import can

import sequence_replay
from simulator import Simulator, require_build

CCVS = 0x18FEF100
EEC1 = 0x0CF00400
EEC2 = 0x0CF00300
LFE = 0x18FEF200
TP_CM_FROM_ENGINE = 0x18ECFF00
TP_DT_FROM_ENGINE = 0x18EBFF00
PGN_DM1 = 0xFECA


def receive_for(bus, seconds):
    messages = []
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        message = bus.recv(timeout=0.1)
        if message is not None:
            messages.append(message)
    return messages


def first_with(messages, identifier):
    return next(m for m in messages if m.arbitration_id == identifier)


def broadcast_transfers(messages, cm_id, dt_id):
    """(PGN, data) of each complete broadcast transfer; fails on a gap."""
    transfers, current = [], None
    for m in messages:
        if m.arbitration_id == cm_id and m.data[0] == 0x20:
            size = m.data[1] | m.data[2] << 8
            pgn = m.data[5] | m.data[6] << 8 | m.data[7] << 16
            current = (pgn, size, m.data[3], bytearray())
            next_packet = 1
        elif m.arbitration_id == dt_id and current is not None:
            if m.data[0] != next_packet:
                raise AssertionError(f"packet {m.data[0]} where {next_packet} was due")
            current[3].extend(m.data[1:])
            if next_packet == current[2]:
                transfers.append((current[0], bytes(current[3][: current[1]])))
                current = None
            next_packet += 1
    return transfers


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


class SendTest(unittest.TestCase):
    def setUp(self):
        self.sim = Simulator()
        self.bus = can.Bus(interface="vlr1210", channel="201")

    def tearDown(self):
        self.bus.shutdown()
        self.sim.stop()

    def test_single_frames_reach_the_line(self):
        sent = [
            (0x18FEF1F9, bytes(range(1, 9))),
            (0x18EA00F9, bytes([0xE5, 0xFE, 0x00])),  # request to 0x00
            (0x0CF00417, b""),
            (0x19FECA17, bytes([0xAA] * 8)),           # data page 1
        ]
        mark = self.sim.mark()
        for identifier, data in sent:
            self.bus.send(can.Message(arbitration_id=identifier, data=data))
        frames = self.sim.wait_for_host_frames(len(sent), since=mark)
        self.assertEqual([(f.identifier, f.data) for f in frames], sent)

    def test_a_long_message_goes_out_as_a_broadcast_transfer(self):
        data = bytes(range(20))
        mark = self.sim.mark()
        self.bus.send(can.Message(arbitration_id=0x18FEF1F9, data=data))
        frames = self.sim.wait_for_host_frames(4, since=mark)
        self.assertEqual([f.identifier for f in frames],
                         [0x1CECFFF9] + [0x1CEBFFF9] * 3)
        self.assertEqual(frames[0].data, bytes([0x20, 20, 0, 3, 0xFF, 0xF1, 0xFE, 0x00]))
        joined = b"".join(f.data[1:] for f in frames[1:])
        self.assertEqual([f.data[0] for f in frames[1:]], [1, 2, 3])
        self.assertEqual(joined, data + b"\xFF")

    def test_refusals_raise_operation_errors_with_the_driver_text(self):
        with self.assertRaisesRegex(can.CanOperationError, "ERR_MESSAGE_TOO_LONG"):
            self.bus.send(can.Message(arbitration_id=0x18FEF1F9, data=bytes(507)))
        for message in (
                can.Message(arbitration_id=0x123, is_extended_id=False, data=b"\1"),
                can.Message(arbitration_id=0x1AFEF1F9, data=b"\1"),  # EDP
                can.Message(arbitration_id=0x18FEF1F9, is_remote_frame=True)):
            with self.subTest(message=str(message)):
                with self.assertRaises(can.CanOperationError):
                    self.bus.send(message)
        self.bus.send(can.Message(arbitration_id=0x18FEF1F9, data=bytes(506)))


class FilterTest(unittest.TestCase):
    def receive_with(self, device, filters, seconds=1.5):
        with can.Bus(interface="vlr1210", channel=str(device),
                     can_filters=filters) as bus:
            return {m.arbitration_id for m in receive_for(bus, seconds)}

    def test_exact_filters_on_both_families(self):
        ccvs_and_eec1 = [{"can_id": CCVS, "can_mask": 0x1FFFFFFF, "extended": True},
                         {"can_id": EEC1, "can_mask": 0x03FFFFFF}]
        for device in (101, 201):
            with self.subTest(device=device), \
                    Simulator("--scenario", "truck-j1939", device=device) as sim:
                self.assertEqual(self.receive_with(device, ccvs_and_eec1),
                                 {CCVS, EEC1})
                if device == 201:
                    # The adapter was given filter groups (command 4).
                    self.assertIsNotNone(sim.wait_for(
                        lambda l: "channel 02 code 19" in l, timeout=0))

    def test_more_filters_than_the_driver_keeps(self):
        # 5000 exact filters: beyond the driver's 256 groups (and beyond a
        # size its calls can state), so python-can's test alone decides.
        many = [{"can_id": 0x18FF0000 | n, "can_mask": 0x1FFFFFFF} for n in range(5000)]
        many.append({"can_id": CCVS, "can_mask": 0x1FFFFFFF})
        with Simulator("--scenario", "truck-j1939"):
            self.assertEqual(self.receive_with(201, many), {CCVS})

    def test_more_groups_than_a_2xx_adapter_has_slots(self):
        six = [{"can_id": 0x18FF0000 | n, "can_mask": 0x1FFFFFFF} for n in range(5)]
        six.append({"can_id": CCVS, "can_mask": 0x1FFFFFFF})
        with Simulator("--scenario", "truck-j1939") as sim:
            self.assertEqual(self.receive_with(201, six), {CCVS})
            self.assertIsNone(sim.wait_for(lambda l: "code 19" in l, timeout=0))

    def test_inexact_filters_are_applied_in_software(self):
        pf_f0 = [{"can_id": 0x00F00000, "can_mask": 0x00FF0000}]
        with Simulator("--scenario", "truck-j1939") as sim:
            ids = self.receive_with(201, pf_f0)
            self.assertIsNone(sim.wait_for(lambda l: "code 19" in l, timeout=0))
        self.assertTrue(ids)
        self.assertTrue(all((i >> 16) & 0xFF == 0xF0 for i in ids), ids)

    def test_filters_change_on_an_open_bus(self):
        with Simulator("--scenario", "truck-j1939"), \
                can.Bus(interface="vlr1210", channel="201",
                        can_filters=[{"can_id": CCVS, "can_mask": 0x1FFFFFFF}]) as bus:
            self.assertEqual({m.arbitration_id for m in receive_for(bus, 1.0)}, {CCVS})
            bus.set_filters(None)
            after = {m.arbitration_id for m in receive_for(bus, 1.0)}
            self.assertIn(EEC1, after)
            bus.set_filters([{"can_id": 0x7FF, "can_mask": 0x7FF, "extended": False}])
            receive_for(bus, 0.3)  # what came before the change
            self.assertEqual(receive_for(bus, 0.7), [])


class OwnMessagesTest(unittest.TestCase):
    def test_echoes_come_back_marked_as_transmitted(self):
        with Simulator() as sim, \
                can.Bus(interface="vlr1210", channel="201",
                        receive_own_messages=True) as bus:
            before = time.time()
            bus.send(can.Message(arbitration_id=0x18FEF1F9, data=b"\x01\x02"))
            bus.send(can.Message(arbitration_id=0x18FEF2F9, data=bytes(10)))
            echoes = receive_for(bus, 1.0)
            self.assertEqual(sim.control("send j1939 18fef100 0102030405060708"), "ok")
            received = bus.recv(timeout=2.0)
        self.assertEqual([(m.arbitration_id, m.is_rx) for m in echoes],
                         [(0x18FEF1F9, False), (0x1CECFFF9, False)]
                         + [(0x1CEBFFF9, False)] * 2)
        self.assertEqual(bytes(echoes[0].data), b"\x01\x02")
        self.assertTrue(all(m.timestamp >= before for m in echoes))
        self.assertEqual((received.arbitration_id, received.is_rx), (CCVS, True))

    def test_no_echoes_by_default(self):
        with Simulator(), can.Bus(interface="vlr1210", channel="201") as bus:
            bus.send(can.Message(arbitration_id=0x18FEF1F9, data=b"\x01"))
            self.assertIsNone(bus.recv(timeout=0.5))


class RecvTimeoutTest(unittest.TestCase):
    def test_recv_keeps_its_timeout(self):
        with Simulator(), can.Bus(interface="vlr1210", channel="201") as bus:
            for timeout in (0, 0.05, 0.3):
                start = time.monotonic()
                self.assertIsNone(bus.recv(timeout=timeout))
                took = time.monotonic() - start
                self.assertGreaterEqual(took, timeout)
                self.assertLess(took, timeout + 1.0)  # never the driver's 10 s


class ConstructionErrorTest(unittest.TestCase):
    def setUp(self):
        require_build()

    def test_unknown_device_ids(self):
        for channel in ("205", "100", "99999", "-1"):
            with self.subTest(channel=channel):
                with self.assertRaisesRegex(can.CanInitializationError,
                                            "ERR_INVALID_DEVICE"):
                    can.Bus(interface="vlr1210", channel=channel)
        with self.assertRaisesRegex(can.CanInitializationError, "device id"):
            can.Bus(interface="vlr1210", channel="can0")

    def test_port_held_by_another_program(self):
        with Simulator():
            holder = subprocess.Popen(
                [sys.executable, "-c",
                 "import can, sys\n"
                 "bus = can.Bus(interface='vlr1210', channel='201')\n"
                 "print('open', flush=True)\n"
                 "sys.stdin.read()\n"
                 "bus.shutdown()\n"],
                stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
            try:
                self.assertEqual(holder.stdout.readline().strip(), "open")
                with self.assertRaisesRegex(can.CanInitializationError,
                                            "ERR_DEVICE_IN_USE"):
                    can.Bus(interface="vlr1210", channel="201")
            finally:
                holder.communicate("", timeout=20)

    def test_silent_adapter(self):
        with Simulator("--silent"):
            with self.assertRaisesRegex(can.CanInitializationError,
                                        r"device 201: ERR_\w+") as caught:
                can.Bus(interface="vlr1210", channel="201")
        self.assertIsNotNone(caught.exception.error_code)

    def test_driver_that_cannot_be_loaded(self):
        with self.assertRaises(can.CanInterfaceNotImplementedError):
            can.Bus(interface="vlr1210", channel="201",
                    driver="/nonexistent/libvlr1210.so")

    def test_a_failed_connect_leaves_the_driver_free(self):
        with Simulator():
            with self.assertRaises(can.CanInitializationError):
                can.Bus(interface="vlr1210", channel="202")  # no COM2
            with can.Bus(interface="vlr1210", channel="201"):
                pass


class LifecycleTest(unittest.TestCase):
    def test_shutdown_disconnects_and_frees_the_port(self):
        with Simulator():
            bus = can.Bus(interface="vlr1210", channel="201")
            bus.shutdown()
            bus.shutdown()  # a second time does nothing
            with self.assertRaises(can.CanOperationError):
                bus.send(can.Message(arbitration_id=CCVS, data=b"\1"))
            with self.assertRaises(can.CanOperationError):
                bus.recv(timeout=0)
            with can.Bus(interface="vlr1210", channel="201") as again:
                self.assertIsNone(again.recv(timeout=0))

    def test_shutdown_while_another_thread_waits_in_recv(self):
        outcome = []

        def wait_in_recv(bus):
            try:
                outcome.append(bus.recv(timeout=30))
            except can.CanOperationError as error:
                outcome.append(error)

        with Simulator():
            bus = can.Bus(interface="vlr1210", channel="201")
            waiter = threading.Thread(target=wait_in_recv, args=(bus,))
            waiter.start()
            time.sleep(0.3)
            started = time.monotonic()
            bus.shutdown()
            waiter.join(timeout=10)
            self.assertFalse(waiter.is_alive())
            self.assertLess(time.monotonic() - started, 5)
        self.assertEqual(len(outcome), 1)
        self.assertFalse(isinstance(outcome[0], can.Message))

    def test_detect_available_configs(self):
        configs = can.detect_available_configs("vlr1210")
        self.assertEqual([c["channel"] for c in configs],
                         ["101", "102", "103", "104", "201", "202", "203", "204"])
        self.assertTrue(all(c["interface"] == "vlr1210" for c in configs))


if __name__ == "__main__":
    unittest.main()
