"""python-can's own programs with the interface: can.logger and, in a
terminal (tmux), can.viewer."""

import os
import re
import shutil
import signal
import subprocess
import sys
import time
import unittest

from simulator import Simulator

TRAFFIC_LINE = re.compile(r"ID:\s+(0cf00400|18fef100)\s+X\s+Rx")


class LoggerProgramTest(unittest.TestCase):
    def test_logger_prints_traffic_and_stops_on_ctrl_c(self):
        with Simulator("--scenario", "truck-j1939"):
            logger = subprocess.Popen(
                [sys.executable, "-m", "can.logger", "-i", "vlr1210", "-c", "201"],
                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
            try:
                traffic = 0
                deadline = time.monotonic() + 20
                while traffic < 20 and time.monotonic() < deadline:
                    line = logger.stdout.readline()
                    if not line:
                        break
                    traffic += bool(TRAFFIC_LINE.search(line))
                logger.send_signal(signal.SIGINT)
                _, errors = logger.communicate(timeout=20)
            finally:
                if logger.poll() is None:
                    logger.kill()
                    logger.communicate()
        self.assertEqual(traffic, 20)
        self.assertEqual(logger.returncode, 0, errors)


@unittest.skipUnless(shutil.which("tmux"), "tmux is not installed")
class ViewerProgramTest(unittest.TestCase):
    def tmux(self, *arguments):
        return subprocess.run(["tmux", "-L", self.socket, *arguments],
                              capture_output=True, text=True, timeout=20)

    def setUp(self):
        self.socket = f"vlr1210-can-test-{os.getpid()}"
        self.addCleanup(self.tmux, "kill-server")

    def screen(self):
        return self.tmux("capture-pane", "-p", "-t", "viewer").stdout

    def wait_for_screen(self, accept, seconds=20):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            text = self.screen()
            if accept(text):
                return text
            time.sleep(0.2)
        return self.screen()

    def test_viewer_shows_the_truck_and_quits_on_q(self):
        with Simulator("--scenario", "truck-j1939") as sim:
            environment = [f"{name}={os.environ[name]}"
                           for name in (sim.port_variable, "VLR1210_DRIVER")]
            command = (f"'{sys.executable}' -m can.viewer -i vlr1210 -c 201;"
                       " echo viewer-exit=$?; sleep 60")
            started = self.tmux("new-session", "-d", "-s", "viewer", "-x", "150",
                                "-y", "40", *sum((["-e", e] for e in environment), []),
                                command)
            self.assertEqual(started.returncode, 0, started.stderr)
            text = self.wait_for_screen(
                lambda t: "0x0CF00400" in t and "0x18FEF100" in t)
            self.assertIn("0x0CF00400", text)
            self.assertIn("0x18FEF100", text)
            self.tmux("send-keys", "-t", "viewer", "q")
            text = self.wait_for_screen(lambda t: "viewer-exit=" in t)
        self.assertIn("viewer-exit=0", text)


if __name__ == "__main__":
    unittest.main()
