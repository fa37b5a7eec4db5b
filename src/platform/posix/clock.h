#pragma once

#include <chrono>
#include <cstdint>

namespace vlr::platform {

using MonotonicClock = std::chrono::steady_clock;

// Milliseconds left until `deadline`, clamped to [0, INT32_MAX] for poll.
inline int MillisecondsUntil(MonotonicClock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - MonotonicClock::now());
  if (left.count() <= 0) return 0;
  if (left.count() > INT32_MAX) return INT32_MAX;
  return static_cast<int>(left.count());
}

}  // namespace vlr::platform
