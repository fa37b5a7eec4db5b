"""The python-can bus `vlr1210`: one J1939 connection through the driver."""

import ctypes
import time
from typing import Any, List, Optional, Sequence, Tuple

import can

from . import filters as filter_plans
from .call_gate import CallGate, GateClosed
from .clock import DriverClock
from .driver import (
    COMMAND_ALL_DISCARD,
    COMMAND_ALL_PASS,
    COMMAND_ECHO,
    COMMAND_J1939_FILTERS,
    ERR_MAX_FILTERS_EXCEEDED,
    ERR_MESSAGE_TOO_LONG,
    Driver,
    DriverNotFound,
)
from .records import parse_read, record_for

DEVICE_IDS = (101, 102, 103, 104, 201, 202, 203, 204)
_FIRST_ERROR_CODE = 128
# The size argument of the driver's calls is a 16-bit signed number.
_LARGEST_COMMAND = 0x7FFF
_ADAPTER_FILTER_SLOTS = 4  # of a 2xx adapter
# Timestamp, echo byte and the largest record: the echo of a long message
# sent by transport (6 header and 1785 data bytes).
_READ_BUFFER_SIZE = 1796
# A short nap between empty reads keeps recv's time-out without spinning.
_DEFAULT_POLL_INTERVAL = 0.002


def _device_id(channel: Any) -> int:
    try:
        return int(str(channel).strip())
    except ValueError:
        raise can.CanInitializationError(
            f"channel {channel!r} is not a device id; use one of "
            + ", ".join(str(d) for d in DEVICE_IDS)
        ) from None


