"""The project's simulated adapter (vlr1210-sim) on a pseudo-terminal, for
tests that talk to it through python-can and the real driver."""

import os
import shutil
import subprocess
import tempfile
import threading
import time
import unittest

_HERE = os.path.dirname(os.path.abspath(__file__))
_BUILD = os.path.join(_HERE, "..", "..", "build", "default")


def _found(variable, built):
    # A path given by the test harness is used as it stands, so a missing
    # build fails there instead of skipping.
    if os.environ.get(variable):
        return os.environ[variable]
    path = os.path.join(_BUILD, built)
    return path if os.path.exists(path) else None


SIMULATOR = _found("VLR1210_SIM", "tools/sim/vlr1210-sim")
DRIVER = _found("VLR1210_DRIVER", "src/libvlr1210.so")


def require_build():
    """Skips the calling test case when the driver or simulator is absent."""
    if SIMULATOR is None or DRIVER is None:
        raise unittest.SkipTest("no built vlr1210-sim and libvlr1210.so")
    os.environ["VLR1210_DRIVER"] = DRIVER


class HostFrame:
    """One `host j1939 ...` line of the simulator's log."""

    def __init__(self, line):
        words = line.split()
        self.identifier = int(words[2], 16)
        self.data = bytes(int(w, 16) for w in words[4:])

    def __repr__(self):
        return f"HostFrame(0x{self.identifier:08X}, {self.data.hex(' ')})"


class Simulator:
    """Runs vlr1210-sim on COMn for device `device` until stop()."""

    def __init__(self, *options, device=201):
        require_build()
        self._dir = tempfile.mkdtemp(prefix="vlr1210-can-")
        self.port_variable = f"VLR1210_COM{device % 100}"
        self.link = os.path.join(self._dir, f"com{device % 100}")
        self._lines = []
        self._changed = threading.Condition()
        self._collector = None
        family = "1xx" if device < 200 else "2xx"
        self._process = subprocess.Popen(
            [SIMULATOR, "--family", family, "--link", self.link, "--log",
             "--stdin-control", *options],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
        self.slave = self._process.stdout.readline().strip()
        if not os.path.islink(self.link):
            self.stop()
            raise RuntimeError("vlr1210-sim did not start: " + self.slave)
        self._collector = threading.Thread(target=self._collect, daemon=True)
        self._collector.start()
        os.environ[self.port_variable] = self.link

    def _collect(self):
        for line in self._process.stdout:
            with self._changed:
                self._lines.append(line.rstrip("\n"))
                self._changed.notify_all()

    def control(self, command, timeout=5.0):
        """Sends a control command; the answer (`ok ...` or `error ...`)."""
        with self._changed:
            seen = len(self._lines)
        self._process.stdin.write(command + "\n")
        self._process.stdin.flush()
        line = self.wait_for(lambda l: l.startswith(("ok", "error")),
                             timeout, start=seen)
        return line

    def wait_for(self, accept, timeout=5.0, start=0):
        """The first line from `start` on that `accept`s, or None."""
        deadline = time.monotonic() + timeout
        with self._changed:
            while True:
                for line in self._lines[start:]:
                    if accept(line):
                        return line
                start = len(self._lines)
                left = deadline - time.monotonic()
                if left <= 0:
                    return None
                self._changed.wait(left)

    def mark(self):
        """A position in the log, for host_frames(since=...)."""
        with self._changed:
            return len(self._lines)

    def host_frames(self, since=0):
        with self._changed:
            lines = self._lines[since:]
        return [HostFrame(l) for l in lines if l.startswith("host j1939 ")]

    def wait_for_host_frames(self, count, since=0, timeout=5.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            frames = self.host_frames(since)
            if len(frames) >= count:
                return frames
            time.sleep(0.02)
        return self.host_frames(since)

    def stop(self):
        try:
            self._process.stdin.close()  # the simulator ends with its stdin
        except OSError:
            pass  # it has gone already
        try:
            self._process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
        if self._collector is not None:
            self._collector.join(timeout=5)  # ends at the end of the output
        self._process.stdout.close()
        if os.environ.get(self.port_variable) == self.link:
            del os.environ[self.port_variable]
        shutil.rmtree(self._dir, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()
