"""Between python-can's 29-bit identifiers and the driver's J1939 records.

A J1939 record as the driver reads and writes it: PGN (three bytes, least
significant first), priority, source address, destination address, then the
data. From PDU format 0xF0 on the PS byte belongs to the PGN and the message
has no destination; below it, PS is the destination and the record's first
PGN byte is 0.
"""

from typing import NamedTuple, Optional

HEADER_SIZE = 6
TIMESTAMP_SIZE = 4
FIRST_PDU2_FORMAT = 0xF0
GLOBAL_ADDRESS = 0xFF

_PRIORITY_SHIFT = 26
_DATA_PAGE_SHIFT = 24
_EXTENDED_DATA_PAGE = 1 << 25


class Received(NamedTuple):
    """One message as RP1210_ReadMessage delivered it."""

    tick_ms: int
    echo: bool
    identifier: int
    data: bytes


def identifier_of(record: bytes) -> int:
    """The 29-bit CAN identifier a J1939 record was carried in."""
    pdu_format = record[1]
    specific = record[0] if pdu_format >= FIRST_PDU2_FORMAT else record[5]
    return (
        (record[3] & 0x07) << _PRIORITY_SHIFT
        | (record[2] & 0x03) << _DATA_PAGE_SHIFT
        | pdu_format << 16
        | specific << 8
        | record[4]
    )


def record_for(identifier: int, data: bytes) -> bytes:
    """The J1939 record that makes the driver send `identifier` with `data`.

    Raises ValueError for an identifier the driver cannot put on the bus.
    """
    if not 0 <= identifier <= 0x1FFFFFFF:
        raise ValueError(f"identifier 0x{identifier:X} is not a 29-bit identifier")
    if identifier & _EXTENDED_DATA_PAGE:
        # The driver builds the identifier from the record, whose page byte
        # it reads as the data page alone: the frame would leave without it.
        raise ValueError(
            f"identifier 0x{identifier:08X} sets the extended data page bit, "
            "which the driver cannot send"
        )
    pdu_format = (identifier >> 16) & 0xFF
    specific = (identifier >> 8) & 0xFF
    pdu2 = pdu_format >= FIRST_PDU2_FORMAT
    header = bytes(
        (
            specific if pdu2 else 0,
            pdu_format,
            (identifier >> _DATA_PAGE_SHIFT) & 0x01,
            (identifier >> _PRIORITY_SHIFT) & 0x07,
            identifier & 0xFF,
            GLOBAL_ADDRESS if pdu2 else specific,
        )
    )
    return header + bytes(data)


def parse_read(buffer: bytes, echo_mode: bool) -> Optional[Received]:
    """What RP1210_ReadMessage wrote into `buffer` (exactly the bytes it
    reported), or None when it holds no whole J1939 record."""
    start = TIMESTAMP_SIZE + (1 if echo_mode else 0)
    if len(buffer) < start + HEADER_SIZE:
        return None
    record = buffer[start:]
    return Received(
        tick_ms=int.from_bytes(buffer[:TIMESTAMP_SIZE], "big"),
        echo=echo_mode and buffer[TIMESTAMP_SIZE] != 0,
        identifier=identifier_of(record),
        data=bytes(record[HEADER_SIZE:]),
    )