class Vlr1210Bus(can.BusABC):
    """A Volra adapter's J1939 network as a python-can bus.

    :param channel: the RP1210 device id, "101" to "104" or "201" to "204"
        (the hundreds digit is the adapter family, the rest the COM port).
    :param receive_own_messages: the driver's echo mode: transmitted
        messages come back from recv with ``is_rx`` False.
    :param driver: path of the driver library; default $VLR1210_DRIVER,
        else the installed libvlr1210.so (VLR1210.DLL on Windows).
    :param poll_interval: seconds between empty reads while recv waits.
    """

    def __init__(
        self,
        channel: Any,
        can_filters: Optional[Sequence[dict]] = None,
        receive_own_messages: bool = False,
        driver: Optional[str] = None,
        poll_interval: float = _DEFAULT_POLL_INTERVAL,
        **kwargs: object,
    ):
        self._device = _device_id(channel)
        self._client: Optional[int] = None
        self._gate = CallGate()
        try:
            self._driver = Driver(driver)
        except DriverNotFound as error:
            raise can.CanInterfaceNotImplementedError(str(error)) from None
        self._echo = bool(receive_own_messages)
        self._poll_interval = max(0.0, float(poll_interval))
        self._clock = DriverClock()
        self.channel = str(self._device)
        self.channel_info = f"vlr1210 device {self._device} (COM{self._device % 100})"
        self._connect()
        try:
            # Sets the filters, which the driver needs before it passes
            # anything: a new connection discards all messages.
            super().__init__(channel, can_filters=can_filters, **kwargs)
        except can.CanError as error:
            self.shutdown()
            raise can.CanInitializationError(str(error), error.error_code) from None

    # -- connection ------------------------------------------------------

    def _connect(self) -> None:
        device = self._device
        if not -32768 <= device <= 32767:
            device = 0  # not a device the driver knows either
        result = self._driver.connect(device)
        if result >= _FIRST_ERROR_CODE or result < 0:
            raise can.CanInitializationError(
                f"cannot connect to device {self._device}: "
                + self._driver.error_text(result),
                result,
            )
        self._client = result
        if self._echo:
            code = self._driver.command_for(result, COMMAND_ECHO, b"\x01")
            if code != 0:
                self._gate.close()
                self._driver.disconnect(result)
                raise can.CanInitializationError(
                    "cannot switch echo on: " + self._driver.error_text(code), code
                )

    def shutdown(self) -> None:
        if self._client is None or not self._gate.close():
            return
        if hasattr(self, "_periodic_tasks"):  # BusABC.__init__ has run
            super().shutdown()
        self._driver.disconnect(self._client)

    def _call(self, function, *arguments):
        """A driver call for the open client, kept apart from the disconnect."""
        try:
            with self._gate.call():
                return function(self._client, *arguments)
        except GateClosed:
            raise can.CanOperationError("the bus is shut down") from None

    def _fail(self, what: str, code: int) -> can.CanOperationError:
        return can.CanOperationError(f"{what}: {self._driver.error_text(code)}", code)

    # -- receive ---------------------------------------------------------

    def _recv_internal(
        self, timeout: Optional[float]
    ) -> Tuple[Optional[can.Message], bool]:
        buffer = ctypes.create_string_buffer(_READ_BUFFER_SIZE)
        deadline = None if timeout is None else time.monotonic() + timeout
        count = self._call(self._driver.read, buffer)
        while True:
            if count > 0:
                message = self._message(buffer.raw[:count])
                if message is not None:
                    # The driver's filter groups can be coarser than the
                    # python-can filters (2xx adapters): test every message.
                    return message, False
            elif count < 0:
                raise self._fail("cannot read a message", -count)
            else:
                pause = self._poll_interval
                if deadline is not None:
                    left = deadline - time.monotonic()
                    if left <= 0:
                        return None, False
                    pause = min(pause, left)
                time.sleep(pause)
            if self._gate.closed:
                return None, False  # shut down while waiting
            count = self._call(self._driver.read, buffer)

    def _message(self, raw: bytes) -> Optional[can.Message]:
        read = parse_read(raw, self._echo)
        if read is None:
            return None
        # The driver does not stamp its echoes; they come back at once.
        stamp = (
            time.time()
            if read.echo and read.tick_ms == 0
            else self._clock.wall_time(read.tick_ms)
        )
        return can.Message(
            timestamp=stamp,
            arbitration_id=read.identifier,
            is_extended_id=True,
            data=read.data,
            channel=self.channel,
            is_rx=not read.echo,
            check=False,
        )

    # -- transmit --------------------------------------------------------

    def send(self, msg: can.Message, timeout: Optional[float] = None) -> None:
        """Queues the message with the driver. More than 8 data bytes go out
        by the driver's transport protocol: a broadcast (BAM) to address 255,
        a connection-mode transfer (RTS/CTS) to any other."""
        if not msg.is_extended_id:
            raise can.CanOperationError(
                f"identifier 0x{msg.arbitration_id:X} is not a 29-bit "
                "identifier: the adapter's J1939 connection sends no others"
            )
        if msg.is_remote_frame or msg.is_error_frame:
            raise can.CanOperationError(
                "J1939 has no remote or error frames to send"
            )
        try:
            record = record_for(msg.arbitration_id, msg.data)
        except ValueError as error:
            raise can.CanOperationError(str(error)) from None
        if len(record) > _LARGEST_COMMAND:
            raise self._fail("cannot send", ERR_MESSAGE_TOO_LONG)
        code = self._call(self._driver.send, record)
        if code != 0:
            raise self._fail(f"cannot send 0x{msg.arbitration_id:08X}", code)

    # -- filters ---------------------------------------------------------

    def _apply_filters(self, filters: Optional[Sequence[dict]]) -> None:
        plan = filter_plans.plan_for(filters)
        if plan.action is filter_plans.Action.DISCARD_ALL:
            self._command(COMMAND_ALL_DISCARD)
            return
        # Also clears the groups of earlier filters.
        self._command(COMMAND_ALL_PASS)
        if plan.action is filter_plans.Action.GROUPS:
            code = (
                self._call(self._driver.command_for, COMMAND_J1939_FILTERS, plan.groups)
                if self._groups_worth_storing(len(plan.groups) // filter_plans.GROUP_SIZE)
                else ERR_MAX_FILTERS_EXCEEDED
            )
            if code == ERR_MAX_FILTERS_EXCEEDED:
                # The driver keeps 256 groups; python-can tests the rest.
                self._command(COMMAND_ALL_PASS)
            elif code != 0:
                raise self._fail("cannot set the J1939 filters", code)

    def _groups_worth_storing(self, count: int) -> bool:
        if count * filter_plans.GROUP_SIZE > _LARGEST_COMMAND:
            return False
        # A 2xx adapter has four filter slots; with more groups it passes
        # everything and the driver adds no test, yet each group costs the
        # adapter's acknowledgements (some 70 ms).
        return self._device // 100 != 2 or count <= _ADAPTER_FILTER_SLOTS

    def _command(self, number: int, argument: bytes = b"") -> None:
        code = self._call(self._driver.command_for, number, argument)
        if code != 0:
            raise self._fail(f"command {number} failed", code)

    # -- discovery -------------------------------------------------------

    @staticmethod
    def _detect_available_configs() -> List[dict]:
        """The eight device ids. Whether an adapter answers on a port shows
        only when connecting, which would take the port from its user."""
        return [{"interface": "vlr1210", "channel": str(d)} for d in DEVICE_IDS]
