import unittest

from vlr1210_can.records import identifier_of, parse_read, record_for

# (identifier, record header the driver takes for it)
SEND_CASES = [
    # PDU2: PS is the group extension; the destination is global.
    (0x18FEEE00, bytes([0xEE, 0xFE, 0x00, 6, 0x00, 0xFF])),
    (0x0CF00400, bytes([0x04, 0xF0, 0x00, 3, 0x00, 0xFF])),
    # PDU1: PS is the destination, the PGN's first byte 0.
    (0x18EA00F9, bytes([0x00, 0xEA, 0x00, 6, 0xF9, 0x00])),
    (0x18EF17F9, bytes([0x00, 0xEF, 0x00, 6, 0xF9, 0x17])),
    # Data page 1, priority 7 and 0.
    (0x1DFE1234, bytes([0x12, 0xFE, 0x01, 7, 0x34, 0xFF])),
    (0x0100AB01, bytes([0x00, 0x00, 0x01, 0, 0x01, 0xAB])),
]

# (record header as the driver delivers it, identifier)
RECEIVE_CASES = [
    (bytes([0x00, 0xF0, 0x00, 3, 0x00, 0x00]), 0x0CF00000),
    (bytes([0xF1, 0xFE, 0x00, 6, 0x00, 0x00]), 0x18FEF100),
    (bytes([0x00, 0xEC, 0x00, 7, 0xF9, 0xFF]), 0x1CECFFF9),
    (bytes([0x00, 0xEA, 0x00, 6, 0xF9, 0x17]), 0x18EA17F9),
    (bytes([0xCA, 0xFE, 0x01, 6, 0x00, 0x00]), 0x19FECA00),
    # Bits beyond the priority in the priority byte are not the identifier's.
    (bytes([0xF1, 0xFE, 0x00, 0xFE, 0x00, 0x00]), 0x18FEF100),
]


class RecordTest(unittest.TestCase):
    def test_identifier_to_record(self):
        for identifier, header in SEND_CASES:
            with self.subTest(identifier=hex(identifier)):
                self.assertEqual(record_for(identifier, b"\x01\x02"), header + b"\x01\x02")

    def test_record_to_identifier(self):
        for header, identifier in RECEIVE_CASES:
            with self.subTest(header=header.hex()):
                self.assertEqual(identifier_of(header), identifier)

    def test_round_trip_of_received_layout(self):
        # What the driver delivers for a frame it sent gives the identifier
        # back (the record it receives has destination 0 for PDU2).
        for identifier, header in SEND_CASES:
            delivered = bytearray(header)
            if delivered[1] >= 0xF0:
                delivered[5] = 0
            with self.subTest(identifier=hex(identifier)):
                self.assertEqual(identifier_of(bytes(delivered)), identifier)

    def test_identifiers_the_driver_cannot_send(self):
        for identifier in (0x2000_0000, -1, 0x1A00_0000 | 0x00FEF100):
            with self.subTest(identifier=hex(identifier)):
                with self.assertRaises(ValueError):
                    record_for(identifier, b"")


class ReadBufferTest(unittest.TestCase):
    RECORD = bytes([0xF1, 0xFE, 0x00, 6, 0x00, 0x00]) + b"\xAA\xBB"

    def test_without_echo_byte(self):
        read = parse_read(b"\x01\x02\x03\x04" + self.RECORD, echo_mode=False)
        self.assertEqual(read.tick_ms, 0x01020304)
        self.assertFalse(read.echo)
        self.assertEqual(read.identifier, 0x18FEF100)
        self.assertEqual(read.data, b"\xAA\xBB")

    def test_with_echo_byte(self):
        for flag, echo in ((b"\x01", True), (b"\x00", False)):
            read = parse_read(b"\xFF\xFF\xFF\xFF" + flag + self.RECORD, echo_mode=True)
            self.assertEqual(read.echo, echo)
            self.assertEqual(read.tick_ms, 0xFFFFFFFF)
            self.assertEqual(read.data, b"\xAA\xBB")

    def test_no_data_bytes(self):
        read = parse_read(b"\0\0\0\0" + self.RECORD[:6], echo_mode=False)
        self.assertEqual(read.data, b"")

    def test_short_buffers_hold_no_record(self):
        for size in range(0, 10):
            self.assertIsNone(parse_read(bytes(size), echo_mode=False))
        self.assertIsNone(parse_read(bytes(10), echo_mode=True))


if __name__ == "__main__":
    unittest.main()
