#include "input_line.h"

#include <algorithm>

namespace vlrsim::detail {

namespace {
constexpr std::chrono::milliseconds kWakeSlice{1};
// Taken from the host ahead of their arrival: two slices, so the next
// slice is already held when one is handed on and the line never runs dry
// while the host has more to say.
constexpr size_t kSlicesHeld = 2;
}  // namespace

InputLine::InputLine(uint32_t baud)
    // Ten bits a byte: start, eight data bits, stop.
    : byte_time_(std::chrono::duration_cast<Clock::duration>(
          std::chrono::duration<double>(10.0 / baud))),
      wake_bytes_(
          std::max<size_t>(static_cast<size_t>(kWakeSlice / byte_time_), 1)) {}

size_t InputLine::Room() const {
  const size_t most = wake_bytes_ * kSlicesHeld;
  return held_.size() < most ? most - held_.size() : 0;
}

void InputLine::Feed(std::span<const uint8_t> bytes, Clock::time_point now) {
  if (bytes.empty()) return;
  const auto start = held_.empty() ? std::max(now, line_free_) : line_free_;
  line_free_ = start + byte_time_ * static_cast<Clock::rep>(bytes.size());
  held_.insert(held_.end(), bytes.begin(), bytes.end());
}

size_t InputLine::StillOnLine(Clock::time_point now) const {
  if (now >= line_free_) return 0;
  // Byte k from the end arrives k byte times before line_free_.
  const auto ahead =
      (line_free_ - now + byte_time_ - Clock::duration{1}) / byte_time_;
  return std::min(held_.size(), static_cast<size_t>(ahead));
}

Bytes InputLine::Arrived(Clock::time_point now) {
  const auto count =
      static_cast<std::ptrdiff_t>(held_.size() - StillOnLine(now));
  Bytes arrived(held_.begin(), held_.begin() + count);
  held_.erase(held_.begin(), held_.begin() + count);
  return arrived;
}

std::optional<Clock::time_point> InputLine::NextTime() const {
  if (held_.empty()) return std::nullopt;
  const size_t after = held_.size() - std::min(held_.size(), wake_bytes_);
  return line_free_ - byte_time_ * static_cast<Clock::rep>(after);
}

Bytes InputLine::TakeAll() {
  Bytes all(held_.begin(), held_.end());
  held_.clear();
  return all;
}

}  // namespace vlrsim::detail
