"""Receiving helpers and the truck's identifiers for the bus tests."""

import time

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
