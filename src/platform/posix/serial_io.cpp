// Reads and writes that keep the Win32 COMMTIMEOUTS semantics on a
// non-blocking descriptor, so the reader thread's pacing is the same on
// both systems.
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform/posix/clock.h"
#include "platform/posix/port_object.h"

namespace vlr::platform {
namespace {

constexpr uint32_t kNoWait = 0xFFFFFFFFu;  // MAXDWORD in the interval field

enum class Wait { kReady, kTimedOut, kHungUp };

// A terminal whose far end is gone (pseudo-terminal closed, USB adapter
// unplugged, carrier lost) reports a hang-up on every poll from then on;
// the errno values are those of a read or write on such a device.
bool IsGoneError(int error) {
  return error == EIO || error == ENXIO || error == ENODEV || error == EBADF;
}

// Waits for `events`. A hang-up is reported as such even when the poll
// also says "readable": a hung-up terminal reads 0 bytes for ever.
Wait WaitFor(int fd, short events, int timeoutMs) {
  pollfd entry{fd, events, 0};
  const int ready = ::poll(&entry, 1, timeoutMs);
  if (ready == 0) return Wait::kTimedOut;
  // Interrupted: the caller recomputes the time left on its next pass, so
  // an interruption never stretches the total bound.
  if (ready < 0) return errno == EINTR ? Wait::kReady : Wait::kTimedOut;
  if (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) return Wait::kHungUp;
  return Wait::kReady;
}

MonotonicClock::time_point Deadline(uint32_t constant, uint32_t multiplier,
                                    uint32_t count) {
  const uint64_t ms = uint64_t{constant} + uint64_t{multiplier} * count;
  if (ms == 0) return MonotonicClock::time_point::max();
  return MonotonicClock::now() + std::chrono::milliseconds(ms);
}

// Reads what is there now: the byte count, or -1 with `gone` telling a
// vanished device from another failure.
ssize_t ReadAvailable(int fd, uint8_t* buffer, uint32_t room, bool& gone) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer, room);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    gone = IsGoneError(errno);
    return -1;
  }
}

int TimeLeft(MonotonicClock::time_point deadline) {
  return deadline == MonotonicClock::time_point::max()
             ? -1
             : MillisecondsUntil(deadline);
}

}  // namespace

PortCondition ReadPortChecked(Port port, uint8_t* buffer, uint32_t capacity,
                              uint32_t& got) {
  got = 0;
  if (port == nullptr || buffer == nullptr) return PortCondition::kFailed;
  if (capacity == 0) return PortCondition::kOk;
  const PortTimeouts& t = port->timeouts;
  const bool returnAtOnce = t.readInterval == kNoWait &&
                            t.readTotalConstant == 0 &&
                            t.readTotalMultiplier == 0;
  // Win32's "wait for the first byte, then return what is there": both
  // fields at MAXDWORD with a constant bound on the wait.
  const bool returnOnFirstBytes =
      t.readInterval == kNoWait && t.readTotalMultiplier == kNoWait &&
      t.readTotalConstant != 0 && t.readTotalConstant != kNoWait;
  const auto total =
      returnOnFirstBytes
          ? Deadline(t.readTotalConstant, 0, capacity)
          : Deadline(t.readTotalConstant, t.readTotalMultiplier, capacity);
  for (;;) {
    bool gone = false;
    const ssize_t n =
        ReadAvailable(port->fd, buffer + got, capacity - got, gone);
    if (n < 0) {
      if (got > 0) return PortCondition::kOk;
      return gone ? PortCondition::kGone : PortCondition::kFailed;
    }
    got += static_cast<uint32_t>(n);
    if (got == capacity || returnAtOnce) return PortCondition::kOk;
    if (got > 0 && returnOnFirstBytes) return PortCondition::kOk;
    int wait = TimeLeft(total);
    if (got > 0 && t.readInterval > 0 && t.readInterval != kNoWait) {
      const int interval = static_cast<int>(t.readInterval);
      wait = wait < 0 ? interval : std::min(wait, interval);
    }
    if (wait == 0) return PortCondition::kOk;
    switch (WaitFor(port->fd, POLLIN, wait)) {
      case Wait::kReady:
        break;
      case Wait::kTimedOut:
        return PortCondition::kOk;
      case Wait::kHungUp:
        // What arrived before the hang-up is handed over first; the next
        // call reports the hang-up.
        if (got == 0) {
          const ssize_t last = ReadAvailable(port->fd, buffer, capacity, gone);
          if (last > 0) got = static_cast<uint32_t>(last);
        }
        return got > 0 ? PortCondition::kOk : PortCondition::kGone;
    }
  }
}

bool ReadPort(Port port, uint8_t* buffer, uint32_t capacity, uint32_t& got) {
  const PortCondition condition = ReadPortChecked(port, buffer, capacity, got);
  return condition == PortCondition::kOk || got > 0;
}

PortCondition WritePortChecked(Port port, const uint8_t* bytes, uint32_t length,
                               uint32_t& written) {
  written = 0;
  if (port == nullptr || (bytes == nullptr && length > 0)) {
    return PortCondition::kFailed;
  }
  const PortTimeouts& t = port->timeouts;
  const auto deadline =
      Deadline(t.writeTotalConstant, t.writeTotalMultiplier, length);
  while (written < length) {
    const ssize_t n = ::write(port->fd, bytes + written, length - written);
    if (n > 0) {
      written += static_cast<uint32_t>(n);
      continue;
    }
    if (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
      return IsGoneError(errno) ? PortCondition::kGone : PortCondition::kFailed;
    }
    const int wait = TimeLeft(deadline);
    if (wait == 0) return PortCondition::kFailed;
    switch (WaitFor(port->fd, POLLOUT, wait)) {
      case Wait::kReady:
        break;
      case Wait::kTimedOut:
        return PortCondition::kFailed;
      case Wait::kHungUp:
        return PortCondition::kGone;
    }
  }
  return PortCondition::kOk;
}

bool WritePort(Port port, const uint8_t* bytes, uint32_t length,
               uint32_t& written) {
  return WritePortChecked(port, bytes, length, written) == PortCondition::kOk;
}

}  // namespace vlr::platform
