// The adapter's transmit side without the descriptor: an ordered queue of
// byte runs, each allowed out only after its pause, paced at the line rate
// when throttled. The I/O thread asks what may be written now and when to
// look again; it does the writing itself.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <vector>

#include "vlrsim/family.h"

namespace vlrsim::detail {

class OutputLine {
 public:
  explicit OutputLine(uint32_t baud) : baud_(baud) {}

  // Appends a run; it goes out after everything queued before it, and no
  // sooner than `pause` after the run before it was written.
  void Enqueue(Bytes bytes, Clock::duration pause = {});
  // Appends a run at `due` (the adapter's delayed answers, such as the
  // ready frame). Until then it holds nothing else back.
  void EnqueueAt(Clock::time_point due, Bytes bytes);

  // The bytes that may be written at `now`, or nothing. When throttled, at
  // most a few milliseconds' worth of the line at a time.
  std::optional<Bytes> Take(Clock::time_point now);
  // Call after writing what Take gave (`count` bytes, completed at `at`).
  void NoteWritten(Clock::time_point at, size_t count);

  // When Take may next give something; nothing when the line is idle.
  std::optional<Clock::time_point> NextTime(Clock::time_point now) const;
  bool Idle() const { return queue_.empty() && delayed_.empty(); }
  void Clear();

  void SetThrottle(bool throttle) { throttle_ = throttle; }

 private:
  struct Run {
    Bytes bytes;
    Clock::duration pause{};
  };
  struct Delayed {
    Clock::time_point due;
    Bytes bytes;
  };

  void MoveDueRuns(Clock::time_point now);
  Clock::duration ByteTime() const;
  size_t ThrottledPiece() const;

  uint32_t baud_;
  bool throttle_ = false;
  std::deque<Run> queue_;
  std::vector<Delayed> delayed_;  // in order of `due`
  Clock::time_point last_write_{};
  Clock::time_point line_free_{};  // throttled: when the last byte is out
};

}  // namespace vlrsim::detail
