import random
import unittest

from vlr1210_can.filters import Action, plan_for
from vlr1210_can.records import record_for


def delivered_header(identifier):
    """The record header the driver delivers for a received identifier."""
    header = bytearray(record_for(identifier, b""))
    if header[1] >= 0xF0:
        header[5] = 0  # no destination
    return bytes(header)


def group_passes(group, header):
    """The driver's test of one filter group against a delivered record."""
    flags = group[0]
    if flags & 0x01 and group[1:4] != header[0:3]:
        return False
    if flags & 0x02 and group[4] != header[3]:
        return False
    if flags & 0x04 and group[5] != header[4]:
        return False
    if flags & 0x08 and group[6] != header[5]:
        return False
    return True


def mask_passes(can_filter, identifier):
    """python-can's own test of one filter (every message here is extended)."""
    if can_filter.get("extended", True) is False:
        return False
    return (can_filter["can_id"] ^ identifier) & can_filter["can_mask"] == 0


def identifiers_near(can_id):
    """Identifiers that differ from `can_id` in one field, plus random ones."""
    rng = random.Random(can_id)
    base = can_id & 0x1DFFFFFF  # received identifiers have no EDP bit
    near = [base]
    for field in (0x1C000000, 0x01000000, 0x00FF0000, 0x0000FF00, 0x000000FF):
        near.append(base ^ (field & rng.getrandbits(29) or field))
    near += [rng.getrandbits(29) & 0x1DFFFFFF for _ in range(300)]
    return near


EXACT = [
    {"can_id": 0x18FEF100, "can_mask": 0x1FFFFFFF, "extended": True},
    {"can_id": 0x18FEF100, "can_mask": 0x03FFFF00},          # PGN FEF1
    {"can_id": 0x00F00400, "can_mask": 0x03FFFFFF},          # EEC1 from 0
    {"can_id": 0x00EA0000, "can_mask": 0x03FF0000},          # PGN EA00, any dest
    {"can_id": 0x00EA1700, "can_mask": 0x03FFFF00},          # EA00 to 0x17
    {"can_id": 0x00EF17F9, "can_mask": 0x03FFFFFF},          # PropA 0xF9 -> 0x17
    {"can_id": 0x000000F9, "can_mask": 0x000000FF},          # source only
    {"can_id": 0x18000000, "can_mask": 0x1C000000},          # priority only
    {"can_id": 0x0C000003, "can_mask": 0x1C0000FF},          # priority + source
    {"can_id": 0x01FECA00, "can_mask": 0x01FFFF00},          # data page 1 DM1
]

NOT_EXACT = [
    {"can_id": 0x00F00000, "can_mask": 0x00FF0000},   # PF without data page
    {"can_id": 0x00FE0000, "can_mask": 0x03FF0000},   # PDU2 PGN without PS
    {"can_id": 0x00001700, "can_mask": 0x0000FF00},   # PS alone
    {"can_id": 0x000000F0, "can_mask": 0x000000F0},   # part of the source
    {"can_id": 0x08000000, "can_mask": 0x08000000},   # part of the priority
]


class FilterPlanTest(unittest.TestCase):
    def test_no_filters_pass_all(self):
        self.assertEqual(plan_for(None).action, Action.PASS_ALL)
        self.assertEqual(plan_for([]).action, Action.PASS_ALL)

    def test_exact_filters_become_groups_that_pass_the_same(self):
        for can_filter in EXACT:
            plan = plan_for([can_filter])
            with self.subTest(filter=can_filter):
                self.assertEqual(plan.action, Action.GROUPS)
                self.assertEqual(len(plan.groups), 7)
                for identifier in identifiers_near(can_filter["can_id"]):
                    self.assertEqual(
                        group_passes(plan.groups, delivered_header(identifier)),
                        mask_passes(can_filter, identifier),
                        hex(identifier))

    def test_a_filter_no_group_expresses_opens_everything(self):
        for can_filter in NOT_EXACT:
            with self.subTest(filter=can_filter):
                self.assertEqual(plan_for([can_filter]).action, Action.PASS_ALL)
                self.assertEqual(plan_for(EXACT[:2] + [can_filter]).action,
                                 Action.PASS_ALL)

    def test_several_filters_give_one_group_each(self):
        plan = plan_for(EXACT[:3])
        self.assertEqual(plan.action, Action.GROUPS)
        self.assertEqual(len(plan.groups), 21)

    def test_a_mask_of_nothing_passes_everything(self):
        plan = plan_for([EXACT[0], {"can_id": 0x123, "can_mask": 0}])
        self.assertEqual(plan.action, Action.PASS_ALL)

    def test_filters_no_j1939_message_passes(self):
        never = [
            {"can_id": 0x123, "can_mask": 0x7FF, "extended": False},
            {"can_id": 0x2000_0000, "can_mask": 0xFFFF_FFFF},  # beyond 29 bits
            {"can_id": 0x0200_0000, "can_mask": 0x0200_0000},  # EDP set
        ]
        self.assertEqual(plan_for(never).action, Action.DISCARD_ALL)
        plan = plan_for(never + [EXACT[0]])
        self.assertEqual((plan.action, len(plan.groups)), (Action.GROUPS, 7))

    def test_group_bytes(self):
        # PGN FEF1 only, and everything of a request to 0x17 from 0xF9.
        self.assertEqual(plan_for([EXACT[1]]).groups,
                         bytes([0x01, 0xF1, 0xFE, 0x00, 0, 0, 0]))
        self.assertEqual(
            plan_for([{"can_id": 0x18EA17F9, "can_mask": 0x1FFFFFFF}]).groups,
            bytes([0x0F, 0x00, 0xEA, 0x00, 6, 0xF9, 0x17]))


if __name__ == "__main__":
    unittest.main()
