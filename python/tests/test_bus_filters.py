"""python-can filters on the bus: driver groups where exact, python-can's
own test always."""

import unittest

import can

from receiving import CCVS, EEC1, receive_for
from simulator import Simulator

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


if __name__ == "__main__":
    unittest.main()
