"""The driver library, loaded at run time as an RP1210 application loads it.

Linux: the path given, else $VLR1210_DRIVER, else the installed
libvlr1210.so. Windows: VLR1210.DLL (32-bit, so a 32-bit Python), called
with the standard calling convention.
"""

import ctypes
import ctypes.util
import os
import sys
from typing import List, Optional

ERR_MESSAGE_TOO_LONG = 141
ERR_MAX_FILTERS_EXCEEDED = 161

COMMAND_ALL_PASS = 3
COMMAND_J1939_FILTERS = 4
COMMAND_ECHO = 16
COMMAND_ALL_DISCARD = 17

# The interface gives no size for error texts; they are at most 80 bytes.
_ERROR_TEXT_SIZE = 256


class DriverNotFound(Exception):
    pass


def _candidates(path: Optional[str]) -> List[str]:
    if path:
        return [path]
    named = os.environ.get("VLR1210_DRIVER")
    if named:
        return [named]
    if sys.platform == "win32":
        return ["VLR1210.DLL"]
    found = ctypes.util.find_library("vlr1210")
    return ["libvlr1210.so"] + ([found] if found else [])


def _open(name: str):
    if sys.platform == "win32":
        return ctypes.WinDLL(name)
    return ctypes.CDLL(name)


def _declare(library) -> None:
    short, long_, text = ctypes.c_short, ctypes.c_long, ctypes.c_char_p
    signatures = {
        "RP1210_ClientConnect": (
            short,
            [ctypes.c_void_p, short, text, long_, long_, short],
        ),
        "RP1210_ClientDisconnect": (short, [short]),
        "RP1210_SendMessage": (short, [short, text, short, short, short]),
        "RP1210_ReadMessage": (short, [short, ctypes.c_void_p, short, short]),
        "RP1210_SendCommand": (short, [short, short, text, short]),
        "RP1210_GetErrorMsg": (short, [short, ctypes.c_void_p]),
    }
    for name, (result, arguments) in signatures.items():
        function = getattr(library, name)  # AttributeError: not a driver
        function.restype = result
        function.argtypes = arguments


class Driver:
    """The loaded library and the handful of calls the bus makes."""

    def __init__(self, path: Optional[str] = None):
        problems = []
        for name in _candidates(path):
            try:
                library = _open(name)
                _declare(library)
            except (OSError, AttributeError) as error:
                problems.append(f"{name}: {error}")
                continue
            self.path = name
            self._lib = library
            return
        raise DriverNotFound(
            "cannot load the vlr1210 driver ("
            + "; ".join(problems)
            + "); install it or name it in $VLR1210_DRIVER"
        )

    def error_text(self, code: int) -> str:
        """The driver's name for a result code."""
        text = ctypes.create_string_buffer(_ERROR_TEXT_SIZE)
        self._lib.RP1210_GetErrorMsg(code, text)
        return text.value.decode("ascii", "replace") or f"error {code}"

    def connect(self, device_id: int, protocol: str = "J1939") -> int:
        """The client id (0..127), or a result code (128 and above).

        A CAN bus interface hands over CAN frames: the last argument 1 tells
        the driver that the application (a J1939 stack on python-can) does
        its own transport, so the driver delivers every frame as it came."""
        return self._lib.RP1210_ClientConnect(
            None, device_id, protocol.encode("ascii"), 0, 0, 1
        )

    def disconnect(self, client: int) -> int:
        return self._lib.RP1210_ClientDisconnect(client)

    def send(self, client: int, record: bytes) -> int:
        return self._lib.RP1210_SendMessage(client, record, len(record), 0, 0)

    def read(self, client: int, buffer) -> int:
        """Never blocks: the driver's own blocking read waits 10 s."""
        return self._lib.RP1210_ReadMessage(client, buffer, len(buffer), 0)

    def command_for(self, client: int, number: int, argument: bytes = b"") -> int:
        return self._lib.RP1210_SendCommand(number, client, argument, len(argument))
