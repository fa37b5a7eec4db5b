"""Construction errors, shutdown and discovery."""

import subprocess
import sys
import threading
import time
import unittest

import can

from receiving import CCVS
from simulator import Simulator, require_build

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
