"""python-can filters as the driver's J1939 filter groups (command 4).

A filter group compares whole fields: the PGN, the priority, the source
address, the destination address. A python-can filter maps to one when its
mask selects whole fields of the identifier in the way a group compares
them; the set maps when every filter in it does. Whatever the outcome, the
bus still applies python-can's own test to every message: a 2xx adapter's
identifier filter lets more through than a group says.
"""

from enum import Enum
from typing import Iterable, List, NamedTuple, Optional

from .records import FIRST_PDU2_FORMAT

GROUP_SIZE = 7
_ALL_29_BITS = 0x1FFFFFFF
_EXTENDED_DATA_PAGE = 1 << 25

_PRIORITY_MASK = 0x1C000000
_DATA_PAGE_MASK = 0x01000000
_FORMAT_MASK = 0x00FF0000
_SPECIFIC_MASK = 0x0000FF00
_SOURCE_MASK = 0x000000FF

_FLAG_PGN = 0x01
_FLAG_PRIORITY = 0x02
_FLAG_SOURCE = 0x04
_FLAG_DESTINATION = 0x08


class Action(Enum):
    PASS_ALL = "pass all"  # command 3
    DISCARD_ALL = "discard all"  # command 17
    GROUPS = "groups"  # command 3, then command 4 with the groups


class Plan(NamedTuple):
    action: Action
    groups: bytes = b""


class _NeverMatches(Exception):
    pass


def _whole(mask: int, field: int) -> Optional[bool]:
    """True when the mask selects the whole field, False when none of it,
    None when part of it."""
    selected = mask & field
    if selected == field:
        return True
    return False if selected == 0 else None


def _pgn_and_destination(can_id: int, mask: int):
    """(flags, PGN bytes, destination) for the PGN part of the mask, or None
    when no group compares what it selects."""
    page = _whole(mask, _DATA_PAGE_MASK)
    pdu_format = _whole(mask, _FORMAT_MASK)
    specific = _whole(mask, _SPECIFIC_MASK)
    if page is None or pdu_format is None or specific is None:
        return None
    if not page and not pdu_format:
        # PS alone means a destination for PDU1 messages and part of the
        # PGN for PDU2 ones: a group compares one or the other.
        return (0, b"\0\0\0", 0) if not specific else None
    if not (page and pdu_format):
        return None
    format_byte = (can_id >> 16) & 0xFF
    page_byte = (can_id >> 24) & 0x01
    ps_byte = (can_id >> 8) & 0xFF
    if format_byte >= FIRST_PDU2_FORMAT:
        if not specific:
            return None  # a group's PGN always includes the group extension
        return _FLAG_PGN, bytes((ps_byte, format_byte, page_byte)), 0
    # PDU1: the record's first PGN byte is 0 and PS is the destination.
    flags = _FLAG_PGN | (_FLAG_DESTINATION if specific else 0)
    return flags, bytes((0, format_byte, page_byte)), ps_byte if specific else 0


def _group_for(can_filter) -> Optional[bytes]:
    """The filter group that passes exactly what `can_filter` passes, None
    when there is none. Raises _NeverMatches for a filter no J1939 message
    can pass."""
    if can_filter.get("extended", True) is False:
        raise _NeverMatches()
    mask = can_filter["can_mask"]
    can_id = can_filter["can_id"] & mask
    if can_id & ~_ALL_29_BITS or can_id & _EXTENDED_DATA_PAGE:
        # Received identifiers never carry these bits.
        raise _NeverMatches()
    mask &= _ALL_29_BITS & ~_EXTENDED_DATA_PAGE
    priority = _whole(mask, _PRIORITY_MASK)
    source = _whole(mask, _SOURCE_MASK)
    pgn = _pgn_and_destination(can_id, mask)
    if priority is None or source is None or pgn is None:
        return None
    flags, pgn_bytes, destination = pgn
    flags |= (_FLAG_PRIORITY if priority else 0) | (_FLAG_SOURCE if source else 0)
    return bytes((flags,)) + pgn_bytes + bytes(
        ((can_id >> 26) & 0x07, can_id & 0xFF, destination)
    )


def plan_for(filters: Optional[Iterable[dict]]) -> Plan:
    """What to tell the driver for a python-can filter list."""
    if not filters:
        return Plan(Action.PASS_ALL)
    groups: List[bytes] = []
    for can_filter in filters:
        try:
            group = _group_for(can_filter)
        except _NeverMatches:
            continue
        if group is None or group[0] == 0:
            # Not exact, or passing everything: the driver passes all and
            # python-can's test does the rest.
            return Plan(Action.PASS_ALL)
        groups.append(group)
    if not groups:
        return Plan(Action.DISCARD_ALL)
    return Plan(Action.GROUPS, b"".join(groups))
