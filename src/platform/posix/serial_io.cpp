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

// Waits for `events`; false on time-out or a hang-up with nothing to read.
bool WaitFor(int fd, short events, int timeoutMs) {
  pollfd entry{fd, events, 0};
  for (;;) {
    const int ready = ::poll(&entry, 1, timeoutMs);
    if (ready > 0) return (entry.revents & (events | POLLHUP | POLLERR)) != 0;
    if (ready == 0) return false;
    if (errno != EINTR) return false;
    // Interrupted: poll again. The caller recomputes the time left on its
    // next pass, so an interruption never stretches the total bound.
    return true;
  }
}

MonotonicClock::time_point Deadline(uint32_t constant, uint32_t multiplier,
                                    uint32_t count) {
  const uint64_t ms = uint64_t{constant} + uint64_t{multiplier} * count;
  if (ms == 0) return MonotonicClock::time_point::max();
  return MonotonicClock::now() + std::chrono::milliseconds(ms);
}

// Reads what is there now; -1 when the line is gone.
ssize_t ReadAvailable(int fd, uint8_t* buffer, uint32_t room) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer, room);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    return -1;
  }
}

}  // namespace

bool ReadPort(Port port, uint8_t* buffer, uint32_t capacity, uint32_t& got) {
  got = 0;
  if (port == nullptr || buffer == nullptr) return false;
  if (capacity == 0) return true;
  const PortTimeouts& t = port->timeouts;
  const bool returnAtOnce = t.readInterval == kNoWait &&
                            t.readTotalConstant == 0 &&
                            t.readTotalMultiplier == 0;
  const auto total =
      Deadline(t.readTotalConstant, t.readTotalMultiplier, capacity);
  for (;;) {
    const ssize_t n = ReadAvailable(port->fd, buffer + got, capacity - got);
    if (n < 0) return got > 0;
    got += static_cast<uint32_t>(n);
    if (got == capacity || returnAtOnce) return true;
    int wait = total == MonotonicClock::time_point::max()
                   ? -1
                   : MillisecondsUntil(total);
    if (got > 0 && t.readInterval > 0 && t.readInterval != kNoWait) {
      const int interval = static_cast<int>(t.readInterval);
      wait = wait < 0 ? interval : std::min(wait, interval);
    }
    if (wait == 0) return true;
    if (!WaitFor(port->fd, POLLIN, wait)) return true;
  }
}

bool WritePort(Port port, const uint8_t* bytes, uint32_t length,
               uint32_t& written) {
  written = 0;
  if (port == nullptr || (bytes == nullptr && length > 0)) return false;
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
      return false;
    }
    const int wait = deadline == MonotonicClock::time_point::max()
                         ? -1
                         : MillisecondsUntil(deadline);
    if (wait == 0 || !WaitFor(port->fd, POLLOUT, wait)) return false;
  }
  return true;
}

}  // namespace vlr::platform
