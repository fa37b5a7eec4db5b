"""Keeps the disconnect apart from the bus's other driver calls.

The driver asks its application not to let a call for a client overlap
the disconnect of that client: the disconnect takes the client's queues
away. With python-can, a Notifier's thread may be inside recv when the
program shuts the bus down, so the bus waits for such calls to end first.
"""

import threading
from contextlib import contextmanager


class GateClosed(Exception):
    pass


class CallGate:
    def __init__(self):
        self._changed = threading.Condition()
        self._calls = 0
        self._closed = False

    @property
    def closed(self) -> bool:
        return self._closed

    @contextmanager
    def call(self):
        """Around one driver call; raises GateClosed once close() began."""
        with self._changed:
            if self._closed:
                raise GateClosed()
            self._calls += 1
        try:
            yield
        finally:
            with self._changed:
                self._calls -= 1
                if self._calls == 0:
                    self._changed.notify_all()

    def close(self) -> bool:
        """Refuses new calls and waits for the running ones; True the first
        time only."""
        with self._changed:
            if self._closed:
                return False
            self._closed = True
            while self._calls:
                self._changed.wait()
            return True
