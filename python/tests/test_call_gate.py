import threading
import time
import unittest

from vlr1210_can.call_gate import CallGate, GateClosed


class CallGateTest(unittest.TestCase):
    def test_close_waits_for_a_running_call(self):
        gate = CallGate()
        inside, release = threading.Event(), threading.Event()
        events = []

        def slow_call():
            with gate.call():
                inside.set()
                release.wait(5)
                events.append("call ended")

        caller = threading.Thread(target=slow_call)
        caller.start()
        inside.wait(5)
        closer = threading.Thread(target=lambda: events.append(("closed", gate.close())))
        closer.start()
        time.sleep(0.1)
        self.assertEqual(events, [])  # still waiting for the call
        release.set()
        caller.join(5)
        closer.join(5)
        self.assertEqual(events, ["call ended", ("closed", True)])

    def test_no_call_after_close(self):
        gate = CallGate()
        self.assertTrue(gate.close())
        self.assertFalse(gate.close())
        self.assertTrue(gate.closed)
        with self.assertRaises(GateClosed):
            with gate.call():
                pass

    def test_a_failing_call_still_leaves(self):
        gate = CallGate()
        with self.assertRaises(ValueError):
            with gate.call():
                raise ValueError()
        self.assertTrue(gate.close())  # would wait for ever otherwise


if __name__ == "__main__":
    unittest.main()
