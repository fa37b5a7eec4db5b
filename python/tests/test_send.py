"""Sending through python-can: frames on the simulated line, refusals,
and the echo of own messages."""

import time
import unittest

import can

from receiving import CCVS, receive_for
from simulator import Simulator


class SendTest(unittest.TestCase):
    """On a 2xx adapter (device 201)."""

    DEVICE = 201

    def setUp(self):
        self.sim = Simulator(device=self.DEVICE)
        self.bus = can.Bus(interface="vlr1210", channel=str(self.DEVICE))

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
        source = 0xF9  # the message's own source, on both families
        self.assertEqual([f.identifier for f in frames],
                         [0x1CECFF00 | source] + [0x1CEBFF00 | source] * 3)
        self.assertEqual(frames[0].data, bytes([0x20, 20, 0, 3, 0xFF, 0xF1, 0xFE, 0x00]))
        joined = b"".join(f.data[1:] for f in frames[1:])
        self.assertEqual([f.data[0] for f in frames[1:]], [1, 2, 3])
        self.assertEqual(joined, data + b"\xFF")

    def test_refusals_raise_operation_errors_with_the_driver_text(self):
        with self.assertRaisesRegex(can.CanOperationError, "ERR_MESSAGE_TOO_LONG"):
            self.bus.send(can.Message(arbitration_id=0x18FEF1F9, data=bytes(1786)))
        for message in (
                can.Message(arbitration_id=0x123, is_extended_id=False, data=b"\1"),
                can.Message(arbitration_id=0x1AFEF1F9, data=b"\1"),  # EDP
                can.Message(arbitration_id=0x18FEF1F9, is_remote_frame=True)):
            with self.subTest(message=str(message)):
                with self.assertRaises(can.CanOperationError):
                    self.bus.send(message)
        self.bus.send(can.Message(arbitration_id=0x18FEF1F9, data=bytes(1785)))


class Send1xxTest(SendTest):
    """The same on a 1xx adapter (device 101), whose frames differ."""

    DEVICE = 101


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
        # A long message is echoed once, whole, when its transfer is done.
        self.assertEqual([(m.arbitration_id, m.is_rx) for m in echoes],
                         [(0x18FEF1F9, False), (0x18FEF2F9, False)])
        self.assertEqual(bytes(echoes[1].data), bytes(10))
        self.assertEqual(bytes(echoes[0].data), b"\x01\x02")
        self.assertTrue(all(m.timestamp >= before for m in echoes))
        self.assertEqual((received.arbitration_id, received.is_rx), (CCVS, True))

    def test_no_echoes_by_default(self):
        with Simulator(), can.Bus(interface="vlr1210", channel="201") as bus:
            bus.send(can.Message(arbitration_id=0x18FEF1F9, data=b"\x01"))
            self.assertIsNone(bus.recv(timeout=0.5))


if __name__ == "__main__":
    unittest.main()
