// The adapter's receive side of a line-paced connection, without the
// descriptor. A pseudo-terminal hands over everything the host wrote at
// once; a serial line delivers it one byte time after another. The I/O
// thread takes host bytes only as far as Room() allows, so a host that
// writes faster than the line fills its own side and waits, as it would on
// a UART, and passes on what Arrived() says a line at `baud` would have
// delivered by then.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <span>

#include "vlrsim/family.h"

namespace vlrsim::detail {

class InputLine {
 public:
  explicit InputLine(uint32_t baud);

  // How many more bytes may be taken from the host now.
  size_t Room() const;
  // Bytes taken from the host at `now`. They come off the line one byte
  // time apart, after whatever is still on it.
  void Feed(std::span<const uint8_t> bytes, Clock::time_point now);
  // The bytes whose last bit has arrived by `now`, in order.
  Bytes Arrived(Clock::time_point now);
  // When Arrived next has something worth waking for; nothing when no
  // byte is on the line.
  std::optional<Clock::time_point> NextTime() const;
  bool Empty() const { return held_.empty(); }
  // Everything still on the line, at once (pacing switched off).
  Bytes TakeAll();

  Clock::duration ByteTime() const { return byte_time_; }

 private:
  size_t StillOnLine(Clock::time_point now) const;

  Clock::duration byte_time_;
  // Bytes handed on per wake-up while a long run is on the line: about a
  // millisecond's worth, so a stream costs no wake-up per byte.
  size_t wake_bytes_;
  std::deque<uint8_t> held_;
  // When the last held byte has arrived; the held bytes arrive back to
  // back before it.
  Clock::time_point line_free_{};
};

}  // namespace vlrsim::detail
