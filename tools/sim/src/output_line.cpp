#include "output_line.h"

#include <algorithm>

namespace vlrsim::detail {

namespace {
// Throttled output goes out in pieces this long, so that a long run does not
// arrive as one burst.
constexpr std::chrono::milliseconds kThrottleSlice{5};
}  // namespace

void OutputLine::Enqueue(Bytes bytes, Clock::duration pause) {
  if (bytes.empty()) return;
  queue_.push_back(Run{std::move(bytes), pause});
}

void OutputLine::EnqueueAt(Clock::time_point due, Bytes bytes) {
  if (bytes.empty()) return;
  auto later = std::upper_bound(
      delayed_.begin(), delayed_.end(), due,
      [](Clock::time_point t, const Delayed& d) { return t < d.due; });
  delayed_.insert(later, Delayed{due, std::move(bytes)});
}

void OutputLine::MoveDueRuns(Clock::time_point now) {
  auto due_end = delayed_.begin();
  while (due_end != delayed_.end() && due_end->due <= now) {
    queue_.push_back(Run{std::move(due_end->bytes), {}});
    ++due_end;
  }
  delayed_.erase(delayed_.begin(), due_end);
}

Clock::duration OutputLine::ByteTime() const {
  // Ten bits a byte: start, eight data bits, stop.
  return std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(10.0 / baud_));
}

size_t OutputLine::ThrottledPiece() const {
  const auto per_slice = kThrottleSlice / ByteTime();
  return static_cast<size_t>(std::max<decltype(per_slice)>(per_slice, 1));
}

std::optional<Clock::time_point> OutputLine::NextTime(
    Clock::time_point now) const {
  std::optional<Clock::time_point> next;
  if (!queue_.empty()) {
    next = std::max(now, last_write_ + queue_.front().pause);
    if (throttle_) next = std::max(*next, line_free_);
  }
  if (!delayed_.empty() && (!next || delayed_.front().due < *next)) {
    next = delayed_.front().due;
  }
  return next;
}

std::optional<Bytes> OutputLine::Take(Clock::time_point now) {
  MoveDueRuns(now);
  if (queue_.empty()) return std::nullopt;
  Run& head = queue_.front();
  if (now < last_write_ + head.pause) return std::nullopt;
  if (throttle_ && now < line_free_) return std::nullopt;
  if (!throttle_ || head.bytes.size() <= ThrottledPiece()) {
    Bytes bytes = std::move(head.bytes);
    queue_.pop_front();
    return bytes;
  }
  const auto cut =
      head.bytes.begin() + static_cast<ptrdiff_t>(ThrottledPiece());
  Bytes piece(head.bytes.begin(), cut);
  head.bytes.erase(head.bytes.begin(), cut);
  head.pause = {};
  return piece;
}

void OutputLine::NoteWritten(Clock::time_point at, size_t count) {
  last_write_ = at;
  // A write that is late by less than a slice only reflects the I/O
  // thread's wake-up delay; the line itself was busy all along, so the
  // schedule carries on from where it was instead of drifting slower.
  const auto start = at - line_free_ < kThrottleSlice ? line_free_ : at;
  line_free_ = start + ByteTime() * static_cast<Clock::rep>(count);
}

void OutputLine::Clear() {
  queue_.clear();
  delayed_.clear();
}

}  // namespace vlrsim::detail
